#include "support/fake_sysfs.h"

#include <fstream>

namespace vek::test {

namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& path, std::string_view content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

// A text attribute as the kernel prints a fixed-width field with "%.Ns\n":
// up to the first zero byte.
std::string FieldText(const std::vector<uint8_t>& inquiry, size_t offset, size_t width) {
    std::string text;
    for (size_t i = offset; i < offset + width && i < inquiry.size() && inquiry[i] != 0; ++i)
        text += static_cast<char>(inquiry[i]);
    return text + "\n";
}

void Link(const fs::path& target, const fs::path& link) {
    fs::create_symlink(fs::relative(target, link.parent_path()), link);
}

}  // namespace

FakeSysfs::FakeSysfs(const fs::path& root)
    : sys_(root / "sys"),
      dev_(root / "dev"),
      sysfsRoot_("VEK_SYSFS_ROOT", sys_.string()),
      devRoot_("VEK_DEV_ROOT", dev_.string()) {
    fs::create_directories(sys_ / "devices/pci0000:00/0000:00:10.0");
    fs::create_directories(sys_ / "bus/scsi/devices");
    fs::create_directories(sys_ / "class/scsi_host");
    fs::create_directories(dev_);
}

std::vector<uint8_t> FakeSysfs::Inquiry(uint8_t peripheral, std::string_view vendor,
                                        std::string_view product, std::string_view revision,
                                        size_t length) {
    std::vector<uint8_t> data(length, 0);
    auto put = [&](size_t offset, std::string_view text, size_t width) {
        for (size_t i = 0; i < width && i < text.size() && offset + i < length; ++i)
            data[offset + i] = static_cast<uint8_t>(text[i]);
    };
    if (length > 0) data[0] = peripheral;
    if (length > 4) data[4] = static_cast<uint8_t>(length > 5 ? length - 5 : 0);
    put(8, vendor, 8);
    put(16, product, 16);
    put(32, revision, 4);
    return data;
}

fs::path FakeSysfs::HostDirectory(int host) const {
    return sys_ / "devices/pci0000:00/0000:00:10.0" / ("host" + std::to_string(host));
}

void FakeSysfs::AddHost(int host) {
    const std::string name = "host" + std::to_string(host);
    const fs::path hostDir = HostDirectory(host);
    fs::create_directories(hostDir / "scsi_host" / name);
    WriteFile(hostDir / "scsi_host" / name / "proc_name", "sym53c8xx\n");
    Link(hostDir / "scsi_host" / name, sys_ / "class/scsi_host" / name);
    Link(hostDir, sys_ / "bus/scsi/devices" / name);
}

void FakeSysfs::RemoveHost(int host) {
    fs::remove(sys_ / "class/scsi_host" / ("host" + std::to_string(host)));
}

void FakeSysfs::AddUnit(int host, int channel, int target, uint64_t logicalUnit,
                        const std::vector<uint8_t>& inquiry, std::optional<int> sg) {
    const std::string targetName = "target" + std::to_string(host) + ":" +
                                   std::to_string(channel) + ":" + std::to_string(target);
    const std::string unitName = std::to_string(host) + ":" + std::to_string(channel) + ":" +
                                 std::to_string(target) + ":" + std::to_string(logicalUnit);
    const fs::path unit = HostDirectory(host) / targetName / unitName;
    fs::create_directories(unit);
    WriteFile(unit / "inquiry",
              std::string_view(reinterpret_cast<const char*>(inquiry.data()), inquiry.size()));
    WriteFile(unit / "type", std::to_string(inquiry.empty() ? 0 : inquiry[0] & 0x1F) + "\n");
    WriteFile(unit / "vendor", FieldText(inquiry, 8, 8));
    WriteFile(unit / "model", FieldText(inquiry, 16, 16));
    WriteFile(unit / "rev", FieldText(inquiry, 32, 4));
    WriteFile(unit / "state", "running\n");
    if (sg) {
        const std::string node = "sg" + std::to_string(*sg);
        fs::create_directories(unit / "scsi_generic" / node);
        WriteFile(unit / "scsi_generic" / node / "dev", "21:" + std::to_string(*sg) + "\n");
        Link(unit / "scsi_generic" / node, unit / "generic");
        WriteFile(dev_ / node, "");
    }
    Link(unit, sys_ / "bus/scsi/devices" / unitName);
}

}  // namespace vek::test
