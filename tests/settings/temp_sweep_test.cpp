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

    // A file (or an existing directory) in the temporary directory, last changed `age` seconds before now.
    std::filesystem::path File(const std::string& name, time_t age) {
        const std::filesystem::path path = temp_ + name;
        if (!std::filesystem::is_directory(path)) std::ofstream(path) << "x";
        const timespec times[2] = {{system_clock::to_time_t(kNow) - age, 0},
                                   {system_clock::to_time_t(kNow) - age, 0}};
        EXPECT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
        return path;
    }

    LoggedHome home_;
    std::string temp_;
};

// Text files (any case) more than five days old go; a file exactly five days
// old, other extensions and directories (neither deleted nor entered) stay,
// silently.
TEST_F(TempSweepTest, OnlyTextFilesOlderThanFiveDaysAreDeleted) {
    std::filesystem::create_directory(temp_ + "folder.txt");
    const std::pair<std::filesystem::path, bool> files[] = {
        {File("exact.txt", kFiveDays), true},          {File("older.txt", kFiveDays + 1), false},
        {File("OLD.TXT", kFiveDays * 3), false},       {File("old.log", kFiveDays * 3), true},
        {File("old.txt.bak", kFiveDays * 3), true},    {File("folder.txt/inner.txt", kFiveDays * 3), true},
        {File("folder.txt", kFiveDays * 3), true}};
    FindAndDeleteOldTempFiles();
    for (const auto& [path, kept] : files) EXPECT_EQ(std::filesystem::exists(path), kept) << path;
    EXPECT_TRUE(home_.events().empty());
}

TEST_F(TempSweepTest, DirectoryWithoutTextFilesReportsStatusTwoAndDeletesNothing) {
    const auto log = File("old.log", kFiveDays * 3);
    FindAndDeleteOldTempFiles();
    EXPECT_TRUE(std::filesystem::exists(log));
    const auto events = home_.events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].message, "FindAndDeleteOldTempFiles-->FindFirstFile function FAILED (0x2).");
}

TEST_F(TempSweepTest, MissingDirectoryReportsStatusTwoAndAFileThatVanishedIsIgnored) {
    DeleteIfOlderThanFiveDays(Utf8ToUtf16(temp_ + "gone.txt").c_str());
    EXPECT_TRUE(home_.events().empty());
    std::filesystem::remove_all(temp_);
    FindAndDeleteOldTempFiles();
    const auto events = home_.events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].strings[1], u"0x2");
}

}  // namespace
}  // namespace vek::test
