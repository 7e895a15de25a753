// Where this machine's state lives: VEK_HOME, else /var/lib/vek for root,
// else $XDG_STATE_HOME/vek (or ~/.local/state/vek). Created on first use.
//
// Thread safety: safe; the variable is read at every call, so a test can
// point VEK_HOME at a fresh directory.
#pragma once

#include <filesystem>

namespace vek {

// The state directory, created (with its parents) when missing. An empty path
// when it cannot be determined or created.
std::filesystem::path VekHome();

}  // namespace vek
