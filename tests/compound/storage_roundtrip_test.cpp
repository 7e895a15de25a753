// Files written through the storage API read back with the same tree, class
// IDs and bytes, at every size boundary of the format.
#include <gtest/gtest.h>

#include <filesystem>

#include "compound/raw_file.h"
#include "compound/tree_io.h"
#include "support/temp_home.h"

namespace vek::test {
namespace {

constexpr GUID kRootClass = {0x4A3E2B1C, 0x5D6F, 0x4789, {0x9A, 0xBC, 0xDE, 0xF0, 0x12, 0x34, 0x56, 0x78}};
constexpr GUID kLevelClass = {0x01234567, 0x89AB, 0xCDEF, {1, 2, 3, 4, 5, 6, 7, 8}};

std::vector<Node> BoundarySizes() {
    std::vector<Node> nodes;
    unsigned seed = 1;
    for (size_t size : {0, 1, 63, 64, 65, 4095, 4096, 4097, 9308, 100000})
        nodes.push_back(Stream("s" + std::to_string(size), Pattern(size, seed++)));
    return nodes;
}

TEST(StorageRoundTrip, StreamsAtEverySizeBoundaryAndNestedStoragesKeepTreeClassesAndBytes) {
    TempHome home;
    const std::string path = home / "sizes.cfg";
    auto plan = BoundarySizes();
    plan.push_back(Storage("Level1",
                           {Stream("readme", Pattern(300, 1)),
                            Storage("Level2", {Storage("LEVEL3", {Stream("deep", Pattern(5000, 2))}, kLevelClass)})},
                           kLevelClass));
    plan.push_back(Storage("empty", {}));
    ASSERT_EQ(WriteTree(path, plan, kRootClass), S_OK);
    EXPECT_EQ(TreeOf(path), Expected(plan, kRootClass));
}

// An open reads a file's first 128 KB at once and takes a short read for
// the whole file; a file that fills that read, or passes it, is read on.
// Each file here has stream bytes in its last sector.
TEST(StorageRoundTrip, FilesEndingAroundTheFirstReadAreReadWhole) {
    TempHome home;
    constexpr uintmax_t kFirstRead = 128 * 1024;
    for (const uintmax_t length : {kFirstRead - 512, kFirstRead, kFirstRead + 512}) {
        const std::string path = home / ("around" + std::to_string(length) + ".cfg");
        std::vector<Node> plan;
        for (size_t large = 120000; large < 140000; large += 512) {
            plan = {Stream("small", Pattern(300, 1)), Stream("large", Pattern(large, 2))};
            ASSERT_EQ(WriteTree(path, plan), S_OK);
            if (std::filesystem::file_size(path) >= length) break;
        }
        ASSERT_EQ(std::filesystem::file_size(path), length);
        EXPECT_EQ(TreeOf(path), Expected(plan)) << length;
        plan[0].bytes = Pattern(5000, 3);
        ASSERT_EQ(ChangeTree(path, {plan[0]}), S_OK) << length;
        EXPECT_EQ(TreeOf(path), Expected(plan)) << length;
    }
}

TEST(StorageRoundTrip, ReplacingStreamsAcrossTheMiniCutoffKeepsOthersIntact) {
    TempHome home;
    const std::string path = home / "replace.cfg";
    auto plan = BoundarySizes();
    ASSERT_EQ(WriteTree(path, plan), S_OK);
    // Grow small streams past the cutoff and shrink large ones below it, one
    // open at a time, as the configuration code does.
    for (size_t i = 0; i < plan.size(); ++i) {
        const size_t size = plan[i].bytes.size();
        plan[i].bytes = Pattern(size >= 4096 ? size / 40 : size * 3 + 4096, 100 + i);
        ASSERT_EQ(ChangeTree(path, {plan[i]}), S_OK);
        ASSERT_EQ(TreeOf(path), Expected(plan)) << "after replacing " << plan[i].name;
    }
}

TEST(StorageRoundTrip, SectorsReusedWhileALargeFileIsOpenReadBackTheirNewBytes) {
    // Large enough to be read through the block cache rather than held
    // whole; the cache must not keep the old bytes of reused sectors.
    TempHome home;
    const std::string path = home / "large.cfg";
    std::vector<Node> plan;
    for (unsigned i = 0; i < 200; ++i) plan.push_back(Stream("s" + std::to_string(1000 + i), Pattern(9308, i)));
    ASSERT_EQ(WriteTree(path, plan), S_OK);
    IStorage* root = nullptr;
    ASSERT_EQ(OpenFile(path, &root), S_OK);
    ASSERT_EQ(root->DestroyElement(W("s1100").c_str()), S_OK);
    ASSERT_EQ(root->Commit(0), S_OK);
    // Reading the neighbours pulls the freed sectors into the cache; the new
    // stream is then written into them.
    EXPECT_EQ(ReadOne(root, "s1098"), plan[98].bytes);
    EXPECT_EQ(ReadOne(root, "s1099"), plan[99].bytes);
    const Node added = Stream("t", Pattern(9308, 777));
    ASSERT_EQ(WriteChildren(root, {added}), S_OK);
    ASSERT_EQ(root->Commit(0), S_OK);
    EXPECT_EQ(ReadOne(root, "t"), added.bytes);
    root->Release();
    plan.erase(plan.begin() + 100);
    plan.push_back(added);
    EXPECT_EQ(TreeOf(path), Expected(plan));
}

TEST(StorageRoundTrip, RepeatedChangesToALargeFileReuseItsFreedSectors) {
    // Each open reads only the parts of the allocation tables its change
    // needs; the sectors and mini sectors a change frees must still be found
    // and reused by the changes after it, or the file would grow with every
    // change.
    TempHome home;
    const std::string path = home / "churn.cfg";
    std::vector<Node> plan = {Stream("big", Pattern(3u << 20, 1)), Stream("small", Pattern(20000, 2))};
    for (unsigned i = 0; i < 60; ++i) plan.push_back(Stream("tiny" + std::to_string(i), Pattern(2000, 3 + i)));
    ASSERT_EQ(WriteTree(path, plan), S_OK);
    const auto initialSize = std::filesystem::file_size(path);
    const auto initialMiniStream = RawFile(path).Entry(compound::kRootId).sizeLow;
    for (unsigned round = 0; round < 40; ++round) {
        plan[1].bytes = Pattern(20000, 100 + round);
        plan[2 + round % 3].bytes = Pattern(2000, 200 + round);
        ASSERT_EQ(ChangeTree(path, {plan[1], plan[2 + round % 3]}), S_OK);
    }
    EXPECT_LT(std::filesystem::file_size(path), initialSize + (256u << 10));
    EXPECT_LE(RawFile(path).Entry(compound::kRootId).sizeLow, initialMiniStream + 3 * 2048);
    EXPECT_EQ(TreeOf(path), Expected(plan));
}

}  // namespace
}  // namespace vek::test
