// The registry operations as one replaceable interface. The exported Reg*
// functions forward to the current environment's RegistryApi, so a test can
// wrap the real store and make one call answer a chosen code.
//
// Thread safety: implementations are safe for concurrent use.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/shared_reads.h"
#include "vekconfig/registry.h"

namespace vek {

class RegistryApi {
public:
    virtual ~RegistryApi() = default;

    virtual LSTATUS ConnectRegistry(const WCHAR* machine, HKEY root, PHKEY result) = 0;
    virtual LSTATUS OpenKey(HKEY key, const WCHAR* subKey, DWORD options, REGSAM access,
                            PHKEY result) = 0;
    virtual LSTATUS CreateKey(HKEY key, const WCHAR* subKey, DWORD options, REGSAM access,
                              PHKEY result, DWORD* disposition) = 0;
    virtual LSTATUS QueryValue(HKEY key, const WCHAR* valueName, DWORD* type, BYTE* data,
                               DWORD* size) = 0;
    virtual LSTATUS SetValue(HKEY key, const WCHAR* valueName, DWORD type, const BYTE* data,
                             DWORD size) = 0;
    virtual LSTATUS DeleteValue(HKEY key, const WCHAR* valueName) = 0;
    virtual LSTATUS EnumKey(HKEY key, DWORD index, WCHAR* name, DWORD* nameLength) = 0;
    virtual LSTATUS EnumValue(HKEY key, DWORD index, WCHAR* name, DWORD* nameLength, DWORD* type,
                              BYTE* data, DWORD* dataSize) = 0;
    virtual LSTATUS QueryInfoKey(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLength, DWORD* values,
                                 DWORD* maxValueNameLength, DWORD* maxValueLength) = 0;
    virtual LSTATUS DeleteKey(HKEY key, const WCHAR* subKey) = 0;
    virtual LSTATUS CloseKey(HKEY key) = 0;

    // Shares the calling thread's reads until the result is destroyed (see
    // SharedReads); null when that gains nothing or they are shared already.
    virtual std::unique_ptr<SharedReads> ShareReads() = 0;
    // Every subkey name of key, in no particular order: EnumKey's answers,
    // taken in one call. Codes as EnumKey's, ERROR_NO_MORE_ITEMS excepted.
    virtual LSTATUS ListSubkeys(HKEY key, std::vector<std::u16string>* names) = 0;
};

// Forwards every call to another RegistryApi; a fake overrides only the
// calls it breaks.
class RegistryApiWrapper : public RegistryApi {
public:
    explicit RegistryApiWrapper(RegistryApi* target) : target_(target) {}

    LSTATUS ConnectRegistry(const WCHAR* machine, HKEY root, PHKEY result) override {
        return target_->ConnectRegistry(machine, root, result);
    }
    LSTATUS OpenKey(HKEY key, const WCHAR* subKey, DWORD options, REGSAM access,
                    PHKEY result) override {
        return target_->OpenKey(key, subKey, options, access, result);
    }
    LSTATUS CreateKey(HKEY key, const WCHAR* subKey, DWORD options, REGSAM access, PHKEY result,
                      DWORD* disposition) override {
        return target_->CreateKey(key, subKey, options, access, result, disposition);
    }
    LSTATUS QueryValue(HKEY key, const WCHAR* valueName, DWORD* type, BYTE* data,
                       DWORD* size) override {
        return target_->QueryValue(key, valueName, type, data, size);
    }
    LSTATUS SetValue(HKEY key, const WCHAR* valueName, DWORD type, const BYTE* data,
                     DWORD size) override {
        return target_->SetValue(key, valueName, type, data, size);
    }
    LSTATUS DeleteValue(HKEY key, const WCHAR* valueName) override {
        return target_->DeleteValue(key, valueName);
    }
    LSTATUS EnumKey(HKEY key, DWORD index, WCHAR* name, DWORD* nameLength) override {
        return target_->EnumKey(key, index, name, nameLength);
    }
    LSTATUS EnumValue(HKEY key, DWORD index, WCHAR* name, DWORD* nameLength, DWORD* type,
                      BYTE* data, DWORD* dataSize) override {
        return target_->EnumValue(key, index, name, nameLength, type, data, dataSize);
    }
    LSTATUS QueryInfoKey(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLength, DWORD* values,
                         DWORD* maxValueNameLength, DWORD* maxValueLength) override {
        return target_->QueryInfoKey(key, subKeys, maxSubKeyLength, values, maxValueNameLength,
                                     maxValueLength);
    }
    LSTATUS DeleteKey(HKEY key, const WCHAR* subKey) override {
        return target_->DeleteKey(key, subKey);
    }
    LSTATUS CloseKey(HKEY key) override { return target_->CloseKey(key); }
    std::unique_ptr<SharedReads> ShareReads() override { return target_->ShareReads(); }
    LSTATUS ListSubkeys(HKEY key, std::vector<std::u16string>* names) override {
        return target_->ListSubkeys(key, names);
    }

protected:
    RegistryApi* target() const { return target_; }

private:
    RegistryApi* target_;
};

}  // namespace vek
