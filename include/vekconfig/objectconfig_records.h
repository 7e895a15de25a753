// The records of an object configuration as they lie in memory and in the
// streams of its compound file: every stream is the byte image of one record
// (or of an array of entries), little-endian, with no header. Sizes and field
// offsets are part of the interface and are checked at compile time below.
//
// Text fields are fixed arrays of UTF-16 code units, terminated inside the
// array. Fields not named here are carried byte for byte; reserved ranges are
// written as zeros.
//
// Thread safety: plain data only.
#pragma once

#include <cstddef>

#include "vekconfig/types.h"

// Kind of configured object. Other values are stored and returned unchanged.
enum COM_VEK_OBJECT_TYPE : int32_t {
    VEK_PHYSICAL_PRINTER_OBJECT = 0,
    VEK_LOGICAL_PRINTER_OBJECT = 1,
};

// Kind of device address (the text forms are those of the device addresses).
enum VEK_DEVICE_ADDRESS : int32_t {
    VEK_ADDRESS_SCSI = 2,
    VEK_ADDRESS_PRINT_QUEUE = 3,
    VEK_ADDRESS_ASPI = 8,
};

// Image units. The library gives them meaning only when it converts the
// region of interest.
enum COM_UNITOFMEASURE : int32_t {
    UOM_INCHES = 0,
    UOM_CENTIMETERS = 1,
    UOM_PIXELS = 2,
};

// Stored, compared for equality and returned; no value has a meaning of its own.
enum ValidQMXFormat : int32_t {};
enum VEK_PRINTER_CLASS : int32_t {};
enum VEK_OVERSPRAY_TYPE : int32_t {};

// Table sizes of the common record.
constexpr uint32_t VEK_MAX_IMAGE_UNITS = 10;
constexpr uint32_t VEK_MAX_FORMATS = 25;
constexpr uint32_t VEK_MAX_RESOLUTIONS = 25;
constexpr uint32_t VEK_MAX_CAPABILITIES = 100;
// Printer model names live in slots of 32 code units; 63 whole slots fit.
constexpr uint32_t VEK_MODEL_SLOT_CHARS = 32;
constexpr uint32_t VEK_MAX_MODEL_SLOTS = 63;
// Length of the text fields, terminator included.
constexpr uint32_t VEK_TEXT_CHARS = 512;

struct VEK_COMMON_CONFIG_DATA {
    GUID ObjectID;
    COM_VEK_OBJECT_TYPE ObjectType;
    WCHAR UserDescription[VEK_TEXT_CHARS];
    WCHAR Location[VEK_TEXT_CHARS];
    WCHAR PrinterModel[VEK_TEXT_CHARS];
    DWORD NumPrinterModelsSupported;
    // Slot i starts at code unit 32*i; the units after slot 62 are carried.
    WCHAR PrinterModelsSupported[2043];
    WCHAR DefaultColorProfile[VEK_TEXT_CHARS];
    BYTE Unused8206[2];
    DWORD BufferSizes[2];
    VEK_PRINTER_CLASS PrinterClass;
    DWORD DebugLevelsSupported;
    DWORD CurrentDebugLevel;
    DWORD EventLoggingLevelsSupported;
    DWORD CurrentEventLoggingLevel;
    BOOL ErrorBroadcastState;
    DWORD NumImageUnits;
    COM_UNITOFMEASURE ImageUnits[VEK_MAX_IMAGE_UNITS];
    COM_UNITOFMEASURE CurrentImageUnit;
    DWORD NumSupportedFormats;
    ValidQMXFormat SupportedFormats[VEK_MAX_FORMATS];
    ValidQMXFormat CurrentFormat;
    ValidQMXFormat PreferredFormat;
    DWORD NumVertResolutions;
    FLOAT VertResolutions[VEK_MAX_RESOLUTIONS];
    FLOAT CurrentVertResolution;
    DWORD NumHorzResolutions;
    FLOAT HorzResolutions[VEK_MAX_RESOLUTIONS];
    FLOAT CurrentHorzResolution;
    DWORD NumCapabilities;
    DWORD Capabilities[VEK_MAX_CAPABILITIES];
    FLOAT RegionOfInterestExtents[2];
    DWORD DefaultMediaID;
    DWORD DefaultDonorID;
    GUID ClassID;
    BOOL ProcessingStates[2];
    FLOAT PageOverspray[2];
    BYTE Unused9068[8];
    VEK_OVERSPRAY_TYPE OversprayType;
    BYTE Reserved[228];
};

