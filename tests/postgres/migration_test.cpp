// Copying a machine's registry between its SQLite file and its namespace on
// PostgreSQL, through the library and through vekcfg.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/registry_test_util.h"
#include "support/run_tool.h"
#include "support/scoped_variable.h"
#include "support/temp_home.h"
#include "vekconfig/registry.h"
#include "vekconfig/registry_migration.h"

namespace vek::test {
namespace {

class Migration : public ::testing::Test {
protected:
    // A machine's registry in a SQLite file, holding a small tree.
    void SetUp() override {
        ASSERT_TRUE(TestStoreIsPostgres()) << "needs VEK_TEST_REGISTRY (run through ctest)";
        uri_ = std::getenv("VEK_TEST_REGISTRY");
        sqlite_ = (home_ / "registry.sqlite").string();
        ScopedVariable use("VEK_REGISTRY", sqlite_);
        HKEY key = MustCreate(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Norvane\\VekConfiguration");
        EXPECT_EQ(SetText(key, u"ConfigurationRoot", u"/srv/vek/config/"), ERROR_SUCCESS);
        EXPECT_EQ(SetDword(key, u"LogLength", 4242), ERROR_SUCCESS);
        RegCloseKey(key);
        RegCloseKey(MustCreate(HKEY_CLASSES_ROOT, u"CLSID\\{C0000001-1111-2222-0102-030405060708}\\Devices\\MixedCase"));
    }

    // Checks the registry in use holds the tree of SetUp.
    void ExpectFilled() {
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Norvane\\VekConfiguration", 0,
                                KEY_READ, &key),
                  ERROR_SUCCESS);
        EXPECT_EQ(GetDword(key, u"LogLength"), 4242u);
        WCHAR text[64] = {};
        DWORD size = sizeof(text), type = 0;
        EXPECT_EQ(RegQueryValueExW(key, u"ConfigurationRoot", nullptr, &type,
                                   reinterpret_cast<BYTE*>(text), &size),
                  ERROR_SUCCESS);
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(std::u16string(text), u"/srv/vek/config/");
        RegCloseKey(key);
        ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT,
                                u"CLSID\\{C0000001-1111-2222-0102-030405060708}\\Devices", 0,
                                KEY_READ, &key),
                  ERROR_SUCCESS);
        WCHAR name[260];
        DWORD length = 260;
        ASSERT_EQ(RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(std::u16string(name), u"MixedCase");
        RegCloseKey(key);
    }

    TempHome home_;
    std::string uri_;
    std::string sqlite_;
};

TEST_F(Migration, SqliteRegistryCopiedToPostgresAndBackKeepsKeysValuesAndCase) {
    DWORD keys = 0, values = 0;
    ASSERT_EQ(VekCopyRegistry(sqlite_.c_str(), uri_.c_str(), nullptr, &keys, &values),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 2u);
    ExpectFilled();
    const std::string back = (home_ / "back.sqlite").string();
    ASSERT_EQ(VekCopyRegistry(uri_.c_str(), back.c_str(), nullptr, nullptr, nullptr), ERROR_SUCCESS);
    ScopedVariable use("VEK_REGISTRY", back);
    ExpectFilled();
}

TEST_F(Migration, UnreachableTargetFailsAndSameLocationIsRefused) {
    const std::string nowhere = "postgresql:///postgres?host=" + (home_ / "none").string();
    EXPECT_EQ(VekCopyRegistry(sqlite_.c_str(), nowhere.c_str(), nullptr, nullptr, nullptr),
              ERROR_REGISTRY_IO_FAILED);
    EXPECT_EQ(VekCopyRegistry(sqlite_.c_str(), sqlite_.c_str(), nullptr, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(VekCopyRegistry(nullptr, uri_.c_str(), nullptr, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
}

TEST_F(Migration, ToolCopiesIntoTheNamedMachineAndReadsItsSettings) {
    const auto run = [&](const std::string& args) { return RunVekcfg("--machine press-b " + args, home_.path()); };
    ASSERT_EQ(run("registry migrate " + sqlite_ + " '" + uri_ + "'").exit, 0);
    const ToolResult length = run("settings get LogLength");
    EXPECT_EQ(length.exit, 0);
    EXPECT_EQ(length.out, "4242\n");
    EXPECT_EQ(run("settings get SpoolRoot").exit, 2);
    EXPECT_EQ(run("events").exit, 2);
}

}  // namespace
}  // namespace vek::test
