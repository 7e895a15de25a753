// The device classes of attached devices, by short name for the command line.
#pragma once

#include <string>

#include "vekconfig/vekconfig.h"

namespace vekcfg {

struct DeviceClass {
    const char* name;
    CLSID id;
    const char* looksFor;
};

inline constexpr DeviceClass kClasses[] = {
    {"print-queue", CLSID_VekPrintQueueDevices, "print queues"},
    {"aspi-array", CLSID_VekAspiArrayDevices, "ASPI devices Vireo Array 30P/30R"},
    {"scsi-printer", CLSID_VekScsiPrinterDevices, "SCSI devices ZRT 4300, QS 4350, 4360, 4370"},
    {"prismachrome", CLSID_VekPrismachromeDevices, "SCSI devices QXR Prismachrome"},
};

// The class named by a short name or a braced GUID (custom is filled for a
// GUID of no known class), or null.
const DeviceClass* FindClass(const std::string& text, DeviceClass& custom);

}  // namespace vekcfg
