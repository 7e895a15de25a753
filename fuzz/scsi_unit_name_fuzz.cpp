// sysfs entry names come from the kernel (and from whatever tree
// VEK_SYSFS_ROOT names): any text either parses to non-negative numbers that
// spell the same name again, or gives nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/scsi_unit_name.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view name(reinterpret_cast<const char*>(data), size);
    const auto address = vek::ParseScsiUnitName(name);
    if (!address) return 0;
    if (address->host < 0 || address->channel < 0 || address->target < 0 || address->logicalUnit < 0)
        std::abort();
    const auto again = vek::ParseScsiUnitName(vek::ScsiUnitName(*address));
    if (!again || again->host != address->host || again->channel != address->channel ||
        again->target != address->target || again->logicalUnit != address->logicalUnit)
        std::abort();
    return 0;
}
