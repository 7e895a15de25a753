// Shared by the walk tests: the fixture SCSI tree, a recorder for the walks'
// callbacks and a bus wrapper through which a test breaks single requests.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "discovery/bus_walk.h"
#include "platform/env.h"
#include "platform/scsi_bus.h"
#include "support/fake_sysfs.h"
#include "support/temp_home.h"
#include "vekconfig/text.h"

namespace vek::test {

// Two hosts whose numbers and targets sort differently as text and as
// numbers, devices of several types, zero bytes inside the identification
// fields, type 12, a device with qualifier bits, a second channel, and a
// listed model at logical units 0 and 1.
class BusFixture : public ::testing::Test {
protected:
    void SetUp() override {
        sysfs_.AddHost(2);
        sysfs_.AddHost(10);
        sysfs_.AddUnit(2, 0, 0, 0, FakeSysfs::Inquiry(0x00, "ATA", "Samsung SSD 870", "1B6Q"), 0);
        sysfs_.AddUnit(10, 0, 3, 0, FakeSysfs::Inquiry(0x02, "ACME", "QS 4350", "2.10", 96), 1);
        sysfs_.AddUnit(10, 0, 3, 1,
                       FakeSysfs::Inquiry(0x03, std::string("PRT\0\0\0\0\0", 8),
                                          std::string("Engine\0XYZ\0\0\0\0\0\0", 16),
                                          std::string("1.0\0", 4)),
                       2);
        sysfs_.AddUnit(10, 0, 4, 0, FakeSysfs::Inquiry(0x03, "VIREO", "Vireo Array 30P", "0001"));
        sysfs_.AddUnit(10, 0, 4, 1, FakeSysfs::Inquiry(0x03, "VIREO", "Vireo Array 30P", "0001"));
        sysfs_.AddUnit(10, 0, 5, 0, FakeSysfs::Inquiry(0x0C, "ACME", "RAID CTRL 5000", "0100"), 3);
        sysfs_.AddUnit(10, 0, 12, 1, FakeSysfs::Inquiry(0x28, "ACME", "AUTOLOADER", "0200"), 5);
        sysfs_.AddUnit(10, 1, 0, 0, FakeSysfs::Inquiry(0x01, "HP", "Ultrium 6-SCSI", "35GD"));
    }

    TempHome home_;
    FakeSysfs sysfs_{home_.path()};
};

// What a walk reported, one line per device: "address|type|identification".
struct Recorder {
    std::vector<std::string> lines;
    int stopAfter = -1;  // the SCSI callback answers 0 on this call (1-based)

    static int Scsi(int port, int bus, int target, int unit, const WCHAR* type,
                    const WCHAR* text, uintptr_t context) {
        auto* self = reinterpret_cast<Recorder*>(context);
        self->Add(std::to_string(port) + "-" + std::to_string(bus) + "-" + std::to_string(target) +
                      "-" + std::to_string(unit),
                  type, text);
        return static_cast<int>(self->lines.size()) == self->stopAfter ? 0 : 1;
    }
    static int Aspi(int adapter, int target, int unit, const WCHAR* type, const WCHAR* text,
                    uintptr_t context) {
        auto* self = reinterpret_cast<Recorder*>(context);
        self->Add(std::to_string(adapter) + "-" + std::to_string(target) + "-" + std::to_string(unit),
                  type, text);
        return 0;  // the ASPI walk must not stop on this
    }
    uintptr_t context() { return reinterpret_cast<uintptr_t>(this); }
    // The address part of every line.
    std::vector<std::string> Addresses() const {
        std::vector<std::string> addresses;
        for (const auto& line : lines) addresses.push_back(line.substr(0, line.find('|')));
        return addresses;
    }

private:
    void Add(const std::string& address, const WCHAR* type, const WCHAR* text) {
        lines.push_back(address + "|" + Utf16ToUtf8(type) + "|" + Utf16ToUtf8(text));
    }
};

// Forwards to the real bus; a test replaces single answers and counts requests.
class BusWrapper : public ScsiBus {
public:
    std::function<bool(int host)> failHost;
    std::function<InquiryOutcome(int host, int target, int unit)> overrideInquiry;
    int requests = 0;

    std::vector<int> Hosts() override { return SystemScsiBus().Hosts(); }
    bool ReadUnits(int host, std::vector<ScsiUnit>& units) override {
        if (failHost && failHost(host)) return false;
        return SystemScsiBus().ReadUnits(host, units);
    }
    InquiryOutcome Inquire(int host, int channel, int target, int unit, uint8_t* data,
                           size_t length, uint32_t timeout) override {
        ++requests;
        if (overrideInquiry) {
            const InquiryOutcome outcome = overrideInquiry(host, target, unit);
            if (outcome != InquiryOutcome::kAnswered) return outcome;
        }
        return SystemScsiBus().Inquire(host, channel, target, unit, data, length, timeout);
    }
};

class BusEnv : public EnvWrapper {
public:
    explicit BusEnv(ScsiBus& bus) : EnvWrapper(&CurrentEnv()), bus_(bus) {}
    ScsiBus& Scsi() override { return bus_; }

private:
    ScsiBus& bus_;
};

}  // namespace vek::test
