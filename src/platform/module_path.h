// The full path of the shared object (or program) that holds an address.
//
// Thread safety: safe.
#pragma once

#include "vekconfig/types.h"

namespace vek {

// Writes the absolute path of the module containing address into out (size
// characters, terminator included), cut to fit as GetModuleFileNameW does.
// Returns the number of characters written without the terminator, 0 when
// the module cannot be found or size is 0.
DWORD ModuleFileNameOf(const void* address, WCHAR* out, DWORD size);

}  // namespace vek