struct VEK_PHYSICAL_PRINTER_CONFIG_DATA {
    WCHAR DeviceAddress[VEK_TEXT_CHARS];
    VEK_DEVICE_ADDRESS DeviceAddressKind;
    DWORD MaxPageLimit;  // 0: no maximum
    DWORD PageLimit;
    BYTE Unused1036[4];
    BOOL AcceptingMultipleOpenJobs;
    BOOL CopyRemoteImageFile;
    BYTE Unused1048[20];
    BOOL RejectJobsOnNeedsAttention;
    BYTE Unused1072[20];
    BYTE Reserved[204];
};

struct VEK_LOGICAL_PRINTER_CONFIG_DATA {
    BOOL SpoolingOn;
    BYTE Unused4[564];
    BOOL RescheduleJobsOnInfoError;
    BYTE Unused572[4];
    BYTE TransientFlag;  // always stored as 0
    BYTE Unused577[35];
};

struct VEK_PF_LOGICAL_PRINTER_CONFIG_DATA {
    BYTE Unused0[4112];
    BYTE TransientFlag;  // always stored as 0
    BYTE Unused4113[255];
};

struct VEK_LOGICAL_PRINTER_5300_CONFIG_DATA {
    BYTE Unused0[12];
    BYTE TransientFlag;  // always stored as 0
    BYTE Unused13[251];
};

// Default job, page and image attributes: carried whole, never interpreted.
struct VEK_JOB_ATTRIBUTES {
    BYTE Data[6428];
};
struct PageAttributesT2 {
    BYTE Data[18172];
};
struct ImageAttributesT {
    BYTE Data[1344];
};

// The printer-specific data of one medium, never interpreted.
struct PRINTER_MEDIA_DATA {
    BYTE Data[4116];
};

// One entry of the printer's own media list, keyed by MediaID.
struct CONFIG_PRINTER_MEDIA_DATA {
    DWORD MediaID;
    PRINTER_MEDIA_DATA MediaData;
    BYTE MediaReserved[256];
};

// What a connection carries besides its key, as the potential-connection
// search builds it. The object configuration never interprets it.
struct VEK_LP_PP_CONNECTION_DATA {
    GUID BrokerClassID;  // zeros when no broker serves the class
    WCHAR Text[640];     // terminated; written empty by the search
};

// One entry of a logical printer's connection list, keyed by PPObjectID.
struct VEK_LP_PP_CONNECTIONS {
    GUID PPObjectID;
    VEK_LP_PP_CONNECTION_DATA ConnectionData;
};

// Result arrays: Count entries in one CoTaskMemAlloc block that the caller
// frees with CoTaskMemFree; ByteSize is Count times the entry size. An empty
// result has Count and ByteSize 0.
using VEK_PRINTER_MODEL_NAME = WCHAR[VEK_TEXT_CHARS];

struct FLOATARRAY {
    DWORD ByteSize;
    DWORD Count;
    FLOAT* Entries;
};
struct QMXFormatArray {
    DWORD ByteSize;
    DWORD Count;
    ValidQMXFormat* Entries;
};
struct COM_UNITOFMEASUREARRAY {
    DWORD ByteSize;
    DWORD Count;
    COM_UNITOFMEASURE* Entries;
};
struct PRINTER_CAPABILTY_ARRAY {
    DWORD ByteSize;
    DWORD Count;
    DWORD* Entries;
};
struct PRINTER_MODEL_ARRAY {
    DWORD ByteSize;
    DWORD Count;
    VEK_PRINTER_MODEL_NAME* Entries;
};

// Stream names in the root storage; compared exactly.
constexpr const WCHAR* VEK_COMMON_STREAM = u"VEK_OBJECT_CONFIG_V1";
constexpr const WCHAR* VEK_PHYSICAL_PRINTER_STREAM = u"VEK_PHYSICAL_PRINTER_V1";
constexpr const WCHAR* VEK_LOGICAL_PRINTER_STREAM = u"VEK_LOGICAL_PRINTER_V1";
constexpr const WCHAR* VEK_PF_LOGICAL_PRINTER_STREAM = u"VEK_PF_LOGICAL_PRINTER_V1";
constexpr const WCHAR* VEK_LOGICAL_PRINTER_5300_STREAM = u"VEK_LOGICAL_PRINTER_5300";
constexpr const WCHAR* VEK_MEDIA_STREAM = u"VEK_MEDIA_CONFIG_V1";
constexpr const WCHAR* VEK_JOB_ATTRIBUTES_STREAM = u"DEFAULT_JOB_ATTRIBUTES_V1";
constexpr const WCHAR* VEK_PAGE_ATTRIBUTES_STREAM = u"DEFAULT_PAGE_ATTRIBUTES_V1";
constexpr const WCHAR* VEK_IMAGE_ATTRIBUTES_STREAM = u"DEFAULT_IMAGE_ATTRIBUTES_V1";
constexpr const WCHAR* VEK_CONNECTIONS_STREAM = u"VEK_LP_CONNECTIONS_V1";

