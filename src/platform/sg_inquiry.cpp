#include "platform/sg_inquiry.h"

#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace vek {

namespace {

constexpr uint8_t kInquiryOpcode = 0x12;
constexpr int kSgVersion3 = 30000;
constexpr unsigned kHostTimedOut = 0x03;    // DID_TIME_OUT
constexpr unsigned kDriverTimedOut = 0x06;  // DRIVER_TIMEOUT

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

SgResult SgInquiry(const std::string& nodePath, uint8_t* data, size_t length,
                   uint32_t timeoutMilliseconds) {
    if (length > 255) length = 255;
    // Read-only opens allow only the commands the driver deems safe; INQUIRY is one.
    Descriptor node(::open(nodePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (node.get() < 0) return SgResult::kUnavailable;
    int version = 0;
    if (::ioctl(node.get(), SG_GET_VERSION_NUM, &version) < 0 || version < kSgVersion3)
        return SgResult::kUnavailable;

    unsigned char command[6] = {kInquiryOpcode, 0, 0, 0, static_cast<unsigned char>(length), 0};
    unsigned char received[255] = {};
    unsigned char sense[32] = {};
    sg_io_hdr_t request{};
    request.interface_id = 'S';
    request.cmd_len = sizeof command;
    request.cmdp = command;
    request.dxfer_direction = SG_DXFER_FROM_DEV;
    request.dxferp = received;
    request.dxfer_len = static_cast<unsigned>(length);
    request.sbp = sense;
    request.mx_sb_len = sizeof sense;
    request.timeout = timeoutMilliseconds;
    if (::ioctl(node.get(), SG_IO, &request) < 0) return SgResult::kFailed;
    if (request.host_status == kHostTimedOut || (request.driver_status & 0x0F) == kDriverTimedOut)
        return SgResult::kTimedOut;
    if ((request.info & SG_INFO_OK_MASK) != SG_INFO_OK) return SgResult::kFailed;
    const int resid = request.resid < 0 ? 0 : request.resid;
    const size_t count = static_cast<size_t>(resid) >= length ? 0 : length - resid;
    for (size_t i = 0; i < count; ++i) data[i] = received[i];
    return SgResult::kAnswered;
}

}  // namespace vek
