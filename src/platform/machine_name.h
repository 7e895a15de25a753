// Whether a machine name given to RegConnectRegistryW means this machine.
//
// Thread safety: safe.
#pragma once

#include <string_view>

#include "vekconfig/types.h"

namespace vek {

// Null, empty, "localhost" or this host's name, each with or without a
// leading "\\", compared without regard to ASCII case.
bool IsLocalMachineName(const WCHAR* name);

// The name without a leading "\\".
std::u16string_view BareMachineName(const WCHAR* name);

}  // namespace vek
