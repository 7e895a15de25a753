#include "discovery/inquiry_text.h"

#include <iterator>

namespace vek {

namespace {

constexpr size_t kIdentificationOffset = 8;
static_assert(kIdentificationOffset + kIdentificationLength == kInquiryBytesUsed,
              "vendor, product and revision end at byte 35");

}  // namespace

const WCHAR* DeviceTypeName(uint8_t peripheralByte) {
    static constexpr const WCHAR* kNames[] = {
        u"Disk",         u"Tape",          u"PrinterPeripheral", u"OtherPeripheral",
        u"WORM Device",  u"CDROM Drive",   u"Scanner",           u"Optical Disk",
        u"Media Changer", u"Comm Device",
    };
    const unsigned type = peripheralByte & 0x1Fu;
    return type < std::size(kNames) ? kNames[type] : u"UnKnown Device";
}

void IdentificationText(const uint8_t (&inquiry)[kInquiryBytesUsed],
                        WCHAR (&text)[kIdentificationLength + 1]) {
    for (size_t i = 0; i < kIdentificationLength; ++i) {
        const uint8_t byte = inquiry[kIdentificationOffset + i];
        text[i] = byte == 0 ? u' ' : static_cast<WCHAR>(byte);
    }
    text[kIdentificationLength] = 0;
}

}  // namespace vek
