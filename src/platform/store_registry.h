// The registry calls over a RegistryStore: handle validation, subkey paths,
// case-insensitive names, the HKEY_CLASSES_ROOT view, buffer and size rules,
// and the Win32 result codes. One instance per store; each call is one
// transaction of the store.
//
// Access masks and options are accepted as given and not enforced.
//
// Thread safety: safe for concurrent use.
#pragma once

#include <memory>

#include "platform/registry_api.h"
#include "platform/registry_handles.h"
#include "platform/registry_store.h"

namespace vek {

class StoreRegistry final : public RegistryApi {
public:
    explicit StoreRegistry(std::unique_ptr<RegistryStore> store);

    LSTATUS ConnectRegistry(const WCHAR* machine, HKEY root, PHKEY result) override;
    LSTATUS OpenKey(HKEY key, const WCHAR* subKey, DWORD options, REGSAM access,
                    PHKEY result) override;
    LSTATUS CreateKey(HKEY key, const WCHAR* subKey, DWORD options, REGSAM access, PHKEY result,
                      DWORD* disposition) override;
    LSTATUS QueryValue(HKEY key, const WCHAR* valueName, DWORD* type, BYTE* data,
                       DWORD* size) override;
    LSTATUS SetValue(HKEY key, const WCHAR* valueName, DWORD type, const BYTE* data,
                     DWORD size) override;
    LSTATUS DeleteValue(HKEY key, const WCHAR* valueName) override;
    LSTATUS EnumKey(HKEY key, DWORD index, WCHAR* name, DWORD* nameLength) override;
    LSTATUS EnumValue(HKEY key, DWORD index, WCHAR* name, DWORD* nameLength, DWORD* type,
                      BYTE* data, DWORD* dataSize) override;
    LSTATUS QueryInfoKey(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLength, DWORD* values,
                         DWORD* maxValueNameLength, DWORD* maxValueLength) override;
    LSTATUS DeleteKey(HKEY key, const WCHAR* subKey) override;
    LSTATUS CloseKey(HKEY key) override;
    std::unique_ptr<SharedReads> ShareReads() override { return store_->ShareReads(); }
    LSTATUS ListSubkeys(HKEY key, std::vector<std::u16string>* names) override;

    RegistryStore& store() { return *store_; }

private:
    std::unique_ptr<RegistryStore> store_;
    HandleTable handles_;
};

}  // namespace vek
