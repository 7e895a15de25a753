// Element names of compound files: what a valid name is, and the order in
// which siblings are kept (shorter names first, then unit by unit after
// simple upper-casing). Two names that compare equal are the same element.
//
// Thread safety: pure functions.
#pragma once

#include <string>
#include <string_view>

namespace vek::compound {

// At most 31 UTF-16 units, none of them "\", "/", ":" or "!", and not empty.
bool IsValidElementName(std::u16string_view name);

// The simple upper-case mapping of one UTF-16 unit (letters of the Latin,
// Greek and Cyrillic blocks; everything else maps to itself).
char16_t UpperNonAscii(char16_t unit);
inline char16_t UpperUnit(char16_t unit) {
    if (unit < 0x80) return (unit >= u'a' && unit <= u'z') ? static_cast<char16_t>(unit - 0x20) : unit;
    return UpperNonAscii(unit);
}

// <0, 0 or >0 as a sorts before, equal to or after b in a sibling tree.
int CompareNames(std::u16string_view a, std::u16string_view b);

}  // namespace vek::compound
