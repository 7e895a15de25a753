// vekcfg cfb, run as a whole program: the tree, a stream's bytes, a check.
#include <gtest/gtest.h>

#include "compound/peer_tools.h"
#include "compound/raw_file.h"
#include "support/temp_home.h"

namespace vek::test {
namespace {

constexpr GUID kRootClass = {0x4A3E2B1C, 0x5D6F, 0x4789, {0x9A, 0xBC, 0xDE, 0xF0, 0x12, 0x34, 0x56, 0x78}};

class CfbCommand : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(WriteTree(file_, {Storage("Sub", {Stream("\x05Summary", Pattern(5000, 1))}), Stream("A", "alpha")},
                            kRootClass),
                  S_OK);
    }
    int Vekcfg(const std::string& args, std::string* output) {
        return RunShell(std::string(VEKCFG_PATH) + " cfb " + args, output);
    }
    TempHome home_;
    const std::string file_ = home_ / "object.cfg";
};

TEST_F(CfbCommand, LsShowsTypesSizesPathsAndRootClassAndJsonEscapesControlCharacters) {
    std::string out;
    ASSERT_EQ(Vekcfg("ls '" + file_ + "'", &out), 0) << out;
    for (const char* line : {"/  {4A3E2B1C-5D6F-4789-9ABC-DEF012345678}", "stream              5  A\n",
                             "storage                Sub/\n", "stream           5000  Sub/\\x05Summary\n"})
        EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
    ASSERT_EQ(Vekcfg("ls --json '" + file_ + "'", &out), 0) << out;
    EXPECT_NE(out.find("\"clsid\": \"{4A3E2B1C-5D6F-4789-9ABC-DEF012345678}\""), std::string::npos) << out;
    EXPECT_NE(out.find("{\"path\": \"Sub/\\u0005Summary\", \"type\": \"stream\", \"size\": 5000}"), std::string::npos)
        << out;
}

TEST_F(CfbCommand, CatWritesTheStreamBytes) {
    std::string out;
    ASSERT_EQ(Vekcfg("cat '" + file_ + "' \"$(printf 'Sub/\\005Summary')\"", &out), 0);
    EXPECT_EQ(out, Pattern(5000, 1));
    EXPECT_EQ(Vekcfg("cat '" + file_ + "' Sub/missing", &out), 1);
    EXPECT_NE(out.find("0x80030002"), std::string::npos) << out;
}

TEST_F(CfbCommand, CheckFailsOnADamagedStream) {
    std::string out;
    ASSERT_EQ(Vekcfg("check '" + file_ + "'", &out), 0) << out;
    EXPECT_NE(out.find("2 streams, 5005 bytes: ok"), std::string::npos) << out;
    RawFile raw(file_);
    raw.Fat(raw.Chain(raw.Entry(raw.Find(u"\x05Summary")).start)[3]) = compound::kEndOfChain;
    raw.Save(file_);
    EXPECT_EQ(Vekcfg("check '" + file_ + "'", &out), 1);
    EXPECT_NE(out.find("damaged"), std::string::npos) << out;
}

}  // namespace
}  // namespace vek::test
