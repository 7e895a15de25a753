#include "discovery/bus_walk.h"
#include "discovery/inquiry_text.h"
#include "platform/env.h"
#include "platform/scsi_bus.h"

namespace vek {

namespace {

constexpr int kTargetsPerAdapter = 32;
constexpr int kLogicalUnitsPerTarget = 8;
constexpr uint32_t kRequestTimeoutMilliseconds = 5000;
// The walk asks each device for 32 bytes; the revision (bytes 32 to 35) is
// therefore never filled in and reads as spaces.
constexpr size_t kRequestedBytes = 32;
constexpr int kChannel = 0;  // an adapter is one bus

}  // namespace

int EnumerateASPIDevices(int logicalUnitSelector, ASPIDeviceCallback callback, uintptr_t context) {
    const bool allUnits = logicalUnitSelector < 0 || logicalUnitSelector >= kLogicalUnitsPerTarget;
    const int firstUnit = allUnits ? 0 : logicalUnitSelector;
    const int lastUnit = allUnits ? kLogicalUnitsPerTarget - 1 : logicalUnitSelector;

    ScsiBus& bus = CurrentEnv().Scsi();
    // Cleared once: what one device wrote stays for the next one to overwrite.
    uint8_t inquiry[kInquiryBytesUsed] = {};
    int answered = 0;
    for (const int adapter : bus.Hosts()) {
        for (int target = 0; target < kTargetsPerAdapter; ++target) {
            for (int unit = firstUnit; unit <= lastUnit; ++unit) {
                const InquiryOutcome outcome = bus.Inquire(adapter, kChannel, target, unit, inquiry,
                                                           kRequestedBytes, kRequestTimeoutMilliseconds);
                if (outcome == InquiryOutcome::kTimedOut) return -1;
                if (outcome != InquiryOutcome::kAnswered) continue;
                ++answered;
                if (callback == nullptr) continue;
                WCHAR identification[kIdentificationLength + 1];
                IdentificationText(inquiry, identification);
                callback(adapter, target, unit, DeviceTypeName(inquiry[0]), identification, context);
            }
        }
    }
    return answered;
}

}  // namespace vek
