// Key paths and value names as the stores see them: checked, converted to
// UTF-8 and folded (ASCII letters upper-cased, other characters as they are).
//
// Thread safety: pure functions.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_store.h"
#include "vekconfig/types.h"

namespace vek {

constexpr size_t kMaxKeyNameLength = 255;
constexpr size_t kMaxValueNameLength = 16383;

// The comparison key of a UTF-8 name.
std::string FoldName(std::string_view utf8);

// Splits a subkey path ("A\B\C") into its key names. Null or empty gives no
// names; one trailing "\" is allowed. ERROR_INVALID_PARAMETER for an empty
// name elsewhere, a name over 255 characters, or text that is not valid
// UTF-16 (an unpaired surrogate).
LSTATUS ParseKeyPath(const WCHAR* path, std::vector<RegName>* names);

// A value name; null or empty is the default value. ERROR_INVALID_PARAMETER
// for a name over 16383 characters or invalid UTF-16.
LSTATUS ParseValueName(const WCHAR* name, RegName* out);

// Copies a stored name into a caller's buffer of *length characters. Too
// small (name plus terminator): ERROR_MORE_DATA and nothing written. Else the
// name and terminator, *length = characters without the terminator.
LSTATUS CopyNameOut(std::string_view utf8, WCHAR* buffer, DWORD* length);

// Length of a stored name in UTF-16 units.
size_t WideNameLength(std::string_view utf8);

}  // namespace vek
