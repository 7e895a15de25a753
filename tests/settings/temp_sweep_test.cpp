// The sweep of old text files out of the temporary directory.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <fstream>

#include "settings/temp_sweep.h"
#include "support/logged_home.h"
#include "vekconfig/settings.h"
#include "vekconfig/text.h"

namespace vek::test {
namespace {

using std::chrono::system_clock;

const system_clock::time_point kNow = system_clock::from_time_t(1796355245);
constexpr time_t kFiveDays = 432000;

class TempSweepTest : public ::testing::Test {
protected:
    void SetUp() override {
        WCHAR temp[MAX_PATH + 1];
        ASSERT_EQ(GetVekTempLocation(temp), S_OK);
        temp_ = Utf16ToUtf8(temp);
        home_.env().SetNow(kNow);
        home_.env().Clear();
    }

    // A file in the temporary directory, last changed `age` seconds before now.
    std::filesystem::path File(const std::string& name, time_t age) {
        const std::filesystem::path path = temp_ + name;
        std::ofstream(path) << "x";
        const timespec times[2] = {{system_clock::to_time_t(kNow) - age, 0},
                                   {system_clock::to_time_t(kNow) - age, 0}};
        EXPECT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
        return path;
    }

    LoggedHome home_;
    std::string temp_;
};

TEST_F(TempSweepTest, FileExactlyFiveDaysOldIsKeptAndOneSecondOlderIsDeleted) {
    const auto exact = File("exact.txt", kFiveDays);
    const auto older = File("older.txt", kFiveDays + 1);
    FindAndDeleteOldTempFiles();
    EXPECT_TRUE(std::filesystem::exists(exact));
    EXPECT_FALSE(std::filesystem::exists(older));
    EXPECT_TRUE(home_.events().empty());
}

TEST_F(TempSweepTest, ExtensionMatchesWithoutRegardToCaseAndOtherExtensionsStay) {
    const auto upper = File("OLD.TXT", kFiveDays * 3);
    const auto log = File("old.log", kFiveDays * 3);
    const auto textish = File("old.txt.bak", kFiveDays * 3);
    FindAndDeleteOldTempFiles();
    EXPECT_FALSE(std::filesystem::exists(upper));
    EXPECT_TRUE(std::filesystem::exists(log));
    EXPECT_TRUE(std::filesystem::exists(textish));
}

TEST_F(TempSweepTest, DirectoriesAreNeitherDeletedNorEntered) {
    std::filesystem::create_directory(temp_ + "folder.txt");
    const auto inner = File("folder.txt/inner.txt", kFiveDays * 3);
    const auto old = File("old.txt", kFiveDays * 3);
    FindAndDeleteOldTempFiles();
    EXPECT_TRUE(std::filesystem::exists(inner));
    EXPECT_FALSE(std::filesystem::exists(old));
    EXPECT_TRUE(home_.events().empty()) << "a directory that cannot be deleted is skipped silently";
}

TEST_F(TempSweepTest, DirectoryWithoutTextFilesReportsStatusTwoAndDeletesNothing) {
    const auto log = File("old.log", kFiveDays * 3);
    FindAndDeleteOldTempFiles();
    EXPECT_TRUE(std::filesystem::exists(log));
    const auto events = home_.events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].message, "FindAndDeleteOldTempFiles-->FindFirstFile function FAILED (0x2).");
}

TEST_F(TempSweepTest, MissingTemporaryDirectoryReportsStatusTwo) {
    std::filesystem::remove_all(temp_);
    FindAndDeleteOldTempFiles();
    const auto events = home_.events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].strings[1], u"0x2");
}

TEST_F(TempSweepTest, FileThatVanishedIsIgnored) {
    DeleteIfOlderThanFiveDays(Utf8ToUtf16(temp_ + "gone.txt").c_str());
    EXPECT_TRUE(home_.events().empty());
}

}  // namespace
}  // namespace vek::test
