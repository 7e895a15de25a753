// The two walks over the machine's SCSI buses. Each reports every device it
// finds to a callback with a readable device type and the 28-character
// identification text of the device's inquiry data (both valid only during
// the call). The walks run on the caller's thread, call the callback
// synchronously and report nothing to the event log.
//
// The context is passed through unchanged; it is pointer-sized so that a
// caller can pass itself.
#pragma once

#include <cstdint>

#include "vekconfig/types.h"

namespace vek {

using SCSIDeviceCallback = int (*)(int port, int bus, int target, int logicalUnit,
                                   const WCHAR* typeName, const WCHAR* identification,
                                   uintptr_t context);
using ASPIDeviceCallback = int (*)(int adapter, int target, int logicalUnit,
                                   const WCHAR* typeName, const WCHAR* identification,
                                   uintptr_t context);

// Visits every logical unit of every SCSI port (host) in ascending order,
// buses (channels) and units in the port's order. A port that cannot be read
// ends the walk; a callback that returns 0 stops it (that unit is counted).
// Returns the number of logical units visited. `ignored` is not used
// (callers pass -1); callback may be null.
int EnumerateSCSIDevices(int ignored, SCSIDeviceCallback callback, uintptr_t context);

// Sends INQUIRY to every adapter (host), target 0 to 31 and selected logical
// unit (selector 0 to 7: that unit only; -1 or 8 and above: 0 to 7) and
// reports each device that answers. Returns the number that answered, or -1
// when a request did not complete within 5000 ms (devices reported before
// stay reported). The callback's result is ignored; callback may be null.
int EnumerateASPIDevices(int logicalUnitSelector, ASPIDeviceCallback callback, uintptr_t context);

}  // namespace vek
