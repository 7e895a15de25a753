// Names of the elements of a catalog file, and the fixed text buffers of
// its records.
//
// A global entry's storage is named by its 32-bit id written as a signed
// decimal number: ids from 2147483648 up appear as negative numbers, so
// 4294967295 is "-1". Reading a name back takes the 32 bits of the number it
// begins with, so every id survives the round trip.
//
// Thread safety: pure functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "vekconfig/types.h"

namespace vek::catalogs {

// "-2147483648" plus the terminator.
constexpr size_t kIdNameUnits = 12;

// Writes the storage name of id into name.
void IdToStorageName(uint32_t id, WCHAR (&name)[kIdNameUnits]);

// The id named by a storage name. Leading white space and one sign are
// accepted; parsing stops at the first character that is not a digit; a name
// that does not begin with a number gives 0; a number beyond the 32-bit
// signed range is clamped to it.
uint32_t StorageNameToId(const WCHAR* name);

// The text of a fixed text buffer up to its terminator, or the whole buffer
// when it holds none.
std::u16string_view BoundedText(const WCHAR* text, size_t units);

// Copies a fixed text buffer of units code units into another of the same
// size: the text up to its terminator, then zeros to the end. A text that
// fills its buffer is copied whole, without a terminator.
void CopyBoundedText(WCHAR* out, const WCHAR* text, size_t units);

// Whether text can name an element of a compound file: 1 to 31 units, none
// of them '\', '/', ':' or '!'.
bool IsValidElementName(std::u16string_view text);

}  // namespace vek::catalogs
