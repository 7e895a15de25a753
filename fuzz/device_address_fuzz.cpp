// Device address texts come from configuration files and callers: the
// readers must stop at the terminator whatever the text holds, and what the
// writers produce must read back to the same numbers.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "vekconfig/discovery.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<WCHAR> text(size / 2 + 1, 0);
    for (size_t i = 0; i + 1 < size; i += 2) text[i / 2] = static_cast<WCHAR>(data[i] | data[i + 1] << 8);
    int scsi[4] = {};
    int aspi[3] = {};
    wcstoSCSI(text.data(), scsi[0], scsi[1], scsi[2], scsi[3]);
    wcstoASPI(text.data(), aspi[0], aspi[1], aspi[2]);

    // Non-negative numbers survive a round trip.
    for (int& n : scsi) n = n < 0 ? ~n : n;
    WCHAR written[259];
    SCSItowcs(scsi[0], scsi[1], scsi[2], scsi[3], written);
    int back[4] = {-1, -1, -1, -1};
    if (wcstoSCSI(written, back[0], back[1], back[2], back[3]) != S_OK) std::abort();
    for (int i = 0; i < 4; ++i)
        if (back[i] != scsi[i]) std::abort();
    return 0;
}
