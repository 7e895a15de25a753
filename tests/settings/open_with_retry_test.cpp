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

// Invalid handle answered three times and then success, every time, or
// another failure: only the invalid handle is retried, ten times at most,
// 100 ms apart.
TEST_F(OpenWithRetryTest, OnlyInvalidHandleIsRetriedTenTimesAtMost) {
    const struct {
        LSTATUS code;
        int times;
        LSTATUS result;
        int opens;
        std::vector<uint32_t> pauses;
    } cases[] = {{ERROR_INVALID_HANDLE, 3, ERROR_SUCCESS, 4, {100, 100, 100}},
                 {ERROR_INVALID_HANDLE, -1, ERROR_INVALID_HANDLE, 10, std::vector<uint32_t>(10, 100)},
                 {ERROR_ACCESS_DENIED, -1, ERROR_ACCESS_DENIED, 1, {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        FaultyRegistry registry(c.code, c.times);
        home_.env().SetRegistry(&registry);
        home_.env().Clear();
        HKEY key = nullptr;
        EXPECT_EQ(VekOpenRegKeyWithRetry(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, &key), c.result);
        EXPECT_EQ(key != nullptr, c.result == ERROR_SUCCESS);
        if (key != nullptr) RegCloseKey(key);
        EXPECT_EQ(registry.opens(), c.opens);
        EXPECT_EQ(home_.env().Pauses(), c.pauses);
        home_.env().SetRegistry(nullptr);
    }
    HKEY key = nullptr;
    EXPECT_EQ(VekOpenRegKeyWithRetry(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Nothing", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(home_.env().Pauses().empty()) << "a missing key is not retried";
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
