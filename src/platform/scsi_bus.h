// The machine's SCSI hosts and logical units, as the bus walks see them.
//
// On Linux the hosts and units come from the kernel's sysfs
// (/sys/class/scsi_host/hostN, /sys/bus/scsi/devices/H:C:T:L); INQUIRY
// commands go through the SG_IO ioctl on the unit's generic node (/dev/sgN).
// VEK_SYSFS_ROOT and VEK_DEV_ROOT point both at another tree (read at every
// call), so tests run on a fixture.
//
// Thread safety: implementations are safe for concurrent use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vek {

// Standard INQUIRY bytes kept per unit: peripheral byte to product revision.
constexpr size_t kStandardInquiryLength = 36;

// One logical unit of a host.
struct ScsiUnit {
    int channel = 0;
    int target = 0;
    int logicalUnit = 0;
    uint8_t inquiry[kStandardInquiryLength] = {};
};

enum class InquiryOutcome {
    kAnswered,   // the unit returned its data
    kNoDevice,   // nothing at that address
    kFailed,     // the unit is there but the command failed
    kTimedOut,   // the command did not complete within its time-out
};

class ScsiBus {
public:
    virtual ~ScsiBus() = default;

    // The SCSI host numbers present, ascending; empty when the machine has no
    // SCSI subsystem.
    virtual std::vector<int> Hosts() = 0;

    // The logical units of one host with their cached inquiry data, ordered
    // by channel, target and logical unit. Units that vanish while being read
    // are left out. false when the host itself cannot be read (gone).
    virtual bool ReadUnits(int host, std::vector<ScsiUnit>& units) = 0;

    // Sends a standard INQUIRY for `length` bytes to host/channel/target/lun
    // and copies what the unit returned into data (the rest of data is left
    // as it was). Where the unit has no generic node that answers the ioctl,
    // the kernel's cached inquiry data stands in.
    virtual InquiryOutcome Inquire(int host, int channel, int target, int logicalUnit,
                                   uint8_t* data, size_t length, uint32_t timeoutMilliseconds) = 0;
};

// The real bus of this machine (sysfs and SG_IO).
ScsiBus& SystemScsiBus();

}  // namespace vek
