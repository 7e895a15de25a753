// On-disk layout of a compound file: the header, directory entries and the
// special sector numbers. The layout is little-endian; these structures are
// copied to and from the file byte for byte on little-endian hosts.
//
// Thread safety: constants and plain data only.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#include "vekconfig/types.h"

namespace vek::compound {

static_assert(std::endian::native == std::endian::little, "records are stored little-endian");

// Sector numbers with a meaning of their own.
constexpr uint32_t kMaxRegularSector = 0xFFFFFFFA;
constexpr uint32_t kDifatSector = 0xFFFFFFFC;
constexpr uint32_t kFatSector = 0xFFFFFFFD;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFreeSector = 0xFFFFFFFF;
// Directory entry ids.
constexpr uint32_t kNoStream = 0xFFFFFFFF;
constexpr uint32_t kRootId = 0;

constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr uint16_t kMinorVersion = 0x003E;
constexpr uint16_t kByteOrderMark = 0xFFFE;
constexpr uint16_t kVersion3 = 3;
constexpr uint16_t kVersion4 = 4;
constexpr uint16_t kVersion3SectorShift = 9;
constexpr uint16_t kVersion4SectorShift = 12;
constexpr uint16_t kMiniSectorShift = 6;
constexpr uint32_t kMiniSectorSize = 1u << kMiniSectorShift;
// Streams shorter than this live in the mini stream.
constexpr uint32_t kMiniStreamCutoff = 4096;
constexpr uint32_t kHeaderDifatEntries = 109;
constexpr uint32_t kHeaderSize = 512;
constexpr uint32_t kDirEntrySize = 128;
// Version 3 keeps streams and the file within 2 GB.
constexpr uint64_t kVersion3MaxStreamSize = 0x80000000ull;
constexpr uint32_t kNameUnits = 32;  // 31 characters and the terminator

struct Header {
    uint8_t signature[8];
    uint8_t headerClsid[16];
    uint16_t minorVersion;
    uint16_t majorVersion;
    uint16_t byteOrder;
    uint16_t sectorShift;
    uint16_t miniSectorShift;
    uint8_t reserved[6];
    uint32_t directorySectorCount;  // 0 in version 3
    uint32_t fatSectorCount;
    uint32_t firstDirectorySector;
    uint32_t transactionSignature;
    uint32_t miniStreamCutoff;
    uint32_t firstMiniFatSector;
    uint32_t miniFatSectorCount;
    uint32_t firstDifatSector;
    uint32_t difatSectorCount;
    uint32_t difat[kHeaderDifatEntries];
};
static_assert(sizeof(Header) == kHeaderSize);
static_assert(offsetof(Header, headerClsid) == 0x08);
static_assert(offsetof(Header, minorVersion) == 0x18);
static_assert(offsetof(Header, majorVersion) == 0x1A);
static_assert(offsetof(Header, byteOrder) == 0x1C);
static_assert(offsetof(Header, sectorShift) == 0x1E);
static_assert(offsetof(Header, miniSectorShift) == 0x20);
static_assert(offsetof(Header, reserved) == 0x22);
static_assert(offsetof(Header, directorySectorCount) == 0x28);
static_assert(offsetof(Header, fatSectorCount) == 0x2C);
static_assert(offsetof(Header, firstDirectorySector) == 0x30);
static_assert(offsetof(Header, transactionSignature) == 0x34);
static_assert(offsetof(Header, miniStreamCutoff) == 0x38);
static_assert(offsetof(Header, firstMiniFatSector) == 0x3C);
static_assert(offsetof(Header, miniFatSectorCount) == 0x40);
static_assert(offsetof(Header, firstDifatSector) == 0x44);
static_assert(offsetof(Header, difatSectorCount) == 0x48);
static_assert(offsetof(Header, difat) == 0x4C);

// Entry types and colours.
constexpr uint8_t kTypeUnused = 0;
constexpr uint8_t kTypeStorage = 1;
constexpr uint8_t kTypeStream = 2;
constexpr uint8_t kTypeRoot = 5;
constexpr uint8_t kRed = 0;
constexpr uint8_t kBlack = 1;

struct DirEntryRecord {
    char16_t name[kNameUnits];
    uint16_t nameBytes;  // including the terminator
    uint8_t type;
    uint8_t color;
    uint32_t left;
    uint32_t right;
    uint32_t child;
    GUID clsid;
    uint32_t stateBits;
    FILETIME created;
    FILETIME modified;
    uint32_t start;
    uint32_t sizeLow;
    uint32_t sizeHigh;
};
static_assert(sizeof(DirEntryRecord) == kDirEntrySize);
static_assert(offsetof(DirEntryRecord, nameBytes) == 0x40);
static_assert(offsetof(DirEntryRecord, type) == 0x42);
static_assert(offsetof(DirEntryRecord, color) == 0x43);
static_assert(offsetof(DirEntryRecord, left) == 0x44);
static_assert(offsetof(DirEntryRecord, right) == 0x48);
static_assert(offsetof(DirEntryRecord, child) == 0x4C);
static_assert(offsetof(DirEntryRecord, clsid) == 0x50);
static_assert(offsetof(DirEntryRecord, stateBits) == 0x60);
static_assert(offsetof(DirEntryRecord, created) == 0x64);
static_assert(offsetof(DirEntryRecord, modified) == 0x6C);
static_assert(offsetof(DirEntryRecord, start) == 0x74);
static_assert(offsetof(DirEntryRecord, sizeLow) == 0x78);
static_assert(offsetof(DirEntryRecord, sizeHigh) == 0x7C);

}  // namespace vek::compound
