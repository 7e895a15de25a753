// Small helpers for the registry tests: UTF-16 literals to keys and values.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "vekconfig/registry.h"

namespace vek::test {

// RegCreateKeyExW with the usual arguments, for writing.
inline LSTATUS CreateForWrite(HKEY root, const char16_t* path, HKEY* key, DWORD* disposition = nullptr) {
    return RegCreateKeyExW(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, key, disposition);
}

inline LSTATUS OpenForRead(HKEY root, const char16_t* path, HKEY* key) {
    return RegOpenKeyExW(root, path, 0, KEY_READ, key);
}

// Whether path under the machine root can be opened.
inline bool HasKey(const char16_t* path) {
    HKEY key = nullptr;
    const LSTATUS status = OpenForRead(HKEY_LOCAL_MACHINE, path, &key);
    if (status == ERROR_SUCCESS) RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

// Creates (or opens) path under root and returns the handle; fails the test otherwise.
inline HKEY MustCreate(HKEY root, const char16_t* path) {
    HKEY key = nullptr;
    EXPECT_EQ(CreateForWrite(root, path, &key), ERROR_SUCCESS);
    return key;
}

inline LSTATUS SetDword(HKEY key, const char16_t* name, DWORD value) {
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof(value));
}

inline LSTATUS SetText(HKEY key, const char16_t* name, const std::u16string& text) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(char16_t)));
}

// The DWORD value name of key, or ~0u with the status in *status.
inline DWORD GetDword(HKEY key, const char16_t* name, LSTATUS* status = nullptr) {
    DWORD value = ~0u, size = sizeof(value), type = 0;
    const LSTATUS result =
        RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    if (status != nullptr) *status = result;
    return result == ERROR_SUCCESS ? value : ~0u;
}

}  // namespace vek::test
