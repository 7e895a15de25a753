// A standard INQUIRY sent through the SG_IO ioctl of a SCSI generic node.
//
// Thread safety: safe; each call opens and closes its own descriptor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/scsi_bus.h"

namespace vek {

enum class SgResult {
    kAnswered,     // data holds what the unit returned (received bytes only)
    kUnavailable,  // the node is missing, cannot be opened, or is no sg v3 node
    kFailed,       // the command was sent and the unit or the host reported an error
    kTimedOut,     // the command did not complete within timeoutMilliseconds
};

// Sends INQUIRY (EVPD 0) for `length` bytes (at most 255) to the node.
SgResult SgInquiry(const std::string& nodePath, uint8_t* data, size_t length,
                   uint32_t timeoutMilliseconds);

}  // namespace vek
