// UTF-8 <-> UTF-16 conversion and small wide-string helpers.
#include "vekconfig/text.h"

#include <algorithm>
#include <cstring>

namespace vek {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
}

// Decodes one code point at utf8[i], advancing i; malformed input gives U+FFFD
// and skips one byte.
char32_t DecodeUtf8(std::string_view utf8, size_t& i) {
    const auto b0 = static_cast<unsigned char>(utf8[i]);
    int extra;
    char32_t cp;
    if (b0 < 0x80) {
        ++i;
        return b0;
    } else if ((b0 & 0xE0) == 0xC0) {
        extra = 1;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3;
        cp = b0 & 0x07;
    } else {
        ++i;
        return kReplacement;
    }
    if (i + extra >= utf8.size()) {
        ++i;
        return kReplacement;
    }
    for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<unsigned char>(utf8[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return kReplacement;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMinimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return kReplacement;
    }
    i += extra + 1;
    return cp;
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
    // A run of ASCII at the start (most names are ASCII throughout) is
    // widened in one step.
    size_t ascii = 0;
    while (ascii < utf8.size() && static_cast<unsigned char>(utf8[ascii]) < 0x80) ++ascii;
    std::u16string out(utf8.begin(), utf8.begin() + static_cast<std::ptrdiff_t>(ascii));
    if (ascii == utf8.size()) return out;
    out.reserve(utf8.size());
    for (size_t i = ascii; i < utf8.size();) AppendUtf16(out, DecodeUtf8(utf8, i));
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    AppendUtf16AsUtf8(out, utf16);
    return out;
}

void AppendUtf16AsUtf8(std::string& out, std::u16string_view utf16) {
    // Paths and names are mostly ASCII: a run of it is appended in one step.
    size_t ascii = 0;
    while (ascii < utf16.size() && utf16[ascii] < 0x80) ++ascii;
    const size_t start = out.size();
    out.resize(start + ascii);
    for (size_t i = 0; i < ascii; ++i) out[start + i] = static_cast<char>(utf16[i]);
    for (size_t i = ascii; i < utf16.size(); ++i) {
        char32_t cp = utf16[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacement;
        }
        AppendUtf8(out, cp);
    }
}

std::string Utf16ToUtf8(const WCHAR* utf16) {
    if (utf16 == nullptr) return {};
    return Utf16ToUtf8(std::u16string_view(utf16, WideLength(utf16)));
}

size_t WideLength(const WCHAR* text) {
    if (text == nullptr) return 0;
    size_t n = 0;
    while (text[n] != 0) ++n;
    return n;
}

bool WideCopy(WCHAR* out, size_t capacity, const WCHAR* text) {
    if (out == nullptr || capacity == 0) return false;
    if (text == nullptr) {
        out[0] = 0;
        return true;
    }
    // Measured first and moved at once: paths are copied on every open.
    const size_t n = static_cast<size_t>(std::find(text, text + capacity - 1, u'\0') - text);
    const bool whole = text[n] == 0;
    std::memmove(out, text, n * sizeof(WCHAR));
    out[n] = 0;
    return whole;
}

bool WideEqualsIgnoreCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - 32);
        if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - 32);
        if (x != y) return false;
    }
    return true;
}

}  // namespace vek
