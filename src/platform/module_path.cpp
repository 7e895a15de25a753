#include "platform/module_path.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include "vekconfig/text.h"

namespace vek {

DWORD ModuleFileNameOf(const void* address, WCHAR* out, DWORD size) {
    if (out == nullptr || size == 0) return 0;
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) return 0;
    char resolved[PATH_MAX];
    const char* path = realpath(info.dli_fname, resolved) != nullptr ? resolved : info.dli_fname;
    WideCopy(out, size, Utf8ToUtf16(path).c_str());
    return static_cast<DWORD>(WideLength(out));
}

}  // namespace vek
