// A SCSI sysfs tree and device directory built on disk for one test, laid out
// as the kernel lays them out: hosts under devices/.../hostN with
// class/scsi_host links, units H:C:T:L under their target with type, vendor,
// model, rev, state and the binary inquiry file, bus/scsi/devices links, and a
// scsi_generic/sgN entry and generic link for units with a generic node (a
// plain file under dev/, which answers no ioctl). VEK_SYSFS_ROOT and
// VEK_DEV_ROOT point at the tree while the object lives.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/scoped_variable.h"

namespace vek::test {

class FakeSysfs {
public:
    // Builds an empty tree (no SCSI subsystem) under root.
    explicit FakeSysfs(const std::filesystem::path& root);
    FakeSysfs(const FakeSysfs&) = delete;
    FakeSysfs& operator=(const FakeSysfs&) = delete;

    // Standard INQUIRY data: the peripheral byte, then the fields copied
    // byte for byte (zero bytes kept) into a zeroed buffer of `length` bytes.
    static std::vector<uint8_t> Inquiry(uint8_t peripheral, std::string_view vendor,
                                        std::string_view product, std::string_view revision,
                                        size_t length = 36);

    void AddHost(int host);
    // Adds a unit whose cached inquiry file holds `inquiry` (any length); the
    // text attributes are what the kernel prints from those bytes. A generic
    // node sgN is created when sg is given.
    void AddUnit(int host, int channel, int target, uint64_t logicalUnit,
                 const std::vector<uint8_t>& inquiry, std::optional<int> sg = std::nullopt);
    // Removes a host's class entry, as when it is unplugged during a walk.
    void RemoveHost(int host);

    const std::filesystem::path& sys() const { return sys_; }

private:
    std::filesystem::path HostDirectory(int host) const;

    std::filesystem::path sys_;
    std::filesystem::path dev_;
    ScopedVariable sysfsRoot_;
    ScopedVariable devRoot_;
};

}  // namespace vek::test
