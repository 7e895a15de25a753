// A writer killed at any instant leaves a file that opens, with every stream
// holding one whole version of its contents.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <random>

#include "compound/raw_file.h"
#include "compound/tree_io.h"
#include "support/temp_home.h"

namespace vek::test {
namespace {

constexpr int kStreams = 6;
constexpr int kKills = 200;

// Version v of stream k: its own size (crossing the mini-stream cutoff as v
// changes) and bytes, with k and v in the first eight bytes.
std::string Contents(uint32_t k, uint32_t v) {
    static constexpr size_t kBase[kStreams] = {300, 3000, 4090, 9308, 40000, 70};
    const size_t size = kBase[k] + (v % 4) * 1500;
    std::string bytes = Pattern(size, k * 100003 + v);
    std::memcpy(bytes.data(), &k, 4);
    std::memcpy(bytes.data() + 4, &v, 4);
    return bytes;
}

// Reads the version of every stream; fails the test on torn contents.
std::vector<uint32_t> CheckVersions(const std::string& path) {
    std::vector<uint32_t> versions;
    Listing listing = TreeOf(path);
    for (uint32_t k = 0; k < kStreams; ++k) {
        const std::string& bytes = listing["stream" + std::to_string(k)];
        uint32_t v = 0;
        if (bytes.size() >= 8) std::memcpy(&v, bytes.data() + 4, 4);
        EXPECT_EQ(bytes, Contents(k, v)) << "stream " << k << " torn";
        versions.push_back(v);
    }
    return versions;
}

// Replaces streams until killed; writes a byte to done after each change.
[[noreturn]] void KeepReplacing(const std::string& path, std::vector<uint32_t> versions, unsigned seed, int done) {
    std::mt19937 random(seed);
    for (;;) {
        // One or several streams per change.
        std::vector<Node> changes;
        for (int c = 1 + random() % 3; c > 0; --c) {
            const uint32_t k = random() % kStreams;
            changes.push_back(Stream("stream" + std::to_string(k), Contents(k, ++versions[k])));
        }
        if (FAILED(ChangeTree(path, changes))) _exit(2);
        if (write(done, "x", 1) != 1) _exit(4);
    }
}

TEST(CrashSafety, WriterKilledAtRandomMomentsLeavesWholeStreams) {
    TempHome home;
    const std::string path = home / "crash.cfg";
    std::vector<Node> plan;
    for (uint32_t k = 0; k < kStreams; ++k) plan.push_back(Stream("stream" + std::to_string(k), Contents(k, 0)));
    ASSERT_EQ(WriteTree(path, plan), S_OK);
    std::vector<uint32_t> versions = CheckVersions(path);
    std::mt19937 random(1234);
    uint32_t progressed = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        int done[2];
        ASSERT_EQ(pipe(done), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) KeepReplacing(path, versions, static_cast<unsigned>(kill), done[1]);
        // After the first whole change, at a random moment.
        char byte;
        const bool changed = read(done[0], &byte, 1) == 1;
        usleep(random() % 15000);
        ::kill(child, SIGKILL);
        close(done[0]);
        close(done[1]);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(changed && WIFSIGNALED(status)) << "writer stopped by itself with " << WEXITSTATUS(status);
        const std::vector<uint32_t> now = CheckVersions(path);
        ASSERT_EQ(now.size(), versions.size());
        for (int k = 0; k < kStreams; ++k) {
            // What was committed stays committed.
            EXPECT_GE(now[k], versions[k]) << "stream " << k << " went back";
            progressed += now[k] - versions[k];
        }
        versions = now;
        if (HasFailure()) break;
    }
    EXPECT_GE(progressed, static_cast<uint32_t>(kKills));  // at least one change before each kill
}

TEST(CrashSafety, FileFullDuringCommitKeepsTheOldContents) {
    TempHome home;
    const std::string path = home / "full.cfg";
    const std::vector<Node> plan = {Stream("keep", Pattern(5000, 1)), Stream("grow", Pattern(300, 2))};
    ASSERT_EQ(WriteTree(path, plan), S_OK);
    const auto size = std::filesystem::file_size(path);
    // Free sectors inside the file are used before the file grows.
    RawFile raw(path);
    uint32_t holes = 0;
    for (uint32_t sector = 0; sector + 1 < size / 512; ++sector) holes += raw.Fat(sector) == compound::kFreeSector;
    const uint64_t growth = (38 - holes) * 512;
    const pid_t child = fork();
    if (child == 0) {
        // The file may grow just enough for the new contents' 38 sectors: the
        // contents get written, the tables that would switch to them do not.
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{size + growth, size + growth};
        setrlimit(RLIMIT_FSIZE, &limit);
        IStorage* root = nullptr;
        if (FAILED(OpenFile(path, &root))) _exit(2);
        IStream* stream = nullptr;
        root->CreateStream(u"grow", STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE, 0, 0, &stream);
        const std::string bytes = Pattern(19000, 3);
        stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr);
        stream->Release();
        const HRESULT hr = root->Commit(0);
        root->Release();
        _exit(hr == STG_E_MEDIUMFULL ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(TreeOf(path) == Expected(plan)) << "the new contents leaked in";
}

}  // namespace
}  // namespace vek::test
