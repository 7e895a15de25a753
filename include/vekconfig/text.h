// UTF-16 text helpers for Linux callers of the wide-string API.
//
// Thread safety: pure functions.
#pragma once

#include <string>
#include <string_view>

#include "vekconfig/types.h"

namespace vek {

// Converts UTF-8 to UTF-16. Invalid sequences become U+FFFD.
VEK_API std::u16string Utf8ToUtf16(std::string_view utf8);
// Converts UTF-16 to UTF-8. Unpaired surrogates become U+FFFD.
VEK_API std::string Utf16ToUtf8(std::u16string_view utf16);
// The same for a terminated wide string; nullptr gives "".
VEK_API std::string Utf16ToUtf8(const WCHAR* utf16);
// Appends the UTF-8 form of utf16 to out (no allocation when out has room).
VEK_API void AppendUtf16AsUtf8(std::string& out, std::u16string_view utf16);

// Length of a terminated wide string, 0 for nullptr.
VEK_API size_t WideLength(const WCHAR* text);
// Copies at most capacity-1 units of text and terminates; capacity 0 writes
// nothing. Returns false when the text was cut.
VEK_API bool WideCopy(WCHAR* out, size_t capacity, const WCHAR* text);
// Lower/upper-case folding of ASCII letters only, as the registry compares.
VEK_API bool WideEqualsIgnoreCase(std::u16string_view a, std::u16string_view b);

}  // namespace vek
