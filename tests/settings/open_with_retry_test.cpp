// Opening a registry key with retry on ERROR_INVALID_HANDLE.
#include <gtest/gtest.h>

#include "settings/open_with_retry.h"
#include "settings/settings_test_util.h"
#include "support/logged_home.h"
#include "vekconfig/settings.h"

namespace vek::test {
namespace {

class OpenWithRetryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(SetLogFileName(u"x"), S_OK); }  // the key exists

    LoggedHome home_;
};

TEST_F(OpenWithRetryTest, ThreeInvalidHandleAnswersThenSuccessOpensAfterThreePauses) {
    FaultyRegistry registry(ERROR_INVALID_HANDLE, 3);
    home_.env().SetRegistry(&registry);
    HKEY key = nullptr;
    EXPECT_EQ(VekOpenRegKeyWithRetry(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, &key),
              ERROR_SUCCESS);
    ASSERT_NE(key, nullptr);
    RegCloseKey(key);
    EXPECT_EQ(registry.opens(), 4);
    EXPECT_EQ(home_.env().Pauses(), (std::vector<uint32_t>{100, 100, 100}));
    home_.env().SetRegistry(nullptr);
}

TEST_F(OpenWithRetryTest, InvalidHandleEveryTimeGivesUpAfterTenAttempts) {
    FaultyRegistry registry(ERROR_INVALID_HANDLE, -1);
    home_.env().SetRegistry(&registry);
    HKEY key = nullptr;
    EXPECT_EQ(VekOpenRegKeyWithRetry(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, &key),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(registry.opens(), 10);
    EXPECT_EQ(home_.env().Pauses(), std::vector<uint32_t>(10, 100));
    home_.env().SetRegistry(nullptr);
}

TEST_F(OpenWithRetryTest, OtherFailuresReturnAtOnce) {
    FaultyRegistry registry(ERROR_ACCESS_DENIED, -1);
    home_.env().SetRegistry(&registry);
    HKEY key = nullptr;
    EXPECT_EQ(VekOpenRegKeyWithRetry(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, &key),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(registry.opens(), 1);
    EXPECT_TRUE(home_.env().Pauses().empty());
    home_.env().SetRegistry(nullptr);
}

TEST_F(OpenWithRetryTest, MissingKeyIsNotRetried) {
    HKEY key = nullptr;
    EXPECT_EQ(VekOpenRegKeyWithRetry(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Nothing", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(home_.env().Pauses().empty());
}

TEST_F(OpenWithRetryTest, GetterWhoseOpenNeverRecoversReportsAndEmptiesOutput) {
    FaultyRegistry registry(ERROR_INVALID_HANDLE, -1);
    home_.env().SetRegistry(&registry);
    WCHAR out[kLocationSize] = u"old";
    EXPECT_EQ(GetConfigLocation(out, nullptr), E_FAIL);
    home_.env().SetRegistry(nullptr);
    EXPECT_EQ(out[0], 0);
    const auto events = home_.events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].message,
              "GetConfigLocation function FAILED, retrying did not eliminate the problem function "
              "FAILED (0x6).");
}

}  // namespace
}  // namespace vek::test
