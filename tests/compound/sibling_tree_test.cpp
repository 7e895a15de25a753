// The sibling trees we write are ordered and red-black balanced, so readers
// that recurse along them stay shallow.
#include <gtest/gtest.h>

#include "compound/raw_file.h"
#include "compound/tree_io.h"
#include "platform/compound/names.h"
#include "support/temp_home.h"

namespace vek::test {
namespace {

using compound::kBlack;
using compound::kNoStream;
using compound::kRed;

// Checks one subtree; returns its black height, or -1 when a rule is broken.
int CheckRedBlack(RawFile& raw, uint32_t id, const std::u16string* low, const std::u16string* high,
                  size_t* count, int depth, int* maxDepth) {
    if (id == kNoStream) return 1;
    const auto& e = raw.Entry(id);
    const std::u16string name(e.name, e.nameBytes / 2 - 1);
    if ((low && compound::CompareNames(*low, name) >= 0) || (high && compound::CompareNames(name, *high) >= 0))
        return -1;
    if (e.color == kRed) {
        for (uint32_t child : {e.left, e.right})
            if (child != kNoStream && raw.Entry(child).color == kRed) return -1;
    }
    ++*count;
    *maxDepth = std::max(*maxDepth, depth);
    const int left = CheckRedBlack(raw, e.left, low, &name, count, depth + 1, maxDepth);
    const int right = CheckRedBlack(raw, e.right, &name, high, count, depth + 1, maxDepth);
    if (left < 0 || left != right) return -1;
    return left + (e.color == kBlack ? 1 : 0);
}

// The root's tree in path: a black top, ordered, red-black, n entries, shallow.
void ExpectRedBlackTree(const std::string& path, size_t n) {
    SCOPED_TRACE(n);
    RawFile raw(path);
    const uint32_t top = raw.Entry(0).child;
    EXPECT_EQ(raw.Entry(top).color, kBlack);
    size_t count = 0;
    int maxDepth = 0;
    EXPECT_GT(CheckRedBlack(raw, top, nullptr, nullptr, &count, 1, &maxDepth), 0);
    EXPECT_EQ(count, n);
    EXPECT_LE(maxDepth, 2 * std::bit_width(n + 1));
}

TEST(SiblingTree, EveryWrittenTreeIsOrderedRedBlackAndShallow) {
    TempHome home;
    for (size_t n : {1, 2, 3, 4, 5, 6, 7, 8, 15, 16, 17, 100, 255, 256, 2000}) {
        std::vector<Node> plan;
        for (size_t i = 0; i < n; ++i) plan.push_back(Stream("n" + std::to_string(i * 7919 % 10007), "x"));
        const std::string path = home / ("tree" + std::to_string(n) + ".cfg");
        ASSERT_EQ(WriteTree(path, plan), S_OK);
        ExpectRedBlackTree(path, n);
    }
}

TEST(SiblingTree, TreeStaysRedBlackAfterElementsAreDestroyedAndRenamed) {
    TempHome home;
    const std::string path = home / "changed.cfg";
    std::vector<Node> plan;
    for (int i = 0; i < 300; ++i) plan.push_back(Stream("e" + std::to_string(i), "x"));
    ASSERT_EQ(WriteTree(path, plan), S_OK);
    IStorage* root = nullptr;
    ASSERT_EQ(OpenFile(path, &root), S_OK);
    for (int i = 0; i < 300; i += 3) ASSERT_EQ(root->DestroyElement(W("e" + std::to_string(i)).c_str()), S_OK);
    ASSERT_EQ(root->RenameElement(u"e1", u"zz_renamed"), S_OK);
    root->Release();
    ExpectRedBlackTree(path, 200);
    Listing listing = TreeOf(path);
    EXPECT_EQ(listing.count("zz_renamed"), 1u);
    EXPECT_EQ(listing.count("e1"), 0u);
}

TEST(SiblingTree, NamesDifferingOnlyInCaseOrderingSortByLengthThenUpperCase) {
    EXPECT_LT(compound::CompareNames(u"Z", u"aa"), 0);
    EXPECT_LT(compound::CompareNames(u"ABD", u"abe"), 0);
    EXPECT_LT(compound::CompareNames(u"aBe", u"ABF"), 0);
    EXPECT_EQ(compound::CompareNames(u"\u00e9t\u00e9", u"\u00c9T\u00c9"), 0);
    EXPECT_EQ(compound::CompareNames(u"\u0436", u"\u0416"), 0);
    EXPECT_GT(compound::CompareNames(u"_", u"a"), 0);  // upper-cased: 0x5F after 0x41
}

}  // namespace
}  // namespace vek::test
