// The records of the two consumable catalogs ("VekDonor.cfg" and
// "VekMedia.cfg") and the result arrays their listings hand out.
//
// Each record is the exact byte image of one stream of a catalog file:
// little-endian integers, IEEE single floats, NUL-terminated UTF-16 texts in
// fixed buffers. Sizes and field offsets are part of the interface and are
// checked at compile time below. The last 256 bytes of each record
// (`Reserved`) are zero in every record a catalog holds or returns.
//
// Thread safety: plain data only.
#pragma once

#include <cstddef>

#include "vekconfig/types.h"

// Text buffers of the catalog records, in UTF-16 code units.
constexpr size_t VEK_CATALOG_TEXT_UNITS = 512;
// PrinterText3 of a printer-model media record holds one unit more.
constexpr size_t VEK_CATALOG_TEXT3_UNITS = 513;
constexpr size_t VEK_CATALOG_RESERVED_BYTES = 256;

// Global record of a donor: stream "DONOR_CHARACTERISTICS_V1" of the
// donor's storage.
struct DONOR_CHARACTERISTICS {
    uint32_t DonorID;  // key; also names the donor's storage
    int32_t Value1;
    WCHAR Text[VEK_CATALOG_TEXT_UNITS];
    int32_t Value2;
    float Real1;
    float Real2;
    int32_t Value3;
    BYTE Reserved[VEK_CATALOG_RESERVED_BYTES];
};
static_assert(sizeof(DONOR_CHARACTERISTICS) == 1304);
static_assert(offsetof(DONOR_CHARACTERISTICS, DonorID) == 0);
static_assert(offsetof(DONOR_CHARACTERISTICS, Value1) == 4);
static_assert(offsetof(DONOR_CHARACTERISTICS, Text) == 8);
static_assert(offsetof(DONOR_CHARACTERISTICS, Value2) == 1032);
static_assert(offsetof(DONOR_CHARACTERISTICS, Real1) == 1036);
static_assert(offsetof(DONOR_CHARACTERISTICS, Real2) == 1040);
static_assert(offsetof(DONOR_CHARACTERISTICS, Value3) == 1044);
static_assert(offsetof(DONOR_CHARACTERISTICS, Reserved) == 1048);

// What differs for one printer model: a stream of the donor's
// "PRINTER_DONOR" storage, named by PrinterModel.
struct PRINTER_DONOR_CHARACTERISTICS {
    WCHAR PrinterModel[VEK_CATALOG_TEXT_UNITS];  // key within the donor
    WCHAR PrinterText[VEK_CATALOG_TEXT_UNITS];
    BYTE Reserved[VEK_CATALOG_RESERVED_BYTES];
};
static_assert(sizeof(PRINTER_DONOR_CHARACTERISTICS) == 2304);
static_assert(offsetof(PRINTER_DONOR_CHARACTERISTICS, PrinterModel) == 0);
static_assert(offsetof(PRINTER_DONOR_CHARACTERISTICS, PrinterText) == 1024);
static_assert(offsetof(PRINTER_DONOR_CHARACTERISTICS, Reserved) == 2048);

// Global record of a medium: stream "MEDIA_CHARACTERISTICS_V1".
struct MEDIA_CHARACTERISTICS {
    uint32_t MediaID;  // key; also names the medium's storage
    WCHAR Text[VEK_CATALOG_TEXT_UNITS];
    int32_t Value1;
    int32_t Value2;
    int32_t Value3;
    int32_t Value4;
    float Real1;
    float Real2;
    BYTE Reserved[VEK_CATALOG_RESERVED_BYTES];
};
static_assert(sizeof(MEDIA_CHARACTERISTICS) == 1308);
static_assert(offsetof(MEDIA_CHARACTERISTICS, MediaID) == 0);
static_assert(offsetof(MEDIA_CHARACTERISTICS, Text) == 4);
static_assert(offsetof(MEDIA_CHARACTERISTICS, Value1) == 1028);
static_assert(offsetof(MEDIA_CHARACTERISTICS, Value2) == 1032);
static_assert(offsetof(MEDIA_CHARACTERISTICS, Value3) == 1036);
static_assert(offsetof(MEDIA_CHARACTERISTICS, Value4) == 1040);
static_assert(offsetof(MEDIA_CHARACTERISTICS, Real1) == 1044);
static_assert(offsetof(MEDIA_CHARACTERISTICS, Real2) == 1048);
static_assert(offsetof(MEDIA_CHARACTERISTICS, Reserved) == 1052);

