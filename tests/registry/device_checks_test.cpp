#include <gtest/gtest.h>

#include "registry/object_files.h"
#include "registry/registry_fixture.h"

namespace {

using vek::test::ErrorReports;
using vek::test::MakePhysicalPrinter;
using vek::test::TestGuid;

constexpr CLSID kClass = {0xCC000004, 0x1111, 0x2222, {1, 2, 3, 4, 5, 6, 7, 8}};

class DeviceChecks : public ::testing::Test {
protected:
    void Printer(uint32_t n, const std::u16string& address, VEK_DEVICE_ADDRESS kind,
                 const std::u16string& description = u"PP") {
        MakePhysicalPrinter(TestGuid(0xDD, n), kClass, {description, address, kind, {}});
        ASSERT_EQ(AddVekObjectIDToRegistry(kClass, TestGuid(0xDD, n)), S_OK);
    }
    BROKER_PRINTER_INFO found_{};
    int configured_ = 7;
    vek::test::LoggedHome home_;
};

TEST_F(DeviceChecks, AddressMatchesOnlyInItsKindAndCaseAndTheFirstObjectInKeyOrderWins) {
    Printer(1, u"Queue1", VEK_ADDRESS_SCSI);
    EXPECT_EQ(VerifyDeviceIsConfiguredByAddress(kClass, u"Queue1", VEK_ADDRESS_PRINT_QUEUE,
                                                configured_, found_),
              S_OK);
    EXPECT_EQ(configured_, 0);
    EXPECT_EQ(VerifyDeviceIsConfiguredByAddress(kClass, u"queue1", VEK_ADDRESS_SCSI, configured_,
                                                found_),
              S_OK);
    EXPECT_EQ(configured_, 0) << "case counts";
    EXPECT_EQ(VerifyDeviceIsConfiguredByAddress(kClass, u"Queue1", VEK_ADDRESS_SCSI, configured_,
                                                found_),
              S_OK);
    EXPECT_EQ(configured_, 1);
    EXPECT_TRUE(found_.ObjectID == TestGuid(0xDD, 1));
    Printer(3, u"2-0-1-0", VEK_ADDRESS_SCSI, u"Last");
    Printer(2, u"2-0-1-0", VEK_ADDRESS_SCSI, u"First");
    Printer(4, u"2-0-1-0", VEK_ADDRESS_SCSI, u"Also last");
    EXPECT_EQ(VerifyDeviceIsConfiguredByAddress(kClass, u"2-0-1-0", VEK_ADDRESS_SCSI, configured_,
                                                found_),
              S_OK);
    EXPECT_TRUE(found_.ObjectID == TestGuid(0xDD, 2)) << "keys come in name order";
}

TEST_F(DeviceChecks, ClassWithoutDevicesKeyFailsByAddressButIsNotConfiguredByNumbers) {
    EXPECT_EQ(VerifyDeviceIsConfiguredByAddress(kClass, u"x", VEK_ADDRESS_PRINT_QUEUE, configured_,
                                                found_),
              E_FAIL);
    EXPECT_EQ(configured_, 0);
    EXPECT_EQ(ErrorReports(home_),
              std::vector<std::string>{"VerifyDeviceIsConfiguredByAddress-->VekOpenRegKeyWithRetry|0x2"});
    configured_ = 7;
    EXPECT_EQ(VerifySCSIDeviceIsConfigured(kClass, 1, 0, 4, 0, configured_, found_), S_OK);
    EXPECT_EQ(configured_, 0);
    EXPECT_EQ(VerifyASPIDeviceIsConfigured(kClass, 0, 5, 0, configured_, found_), S_OK);
    EXPECT_EQ(ErrorReports(home_).size(), 1u);
}

TEST_F(DeviceChecks, ScsiAndAspiAddressesMatchWithEitherSeparatorAndOnlyTheirOwnKind) {
    Printer(1, u"1_0_4_0", VEK_ADDRESS_SCSI, u"Underscored");
    Printer(2, u"0-5-0", VEK_ADDRESS_SCSI);
    Printer(3, u"0_5-0", VEK_ADDRESS_ASPI);
    EXPECT_EQ(VerifySCSIDeviceIsConfigured(kClass, 1, 0, 4, 0, configured_, found_), S_OK);
    EXPECT_EQ(configured_, 1);
    EXPECT_EQ(std::u16string(found_.Description), u"Underscored");
    EXPECT_EQ(std::u16string(found_.DeviceAddress), u"1_0_4_0");
    EXPECT_EQ(found_.DeviceAddressKind, VEK_ADDRESS_SCSI);
    EXPECT_EQ(VerifySCSIDeviceIsConfigured(kClass, 1, 0, 4, 1, configured_, found_), S_OK);
    EXPECT_EQ(configured_, 0);
    EXPECT_EQ(VerifyASPIDeviceIsConfigured(kClass, 0, 5, 0, configured_, found_), S_OK);
    EXPECT_EQ(configured_, 1);
    EXPECT_TRUE(found_.ObjectID == TestGuid(0xDD, 3));
}

TEST_F(DeviceChecks, UnparsableAddressIsReportedByTheParserAndNeverMatches) {
    Printer(1, u"1-0-4", VEK_ADDRESS_SCSI);     // three numbers only
    Printer(2, u"LaserQueue", VEK_ADDRESS_SCSI);  // no separator at all
    EXPECT_EQ(VerifySCSIDeviceIsConfigured(kClass, 1, 0, 4, 0, configured_, found_), S_OK);
    EXPECT_EQ(configured_, 0) << "the numbers read before the failure do not count";
    // The second failure repeats the first and is folded into it by the logger.
    EXPECT_EQ(ErrorReports(home_), std::vector<std::string>{"wcstoSCSI-->wcspbrk|0x80004005"});
    Printer(3, u"LaserQueue", VEK_ADDRESS_ASPI);
    EXPECT_EQ(VerifyASPIDeviceIsConfigured(kClass, 0, 0, 0, configured_, found_), S_OK);
    EXPECT_EQ(configured_, 0) << "an unparsed address leaves zeros, which must not match";
    EXPECT_EQ(ErrorReports(home_).back(), "wcstoASPI-->wcspbrk|0x80004005");
}

TEST_F(DeviceChecks, BrokenEnumerationEndsTheSearchWithFailure) {
    Printer(1, u"2-0-1-0", VEK_ADDRESS_SCSI);
    class FailingEnum : public vek::EnvWrapper {
    public:
        class BrokenEnum : public vek::RegistryApiWrapper {
        public:
            using RegistryApiWrapper::RegistryApiWrapper;
            LSTATUS EnumKey(HKEY, DWORD, WCHAR*, DWORD*) override { return ERROR_ACCESS_DENIED; }
        };
        FailingEnum() : EnvWrapper(&vek::CurrentEnv()), registry_(&target()->Registry()) {}
        vek::RegistryApi& Registry() override { return registry_; }

    private:
        BrokenEnum registry_;
    } env;
    vek::ScopedEnvOverride use(&env);
    EXPECT_EQ(VerifySCSIDeviceIsConfigured(kClass, 2, 0, 1, 0, configured_, found_), E_FAIL);
    EXPECT_EQ(configured_, 0);
}

}  // namespace
