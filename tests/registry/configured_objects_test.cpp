#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "registry/object_files.h"
#include "registry/registry_fixture.h"
#include "vekconfig/settings.h"

namespace {

using vek::GuidText;
using vek::test::ConfigFileOf;
using vek::test::ErrorReports;
using vek::test::MakeLogicalPrinter;
using vek::test::MakePhysicalPrinter;
using vek::test::TestGuid;

constexpr CLSID kClass = {0xCC000001, 0x1111, 0x2222, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr char kSweepReport[] = "FindAndDeleteOldTempFiles-->FindFirstFile|0x2";

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class ConfiguredObjects : public ::testing::Test {
protected:
    std::u16string ObjectKey(REFGUID objectID) {
        return u"CLSID\\" + GuidText(kClass) + u"\\Devices\\" + GuidText(objectID);
    }
    vek::test::LoggedHome home_;
};

TEST_F(ConfiguredObjects, ClassNeverUsedOrWithoutReadableFilesListsNothing) {
    auto expectEmptyListing = [] {
        ULONG count = 7;
        BROKER_PRINTER_INFO* list = reinterpret_cast<BROKER_PRINTER_INFO*>(0x1);
        EXPECT_EQ(GetConfiguredVekObjects(kClass, count, &list), S_OK);
        EXPECT_EQ(count, 0u);
        EXPECT_EQ(list, nullptr);
    };
    expectEmptyListing();
    DeleteComponentConfigFiles(kClass);
    EXPECT_TRUE(ErrorReports(home_).empty());
    EXPECT_EQ(DeleteVekObjectIDFromRegistry(kClass, TestGuid(1, 1)), E_FAIL);
    EXPECT_EQ(ErrorReports(home_),
              std::vector<std::string>{"DeleteVekObjectIDFromRegistry-->VekOpenRegKeyWithRetry|0x2"});
    // Object keys whose files are missing or damaged.
    ASSERT_EQ(AddVekObjectIDToRegistry(kClass, TestGuid(1, 1)), S_OK);
    ASSERT_EQ(AddVekObjectIDToRegistry(kClass, TestGuid(1, 2)), S_OK);
    std::ofstream(ConfigFileOf(TestGuid(1, 2)), std::ios::binary) << std::string(1024, '\x5a');
    expectEmptyListing();
}

TEST_F(ConfiguredObjects, RegistrationCheckLooksOnlyAtTheKeyOfTheMachineAsked) {
    int configured = 7;
    EXPECT_EQ(VerifyDeviceIsConfiguredByCLSID(kClass, TestGuid(1, 1), configured, nullptr), S_OK);
    EXPECT_EQ(configured, 0) << "no Devices key at all";
    ASSERT_EQ(AddVekObjectIDToRegistry(kClass, TestGuid(1, 1)), S_OK);
    EXPECT_EQ(VerifyDeviceIsConfiguredByCLSID(kClass, TestGuid(1, 1), configured, nullptr), S_OK);
    EXPECT_EQ(configured, 1) << "registered, though it has no configuration file";
    EXPECT_EQ(VerifyDeviceIsConfiguredByCLSID(kClass, TestGuid(1, 2), configured, u""), S_OK);
    EXPECT_EQ(configured, 0);
    EXPECT_TRUE(ErrorReports(home_).empty());
    configured = 7;
    EXPECT_EQ(VerifyDeviceIsConfiguredByCLSID(kClass, TestGuid(1, 1), configured, u"faraway"),
              E_FAIL);
    EXPECT_EQ(configured, 0) << "a machine that cannot be reached";
    EXPECT_EQ(ErrorReports(home_),
              std::vector<std::string>{"VerifyDeviceIsConfiguredByClassID-->RegConnectRegistry|0x35"});
}

TEST_F(ConfiguredObjects, ListingCarriesDescriptionsAndAddressesAndSkipsUnreadableObjects) {
    MakePhysicalPrinter(TestGuid(1, 1), kClass, {u"Front desk", u"3_0_1_0", VEK_ADDRESS_SCSI, {}});
    MakeLogicalPrinter(TestGuid(1, 2), u"Model", {});
    for (uint32_t n : {1u, 2u, 3u}) ASSERT_EQ(AddVekObjectIDToRegistry(kClass, TestGuid(1, n)), S_OK);
    ULONG count = 0;
    BROKER_PRINTER_INFO* list = nullptr;
    ASSERT_EQ(GetConfiguredVekObjects(kClass, count, &list), S_OK);
    ASSERT_EQ(count, 2u);
    EXPECT_TRUE(list[0].ObjectID == TestGuid(1, 1));
    EXPECT_EQ(std::u16string(list[0].Description), u"Front desk");
    EXPECT_EQ(std::u16string(list[0].DeviceAddress), u"3_0_1_0");
    EXPECT_EQ(list[0].DeviceAddressKind, VEK_ADDRESS_SCSI);
    EXPECT_TRUE(list[1].ObjectID == TestGuid(1, 2));
    EXPECT_EQ(std::u16string(list[1].DeviceAddress), u"") << "a logical printer has no address";
    EXPECT_EQ(static_cast<int>(list[1].DeviceAddressKind), 0);
    std::free(list);
    EXPECT_EQ(ErrorReports(home_),
              std::vector<std::string>{"CVekObjectConfig::OpenVekObjectFile:StgOpenStorage|0x80030002"})
        << "only the object configuration reports the missing file";
}

TEST_F(ConfiguredObjects, ListingReadsTheConfigurationRootAnewForEachWalk) {
    MakePhysicalPrinter(TestGuid(1, 1), kClass, {u"Front desk", u"3_0_1_0", VEK_ADDRESS_SCSI, {}});
    ASSERT_EQ(AddVekObjectIDToRegistry(kClass, TestGuid(1, 1)), S_OK);
    ULONG count = 0;
    BROKER_PRINTER_INFO* list = nullptr;
    ASSERT_EQ(GetConfiguredVekObjects(kClass, count, &list), S_OK);
    EXPECT_EQ(count, 1u);
    std::free(list);
    const std::filesystem::path moved = home_.home() / "moved";
    ASSERT_EQ(SetConfigLocation(vek::Utf8ToUtf16(moved.string()).c_str(), nullptr), S_OK);
    ASSERT_EQ(GetConfiguredVekObjects(kClass, count, &list), S_OK);
    EXPECT_EQ(count, 0u) << "the file stayed in the old root";
    std::free(list);
}

TEST_F(ConfiguredObjects, RegisteringTwiceKeepsOneKeyAndUnregisteringRemovesTheWholeSubtree) {
    for (uint32_t n : {1u, 1u, 2u}) ASSERT_EQ(AddVekObjectIDToRegistry(kClass, TestGuid(1, n)), S_OK);
    vek::ScopedKey devices;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, (u"CLSID\\" + GuidText(kClass) + u"\\Devices").c_str(),
                            0, KEY_READ, devices.put()),
              ERROR_SUCCESS);
    DWORD subkeys = 0;
    ASSERT_EQ(RegQueryInfoKeyW(devices.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                               nullptr, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subkeys, 2u);
    const std::u16string value = u"x";
    vek::test::CreateClassesKey(ObjectKey(TestGuid(1, 1)) + u"\\Settings\\Deeper", &value);
    vek::test::CreateClassesKey(ObjectKey(TestGuid(1, 1)) + u"\\Other");
    EXPECT_EQ(DeleteVekObjectIDFromRegistry(kClass, TestGuid(1, 1)), S_OK);
    EXPECT_FALSE(vek::test::ClassesKeyExists(ObjectKey(TestGuid(1, 1))));
    EXPECT_TRUE(vek::test::ClassesKeyExists(ObjectKey(TestGuid(1, 2))));
    EXPECT_EQ(DeleteVekObjectIDFromRegistry(kClass, TestGuid(1, 1)), E_FAIL) << "no longer registered";
    EXPECT_TRUE(Contains(ErrorReports(home_), kSweepReport)) << "the temporary-file sweep ran";
}

TEST_F(ConfiguredObjects, DeletingTheFilesOfAClassReportsTheOneAlreadyGoneAndDeletesTheRest) {
    for (uint32_t n : {1u, 2u, 3u}) {
        MakePhysicalPrinter(TestGuid(1, n), kClass, {});
        ASSERT_EQ(AddVekObjectIDToRegistry(kClass, TestGuid(1, n)), S_OK);
    }
    std::filesystem::remove(ConfigFileOf(TestGuid(1, 2)));
    DeleteComponentConfigFiles(kClass);
    for (uint32_t n : {1u, 3u}) EXPECT_FALSE(std::filesystem::exists(ConfigFileOf(TestGuid(1, n))));
    EXPECT_EQ(ErrorReports(home_),
              std::vector<std::string>{"DeleteComponentConfigFiles-->VekOpenRegKeyWithRetry|0x2"});
    EXPECT_TRUE(vek::test::ClassesKeyExists(ObjectKey(TestGuid(1, 1)))) << "registrations stay";
}

TEST_F(ConfiguredObjects, DevicesKeyThatCannotBeOpenedIsReported) {
    ASSERT_EQ(AddVekObjectIDToRegistry(kClass, TestGuid(1, 1)), S_OK);
    vek::test::FailingOpens broken(
        [](std::u16string_view path) { return vek::test::EndsWith(path, u"\\Devices"); },
        ERROR_ACCESS_DENIED);
    ULONG count = 0;
    BROKER_PRINTER_INFO* list = nullptr;
    EXPECT_EQ(GetConfiguredVekObjects(kClass, count, &list), E_FAIL);
    EXPECT_EQ(ErrorReports(home_),
              std::vector<std::string>{"GetConfiguredVekObjects-->VekOpenRegKeyWithRetry|0x5"});
}

}  // namespace
