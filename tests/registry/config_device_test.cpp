#include <gtest/gtest.h>

#include <cstring>

#include "registry/object_files.h"
#include "registry/registry_fixture.h"

namespace {

using vek::test::ConfigFileOf;
using vek::test::ConnectionsOf;
using vek::test::MakeLogicalPrinter;
using vek::test::MakePhysicalPrinter;
using vek::test::TestGuid;

constexpr CLSID kClass = {0xCC000005, 0x1111, 0x2222, {1, 2, 3, 4, 5, 6, 7, 8}};

class ConfigDevice : public ::testing::Test {
protected:
    void Printer(uint32_t n) {
        MakePhysicalPrinter(TestGuid(0xEE, n), kClass, {u"PP", u"1-0-4-0", VEK_ADDRESS_SCSI, {u"M"}});
        ASSERT_EQ(AddVekObjectIDToRegistry(kClass, TestGuid(0xEE, n)), S_OK);
    }
    void Queue(uint32_t n, std::vector<GUID> connected) {
        MakeLogicalPrinter(TestGuid(0xBB, n), u"M", connected);
        ASSERT_EQ(AddVekObjectIDToRegistry(CLSID_VekLogicalPrinter, TestGuid(0xBB, n)), S_OK);
    }
    vek::test::LoggedHome home_;
};

TEST_F(ConfigDevice, ObjectWithoutFileIsNotCountedAndAnIndexAtTheCountLeavesTheRecordUntouched) {
    Printer(1);
    Printer(2);
    ASSERT_EQ(AddVekObjectIDToRegistry(kClass, TestGuid(0xEE, 3)), S_OK);
    CVekConfigDevice devices;
    EXPECT_EQ(devices.GetNumDevices(), 0u);
    EXPECT_EQ(devices.GetConfiguredDevices(kClass), 2u);
    EXPECT_EQ(devices.GetNumDevices(), 2u);
    BROKER_PRINTER_INFO record;
    std::memset(&record, 0xAB, sizeof(record));
    EXPECT_EQ(devices.GetDevice(2, &record), E_FAIL);
    EXPECT_EQ(record.Description[0], 0xABAB);
    EXPECT_EQ(devices.DeleteDevice(2), E_FAIL);
    ASSERT_EQ(devices.GetDevice(0, &record), S_OK);
    EXPECT_TRUE(record.ObjectID == TestGuid(0xEE, 1));
}

TEST_F(ConfigDevice, DeletingAPrinterTwoQueuesListRemovesItEverywhereButKeepsTheSnapshot) {
    Printer(1);
    Printer(2);
    Queue(1, {TestGuid(0xEE, 1), TestGuid(0xEE, 2)});
    Queue(2, {TestGuid(0xEE, 1)});
    CVekConfigDevice devices;
    ASSERT_EQ(devices.GetConfiguredDevices(kClass), 2u);
    EXPECT_EQ(devices.DeleteDevice(0), S_OK);
    EXPECT_EQ(ConnectionsOf(TestGuid(0xBB, 1)), std::vector<GUID>{TestGuid(0xEE, 2)});
    EXPECT_TRUE(ConnectionsOf(TestGuid(0xBB, 2)).empty());
    int configured = 7;
    EXPECT_EQ(VerifyDeviceIsConfiguredByCLSID(kClass, TestGuid(0xEE, 1), configured, nullptr), S_OK);
    EXPECT_EQ(configured, 0);
    EXPECT_FALSE(std::filesystem::exists(ConfigFileOf(TestGuid(0xEE, 1))));
    EXPECT_TRUE(std::filesystem::exists(ConfigFileOf(TestGuid(0xEE, 2))));
    EXPECT_EQ(devices.GetNumDevices(), 2u) << "the snapshot is not refreshed";
    EXPECT_EQ(devices.GetConfiguredDevices(kClass), 1u);
}

TEST_F(ConfigDevice, DeletingALogicalPrinterLooksAtNoConnectionList) {
    Queue(1, {});
    Queue(2, {TestGuid(0xBB, 1)});  // a list that names the queue being deleted
    CVekConfigDevice devices;
    ASSERT_EQ(devices.GetConfiguredDevices(CLSID_VekLogicalPrinter), 2u);
    EXPECT_EQ(devices.DeleteDevice(0), S_OK);
    EXPECT_EQ(ConnectionsOf(TestGuid(0xBB, 2)), std::vector<GUID>{TestGuid(0xBB, 1)});
    EXPECT_FALSE(std::filesystem::exists(ConfigFileOf(TestGuid(0xBB, 1))));
}

TEST_F(ConfigDevice, DeleteStopsWhenTheRegistrationIsAlreadyGoneAndKeepsTheFile) {
    Printer(1);
    CVekConfigDevice devices;
    ASSERT_EQ(devices.GetConfiguredDevices(kClass), 1u);
    ASSERT_EQ(DeleteVekObjectIDFromRegistry(kClass, TestGuid(0xEE, 1)), S_OK);
    EXPECT_EQ(devices.DeleteDevice(0), E_FAIL);
    EXPECT_TRUE(std::filesystem::exists(ConfigFileOf(TestGuid(0xEE, 1))));
}

TEST_F(ConfigDevice, CopiesOwnTheirListsSoNoneIsReleasedTwice) {
    Printer(1);
    Printer(2);
    auto original = std::make_unique<CVekConfigDevice>();
    ASSERT_EQ(original->GetConfiguredDevices(kClass), 2u);
    CVekConfigDevice assigned;
    assigned = *original;
    CVekConfigDevice constructed(*original);
    assigned = assigned;
    original.reset();
    BROKER_PRINTER_INFO record;
    ASSERT_EQ(assigned.GetDevice(1, &record), S_OK);
    EXPECT_TRUE(record.ObjectID == TestGuid(0xEE, 2));
    ASSERT_EQ(constructed.GetDevice(0, &record), S_OK);
    EXPECT_TRUE(record.ObjectID == TestGuid(0xEE, 1));
    constructed = CVekConfigDevice();
    EXPECT_EQ(constructed.GetNumDevices(), 0u);
}

TEST_F(ConfigDevice, CandidatesComeInTaskMemoryAndNothingIsWrittenWhenThereAreNone) {
    Printer(1);
    CVekConfigDevice devices;
    ULONG count = 9;
    POTENTIAL_LP_PP_CONNECTION* candidates = reinterpret_cast<POTENTIAL_LP_PP_CONNECTION*>(0x1);
    EXPECT_EQ(devices.GetPotentialPhysicalPrinters(u"nothing", &count, &candidates, nullptr, 0,
                                                   nullptr),
              S_OK);
    EXPECT_EQ(count, 9u);
    EXPECT_EQ(candidates, reinterpret_cast<POTENTIAL_LP_PP_CONNECTION*>(0x1));
    ASSERT_EQ(devices.GetPotentialPhysicalPrinters(u"m", &count, &candidates, nullptr, 0, nullptr),
              S_OK);
    ASSERT_EQ(count, 1u);
    EXPECT_TRUE(candidates[0].Connection.PPObjectID == TestGuid(0xEE, 1));
    CoTaskMemFree(candidates);
}

}  // namespace