// What differs for one printer model: a stream of the medium's
// "PRINTER_MEDIA" storage, named by PrinterModel.
struct PRINTER_MEDIA_CHARACTERISTICS {
    WCHAR PrinterModel[VEK_CATALOG_TEXT_UNITS];  // key within the medium
    float PrinterReal1;
    float PrinterReal2;
    WCHAR PrinterText1[VEK_CATALOG_TEXT_UNITS];
    WCHAR PrinterText2[VEK_CATALOG_TEXT_UNITS];
    WCHAR PrinterText3[VEK_CATALOG_TEXT3_UNITS];
    WCHAR PrinterText4[VEK_CATALOG_TEXT_UNITS];
    BYTE AlignmentFill[2];  // written as passed, ignored when read
    int32_t PrinterValue1;
    int32_t PrinterValue2;
    BYTE Reserved[VEK_CATALOG_RESERVED_BYTES];
};
static_assert(sizeof(PRINTER_MEDIA_CHARACTERISTICS) == 5396);
static_assert(offsetof(PRINTER_MEDIA_CHARACTERISTICS, PrinterModel) == 0);
static_assert(offsetof(PRINTER_MEDIA_CHARACTERISTICS, PrinterReal1) == 1024);
static_assert(offsetof(PRINTER_MEDIA_CHARACTERISTICS, PrinterReal2) == 1028);
static_assert(offsetof(PRINTER_MEDIA_CHARACTERISTICS, PrinterText1) == 1032);
static_assert(offsetof(PRINTER_MEDIA_CHARACTERISTICS, PrinterText2) == 2056);
static_assert(offsetof(PRINTER_MEDIA_CHARACTERISTICS, PrinterText3) == 3080);
static_assert(offsetof(PRINTER_MEDIA_CHARACTERISTICS, PrinterText4) == 4106);
static_assert(offsetof(PRINTER_MEDIA_CHARACTERISTICS, AlignmentFill) == 5130);
static_assert(offsetof(PRINTER_MEDIA_CHARACTERISTICS, PrinterValue1) == 5132);
static_assert(offsetof(PRINTER_MEDIA_CHARACTERISTICS, PrinterValue2) == 5136);
static_assert(offsetof(PRINTER_MEDIA_CHARACTERISTICS, Reserved) == 5140);

// One entry of a donor listing: the donor's global fields and, for the
// potential-donor query, the PrinterText of the matching printer-model
// record (zero in the plain listing).
struct DONOR_ARRAY_ENTRY {
    uint32_t DonorID;
    int32_t Value1;
    WCHAR Text[VEK_CATALOG_TEXT_UNITS];
    int32_t Value2;
    float Real1;
    float Real2;
    WCHAR PrinterText[VEK_CATALOG_TEXT_UNITS];
    int32_t Value3;
};
static_assert(sizeof(DONOR_ARRAY_ENTRY) == 2072);
static_assert(offsetof(DONOR_ARRAY_ENTRY, DonorID) == 0);
static_assert(offsetof(DONOR_ARRAY_ENTRY, Value1) == 4);
static_assert(offsetof(DONOR_ARRAY_ENTRY, Text) == 8);
static_assert(offsetof(DONOR_ARRAY_ENTRY, Value2) == 1032);
static_assert(offsetof(DONOR_ARRAY_ENTRY, Real1) == 1036);
static_assert(offsetof(DONOR_ARRAY_ENTRY, Real2) == 1040);
static_assert(offsetof(DONOR_ARRAY_ENTRY, PrinterText) == 1044);
static_assert(offsetof(DONOR_ARRAY_ENTRY, Value3) == 2068);

