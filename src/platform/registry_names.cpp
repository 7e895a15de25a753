#include "platform/registry_names.h"

#include <cstring>

#include "vekconfig/text.h"

namespace vek {
namespace {

bool IsHighSurrogate(WCHAR c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(WCHAR c) { return c >= 0xDC00 && c <= 0xDFFF; }

bool IsValidUtf16(std::u16string_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsHighSurrogate(text[i])) {
            if (i + 1 == text.size() || !IsLowSurrogate(text[i + 1])) return false;
            ++i;
        } else if (IsLowSurrogate(text[i])) {
            return false;
        }
    }
    return true;
}

LSTATUS MakeName(std::u16string_view text, size_t maxLength, RegName* out) {
    if (text.size() > maxLength || !IsValidUtf16(text)) return ERROR_INVALID_PARAMETER;
    out->text = Utf16ToUtf8(text);
    out->folded = FoldName(out->text);
    return ERROR_SUCCESS;
}

}  // namespace

std::string FoldName(std::string_view utf8) {
    std::string folded(utf8);
    for (char& c : folded)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return folded;
}

LSTATUS ParseKeyPath(const WCHAR* path, std::vector<RegName>* names) {
    names->clear();
    std::u16string_view rest(path != nullptr ? path : u"");
    while (!rest.empty()) {
        const size_t cut = rest.find(u'\\');
        const std::u16string_view part = rest.substr(0, cut);
        if (part.empty()) return ERROR_INVALID_PARAMETER;
        RegName name;
        if (LSTATUS status = MakeName(part, kMaxKeyNameLength, &name); status != ERROR_SUCCESS)
            return status;
        names->push_back(std::move(name));
        if (cut == std::u16string_view::npos) break;
        rest.remove_prefix(cut + 1);
    }
    return ERROR_SUCCESS;
}

LSTATUS ParseValueName(const WCHAR* name, RegName* out) {
    return MakeName(name != nullptr ? name : u"", kMaxValueNameLength, out);
}

LSTATUS CopyNameOut(std::string_view utf8, WCHAR* buffer, DWORD* length) {
    const std::u16string wide = Utf8ToUtf16(utf8);
    if (wide.size() + 1 > *length) return ERROR_MORE_DATA;
    std::memcpy(buffer, wide.data(), wide.size() * sizeof(WCHAR));
    buffer[wide.size()] = 0;
    *length = static_cast<DWORD>(wide.size());
    return ERROR_SUCCESS;
}

size_t WideNameLength(std::string_view utf8) {
    // Every byte that starts a character counts one unit, four-byte sequences two.
    size_t units = 0;
    for (const char c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        if ((b & 0xC0) != 0x80) ++units;
        if (b >= 0xF0) ++units;
    }
    return units;
}

}  // namespace vek
