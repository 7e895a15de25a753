// The README's first session: scripts/demo.sh on a fresh home ends with the
// configured printers of each class listed.
#include "tool/tool_fixture.h"

namespace vek::test {
namespace {

TEST_F(ToolTest, DemoSessionEndsWithTheConfiguredPrintersListed) {
    const std::string home = Home("demo");
    const std::string command = "cd " + std::string(VEK_TEST_SOURCE_DIR) + " && VEKCFG=" +
                                std::string(VEK_TEST_BINARY_DIR) + "/tools/vekcfg/vekcfg scripts/demo.sh " +
                                home + " >" + Home("demo.out") + " 2>&1 </dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << Slurp(Home("demo.out"));
    const std::string out = Slurp(Home("demo.out"));
    const size_t listings = out.rfind("$ vekcfg class objects " + std::string(kLogicalClass));
    ASSERT_NE(listings, std::string::npos) << out;
    const std::string tail = out.substr(listings);
    EXPECT_NE(tail.find("Front desk"), std::string::npos) << tail;
    EXPECT_NE(tail.find("kind 3  Office_Laser"), std::string::npos) << tail;
    EXPECT_NE(tail.find("kind 2  2-0-5-0"), std::string::npos) << tail;
    // Both physical printers were connected to the logical printer.
    const size_t candidates = out.find("$ vekcfg wire candidates");
    ASSERT_NE(candidates, std::string::npos) << out;
    const std::string wired = out.substr(candidates, out.find("$ vekcfg", candidates + 1) - candidates);
    size_t connected = 0;
    for (size_t at = wired.find("connected"); at != std::string::npos; at = wired.find("connected", at + 1)) ++connected;
    EXPECT_EQ(connected, 2u) << wired;
}

}  // namespace
}  // namespace vek::test
