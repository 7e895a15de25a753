// vekcfg end to end: the binary run against a fresh VEK_HOME.
#include <gtest/gtest.h>

#include <fstream>

#include "vekcfg_runner.h"
#include "platform/event_format.h"

namespace vek::test {
namespace {

TEST_F(VekcfgTest, FreshHomeShowsEverySettingWithItsDefaultAndSetThenGetRoundTripsWithNamesInAnyCase) {
    const ToolResult result = Run("settings");
    ASSERT_EQ(result.exit, 0) << result.err;
    EXPECT_EQ(result.out, "ConfigurationRoot          " + Home("config") + "/\n" +
                              "SpoolRoot                  " + Home("spool") + "/\n" +
                              "TempRoot                   " + Home("temp") + "/\n" +
                              "LogFileName                \n" +
                              "LogLength                  1000000\n" +
                              "SchedulerSelectionMethod   1\n");
    EXPECT_EQ(result.err, "");
    ASSERT_EQ(Run("settings set templocation x").exit, 2);
    ASSERT_EQ(Run("settings set tempROOT " + Home("t")).exit, 0);
    EXPECT_EQ(Run("settings get TempRoot").out, Home("t") + "/\n");
    ASSERT_EQ(Run("settings set LogLength 0x10").exit, 0);
    EXPECT_EQ(Run("settings get loglength").out, "16\n");
    ASSERT_EQ(Run("settings set SchedulerSelectionMethod 3").exit, 0);
    EXPECT_EQ(Run("settings get SchedulerSelectionMethod").out, "3\n");
    ASSERT_EQ(Run("settings set LogFileName 'my log.txt'").exit, 0);
    EXPECT_EQ(Run("settings get LogFileName").out, "my log.txt\n");
}

TEST_F(VekcfgTest, OtherMachineOnTheSqliteStoreFailsAndLocalCommandsRefuseMachine) {
    const ToolResult remote = Run("--machine elsewhere settings get LogLength");
    EXPECT_EQ(remote.exit, 1);
    EXPECT_NE(remote.err, "");
    EXPECT_EQ(Run("--machine localhost settings get LogLength").out, "1000000\n");
    EXPECT_EQ(Run("--machine localhost settings get SpoolRoot").exit, 2);
    EXPECT_EQ(Run("--machine elsewhere events").exit, 2);
    EXPECT_EQ(Run("--machine").exit, 2);
    const ToolResult copy = Run("registry migrate " + Home("registry.sqlite") + " " + Home("b.sqlite"));
    EXPECT_EQ(copy.exit, 2) << "two SQLite files is no migration";
}

TEST_F(VekcfgTest, RelativeDirectoryIsStoredAbsoluteAndOneWithAMissingParentIsRefused) {
    std::filesystem::create_directory(Home("a"));
    const ToolResult result = Run("settings set SpoolRoot ../spool2", Home("a"));
    ASSERT_EQ(result.exit, 0) << result.err;
    EXPECT_TRUE(std::filesystem::is_directory(Home("spool2")));
    EXPECT_EQ(Run("settings get SpoolRoot").out, Home("spool2") + "/\n");
    const ToolResult refused = Run("settings set ConfigurationRoot " + Home("no/parent"));
    EXPECT_EQ(refused.exit, 1);
    EXPECT_NE(refused.err.find("its parent must exist"), std::string::npos) << refused.err;
}

TEST_F(VekcfgTest, BadInputGivesOneLineErrorAndNonZeroExit) {
    for (const char* args : {"settings get NoSuchSetting", "settings set LogLength -1",
                             "settings set LogLength 99999999999", "settings set LogLength ''",
                             "settings frobnicate", "settings get", "events --last zero",
                             "events --bogus"}) {
        const ToolResult result = Run(args);
        EXPECT_EQ(result.exit, 2) << args;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << args << result.err;
        EXPECT_EQ(result.err.rfind("vekcfg: ", 0), 0u) << args;
    }
    EXPECT_EQ(Run("settings get LogLength").out, "1000000\n") << "nothing stored by the bad set";
}

TEST_F(VekcfgTest, DamagedRegistryIsNamedWithoutCrashing) {
    std::ofstream(home_ / "registry.sqlite") << std::string(8192, '\x5a');
    for (const char* args : {"settings", "settings get TempRoot", "settings set LogFileName x"}) {
        const ToolResult result = Run(args);
        EXPECT_EQ(result.exit, 1) << args;
        EXPECT_NE(result.err.find("registry.sqlite is damaged"), std::string::npos)
            << args << ": " << result.err;
    }
    const ToolResult events = Run("events");
    EXPECT_EQ(events.exit, 0);
    EXPECT_NE(events.out.find("function FAILED (0x3f1)"), std::string::npos) << events.out;
}

TEST_F(VekcfgTest, EventsShowWarningsOldestFirstJsonLinesParseAndDamagedLinesAreCounted) {
    EXPECT_EQ(Run("events").out, "no events in " + Home("events.jsonl") + "\n");
    ASSERT_EQ(Run("settings").exit, 0);
    const ToolResult readable = Run("events");
    ASSERT_EQ(readable.exit, 0);
    const auto config = readable.out.find("VEK config location not found in Registry");
    const auto temp = readable.out.find("VEK TEMP location not found in Registry");
    ASSERT_NE(config, std::string::npos) << readable.out;
    ASSERT_NE(temp, std::string::npos);
    EXPECT_LT(config, temp);
    EXPECT_NE(readable.out.find("  warning  "), std::string::npos);

    const ToolResult json = Run("events --json --last 1");
    ASSERT_EQ(json.exit, 0);
    EventLogEntry entry;
    ASSERT_EQ(std::count(json.out.begin(), json.out.end(), '\n'), 1);
    ASSERT_TRUE(ParseEventJson(json.out.substr(0, json.out.size() - 1), &entry)) << json.out;
    EXPECT_EQ(entry.message, "VEK log length not found in Registry -- set log length to default value.");
    std::ofstream(home_ / "events.jsonl", std::ios::app) << "{\"type\":\n";
    const ToolResult damaged = Run("events");
    EXPECT_EQ(damaged.exit, 0);
    EXPECT_NE(damaged.err.find("1 damaged line"), std::string::npos) << damaged.err;
}

TEST_F(VekcfgTest, HomeOptionUsesAnotherDirectory) {
    const auto other = home_ / "other";
    std::filesystem::create_directory(other);
    const ToolResult result = Run("--home " + other.string() + " settings get ConfigurationRoot");
    ASSERT_EQ(result.exit, 0) << result.err;
    EXPECT_EQ(result.out, (other / "config").string() + "/\n");
    EXPECT_TRUE(std::filesystem::exists(other / "registry.sqlite"));
    EXPECT_FALSE(std::filesystem::exists(home_ / "config"));
    EXPECT_EQ(Run("--home").exit, 2);
}

}  // namespace
}  // namespace vek::test
