// Every kind of file we write is read by four independent implementations
// with the same tree and bytes, and 7-Zip's strict test accepts it; files
// that libgsf writes are read by us the same way.
#include <gtest/gtest.h>

#include "compound/peer_tools.h"
#include "compound/raw_file.h"
#include "support/temp_home.h"

namespace vek::test {
namespace {

constexpr GUID kRootClass = {0x4A3E2B1C, 0x5D6F, 0x4789, {0x9A, 0xBC, 0xDE, 0xF0, 0x12, 0x34, 0x56, 0x78}};

std::vector<Node> MixedPlan() {
    std::vector<Node> plan = {
        Storage("Level1", {Stream("readme", Pattern(777, 1)),
                           Storage("Level2", {Storage("Level3", {Stream("deep", Pattern(4097, 2))}),
                                              Stream("mid", Pattern(64, 3))})}),
        // Equal-length names whose order depends on case handling.
        Stream("ABD", "1"), Stream("aBe", "2"), Stream("abc", "3"), Stream("Abf", "4"), Stream("_x_", "5"),
    };
    unsigned seed = 10;
    for (size_t size : {0, 1, 4095, 4096, 4097, 9308, 100000})
        plan.push_back(Stream("size" + std::to_string(size), Pattern(size, seed++)));
    return plan;
}

std::vector<Node> ManyPlan() {
    std::vector<Node> streams;
    for (int i = 0; i < 2000; ++i) streams.push_back(Stream("stream" + std::to_string(i), Pattern(9308, i)));
    return {Storage("many", std::move(streams))};
}

class Interop : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        if (RunShell("command -v 7zz gsf olecfexport >/dev/null") != 0 || RunShell("/usr/bin/python3 -c 'import olefile'") != 0)
            GTEST_SKIP() << "peers missing: run scripts/setup.sh";
        const std::string kind = GetParam();
        plan_ = kind == "many" ? ManyPlan() : MixedPlan();
        ASSERT_EQ(WriteTree(file_, plan_, kRootClass), S_OK);
        if (kind == "changed") {
            // Written, then changed in place: replaced, shrunk, grown, removed.
            IStorage* root = nullptr;
            ASSERT_EQ(OpenFile(file_, &root), S_OK);
            std::vector<Node> changes = {Stream("size100000", Pattern(10, 50)), Stream("size1", Pattern(20000, 51)),
                                         Stream("added", Pattern(3000, 52))};
            ASSERT_EQ(WriteChildren(root, changes), S_OK);
            ASSERT_EQ(root->DestroyElement(u"Level1"), S_OK);
            root->Release();
            plan_.erase(plan_.begin());
            for (Node& node : plan_)
                for (const Node& change : changes)
                    if (node.name == change.name) node = change;
            plan_.push_back(changes.back());
        }
        expected_ = Expected(plan_, kRootClass);
    }

    TempHome home_;
    const std::string file_ = home_ / "written.cfg";
    std::vector<Node> plan_;
    Listing expected_;
};

TEST_P(Interop, SevenZipAcceptsAndEveryPeerReadsTheSameTreeBytesAndRootClass) {
    std::string report;
    EXPECT_TRUE(SevenZipAccepts(file_, &report)) << report;
    EXPECT_EQ(SevenZipListing(file_, home_.path()), WithoutClasses(expected_));
    const Listing olefile = OlefileListing(file_, home_.path());
    EXPECT_EQ(olefile.at("/"), expected_["/"]);
    EXPECT_EQ(WithoutClasses(olefile), WithoutClasses(expected_));
    EXPECT_EQ(GsfListing(file_), WithoutClasses(expected_));
    EXPECT_EQ(OlecfListing(file_, home_.path()), WithoutClasses(expected_));
    EXPECT_EQ(TreeOf(file_), expected_);
}

INSTANTIATE_TEST_SUITE_P(Files, Interop, ::testing::Values("mixed", "many", "changed"));

TEST(InteropFromLibgsf, WeReadWhatGsfCreateoleWrites) {
    if (RunShell("command -v gsf >/dev/null") != 0) GTEST_SKIP() << "gsf missing: run scripts/setup.sh";
    TempHome home;
    const auto source = home / "tree";
    std::filesystem::create_directories(source / "Level1" / "Level2" / "Level3");
    Listing expected{{"/", ""}, {"Level1/", ""}, {"Level1/Level2/", ""}, {"Level1/Level2/Level3/", ""}};
    unsigned seed = 1;
    for (const auto& [path, size] : std::vector<std::pair<std::string, size_t>>{
             {"Level1/readme", 777}, {"Level1/Level2/Level3/deep", 9308}, {"top", 100000}, {"empty", 0},
             {"Level1/Level2/edge", 4096}, {"small", 4095}}) {
        const std::string bytes = Pattern(size, seed++);
        std::ofstream(source / path, std::ios::binary) << bytes;
        expected[path] = bytes;
    }
    const std::string file = home / "gsf.cfb";
    std::string report;
    ASSERT_EQ(RunShell("cd '" + source.string() + "' && gsf createole '" + file + "' Level1 top empty small", &report), 0)
        << report;
    EXPECT_EQ(TreeOf(file), expected);
}

// libgsf writes version 4 files (4096-byte sectors) through its Python binding.
constexpr const char* kGsfVersion4Writer = R"(
import gi, sys
gi.require_version('Gsf', '1')
from gi.repository import Gsf
def pattern(n, seed):
    return bytes((i * 7 + seed) % 251 for i in range(n))
out = Gsf.OutputStdio.new(sys.argv[1])
ole = Gsf.OutfileMSOle.new_full(out, 4096, 64)
sub = ole.new_child('Level1', True)
for name, n, seed in [('readme', 777, 1), ('big', 70000, 2)]:
    s = sub.new_child(name, False); s.write(pattern(n, seed)); s.close()
sub.close()
for name, n, seed in [('empty', 0, 3), ('edge', 4096, 4), ('small', 4095, 5)]:
    s = ole.new_child(name, False); s.write(pattern(n, seed)); s.close()
ole.close()
)";

std::string GsfPattern(size_t size, int seed) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + seed) % 251);
    return bytes;
}

TEST(InteropVersion4, WeReadAndChangeVersion4FilesFromLibgsf) {
    TempHome home;
    std::ofstream(home / "v4.py") << kGsfVersion4Writer;
    const std::string file = home / "v4.cfb";
    if (RunShell("/usr/bin/python3 '" + (home / "v4.py").string() + "' '" + file + "'") != 0)
        GTEST_SKIP() << "libgsf's Python binding missing: run scripts/setup.sh";
    ASSERT_EQ(RawFile(file).header().majorVersion, 4);
    Listing expected{{"/", ""},
                     {"Level1/", ""},
                     {"Level1/readme", GsfPattern(777, 1)},
                     {"Level1/big", GsfPattern(70000, 2)},
                     {"empty", ""},
                     {"edge", GsfPattern(4096, 4)},
                     {"small", GsfPattern(4095, 5)}};
    EXPECT_EQ(TreeOf(file), expected);

    ASSERT_EQ(ChangeTree(file, {Stream("small", Pattern(9000, 1)), Stream("added", Pattern(100, 2))}), S_OK);
    expected["small"] = Pattern(9000, 1);
    expected["added"] = Pattern(100, 2);
    EXPECT_EQ(TreeOf(file), expected);
    std::string report;
    EXPECT_TRUE(SevenZipAccepts(file, &report)) << report;
    EXPECT_EQ(GsfListing(file), expected);
}

}  // namespace
}  // namespace vek::test
