// Files written through the storage API read back with the same tree, class
// IDs and bytes, at every size boundary of the format.
#include <gtest/gtest.h>

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

TEST(StorageRoundTrip, StreamsAtEverySizeBoundaryKeepTheirBytes) {
    TempHome home;
    const std::string path = home / "sizes.cfg";
    const auto plan = BoundarySizes();
    ASSERT_EQ(WriteTree(path, plan, kRootClass), S_OK);
    Listing listing;
    ASSERT_EQ(ReadTree(path, &listing), S_OK);
    EXPECT_EQ(listing, Expected(plan, kRootClass));
}

TEST(StorageRoundTrip, NestedStoragesKeepTreeAndClasses) {
    TempHome home;
    const std::string path = home / "nested.cfg";
    const std::vector<Node> plan = {
        Storage("Level1", {Stream("readme", Pattern(300, 1)),
                           Storage("Level2", {Storage("LEVEL3", {Stream("deep", Pattern(5000, 2))}, kLevelClass)})},
                kLevelClass),
        Stream("top", Pattern(10, 3)),
        Storage("empty", {}),
    };
    ASSERT_EQ(WriteTree(path, plan, kRootClass), S_OK);
    Listing listing;
    ASSERT_EQ(ReadTree(path, &listing), S_OK);
    EXPECT_EQ(listing, Expected(plan, kRootClass));
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
        IStorage* root = nullptr;
        ASSERT_EQ(StgOpenStorage(W(path).c_str(), nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE, nullptr, 0, &root),
                  S_OK);
        ASSERT_EQ(WriteChildren(root, {plan[i]}), S_OK);
        root->Release();
        Listing listing;
        ASSERT_EQ(ReadTree(path, &listing), S_OK);
        ASSERT_EQ(listing, Expected(plan)) << "after replacing " << plan[i].name;
    }
}

}  // namespace
}  // namespace vek::test
