// The tool's frame: help on every level, the manual page and completion made
// from the same table, one error convention, global options.
#include <regex>
#include <sstream>

#include "tool/tool_fixture.h"

namespace vek::test {
namespace {

std::vector<std::string> CommandNames(const std::string& usage) {
    std::vector<std::string> names;
    std::istringstream lines(usage.substr(usage.find("commands:")));
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line) && !line.empty()) names.push_back(line.substr(2, line.find(' ', 2) - 2));
    return names;
}

TEST_F(ToolTest, EveryCommandOfTheTableHasHelpWithUsageAndExamplesAManSectionAndCompletion) {
    const auto names = CommandNames(Ok("--help"));
    ASSERT_GE(names.size(), 15u);
    const std::string man = Ok("help --man");
    const std::string completion = Ok("help --completion bash");
    EXPECT_EQ(man.rfind(".TH VEKCFG 1", 0), 0u);
    for (const auto& name : names) {
        const std::string help = Ok(name + " --help");
        EXPECT_NE(help.find("usage: vekcfg " + name), std::string::npos) << name;
        EXPECT_NE(help.find("examples:"), std::string::npos) << name;
        EXPECT_EQ(Ok("help " + name), help) << name;
        EXPECT_NE(man.find(".SS " + name + "\n"), std::string::npos) << name;
        EXPECT_NE(completion.find("        " + name + ") words="), std::string::npos) << name;
    }
    EXPECT_NE(completion.find("wire) words=\"$words candidates add rm\""), std::string::npos);
    EXPECT_NE(completion.find("complete -F _vekcfg vekcfg"), std::string::npos);
}

TEST_F(ToolTest, UnknownCommandOptionOrActionIsOneLineAndUsageStatus) {
    EXPECT_EQ(Refused("frobnicate").exit, 2);
    EXPECT_EQ(Refused("--verbose settings").exit, 2);
    EXPECT_EQ(Refused("wire frobnicate").exit, 2);
    EXPECT_EQ(Refused("help frobnicate").exit, 2);
    EXPECT_EQ(Run("").exit, 2);
}

TEST_F(ToolTest, GlobalJsonAndListingsGiveJsonAndUtf8TextsComeBackUnchanged) {
    SetUpMachine();
    EXPECT_EQ(Ok("--json models"), "[\"ZRT 4300\"]\n");
    const std::string settings = Ok("settings --json");
    EXPECT_NE(settings.find("\"ConfigurationRoot\":\"" + ConfigDir().string() + "/\""), std::string::npos) << settings;
    EXPECT_EQ(Ok("--json object show " + std::string(kFrontDesk)), Ok("object show " + std::string(kFrontDesk) + " --json"));
    EXPECT_EQ(Ok("class objects " + std::string(kQueueClass) + " --json"),
              "[{\"ObjectID\":\"" + std::string(kLaser) +
                  "\",\"DeviceAddressKind\":3,\"DeviceAddress\":\"Office_Laser\",\"Description\":\"Office laser\"}]\n");
    const std::string candidates = Ok("wire candidates " + std::string(kFrontDesk) + " --json");
    EXPECT_EQ(candidates.rfind("[{\"PPObjectID\":", 0), 0u) << candidates;
    EXPECT_NE(candidates.find("\"state\":\"connected\""), std::string::npos) << candidates;
    EXPECT_NE(candidates.find("\"BrokerClassID\":\"" + std::string(kQueueBroker) + "\""), std::string::npos)
        << candidates;
    EXPECT_EQ(Ok("broker show " + std::string(kQueueClass) + " --json"),
              "[{\"class\":\"" + std::string(kQueueClass) + "\",\"broker\":\"" + kQueueBroker +
                  "\",\"brokeredClass\":\"" + kQueueClass + "\"}]\n");
    const std::string categories = Ok("--json categories");
    size_t listed = 0;
    for (size_t at = categories.find("{\"category\":"); at != std::string::npos; at = categories.find("{\"category\":", at + 1))
        ++listed;
    EXPECT_EQ(listed, 18u) << categories;
    EXPECT_NE(Ok("object show " + std::string(kFrontDesk)).find("Front desk – Empfang"), std::string::npos);
    EXPECT_NE(Ok("class objects " + std::string(kLogicalClass)).find("Front desk – Empfang"), std::string::npos);
}

}  // namespace
}  // namespace vek::test
