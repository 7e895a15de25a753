// vekcfg donor|media: the catalogs edited and listed from the command line.
#include <fstream>

#include "vekcfg_runner.h"

namespace vek::test {
namespace {

using CatalogCommand = VekcfgTest;

TEST_F(CatalogCommand, DonorSetShowListAndPotentialRoundTrip) {
    ASSERT_EQ(Run("donor set 4294967295 --text 'Ribbon K' --value1 -3 --real1 1.5").exit, 0);
    ASSERT_EQ(Run("donor set 10 --value3 7").exit, 0);
    ASSERT_EQ(Run("donor set 10 --model P-200 --printer-text 'black only'").exit, 0);
    ASSERT_EQ(Run("donor set 10 --text changed").exit, 0);  // other fields keep their values

    EXPECT_EQ(Run("donor ls").out,
              "id=10  text=\"changed\"  value1=0  value2=0  value3=7  real1=0  real2=0\n"
              "id=4294967295  text=\"Ribbon K\"  value1=-3  value2=0  value3=0  real1=1.5  real2=0\n");
    EXPECT_EQ(Run("donor show 10 --json").out,
              "{\"id\":10,\"text\":\"changed\",\"value1\":0,\"value2\":0,\"value3\":7,\"real1\":0,\"real2\":0,"
              "\"printers\":[{\"model\":\"P-200\",\"printer-text\":\"black only\"}]}\n");
    EXPECT_EQ(Run("donor potential P-200 --json").out,
              "[{\"id\":10,\"text\":\"changed\",\"value1\":0,\"value2\":0,\"value3\":7,\"real1\":0,\"real2\":0,"
              "\"printer-text\":\"black only\"}]\n");
    EXPECT_EQ(Run("donor potential p-200 --json").out, "[]\n");
}

TEST_F(CatalogCommand, MediaListingAndRemoval) {
    ASSERT_EQ(Run("media set 7 --text 'Glossy \"A4\"' --value4 210").exit, 0);
    ASSERT_EQ(Run("media set 7 --model P-200 --printer-text3 'tray 2' --printer-value2 9").exit, 0);
    EXPECT_EQ(Run("media ls --json").out,
              "[{\"id\":7,\"text\":\"Glossy \\\"A4\\\"\",\"value1\":0,\"value2\":0,\"value3\":0,\"value4\":210,"
              "\"real1\":0,\"real2\":0}]\n");
    const ToolResult potential = Run("media potential P-200");
    EXPECT_NE(potential.out.find("printer-text3=\"tray 2\""), std::string::npos) << potential.out;
    EXPECT_NE(potential.out.find("printer-value2=9"), std::string::npos) << potential.out;

    ASSERT_EQ(Run("media rm 7 --model P-200").exit, 0);
    EXPECT_EQ(Run("media potential P-200").out, "");
    EXPECT_EQ(Run("media rm 7 --model P-200").exit, 1);
    ASSERT_EQ(Run("media rm 7").exit, 0);
    EXPECT_EQ(Run("media ls --json").out, "[]\n");
}

TEST_F(CatalogCommand, BadArgumentsOrAModelThatCannotNameAStreamAreRefusedAndNothingIsStored) {
    for (const std::string& args : {std::string("donor"), std::string("donor frobnicate"),
                                    std::string("donor set 4294967296 --text x"), std::string("donor set -1 --text x"),
                                    std::string("media set 1 --value1 12abc"), std::string("media set 1 --value9 1"),
                                    "media set 1 --text " + std::string(513, 't'), std::string("media ls --model x")})
        EXPECT_EQ(Run(args).exit, 2) << args;
    const ToolResult result = Run("donor set 1 --model " + std::string(32, 'M'));
    EXPECT_EQ(result.exit, 1);
    EXPECT_NE(result.err.find("1 to 31 characters"), std::string::npos) << result.err;
    EXPECT_EQ(Run("donor potential " + std::string(32, 'M')).out, "");
    EXPECT_FALSE(std::filesystem::exists(home_ / "config" / "VekMedia.cfg"));
}

TEST_F(CatalogCommand, MissingCatalogListsEmptyAndADamagedOneIsReportedAndLeftAlone) {
    const ToolResult list = Run("media ls --json");
    EXPECT_EQ(list.exit, 0) << list.err;
    EXPECT_EQ(list.out, "[]\n");
    const ToolResult show = Run("donor show 1");
    EXPECT_EQ(show.exit, 1);
    EXPECT_NE(show.err.find("no donor 1"), std::string::npos) << show.err;
    const auto file = home_ / "config" / "VekDonor.cfg";
    EXPECT_FALSE(std::filesystem::exists(file));
    ASSERT_EQ(Run("donor set 1 --text x").exit, 0);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << std::string(2048, 'Z');
    const ToolResult damaged = Run("donor ls");
    EXPECT_EQ(damaged.exit, 1);
    EXPECT_NE(damaged.err.find("cannot open the catalog"), std::string::npos) << damaged.err;
    EXPECT_EQ(Run("donor set 2 --text y").exit, 1);
    EXPECT_EQ(Slurp(file), std::string(2048, 'Z'));
}

}  // namespace
}  // namespace vek::test