// ---- layout checks, field by field ----
#define VEK_FIELD_AT(type, field, offset) \
    static_assert(offsetof(type, field) == (offset), #type "." #field " offset")

static_assert(sizeof(COM_VEK_OBJECT_TYPE) == 4 && sizeof(VEK_DEVICE_ADDRESS) == 4 &&
              sizeof(COM_UNITOFMEASURE) == 4 && sizeof(ValidQMXFormat) == 4 &&
              sizeof(VEK_PRINTER_CLASS) == 4 && sizeof(VEK_OVERSPRAY_TYPE) == 4,
              "enumerations are stored as 32-bit integers");
static_assert(sizeof(WCHAR) == 2 && sizeof(FLOAT) == 4 && sizeof(BOOL) == 4, "scalar sizes");

static_assert(sizeof(VEK_COMMON_CONFIG_DATA) == 9308, "VEK_COMMON_CONFIG_DATA size");
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, ObjectID, 0);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, ObjectType, 16);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, UserDescription, 20);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, Location, 1044);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, PrinterModel, 2068);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, NumPrinterModelsSupported, 3092);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, PrinterModelsSupported, 3096);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, DefaultColorProfile, 7182);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, Unused8206, 8206);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, BufferSizes, 8208);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, PrinterClass, 8216);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, DebugLevelsSupported, 8220);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, CurrentDebugLevel, 8224);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, EventLoggingLevelsSupported, 8228);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, CurrentEventLoggingLevel, 8232);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, ErrorBroadcastState, 8236);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, NumImageUnits, 8240);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, ImageUnits, 8244);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, CurrentImageUnit, 8284);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, NumSupportedFormats, 8288);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, SupportedFormats, 8292);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, CurrentFormat, 8392);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, PreferredFormat, 8396);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, NumVertResolutions, 8400);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, VertResolutions, 8404);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, CurrentVertResolution, 8504);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, NumHorzResolutions, 8508);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, HorzResolutions, 8512);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, CurrentHorzResolution, 8612);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, NumCapabilities, 8616);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, Capabilities, 8620);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, RegionOfInterestExtents, 9020);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, DefaultMediaID, 9028);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, DefaultDonorID, 9032);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, ClassID, 9036);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, ProcessingStates, 9052);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, PageOverspray, 9060);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, Unused9068, 9068);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, OversprayType, 9076);
VEK_FIELD_AT(VEK_COMMON_CONFIG_DATA, Reserved, 9080);
static_assert(sizeof(VEK_COMMON_CONFIG_DATA::PrinterModelsSupported) == 4086, "model slots");
static_assert(VEK_MAX_MODEL_SLOTS * VEK_MODEL_SLOT_CHARS * sizeof(WCHAR) <= 4086 &&
              (VEK_MAX_MODEL_SLOTS + 1) * VEK_MODEL_SLOT_CHARS * sizeof(WCHAR) > 4086,
              "63 whole model slots");

static_assert(sizeof(VEK_PHYSICAL_PRINTER_CONFIG_DATA) == 1296, "physical printer size");
VEK_FIELD_AT(VEK_PHYSICAL_PRINTER_CONFIG_DATA, DeviceAddress, 0);
VEK_FIELD_AT(VEK_PHYSICAL_PRINTER_CONFIG_DATA, DeviceAddressKind, 1024);
VEK_FIELD_AT(VEK_PHYSICAL_PRINTER_CONFIG_DATA, MaxPageLimit, 1028);
VEK_FIELD_AT(VEK_PHYSICAL_PRINTER_CONFIG_DATA, PageLimit, 1032);
VEK_FIELD_AT(VEK_PHYSICAL_PRINTER_CONFIG_DATA, Unused1036, 1036);
VEK_FIELD_AT(VEK_PHYSICAL_PRINTER_CONFIG_DATA, AcceptingMultipleOpenJobs, 1040);
VEK_FIELD_AT(VEK_PHYSICAL_PRINTER_CONFIG_DATA, CopyRemoteImageFile, 1044);
VEK_FIELD_AT(VEK_PHYSICAL_PRINTER_CONFIG_DATA, Unused1048, 1048);
VEK_FIELD_AT(VEK_PHYSICAL_PRINTER_CONFIG_DATA, RejectJobsOnNeedsAttention, 1068);
VEK_FIELD_AT(VEK_PHYSICAL_PRINTER_CONFIG_DATA, Unused1072, 1072);
VEK_FIELD_AT(VEK_PHYSICAL_PRINTER_CONFIG_DATA, Reserved, 1092);

