// Element names of compound files: what a valid name is, and the order in
// which siblings are kept (shorter names first, then unit by unit after
// simple upper-casing). Two names that compare equal are the same element.
//
// Thread safety: pure functions.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "platform/compound/format.h"

namespace vek::compound {

// An element name held in place: names are short, and a directory of
// thousands of elements should not cost an allocation per name.
class ElementName {
public:
    ElementName() = default;
    ElementName(std::u16string_view name) { assign(name); }  // NOLINT: names convert freely
    // Keeps at most kNameUnits - 1 units, as a directory entry can.
    void assign(std::u16string_view name) {
        size_ = static_cast<uint8_t>(std::min<size_t>(name.size(), kNameUnits - 1));
        std::copy_n(name.data(), size_, units_);
    }
    bool empty() const { return size_ == 0; }
    size_t size() const { return size_; }
    const char16_t* begin() const { return units_; }
    const char16_t* end() const { return units_ + size_; }
    operator std::u16string_view() const { return {units_, size_}; }  // NOLINT

private:
    char16_t units_[kNameUnits - 1];
    uint8_t size_ = 0;
};

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
