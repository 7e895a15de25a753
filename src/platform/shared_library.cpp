#include "platform/shared_library.h"

namespace vek {

void* OpenSharedLibrary(const char* soname) {
    // Local binding: the library's symbols stay out of the process's global
    // namespace, where they could meet another copy the program links.
    return ::dlopen(soname, RTLD_NOW | RTLD_LOCAL);
}

}  // namespace vek
