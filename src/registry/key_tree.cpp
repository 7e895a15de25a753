#include "registry/key_tree.h"

#include "platform/scoped_key.h"

namespace vek {

LSTATUS DeleteKeyTree(HKEY parent, const WCHAR* name) {
    LSTATUS status = RegDeleteKeyW(parent, name);
    if (status != ERROR_ACCESS_DENIED) return status;
    ScopedKey key;
    status = RegOpenKeyExW(parent, name, 0, KEY_ALL_ACCESS, key.put());
    if (status != ERROR_SUCCESS) return status;
    for (;;) {
        WCHAR child[256];
        DWORD length = 256;
        status = RegEnumKeyExW(key.get(), 0, child, &length, nullptr, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS) break;
        status = DeleteKeyTree(key.get(), child);
        if (status != ERROR_SUCCESS) break;
    }
    key.reset();
    if (status == ERROR_NO_MORE_ITEMS) return RegDeleteKeyW(parent, name);
    return status;
}

}  // namespace vek
