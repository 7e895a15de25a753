// Element name rules and sibling order.
#include "platform/compound/names.h"

#include <cstdint>

#include "platform/compound/format.h"

namespace vek::compound {

bool IsValidElementName(std::u16string_view name) {
    if (name.empty() || name.size() >= kNameUnits) return false;
    // The barred units \ / : ! and 0 as bits of two 64-unit words: one
    // test per unit, as every stream opened passes through here.
    constexpr uint64_t kBarredBelow64 = 1ull | 1ull << u'!' | 1ull << u'/' | 1ull << u':';
    constexpr uint64_t kBarredBelow128 = 1ull << (u'\\' - 64);
    for (char16_t unit : name) {
        const uint64_t barred = unit < 64 ? kBarredBelow64 : unit < 128 ? kBarredBelow128 : 0;
        if ((barred >> (unit & 63)) & 1) return false;
    }
    return true;
}

char16_t UpperNonAscii(char16_t c) {
    if (c == 0xB5) return 0x39C;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
    if (c == 0xFF) return 0x178;
    if (c == 0x131) return u'I';
    if (c == 0x17F) return u'S';
    // Latin Extended-A pairs upper/lower case as even/odd, except in the
    // ranges 0x139-0x148 and 0x179-0x17E where the lower case is even.
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
        return (c % 2 == 0) ? static_cast<char16_t>(c - 1) : c;
    if (c >= 0x100 && c <= 0x177 && c != 0x138 && c != 0x149) return (c % 2 == 1) ? static_cast<char16_t>(c - 1) : c;
    if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return static_cast<char16_t>(c - 0x20);
    if (c == 0x3C2) return 0x3A3;
    if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);
    if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
    if (c >= 0xFF41 && c <= 0xFF5A) return static_cast<char16_t>(c - 0x20);
    return c;
}

int CompareNames(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] == b[i]) continue;
        const char16_t ua = UpperUnit(a[i]);
        const char16_t ub = UpperUnit(b[i]);
        if (ua != ub) return ua < ub ? -1 : 1;
    }
    return 0;
}

}  // namespace vek::compound
