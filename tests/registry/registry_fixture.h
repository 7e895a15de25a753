// Helpers shared by the object-registry tests: class keys, reports, and an
// environment whose registry answers chosen opens with a chosen code.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/env.h"
#include "platform/scoped_key.h"
#include "support/logged_home.h"
#include "vekconfig/text.h"

namespace vek::test {

// Writes the default value of "CLSID\{class}" (the class's display name).
inline void SetClassName(REFCLSID clsid, const std::u16string& name) {
    ScopedKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, (u"CLSID\\" + GuidText(clsid)).c_str(), 0, nullptr,
                              0, KEY_WRITE, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key.get(), nullptr, 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(name.c_str()),
                             static_cast<DWORD>((name.size() + 1) * sizeof(WCHAR))),
              ERROR_SUCCESS);
}

// Creates a key below HKEY_CLASSES_ROOT, with a default value when given.
inline void CreateClassesKey(const std::u16string& path, const std::u16string* value = nullptr) {
    ScopedKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                              key.put(), nullptr),
              ERROR_SUCCESS);
    if (value == nullptr) return;
    ASSERT_EQ(RegSetValueExW(key.get(), nullptr, 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(value->c_str()),
                             static_cast<DWORD>((value->size() + 1) * sizeof(WCHAR))),
              ERROR_SUCCESS);
}

inline bool ClassesKeyExists(const std::u16string& path) {
    ScopedKey key;
    return RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

// The description a component category key holds for locale 409, or
// "(no key)" / "(no value)" when it has none.
inline std::u16string CategoryDescription409(REFGUID catid) {
    ScopedKey key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, (u"Component Categories\\" + GuidText(catid)).c_str(), 0,
                      KEY_READ, key.put()) != ERROR_SUCCESS)
        return u"(no key)";
    WCHAR text[128] = {};
    DWORD size = sizeof(text);
    if (RegQueryValueExW(key.get(), u"409", nullptr, nullptr, reinterpret_cast<BYTE*>(text),
                         &size) != ERROR_SUCCESS)
        return u"(no value)";
    return text;
}

// The error reports recorded, as "context|status" lines.
inline std::vector<std::string> ErrorReports(const LoggedHome& home) {
    std::vector<std::string> lines;
    for (const RecordedEvent& event : home.events()) {
        if (event.eventId != 0x40001001 || event.strings.size() != 2) continue;
        lines.push_back(Utf16ToUtf8(event.strings[0]) + "|" + Utf16ToUtf8(event.strings[1]));
    }
    return lines;
}

// A registry whose OpenKey answers code for every subkey path that
// matches, and forwards everything else to the real store.
class FailingOpenRegistry : public RegistryApiWrapper {
public:
    FailingOpenRegistry(RegistryApi* target, std::function<bool(std::u16string_view)> matches,
                        LSTATUS code)
        : RegistryApiWrapper(target), matches_(std::move(matches)), code_(code) {}

    LSTATUS OpenKey(HKEY key, const WCHAR* subKey, DWORD options, REGSAM access,
                    PHKEY result) override {
        if (subKey != nullptr && matches_(subKey)) return code_;
        return RegistryApiWrapper::OpenKey(key, subKey, options, access, result);
    }

private:
    std::function<bool(std::u16string_view)> matches_;
    LSTATUS code_;
};

// Installs a FailingOpenRegistry over the current environment while it lives.
class FailingOpens : public EnvWrapper {
public:
    FailingOpens(std::function<bool(std::u16string_view)> matches, LSTATUS code)
        : EnvWrapper(&CurrentEnv()), registry_(&target()->Registry(), std::move(matches), code) {}

    RegistryApi& Registry() override { return registry_; }

private:
    FailingOpenRegistry registry_;
    ScopedEnvOverride override_{this};
};

inline bool EndsWith(std::u16string_view text, std::u16string_view tail) {
    return text.size() >= tail.size() &&
           WideEqualsIgnoreCase(text.substr(text.size() - tail.size()), tail);
}

}  // namespace vek::test
