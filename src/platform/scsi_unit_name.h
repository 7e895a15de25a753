// The name of a SCSI unit's sysfs entry, "H:C:T:L" (host, channel, target,
// logical unit), as the kernel writes it under bus/scsi/devices.
//
// Thread safety: pure functions.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vek {

struct ScsiUnitAddress {
    int host = 0;
    int channel = 0;
    int target = 0;
    int logicalUnit = 0;
};

// Four unsigned decimal numbers separated by colons and nothing else. The
// logical unit is 64-bit in the kernel; one beyond int cannot be passed to the
// walks' callbacks and gives nothing, as does any other text.
std::optional<ScsiUnitAddress> ParseScsiUnitName(std::string_view name);

// The entry name of an address.
std::string ScsiUnitName(const ScsiUnitAddress& address);

}  // namespace vek
