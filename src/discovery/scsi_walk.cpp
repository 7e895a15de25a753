#include <vector>

#include "discovery/bus_walk.h"
#include "discovery/inquiry_text.h"
#include "platform/env.h"
#include "platform/scsi_bus.h"

namespace vek {

static_assert(kStandardInquiryLength == kInquiryBytesUsed, "the walks read the whole standard data");

int EnumerateSCSIDevices(int /*ignored*/, SCSIDeviceCallback callback, uintptr_t context) {
    ScsiBus& bus = CurrentEnv().Scsi();
    int visited = 0;
    std::vector<ScsiUnit> units;
    for (const int port : bus.Hosts()) {
        if (!bus.ReadUnits(port, units)) break;
        for (const ScsiUnit& unit : units) {
            ++visited;
            if (callback == nullptr) continue;
            WCHAR identification[kIdentificationLength + 1];
            IdentificationText(unit.inquiry, identification);
            if (callback(port, unit.channel, unit.target, unit.logicalUnit,
                         DeviceTypeName(unit.inquiry[0]), identification, context) == 0)
                return visited;
        }
    }
    return visited;
}

}  // namespace vek
