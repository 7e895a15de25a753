// Deleting a registry key together with everything below it.
#pragma once

#include "vekconfig/registry.h"

namespace vek {

// Deletes parent\name and its whole subtree; returns the Win32 code of the
// step that stopped it (0 on success, 2 when the key is missing).
LSTATUS DeleteKeyTree(HKEY parent, const WCHAR* name);

}  // namespace vek
