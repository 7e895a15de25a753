#include "bus_fixture.h"
#include "vekconfig/discovery.h"

namespace vek::test {
namespace {

using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::Field;
using ::testing::IsEmpty;

auto Device(const std::string& address, const std::string& model, int32_t kind) {
    return AllOf(Field(&AttachedDevice::address, address), Field(&AttachedDevice::model, model),
                 Field(&AttachedDevice::addressKind, kind));
}

class AttachedDevices : public BusFixture {
protected:
    void SetUp() override {
        BusFixture::SetUp();
        // A disk that names a listed model, a printer whose vendor field holds
        // a short model string, and one with two models in its text.
        sysfs_.AddUnit(2, 0, 1, 0, FakeSysfs::Inquiry(0x00, "ACME", "ZRT 4300", "0001"));
        sysfs_.AddUnit(2, 0, 2, 0, FakeSysfs::Inquiry(0x02, "4360ACME", "Laser", "0001"));
        sysfs_.AddUnit(2, 0, 6, 0, FakeSysfs::Inquiry(0x03, "ACME", "QXR Prismachrome", "4370"));
        sysfs_.AddUnit(2, 0, 7, 0, FakeSysfs::Inquiry(0x03, "ACME", "QXR Prismachrome", "0001"));
    }

    std::vector<AttachedDevice> List(const GUID& deviceClass, HRESULT expected = S_OK) {
        std::vector<AttachedDevice> devices{{"stale", "stale", 0}};
        EXPECT_EQ(ListAttachedDevices(deviceClass, devices), expected);
        return devices;
    }
};

TEST_F(AttachedDevices, ScsiPrinterClassTakesFirstFourModelsOfPrinterTypesOnly) {
    EXPECT_THAT(List(CLSID_VekScsiPrinterDevices),
                ElementsAre(Device("2-0-2-0", "4360", 2), Device("2-0-6-0", "4370", 2),
                            Device("10-0-3-0", "QS 4350", 2)));
}

TEST_F(AttachedDevices, PrismachromeIsFoundOnlyWhenNoEarlierModelOccurs) {
    EXPECT_THAT(List(CLSID_VekPrismachromeDevices),
                ElementsAre(Device("2-0-7-0", "QXR Prismachrome", 2)));
}

TEST_F(AttachedDevices, ClassWithoutModelRuleFindsNothing) {
    EXPECT_THAT(List(GUID_NULL), IsEmpty());
}

TEST_F(AttachedDevices, AspiArrayAtLogicalUnitZeroIsOfferedAndAtOneIsNot) {
    EXPECT_THAT(List(CLSID_VekAspiArrayDevices), ElementsAre(Device("10-4-0", "Vireo Array 30P", 8)));
}

TEST_F(AttachedDevices, AspiTimeoutKeepsDevicesFoundBefore) {
    BusWrapper bus;
    bus.overrideInquiry = [](int host, int target, int) {
        return host == 10 && target == 9 ? InquiryOutcome::kTimedOut : InquiryOutcome::kAnswered;
    };
    BusEnv env(bus);
    ScopedEnvOverride use(&env);
    EXPECT_THAT(List(CLSID_VekAspiArrayDevices, HRESULT_FROM_WIN32(1460)),
                ElementsAre(Device("10-4-0", "Vireo Array 30P", 8)));
}

TEST_F(AttachedDevices, ProbeCountsTheScsiHosts) {
    EXPECT_EQ(ProbeDeviceSources().scsiHosts, 2);
}

}  // namespace
}  // namespace vek::test
