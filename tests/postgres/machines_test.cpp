// Two machines sharing one PostgreSQL database: machine A asks about
// machine B by name and gets B's answers, never its own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "platform/registry_test_util.h"
#include "registry/object_files.h"
#include "registry/registry_fixture.h"
#include "support/logged_home.h"
#include "vekconfig/object_registry.h"
#include "vekconfig/settings.h"

namespace vek::test {
namespace {

constexpr CLSID kPrinterClass = {0xC0000001, 0x1111, 0x2222, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr CLSID kBroker = {0xC0000002, 0x1111, 0x2222, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr GUID kPrinter = {0xC0000003, 0x1111, 0x2222, {1, 2, 3, 4, 5, 6, 7, 8}};

class TwoMachines : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(TestStoreIsPostgres()) << "needs VEK_TEST_REGISTRY (run through ctest)";
        // B's configuration root sits on storage both machines reach.
        bConfig_ = a_.home() / "shared-b-config";
        TempHome b;
        bName_ = Utf8ToUtf16(b.machine());
        ASSERT_EQ(SetConfigLocation(Utf8ToUtf16(bConfig_.string()).c_str(), nullptr), S_OK);
        ASSERT_EQ(SetConfigLogLength(4321, nullptr), S_OK);
        const std::u16string printerText = GuidText(kPrinterClass);
        const std::u16string brokerText = GuidText(kBroker);
        CreateClassesKey(u"CLSID\\" + printerText + u"\\Broker", &brokerText);
        ASSERT_EQ(AddVekObjectIDToRegistry(kPrinterClass, kPrinter), S_OK);
        PhysicalPrinterFields fields;
        fields.description = u"Press on B";
        fields.models = {u"Model-9"};
        MakePhysicalPrinter(kPrinter, kPrinterClass, fields);
    }

    LoggedHome a_;
    std::filesystem::path bConfig_;
    std::u16string bName_;
};

TEST_F(TwoMachines, SettingsAndObjectChecksAskedOfAnotherMachineGetItsAnswers) {
    WCHAR root[MAX_PATH + 1] = {};
    ASSERT_EQ(GetConfigLocation(root, bName_.c_str()), S_OK);
    EXPECT_EQ(Utf16ToUtf8(root), bConfig_.string() + "/");
    DWORD length = 0;
    ASSERT_EQ(GetConfigLogLength(&length, bName_.c_str()), S_OK);
    EXPECT_EQ(length, 4321u);
    ASSERT_EQ(GetConfigLogLength(&length, (u"\\\\" + bName_).c_str()), S_OK);
    EXPECT_EQ(length, 4321u);
    // A's own settings and registrations are its own.
    ASSERT_EQ(GetConfigLogLength(&length, nullptr), S_OK);
    EXPECT_EQ(length, 1000000u);
    int configured = -1;
    ASSERT_EQ(VerifyDeviceIsConfiguredByCLSID(kPrinterClass, kPrinter, configured, bName_.c_str()),
              S_OK);
    EXPECT_EQ(configured, 1);
    ASSERT_EQ(VerifyDeviceIsConfiguredByCLSID(kPrinterClass, kPrinter, configured, nullptr), S_OK);
    EXPECT_EQ(configured, 0);
    GUID broker = GUID_NULL;
    ASSERT_EQ(GetClassOfBroker(kPrinterClass, broker, bName_.c_str()), S_OK);
    EXPECT_TRUE(broker == kBroker);
    EXPECT_EQ(GetClassOfBroker(kPrinterClass, broker, nullptr), E_FAIL);
}

TEST_F(TwoMachines, CandidatePrintersOfAnotherMachineAreReadFromItsSharedRoot) {
    ULONG count = 0;
    POTENTIAL_LP_PP_CONNECTION* candidates = nullptr;
    ASSERT_EQ(GetPotentialPPs(u"model-9", count, &candidates, nullptr, 0, bName_.c_str()), S_OK);
    ASSERT_EQ(count, 1u);
    EXPECT_TRUE(candidates[0].Connection.PPObjectID == kPrinter);
    EXPECT_TRUE(candidates[0].Connection.ConnectionData.BrokerClassID == kBroker);
    EXPECT_EQ(Utf16ToUtf8(candidates[0].Description), "Press on B");
    std::free(candidates);
}

TEST_F(TwoMachines, MachineWithoutNamespaceGivesBadNetpath) {
    HKEY root = nullptr;
    EXPECT_EQ(RegConnectRegistryW(u"\\\\no-such-machine", HKEY_LOCAL_MACHINE, &root),
              ERROR_BAD_NETPATH);
    WCHAR out[MAX_PATH + 1] = u"kept";
    EXPECT_EQ(GetConfigLocation(out, u"no-such-machine"), E_FAIL);
    EXPECT_EQ(out[0], 0);
    int configured = -1;
    EXPECT_EQ(VerifyDeviceIsConfiguredByCLSID(kPrinterClass, kPrinter, configured, u"no-such-machine"),
              E_FAIL);
}

TEST_F(TwoMachines, OwnMachineNameInAnyCaseIsTheLocalRegistry) {
    RegCloseKey(MustCreate(HKEY_LOCAL_MACHINE, u"SOFTWARE\\OnA"));
    std::u16string own = Utf8ToUtf16(a_.home().machine());
    for (char16_t& c : own) c = (c >= u'a' && c <= u'z') ? c - u'a' + u'A' : c;
    HKEY root = nullptr, key = nullptr;
    ASSERT_EQ(RegConnectRegistryW((u"\\\\" + own).c_str(), HKEY_LOCAL_MACHINE, &root),
              ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyExW(root, u"SOFTWARE\\OnA", 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    RegCloseKey(root);
}

TEST_F(TwoMachines, KeysWrittenThroughAnotherMachinesRootLandInItsNamespace) {
    HKEY remote = nullptr;
    ASSERT_EQ(RegConnectRegistryW(bName_.c_str(), HKEY_LOCAL_MACHINE, &remote), ERROR_SUCCESS);
    RegCloseKey(MustCreate(remote, u"SOFTWARE\\WrittenFromA"));
    EXPECT_EQ(RegCloseKey(remote), ERROR_SUCCESS);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\WrittenFromA", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    TempHome b;  // a third machine does not see it either
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\WrittenFromA", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
}

}  // namespace
}  // namespace vek::test