static_assert(sizeof(VEK_LOGICAL_PRINTER_CONFIG_DATA) == 612, "logical printer size");
VEK_FIELD_AT(VEK_LOGICAL_PRINTER_CONFIG_DATA, SpoolingOn, 0);
VEK_FIELD_AT(VEK_LOGICAL_PRINTER_CONFIG_DATA, Unused4, 4);
VEK_FIELD_AT(VEK_LOGICAL_PRINTER_CONFIG_DATA, RescheduleJobsOnInfoError, 568);
VEK_FIELD_AT(VEK_LOGICAL_PRINTER_CONFIG_DATA, Unused572, 572);
VEK_FIELD_AT(VEK_LOGICAL_PRINTER_CONFIG_DATA, TransientFlag, 576);
VEK_FIELD_AT(VEK_LOGICAL_PRINTER_CONFIG_DATA, Unused577, 577);

static_assert(sizeof(VEK_PF_LOGICAL_PRINTER_CONFIG_DATA) == 4368, "PF logical printer size");
VEK_FIELD_AT(VEK_PF_LOGICAL_PRINTER_CONFIG_DATA, TransientFlag, 4112);
VEK_FIELD_AT(VEK_PF_LOGICAL_PRINTER_CONFIG_DATA, Unused4113, 4113);

static_assert(sizeof(VEK_LOGICAL_PRINTER_5300_CONFIG_DATA) == 264, "5300 logical printer size");
VEK_FIELD_AT(VEK_LOGICAL_PRINTER_5300_CONFIG_DATA, TransientFlag, 12);
VEK_FIELD_AT(VEK_LOGICAL_PRINTER_5300_CONFIG_DATA, Unused13, 13);

static_assert(sizeof(VEK_JOB_ATTRIBUTES) == 6428, "job attributes size");
static_assert(sizeof(PageAttributesT2) == 18172, "page attributes size");
static_assert(sizeof(ImageAttributesT) == 1344, "image attributes size");

static_assert(sizeof(PRINTER_MEDIA_DATA) == 4116, "media data size");
static_assert(sizeof(CONFIG_PRINTER_MEDIA_DATA) == 4376, "media entry size");
VEK_FIELD_AT(CONFIG_PRINTER_MEDIA_DATA, MediaID, 0);
VEK_FIELD_AT(CONFIG_PRINTER_MEDIA_DATA, MediaData, 4);
VEK_FIELD_AT(CONFIG_PRINTER_MEDIA_DATA, MediaReserved, 4120);

static_assert(sizeof(VEK_LP_PP_CONNECTIONS) == 1312, "connection entry size");
VEK_FIELD_AT(VEK_LP_PP_CONNECTIONS, PPObjectID, 0);
VEK_FIELD_AT(VEK_LP_PP_CONNECTIONS, ConnectionData, 16);
VEK_FIELD_AT(VEK_LP_PP_CONNECTIONS, ConnectionData.BrokerClassID, 16);
VEK_FIELD_AT(VEK_LP_PP_CONNECTIONS, ConnectionData.Text, 32);

VEK_FIELD_AT(FLOATARRAY, ByteSize, 0);
VEK_FIELD_AT(FLOATARRAY, Count, 4);
VEK_FIELD_AT(FLOATARRAY, Entries, 8);
VEK_FIELD_AT(QMXFormatArray, Entries, 8);
VEK_FIELD_AT(COM_UNITOFMEASUREARRAY, Entries, 8);
VEK_FIELD_AT(PRINTER_CAPABILTY_ARRAY, Entries, 8);
VEK_FIELD_AT(PRINTER_MODEL_ARRAY, Count, 4);
VEK_FIELD_AT(PRINTER_MODEL_ARRAY, Entries, 8);
static_assert(sizeof(VEK_PRINTER_MODEL_NAME) == 1024, "model name entry size");

#undef VEK_FIELD_AT
