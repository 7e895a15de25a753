// The SCSI bus as the kernel's sysfs shows it. Enumeration always enters
// through class/scsi_host and bus/scsi/devices, never through a fixed depth of
// the device tree, whose shape depends on the transport.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <tuple>

#include "platform/scsi_bus.h"
#include "platform/sg_inquiry.h"

namespace vek {

namespace fs = std::filesystem;

namespace {

constexpr size_t kVendorOffset = 8, kVendorLength = 8;
constexpr size_t kProductOffset = 16, kProductLength = 16;
constexpr size_t kRevisionOffset = 32, kRevisionLength = 4;
static_assert(kRevisionOffset + kRevisionLength == kStandardInquiryLength);

fs::path RootFrom(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != 0 ? fs::path(value) : fs::path(fallback);
}
fs::path SysfsRoot() { return RootFrom("VEK_SYSFS_ROOT", "/sys"); }
fs::path DevRoot() { return RootFrom("VEK_DEV_ROOT", "/dev"); }

// The whole content of a sysfs attribute (whose reported size means nothing),
// or nothing when it cannot be read.
std::optional<std::string> ReadAttribute(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string content;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            ::close(fd);
            if (got < 0) return std::nullopt;
            return content;
        }
        content.append(buffer, static_cast<size_t>(got));
        if (content.size() > (1u << 20)) {  // no attribute is this large
            ::close(fd);
            return std::nullopt;
        }
    }
}

template <typename Number>
bool ParseDecimal(std::string_view text, Number& value) {
    if (text.empty()) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

struct UnitAddress {
    int host = 0, channel = 0, target = 0, logicalUnit = 0;
};

// "H:C:T:L" with a 64-bit logical unit; units beyond int are not addressable
// through the walks' int arguments and are left out.
std::optional<UnitAddress> ParseUnitName(std::string_view name) {
    std::string_view parts[4];
    for (int i = 0; i < 4; ++i) {
        const size_t colon = name.find(':');
        if ((i < 3) != (colon != std::string_view::npos)) return std::nullopt;
        parts[i] = name.substr(0, colon);
        name = i < 3 ? name.substr(colon + 1) : std::string_view();
    }
    UnitAddress address;
    uint64_t logicalUnit = 0;
    if (!ParseDecimal(parts[0], address.host) || !ParseDecimal(parts[1], address.channel) ||
        !ParseDecimal(parts[2], address.target) || !ParseDecimal(parts[3], logicalUnit))
        return std::nullopt;
    if (address.host < 0 || address.channel < 0 || address.target < 0 || logicalUnit > INT32_MAX)
        return std::nullopt;
    address.logicalUnit = static_cast<int>(logicalUnit);
    return address;
}

fs::path UnitDirectory(const UnitAddress& a) {
    return SysfsRoot() / "bus/scsi/devices" /
           (std::to_string(a.host) + ":" + std::to_string(a.channel) + ":" +
            std::to_string(a.target) + ":" + std::to_string(a.logicalUnit));
}

void CopyField(std::string_view text, uint8_t* field, size_t width) {
    if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    for (size_t i = 0; i < width; ++i) field[i] = i < text.size() ? text[i] : ' ';
}

// The unit's cached standard inquiry data; when the binary copy is short, it
// is rebuilt from the type and the space-padded text attributes.
bool ReadCachedInquiry(const fs::path& unit, uint8_t (&inquiry)[kStandardInquiryLength]) {
    if (auto binary = ReadAttribute(unit / "inquiry"); binary && binary->size() >= kStandardInquiryLength) {
        std::copy_n(binary->begin(), kStandardInquiryLength, inquiry);
        return true;
    }
    const auto type = ReadAttribute(unit / "type");
    const auto vendor = ReadAttribute(unit / "vendor");
    const auto model = ReadAttribute(unit / "model");
    const auto revision = ReadAttribute(unit / "rev");
    if (!type || !vendor || !model || !revision) return false;
    std::string_view typeText = *type;
    if (!typeText.empty() && typeText.back() == '\n') typeText.remove_suffix(1);
    unsigned peripheral = 0;
    if (!ParseDecimal(typeText, peripheral)) return false;
    std::fill(std::begin(inquiry), std::end(inquiry), uint8_t{0});
    inquiry[0] = static_cast<uint8_t>(peripheral & 0x1F);
    CopyField(*vendor, inquiry + kVendorOffset, kVendorLength);
    CopyField(*model, inquiry + kProductOffset, kProductLength);
    CopyField(*revision, inquiry + kRevisionOffset, kRevisionLength);
    return true;
}

// The unit's SCSI generic node under the device root, if it has one.
std::optional<fs::path> GenericNode(const fs::path& unit) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(unit / "scsi_generic", error))
        return DevRoot() / entry.path().filename();
    const fs::path link = fs::read_symlink(unit / "generic", error);
    if (!error) return DevRoot() / link.filename();
    return std::nullopt;
}

class SysfsScsiBus : public ScsiBus {
public:
    std::vector<int> Hosts() override {
        std::vector<int> hosts;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(SysfsRoot() / "class/scsi_host", error)) {
            const std::string name = entry.path().filename().string();
            int number = 0;
            if (name.rfind("host", 0) == 0 && ParseDecimal(std::string_view(name).substr(4), number))
                hosts.push_back(number);
        }
        std::sort(hosts.begin(), hosts.end());
        return hosts;
    }

    bool ReadUnits(int host, std::vector<ScsiUnit>& units) override {
        units.clear();
        const fs::path root = SysfsRoot();
        std::error_code error;
        if (!fs::is_directory(root / "class/scsi_host" / ("host" + std::to_string(host)), error))
            return false;
        for (const auto& entry : fs::directory_iterator(root / "bus/scsi/devices", error)) {
            const auto address = ParseUnitName(entry.path().filename().string());
            if (!address || address->host != host) continue;
            ScsiUnit unit;
            unit.channel = address->channel;
            unit.target = address->target;
            unit.logicalUnit = address->logicalUnit;
            if (ReadCachedInquiry(entry.path(), unit.inquiry)) units.push_back(unit);
        }
        if (error) return false;
        std::sort(units.begin(), units.end(), [](const ScsiUnit& a, const ScsiUnit& b) {
            return std::tie(a.channel, a.target, a.logicalUnit) <
                   std::tie(b.channel, b.target, b.logicalUnit);
        });
        return true;
    }

    InquiryOutcome Inquire(int host, int channel, int target, int logicalUnit, uint8_t* data,
                           size_t length, uint32_t timeoutMilliseconds) override {
        const fs::path unit = UnitDirectory({host, channel, target, logicalUnit});
        std::error_code error;
        if (!fs::is_directory(unit, error)) return InquiryOutcome::kNoDevice;
        if (const auto node = GenericNode(unit)) {
            switch (SgInquiry(node->string(), data, length, timeoutMilliseconds)) {
            case SgResult::kAnswered: return InquiryOutcome::kAnswered;
            case SgResult::kFailed: return InquiryOutcome::kFailed;
            case SgResult::kTimedOut: return InquiryOutcome::kTimedOut;
            case SgResult::kUnavailable: break;
            }
        }
        uint8_t cached[kStandardInquiryLength];
        if (!ReadCachedInquiry(unit, cached)) return InquiryOutcome::kNoDevice;
        std::copy_n(cached, std::min(length, kStandardInquiryLength), data);
        return InquiryOutcome::kAnswered;
    }
};

}  // namespace

ScsiBus& SystemScsiBus() {
    static SysfsScsiBus bus;
    return bus;
}

}  // namespace vek
