// An open registry key that is closed at the end of its scope.
//
// Thread safety: one owner; the key itself may be shared as the registry allows.
#pragma once

#include <string>

#include "vekconfig/com.h"
#include "vekconfig/registry.h"

namespace vek {

class ScopedKey {
public:
    ScopedKey() = default;
    explicit ScopedKey(HKEY adopted) : key_(adopted) {}
    ~ScopedKey() { reset(); }
    ScopedKey(const ScopedKey&) = delete;
    ScopedKey& operator=(const ScopedKey&) = delete;

    HKEY get() const { return key_; }
    // For out-arguments: closes what is held and hands out the slot.
    PHKEY put() {
        reset();
        return &key_;
    }
    void reset() {
        if (key_ != nullptr) RegCloseKey(key_);
        key_ = nullptr;
    }

private:
    HKEY key_ = nullptr;
};

// The braced upper-case registry text of a GUID.
inline std::u16string GuidText(REFGUID guid) {
    WCHAR text[39];
    StringFromGUID2(guid, text, 39);
    return std::u16string(text, 38);
}

}  // namespace vek
