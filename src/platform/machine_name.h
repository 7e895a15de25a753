// This machine's name and whether a name given to RegConnectRegistryW means
// this machine.
//
// Thread safety: safe.
#pragma once

#include <string>
#include <string_view>

#include "vekconfig/types.h"

namespace vek {

// VEK_MACHINE when set and not empty, else the host name (UTF-8).
std::string LocalMachineName();

// Null, empty, "localhost", this host's name or VEK_MACHINE, each with or
// without a leading "\\", compared without regard to ASCII case.
bool IsLocalMachineName(const WCHAR* name);

// The name without a leading "\\".
std::u16string_view BareMachineName(const WCHAR* name);

}  // namespace vek
