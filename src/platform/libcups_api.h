// libcups, opened on first use (see shared_library.h).
//
// Thread safety: Cups() may be called from any thread.
#pragma once

#include <cups/cups.h>

namespace vek {

#define VEK_LIBCUPS_FUNCTIONS(X)                                                                  \
    X(cupsEncryption) X(cupsFreeDests) X(cupsGetDests2) X(cupsGetOption) X(cupsLastError)         \
    X(cupsServer) X(cupsSetServer) X(httpClose) X(httpConnect2) X(httpSetTimeout) X(ippPort)

struct LibCups {
#define VEK_LIBCUPS_POINTER(name) decltype(&::name) name;
    VEK_LIBCUPS_FUNCTIONS(VEK_LIBCUPS_POINTER)
#undef VEK_LIBCUPS_POINTER
};

// libcups ("libcups.so.2"); null when it or one of its functions cannot be
// loaded.
const LibCups* Cups();

}  // namespace vek
