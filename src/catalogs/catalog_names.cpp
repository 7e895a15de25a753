#include "catalogs/catalog_names.h"

#include <algorithm>
#include <limits>

namespace vek::catalogs {

void IdToStorageName(uint32_t id, WCHAR (&name)[kIdNameUnits]) {
    const int32_t value = static_cast<int32_t>(id);
    // Digits of the magnitude, computed unsigned so that INT32_MIN has one.
    uint32_t magnitude = value < 0 ? 0u - id : id;
    WCHAR digits[kIdNameUnits];
    size_t count = 0;
    do {
        digits[count++] = static_cast<WCHAR>(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    size_t out = 0;
    if (value < 0) name[out++] = u'-';
    while (count > 0) name[out++] = digits[--count];
    name[out] = 0;
}

uint32_t StorageNameToId(const WCHAR* name) {
    size_t i = 0;
    while (name[i] == u' ' || (name[i] >= u'\t' && name[i] <= u'\r')) ++i;
    bool negative = false;
    if (name[i] == u'+' || name[i] == u'-') negative = name[i++] == u'-';
    constexpr int64_t kLimit = static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1;
    int64_t magnitude = 0;
    for (; name[i] >= u'0' && name[i] <= u'9'; ++i) {
        magnitude = magnitude * 10 + (name[i] - u'0');
        if (magnitude > kLimit) magnitude = kLimit;
    }
    int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<int32_t>::max()) value = std::numeric_limits<int32_t>::max();
    return static_cast<uint32_t>(static_cast<int32_t>(value));
}

std::u16string_view BoundedText(const WCHAR* text, size_t units) {
    size_t length = 0;
    while (length < units && text[length] != 0) ++length;
    return {text, length};
}

void CopyBoundedText(WCHAR* out, const WCHAR* text, size_t units) {
    const std::u16string_view copied = BoundedText(text, units);
    std::fill(std::copy(copied.begin(), copied.end(), out), out + units, u'\0');
}

bool IsValidElementName(std::u16string_view text) {
    if (text.empty() || text.size() > 31) return false;
    for (const WCHAR unit : text)
        if (unit == u'\\' || unit == u'/' || unit == u':' || unit == u'!') return false;
    return true;
}

}  // namespace vek::catalogs
