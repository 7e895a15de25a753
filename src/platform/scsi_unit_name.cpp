#include "platform/scsi_unit_name.h"

#include <cstdint>

#include "platform/decimal_text.h"

namespace vek {

std::optional<ScsiUnitAddress> ParseScsiUnitName(std::string_view name) {
    std::string_view parts[4];
    for (int i = 0; i < 4; ++i) {
        const size_t colon = name.find(':');
        if ((i < 3) != (colon != std::string_view::npos)) return std::nullopt;
        parts[i] = name.substr(0, colon);
        name = i < 3 ? name.substr(colon + 1) : std::string_view();
    }
    ScsiUnitAddress address;
    uint64_t logicalUnit = 0;
    if (!ParseWholeDecimal(parts[0], address.host) || !ParseWholeDecimal(parts[1], address.channel) ||
        !ParseWholeDecimal(parts[2], address.target) || !ParseWholeDecimal(parts[3], logicalUnit))
        return std::nullopt;
    if (address.host < 0 || address.channel < 0 || address.target < 0 || logicalUnit > INT32_MAX)
        return std::nullopt;
    address.logicalUnit = static_cast<int>(logicalUnit);
    return address;
}

std::string ScsiUnitName(const ScsiUnitAddress& a) {
    return std::to_string(a.host) + ":" + std::to_string(a.channel) + ":" +
           std::to_string(a.target) + ":" + std::to_string(a.logicalUnit);
}

}  // namespace vek