// One entry of a media listing. The global fields stand in the order
// Value1, Value4, Real1, Real2, Value2, Value3 (not the record's order); the
// printer-model fields come from the matching record of the potential-media
// query and are zero in the plain listing.
struct MEDIA_ARRAY_ENTRY {
    uint32_t MediaID;
    WCHAR Text[VEK_CATALOG_TEXT_UNITS];
    int32_t Value1;
    int32_t Value4;
    float Real1;
    float Real2;
    int32_t Value2;
    int32_t Value3;
    float PrinterReal1;
    float PrinterReal2;
    WCHAR PrinterText1[VEK_CATALOG_TEXT_UNITS];
    WCHAR PrinterText2[VEK_CATALOG_TEXT_UNITS];
    WCHAR PrinterText3[VEK_CATALOG_TEXT3_UNITS];
    WCHAR PrinterText4[VEK_CATALOG_TEXT_UNITS];
    BYTE AlignmentFill[2];  // zero
    int32_t PrinterValue1;
    int32_t PrinterValue2;
};
static_assert(sizeof(MEDIA_ARRAY_ENTRY) == 5168);
static_assert(offsetof(MEDIA_ARRAY_ENTRY, MediaID) == 0);
static_assert(offsetof(MEDIA_ARRAY_ENTRY, Text) == 4);
static_assert(offsetof(MEDIA_ARRAY_ENTRY, Value1) == 1028);
static_assert(offsetof(MEDIA_ARRAY_ENTRY, Value4) == 1032);
static_assert(offsetof(MEDIA_ARRAY_ENTRY, Real1) == 1036);
static_assert(offsetof(MEDIA_ARRAY_ENTRY, Real2) == 1040);
static_assert(offsetof(MEDIA_ARRAY_ENTRY, Value2) == 1044);
static_assert(offsetof(MEDIA_ARRAY_ENTRY, Value3) == 1048);
static_assert(offsetof(MEDIA_ARRAY_ENTRY, PrinterReal1) == 1052);
static_assert(offsetof(MEDIA_ARRAY_ENTRY, PrinterReal2) == 1056);
static_assert(offsetof(MEDIA_ARRAY_ENTRY, PrinterText1) == 1060);
static_assert(offsetof(MEDIA_ARRAY_ENTRY, PrinterText2) == 2084);
static_assert(offsetof(MEDIA_ARRAY_ENTRY, PrinterText3) == 3108);
static_assert(offsetof(MEDIA_ARRAY_ENTRY, PrinterText4) == 4134);
static_assert(offsetof(MEDIA_ARRAY_ENTRY, AlignmentFill) == 5158);
static_assert(offsetof(MEDIA_ARRAY_ENTRY, PrinterValue1) == 5160);
static_assert(offsetof(MEDIA_ARRAY_ENTRY, PrinterValue2) == 5164);

// Listing results: Count entries in one CoTaskMemAlloc block that the caller
// frees with CoTaskMemFree; ByteSize is Count times the entry size. An empty
// result has all three fields zero.
struct VEK_DONOR_ARRAY {
    uint32_t ByteSize;
    uint32_t Count;
    DONOR_ARRAY_ENTRY* Donors;
};
static_assert(offsetof(VEK_DONOR_ARRAY, ByteSize) == 0);
static_assert(offsetof(VEK_DONOR_ARRAY, Count) == 4);
static_assert(offsetof(VEK_DONOR_ARRAY, Donors) == 8);
static_assert(sizeof(VEK_DONOR_ARRAY) == 8 + sizeof(void*));

struct VEK_MEDIA_ARRAY {
    uint32_t ByteSize;
    uint32_t Count;
    MEDIA_ARRAY_ENTRY* Media;
};
static_assert(offsetof(VEK_MEDIA_ARRAY, ByteSize) == 0);
static_assert(offsetof(VEK_MEDIA_ARRAY, Count) == 4);
static_assert(offsetof(VEK_MEDIA_ARRAY, Media) == 8);
static_assert(sizeof(VEK_MEDIA_ARRAY) == 8 + sizeof(void*));
