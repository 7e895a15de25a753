// The devices offered for configuration: walked or listed, filtered by the
// class's models, and left out when a physical printer of the class already
// has their address.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "bus_fixture.h"
#include "registry/object_files.h"
#include "support/logged_home.h"
#include "support/private_cupsd.h"
#include "vekconfig/discovery.h"
#include "vekconfig/object_registry.h"
#include "vekconfig/unconfigured_device.h"

namespace vek::test {
namespace {

using ::testing::ElementsAre;

// Registers a physical printer of the class with this device address.
void Configure(const GUID& deviceClass, const char16_t* address, VEK_DEVICE_ADDRESS kind,
               uint32_t serial) {
    const GUID id = TestGuid(0x5E7A0000u, serial);
    MakePhysicalPrinter(id, deviceClass, {u"Printer", address, kind, {}});
    ASSERT_EQ(AddVekObjectIDToRegistry(deviceClass, id), S_OK);
}

// "model|address|kind" of every record.
std::vector<std::string> Offered(CUnconfiguredDevice& devices) {
    std::vector<std::string> lines;
    for (ULONG i = 0; i < devices.GetNumDevices(); ++i) {
        UNCONFIGURED_PRINTER_INFO record;
        EXPECT_EQ(devices.GetDevice(i, &record), S_OK);
        lines.push_back(Utf16ToUtf8(record.Model) + "|" + Utf16ToUtf8(record.DeviceAddress) + "|" +
                        std::to_string(record.DeviceAddressKind));
    }
    return lines;
}

class UnconfiguredDevices : public BusFixture {
protected:
    void SetUp() override {
        BusFixture::SetUp();
        // A disk that names a listed model, a printer whose vendor field holds
        // a short model string, and a text with two models in it.
        sysfs_.AddUnit(2, 0, 1, 0, FakeSysfs::Inquiry(0x00, "ACME", "ZRT 4300", "0001"));
        sysfs_.AddUnit(2, 0, 2, 0, FakeSysfs::Inquiry(0x02, "4360ACME", "Laser", "0001"));
        sysfs_.AddUnit(2, 0, 5, 0, FakeSysfs::Inquiry(0x02, "ACME", "ZRT 4300", "0001"));
        sysfs_.AddUnit(2, 0, 6, 0, FakeSysfs::Inquiry(0x03, "ACME", "QXR Prismachrome", "4370"));
        sysfs_.AddUnit(2, 0, 7, 0, FakeSysfs::Inquiry(0x03, "ACME", "QXR Prismachrome", "0001"));
    }
    LoggedHome logged_;
};

TEST_F(UnconfiguredDevices, PrismachromeIsFoundOnlyWhenNoEarlierModelOccurs) {
    CUnconfiguredDevice devices;
    EXPECT_EQ(devices.GetUnConfiguredDevices(CLSID_VekPrismachromeDevices), 1u);
    EXPECT_THAT(Offered(devices), ElementsAre("QXR Prismachrome|2-0-7-0|2"));
}

// The SCSI printer class takes the first four models, of printer types only;
// a device configured under the class with its kind is left out of list and
// count, under another class or kind it is still offered.
TEST_F(UnconfiguredDevices, ScsiPrinterClassOffersItsModelsLessThoseConfiguredUnderItWithTheirKind) {
    CUnconfiguredDevice devices;
    EXPECT_EQ(devices.GetUnConfiguredDevices(CLSID_VekScsiPrinterDevices), 4u);
    EXPECT_THAT(Offered(devices), ElementsAre("4360|2-0-2-0|2", "ZRT 4300|2-0-5-0|2",
                                              "4370|2-0-6-0|2", "QS 4350|10-0-3-0|2"));
    Configure(CLSID_VekPrismachromeDevices, u"10-0-3-0", VEK_ADDRESS_SCSI, 2);
    Configure(CLSID_VekScsiPrinterDevices, u"10-0-3-0", VEK_ADDRESS_ASPI, 7);
    EXPECT_EQ(devices.GetUnConfiguredDevices(CLSID_VekScsiPrinterDevices), 4u);
    Configure(CLSID_VekScsiPrinterDevices, u"10_0_3_0", VEK_ADDRESS_SCSI, 1);
    Configure(CLSID_VekScsiPrinterDevices, u"2-0-2-0", VEK_ADDRESS_SCSI, 6);
    EXPECT_EQ(devices.GetUnConfiguredDevices(CLSID_VekScsiPrinterDevices), 2u);
    EXPECT_THAT(Offered(devices), ElementsAre("ZRT 4300|2-0-5-0|2", "4370|2-0-6-0|2"));
}

TEST_F(UnconfiguredDevices, AspiArrayOfferedAtLogicalUnitZeroOnlyAndKeptWhenALaterRequestTimesOut) {
    CUnconfiguredDevice devices;
    EXPECT_EQ(devices.GetUnConfiguredDevices(CLSID_VekAspiArrayDevices), 1u);
    EXPECT_THAT(Offered(devices), ElementsAre("Vireo Array 30P|10-4-0|8"));
    {
        BusWrapper bus;
        bus.overrideInquiry = [](int host, int target, int) {
            return host == 10 && target == 9 ? InquiryOutcome::kTimedOut : InquiryOutcome::kAnswered;
        };
        BusEnv env(bus);
        ScopedEnvOverride use(&env);
        EXPECT_EQ(devices.GetUnConfiguredDevices(CLSID_VekAspiArrayDevices), 1u);
        EXPECT_THAT(Offered(devices), ElementsAre("Vireo Array 30P|10-4-0|8"));
    }
    Configure(CLSID_VekAspiArrayDevices, u"10-4-0", VEK_ADDRESS_ASPI, 3);
    EXPECT_EQ(devices.GetUnConfiguredDevices(CLSID_VekAspiArrayDevices), 0u);
}

TEST_F(UnconfiguredDevices, SecondSearchReplacesTheListAndIndexAtCountFails) {
    CUnconfiguredDevice devices;
    devices.GetUnConfiguredDevices(CLSID_VekScsiPrinterDevices);
    const GUID noModelRule = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    EXPECT_EQ(devices.GetUnConfiguredDevices(noModelRule), 0u);
    EXPECT_EQ(devices.GetUnConfiguredDevices(CLSID_VekAspiArrayDevices), 1u);
    UNCONFIGURED_PRINTER_INFO record;
    std::memset(&record, 0xAB, sizeof record);
    EXPECT_EQ(devices.GetDevice(1, &record), E_FAIL);
    EXPECT_EQ(record.DeviceAddressKind, static_cast<VEK_DEVICE_ADDRESS>(0xABABABAB));
}

TEST_F(UnconfiguredDevices, CopiesOwnTheirListsApart) {
    CUnconfiguredDevice first;
    first.GetUnConfiguredDevices(CLSID_VekScsiPrinterDevices);
    CUnconfiguredDevice second(first);
    first.GetUnConfiguredDevices(CLSID_VekPrismachromeDevices);
    EXPECT_EQ(second.GetNumDevices(), 4u);
    CUnconfiguredDevice third;
    third = second;
    second.GetUnConfiguredDevices(GUID_NULL);
    EXPECT_THAT(Offered(third), ElementsAre("4360|2-0-2-0|2", "ZRT 4300|2-0-5-0|2",
                                            "4370|2-0-6-0|2", "QS 4350|10-0-3-0|2"));
}

TEST(UnconfiguredQueues, EveryQueueIsOfferedButOneConfiguredAsAPrintQueueUnderTheClass) {
    LoggedHome logged;
    PrivateCupsd cupsd;
    if (!cupsd.Start()) GTEST_SKIP() << "no private cupsd could be started: " << cupsd.why();
    for (const auto& [name, uri] : {std::pair{"null_local", "file:///dev/null"},
                                    std::pair{"socket_net", "socket://192.0.2.10:9100"},
                                    std::pair{"ipp_remote", "ipp://print.example.test:631/printers/floor2"}})
        ASSERT_TRUE(cupsd.AddQueue(name, uri)) << cupsd.why();
    CUnconfiguredDevice devices;  // the class has no devices key yet
    EXPECT_EQ(devices.GetUnConfiguredDevices(CLSID_VekPrintQueueDevices), 3u);
    EXPECT_THAT(Offered(devices),
                ElementsAre("Windows Printer|ipp_remote|3", "Windows Printer|null_local|3",
                            "Windows Printer|socket_net|3"));
    Configure(CLSID_VekPrintQueueDevices, u"socket_net", VEK_ADDRESS_PRINT_QUEUE, 4);
    Configure(CLSID_VekPrintQueueDevices, u"null_local", VEK_ADDRESS_SCSI, 5);
    EXPECT_EQ(devices.GetUnConfiguredDevices(CLSID_VekPrintQueueDevices), 2u);
    EXPECT_THAT(Offered(devices),
                ElementsAre("Windows Printer|ipp_remote|3", "Windows Printer|null_local|3"));
}

}  // namespace
}  // namespace vek::test
