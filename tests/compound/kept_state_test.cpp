// A large file's state is kept from one writable open to the next in a
// process: whatever changed the file in between must be seen, never the
// kept state.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "compound/tree_io.h"
#include "support/run_tool.h"
#include "support/temp_home.h"

namespace vek::test {
namespace {

// Large enough that the file is not simply read whole at open.
constexpr size_t kBulk = 3u << 19;

HRESULT CreateLarge(const std::string& path, char fill, const std::string& note) {
    return WriteTree(path, {Stream("bulk", std::string(kBulk, fill)), Stream("note", note)});
}

HRESULT ChangeNote(const std::string& path, const std::string& note) { return ChangeTree(path, {Stream("note", note)}); }

// Stream "note" as a writer sees it: path opened for writing, as for a
// change; the status when that fails.
std::string NoteSeenByAWriter(const std::string& path) {
    IStorage* root = nullptr;
    const HRESULT hr = OpenFile(path, &root);
    if (FAILED(hr)) return "open failed: " + std::to_string(hr);
    const std::string note = ReadOne(root, "note");
    root->Release();
    return note;
}

TEST(KeptState, ChangesByAnotherProcessBetweenOpensAreSeen) {
    TempHome home;
    const std::string path = home / "large.cfg";
    ASSERT_EQ(CreateLarge(path, 'x', "parent 0"), S_OK);
    // Alternating writers, each change the same size, so the file's length
    // stays and its sectors are reused back and forth.
    for (int round = 1; round <= 6; ++round) {
        SCOPED_TRACE(round);
        const std::string mine = "parent " + std::to_string(round);
        const std::string theirs = "child  " + std::to_string(round);
        ASSERT_EQ(ChangeNote(path, mine), S_OK);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) _exit(ChangeNote(path, theirs) == S_OK ? 0 : 1);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_EQ(NoteSeenByAWriter(path), theirs);
    }
}

TEST(KeptState, EarlierBytesPutBackUnderTheSameInodeAreReadAsTheyAre) {
    TempHome home;
    const std::string path = home / "large.cfg";
    ASSERT_EQ(CreateLarge(path, 'x', "first"), S_OK);
    const std::string first = Slurp(path);
    ASSERT_EQ(ChangeNote(path, "second"), S_OK);
    {
        // In place, as a restore would: the same inode.
        std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
        out.write(first.data(), static_cast<std::streamsize>(first.size()));
    }
    std::filesystem::resize_file(path, first.size());
    EXPECT_EQ(NoteSeenByAWriter(path), "first");
}

TEST(KeptState, AFileReplacedUnderTheSameNameIsReadAfresh) {
    TempHome home;
    const std::string path = home / "large.cfg";
    const std::string other = home / "other.cfg";
    ASSERT_EQ(CreateLarge(other, 'y', "new file"), S_OK);
    ASSERT_EQ(CreateLarge(path, 'x', "old file"), S_OK);
    ASSERT_EQ(ChangeNote(path, "old file, changed"), S_OK);
    // Removed and written again by a copy, which may well get the same inode.
    std::filesystem::remove(path);
    std::filesystem::copy_file(other, path);
    EXPECT_EQ(NoteSeenByAWriter(path), "new file");
}

TEST(KeptState, EveryCommitLeavesALaterRootTime) {
    TempHome home;
    const std::string path = home / "large.cfg";
    ASSERT_EQ(CreateLarge(path, 'x', "0"), S_OK);
    uint64_t previous = 0;
    for (int round = 1; round <= 3; ++round) {
        ASSERT_EQ(ChangeNote(path, std::to_string(round)), S_OK);
        IStorage* root = nullptr;
        ASSERT_EQ(OpenFile(path, &root, STGM_READ | STGM_SHARE_EXCLUSIVE), S_OK);
        STATSTG stat = {};
        ASSERT_EQ(root->Stat(&stat, STATFLAG_NONAME), S_OK);
        root->Release();
        const uint64_t time = (uint64_t{stat.mtime.dwHighDateTime} << 32) | stat.mtime.dwLowDateTime;
        EXPECT_GT(time, previous);
        previous = time;
    }
}

}  // namespace
}  // namespace vek::test
