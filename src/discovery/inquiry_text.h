// What the bus walks make of a logical unit's standard INQUIRY data: a
// readable device type and a 28-character identification text.
//
// Thread safety: pure functions.
#pragma once

#include <cstddef>
#include <cstdint>

#include "vekconfig/types.h"

namespace vek {

// Bytes of standard INQUIRY data the walks read: the peripheral byte and the
// vendor, product and revision fields (bytes 8 to 35).
constexpr size_t kInquiryBytesUsed = 36;
// Characters of the identification text, terminator not included.
constexpr size_t kIdentificationLength = 28;

// The name of the peripheral device type in bits 0 to 4 of INQUIRY byte 0:
// "Disk", "Tape", "PrinterPeripheral", ... and "UnKnown Device" for 10 to 31.
const WCHAR* DeviceTypeName(uint8_t peripheralByte);

// Bytes 8 to 35 of the inquiry data, each widened to one character with every
// zero byte a space, terminated after the 28th character.
void IdentificationText(const uint8_t (&inquiry)[kInquiryBytesUsed],
                        WCHAR (&text)[kIdentificationLength + 1]);

}  // namespace vek
