// Which attached devices each device class looks for: the classes' search
// kind and the model rules applied to what the bus walks report.
//
// Thread safety: pure functions.
#pragma once

#include "vekconfig/types.h"

namespace vek {

enum class DeviceSearch {
    kPrintQueues,  // the machine's print queues, address kind 3
    kAspi,         // the ASPI walk, address kind 8
    kScsi,         // the SCSI walk, address kind 2 (also every class without a rule)
};

DeviceSearch SearchFor(const GUID& deviceClass);

// The model under which a SCSI device is offered to deviceClass, or null when
// it is not: the type must be "OtherPeripheral" or "PrinterPeripheral" and
// the first model string found (case counting) in the identification text
// must belong to the class.
const WCHAR* ScsiModelFor(const GUID& deviceClass, const WCHAR* typeName,
                          const WCHAR* identification);

// The model under which an ASPI device is offered, or null: the same type
// rule, a listed model in the text, and logical unit 0.
const WCHAR* AspiModelFor(int logicalUnit, const WCHAR* typeName, const WCHAR* identification);

// The model of every print queue offered.
inline constexpr const WCHAR* kPrintQueueModel = u"Windows Printer";

}  // namespace vek
