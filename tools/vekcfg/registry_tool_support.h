// Pieces shared by the object-registry commands (class, object register,
// wire, device, categories): GUID arguments and fixed text fields.
#pragma once

#include <string>

#include "vekconfig/types.h"

namespace vekcfg {

// A braced GUID argument, either case; false when the text is no GUID.
bool ParseGuidArgument(const std::string& text, GUID* guid);
// The braced upper-case text of a GUID.
std::string GuidString(const GUID& guid);
// A fixed, terminated (or full) UTF-16 field as UTF-8.
std::string FieldString(const WCHAR* field, size_t capacity);
// The description of a registered category for locale 0x409, or "".
std::string CategoryDescription(const GUID& catid);

}  // namespace vekcfg
