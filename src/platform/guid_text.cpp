// GUID <-> braced registry text.
#include "vekconfig/com.h"

namespace {

constexpr int kGuidTextLength = 38;

int HexValue(WCHAR c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// Reads `digits` hexadecimal digits at text[pos]; false on any other character.
bool ReadHex(const WCHAR* text, int pos, int digits, uint64_t* value) {
    uint64_t v = 0;
    for (int i = 0; i < digits; ++i) {
        const int h = HexValue(text[pos + i]);
        if (h < 0) return false;
        v = (v << 4) | static_cast<uint64_t>(h);
    }
    *value = v;
    return true;
}

// Writes `digits` upper-case hexadecimal digits of value at text[pos].
void WriteHex(uint64_t value, int digits, WCHAR* text, int pos) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (int i = digits - 1; i >= 0; --i, value >>= 4) text[pos + i] = kDigits[value & 0xF];
}

}  // namespace

int StringFromGUID2(REFGUID guid, WCHAR* buffer, int size) {
    if (buffer == nullptr || size < kGuidTextLength + 1) return 0;
    uint64_t node = 0;
    for (int i = 2; i < 8; ++i) node = (node << 8) | guid.Data4[i];
    buffer[0] = u'{';
    WriteHex(guid.Data1, 8, buffer, 1);
    buffer[9] = u'-';
    WriteHex(guid.Data2, 4, buffer, 10);
    buffer[14] = u'-';
    WriteHex(guid.Data3, 4, buffer, 15);
    buffer[19] = u'-';
    WriteHex((guid.Data4[0] << 8) | guid.Data4[1], 4, buffer, 20);
    buffer[24] = u'-';
    WriteHex(node, 12, buffer, 25);
    buffer[37] = u'}';
    buffer[kGuidTextLength] = 0;
    return kGuidTextLength + 1;
}

HRESULT CLSIDFromString(const WCHAR* text, CLSID* guid) {
    if (guid == nullptr) return E_INVALIDARG;
    *guid = GUID_NULL;
    if (text == nullptr) return E_POINTER;
    for (int i = 0; i < kGuidTextLength; ++i)
        if (text[i] == 0) return CO_E_CLASSSTRING;
    if (text[kGuidTextLength] != 0 || text[0] != u'{' || text[37] != u'}' || text[9] != u'-' ||
        text[14] != u'-' || text[19] != u'-' || text[24] != u'-')
        return CO_E_CLASSSTRING;
    uint64_t d1, d2, d3, clockSeq, node;
    if (!ReadHex(text, 1, 8, &d1) || !ReadHex(text, 10, 4, &d2) || !ReadHex(text, 15, 4, &d3) ||
        !ReadHex(text, 20, 4, &clockSeq) || !ReadHex(text, 25, 12, &node))
        return CO_E_CLASSSTRING;
    guid->Data1 = static_cast<uint32_t>(d1);
    guid->Data2 = static_cast<uint16_t>(d2);
    guid->Data3 = static_cast<uint16_t>(d3);
    guid->Data4[0] = static_cast<uint8_t>(clockSeq >> 8);
    guid->Data4[1] = static_cast<uint8_t>(clockSeq);
    for (int i = 0; i < 6; ++i) guid->Data4[2 + i] = static_cast<uint8_t>(node >> (8 * (5 - i)));
    return S_OK;
}

HRESULT IIDFromString(const WCHAR* text, IID* guid) { return CLSIDFromString(text, guid); }
