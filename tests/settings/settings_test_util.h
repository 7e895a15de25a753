// Helpers for the settings tests: reading and writing the settings key
// directly.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "support/faulty_registry.h"
#include "settings/settings_key.h"
#include "vekconfig/text.h"

namespace vek::test {

// The raw bytes of a value of the settings key, or nothing when missing.
inline std::optional<std::string> StoredBytes(const WCHAR* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    std::string bytes(4096, '\0');
    DWORD size = static_cast<DWORD>(bytes.size());
    const LSTATUS status = RegQueryValueExW(key, name, nullptr, nullptr,
                                            reinterpret_cast<BYTE*>(bytes.data()), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return std::nullopt;
    bytes.resize(size);
    return bytes;
}

// A stored REG_SZ value as UTF-8 without its terminator.
inline std::optional<std::string> StoredText(const WCHAR* name) {
    const auto bytes = StoredBytes(name);
    if (!bytes) return std::nullopt;
    std::u16string text(bytes->size() / 2, u'\0');
    bytes->copy(reinterpret_cast<char*>(text.data()), text.size() * 2);
    while (!text.empty() && text.back() == 0) text.pop_back();
    return Utf16ToUtf8(text);
}

inline void StoreText(const WCHAR* name, const std::u16string& text) {
    ASSERT_EQ(WriteSettingValue(HKEY_LOCAL_MACHINE, name, REG_SZ, text.c_str(),
                                static_cast<DWORD>((text.size() + 1) * 2)),
              S_OK);
}

}  // namespace vek::test
