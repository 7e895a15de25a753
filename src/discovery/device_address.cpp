// Device address texts: numbers joined by hyphens, read back with either
// "_" or "-" between them.
#include "vekconfig/discovery.h"

#include <climits>
#include <cstdint>
#include <cstdio>

#include "foundation/report.h"

namespace {

constexpr int kFormatCapacity = 261;  // the formatting buffer, in wide characters
constexpr int kTextCapacity = 259;    // what the caller's buffer holds

bool IsWhiteSpace(WCHAR c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }
bool IsDigit(WCHAR c) { return c >= u'0' && c <= u'9'; }

// The leading decimal number of text, read as the C runtime's _wtoi reads it:
// white space and one sign may precede the digits, reading stops at the first
// non-digit, no digits give 0, and values beyond int saturate.
int LeadingNumber(const WCHAR* text) {
    while (IsWhiteSpace(*text)) ++text;
    bool negative = false;
    if (*text == u'+' || *text == u'-') negative = *text++ == u'-';
    int64_t magnitude = 0;
    for (; IsDigit(*text); ++text) {
        if (magnitude <= int64_t{INT_MAX} + 1) magnitude = magnitude * 10 + (*text - u'0');
    }
    if (negative) return magnitude > int64_t{INT_MAX} ? INT_MIN : static_cast<int>(-magnitude);
    return magnitude > INT_MAX ? INT_MAX : static_cast<int>(magnitude);
}

// The first "_" or "-" at or after text, as wcspbrk(text, L"_-") finds it.
const WCHAR* NextSeparator(const WCHAR* text) {
    for (; *text != 0; ++text)
        if (*text == u'_' || *text == u'-') return text;
    return nullptr;
}

// Reads count numbers into numbers[0..count-1], storing each as it is read.
HRESULT ReadNumbers(const WCHAR* text, int* const* numbers, int count, const WCHAR* context) {
    if (text == nullptr) return E_POINTER;
    *numbers[0] = LeadingNumber(text);
    const WCHAR* position = text;
    for (int i = 1; i < count; ++i) {
        const WCHAR* separator = NextSeparator(position);
        if (separator == nullptr) {
            vek::ReportError(context, E_FAIL);
            return E_FAIL;
        }
        position = separator + 1;
        *numbers[i] = LeadingNumber(position);
    }
    return S_OK;
}

// Formats the numbers joined by hyphens and copies the result to text.
HRESULT WriteNumbers(const int* numbers, int count, WCHAR* text) {
    if (text == nullptr) return E_POINTER;
    char formatted[kFormatCapacity] = {};
    int length = 0;
    for (int i = 0; i < count && length < kTextCapacity; ++i)
        length += std::snprintf(formatted + length, sizeof formatted - length, i == 0 ? "%d" : "-%d",
                                numbers[i]);
    if (length > kTextCapacity) length = kTextCapacity;
    for (int i = 0; i < length; ++i) text[i] = static_cast<WCHAR>(formatted[i]);
    text[length] = 0;
    return S_OK;
}

}  // namespace

HRESULT SCSItowcs(int port, int bus, int target, int logicalUnit, WCHAR* text) {
    const int numbers[] = {port, bus, target, logicalUnit};
    return WriteNumbers(numbers, 4, text);
}

HRESULT ASPItowcs(int adapter, int target, int logicalUnit, WCHAR* text) {
    const int numbers[] = {adapter, target, logicalUnit};
    return WriteNumbers(numbers, 3, text);
}

HRESULT wcstoSCSI(const WCHAR* text, int& port, int& bus, int& target, int& logicalUnit) {
    int* const numbers[] = {&port, &bus, &target, &logicalUnit};
    return ReadNumbers(text, numbers, 4, u"wcstoSCSI-->wcspbrk");
}

HRESULT wcstoASPI(const WCHAR* text, int& adapter, int& target, int& logicalUnit) {
    int* const numbers[] = {&adapter, &target, &logicalUnit};
    return ReadNumbers(text, numbers, 3, u"wcstoASPI-->wcspbrk");
}
