// Helpers for the settings tests: reading the settings key directly, and a
// registry whose key opens answer a chosen code.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/env.h"
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

// Key opens answer `code` for the first `times` calls (all calls when
// times is negative); creates answer createCode when it is not 0.
class FaultyRegistry : public RegistryApiWrapper {
public:
    FaultyRegistry(LSTATUS code, int times, LSTATUS createCode = ERROR_SUCCESS)
        : RegistryApiWrapper(&Env::Default().Registry()),
          code_(code),
          remaining_(times),
          createCode_(createCode) {}

    LSTATUS OpenKey(HKEY key, const WCHAR* subKey, DWORD options, REGSAM access,
                    PHKEY result) override {
        ++opens_;
        if (remaining_ != 0) {
            if (remaining_ > 0) --remaining_;
            return code_;
        }
        return RegistryApiWrapper::OpenKey(key, subKey, options, access, result);
    }
    LSTATUS CreateKey(HKEY key, const WCHAR* subKey, DWORD options, REGSAM access, PHKEY result,
                      DWORD* disposition) override {
        if (createCode_ != ERROR_SUCCESS) return createCode_;
        return RegistryApiWrapper::CreateKey(key, subKey, options, access, result, disposition);
    }
    int opens() const { return opens_; }

private:
    LSTATUS code_;
    int remaining_;
    LSTATUS createCode_;
    int opens_ = 0;
};

}  // namespace vek::test
