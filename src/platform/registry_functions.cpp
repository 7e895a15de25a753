// The exported registry functions: argument checks that the Win32 shapes
// fix, then the current environment's registry.
#include "platform/env.h"
#include "vekconfig/registry.h"

namespace {

vek::RegistryApi& Registry() { return vek::CurrentEnv().Registry(); }

}  // namespace

LSTATUS RegConnectRegistryW(const WCHAR* machine, HKEY root, PHKEY result) {
    return Registry().ConnectRegistry(machine, root, result);
}

LSTATUS RegOpenKeyExW(HKEY key, const WCHAR* subKey, DWORD options, REGSAM access, PHKEY result) {
    return Registry().OpenKey(key, subKey, options, access, result);
}

LSTATUS RegCreateKeyExW(HKEY key, const WCHAR* subKey, DWORD reserved, WCHAR* keyClass,
                        DWORD options, REGSAM access, void* security, PHKEY result,
                        DWORD* disposition) {
    return Registry().CreateKey(key, subKey, options, access, result, disposition);
}

LSTATUS RegQueryValueExW(HKEY key, const WCHAR* valueName, DWORD* reserved, DWORD* type,
                         BYTE* data, DWORD* size) {
    if (reserved != nullptr) return ERROR_INVALID_PARAMETER;
    return Registry().QueryValue(key, valueName, type, data, size);
}

LSTATUS RegSetValueExW(HKEY key, const WCHAR* valueName, DWORD reserved, DWORD type,
                       const BYTE* data, DWORD size) {
    return Registry().SetValue(key, valueName, type, data, size);
}

LSTATUS RegDeleteValueW(HKEY key, const WCHAR* valueName) {
    return Registry().DeleteValue(key, valueName);
}

LSTATUS RegEnumKeyExW(HKEY key, DWORD index, WCHAR* name, DWORD* nameLength, DWORD* reserved,
                      WCHAR* keyClass, DWORD* classLength, FILETIME* lastWrite) {
    if (reserved != nullptr) return ERROR_INVALID_PARAMETER;
    // Keys carry no class text and no write time.
    if (keyClass != nullptr && classLength != nullptr && *classLength > 0) keyClass[0] = 0;
    if (classLength != nullptr) *classLength = 0;
    if (lastWrite != nullptr) *lastWrite = FILETIME{0, 0};
    return Registry().EnumKey(key, index, name, nameLength);
}

LSTATUS RegEnumValueW(HKEY key, DWORD index, WCHAR* name, DWORD* nameLength, DWORD* reserved,
                      DWORD* type, BYTE* data, DWORD* dataSize) {
    if (reserved != nullptr) return ERROR_INVALID_PARAMETER;
    return Registry().EnumValue(key, index, name, nameLength, type, data, dataSize);
}

LSTATUS RegQueryInfoKeyW(HKEY key, WCHAR* keyClass, DWORD* classLength, DWORD* reserved,
                         DWORD* subKeys, DWORD* maxSubKeyLength, DWORD* maxClassLength,
                         DWORD* values, DWORD* maxValueNameLength, DWORD* maxValueLength,
                         DWORD* securityDescriptor, FILETIME* lastWrite) {
    if (reserved != nullptr) return ERROR_INVALID_PARAMETER;
    if (keyClass != nullptr && classLength != nullptr && *classLength > 0) keyClass[0] = 0;
    if (classLength != nullptr) *classLength = 0;
    if (maxClassLength != nullptr) *maxClassLength = 0;
    if (securityDescriptor != nullptr) *securityDescriptor = 0;
    if (lastWrite != nullptr) *lastWrite = FILETIME{0, 0};
    return Registry().QueryInfoKey(key, subKeys, maxSubKeyLength, values, maxValueNameLength,
                                   maxValueLength);
}

LSTATUS RegDeleteKeyW(HKEY key, const WCHAR* subKey) { return Registry().DeleteKey(key, subKey); }

LSTATUS RegCloseKey(HKEY key) { return Registry().CloseKey(key); }
