// The installation settings against a real registry in a fresh VEK_HOME.
#include <gtest/gtest.h>

#include "settings/settings_test_util.h"
#include "support/logged_home.h"
#include "vekconfig/settings.h"

namespace vek::test {
namespace {

constexpr char kRetryFailed[] = " function FAILED, retrying did not eliminate the problem";

class SettingsTest : public ::testing::Test {
protected:
    std::string Home(const char* leaf) { return (home_.home().path() / leaf).string(); }
    static std::u16string Wide(const std::string& text) { return Utf8ToUtf16(text); }
    static std::string Text(const WCHAR* text) { return Utf16ToUtf8(text); }
    std::vector<RecordedEvent> Events() { return home_.events(); }
    std::vector<std::string> Messages() {
        std::vector<std::string> messages;
        for (const auto& event : Events()) messages.push_back(event.message);
        return messages;
    }

    LoggedHome home_;
    WCHAR out_[kLocationSize] = u"untouched";
};

TEST_F(SettingsTest, FirstConfigLocationWritesDefaultAndWarnsOnceAndStoredPathGetsASeparator) {
    ASSERT_EQ(GetConfigLocation(out_, nullptr), S_OK);
    EXPECT_EQ(Text(out_), Home("config") + "/");
    EXPECT_TRUE(std::filesystem::is_directory(Home("config")));
    EXPECT_EQ(StoredText(u"ConfigurationRoot"), Home("config") + "/");
    ASSERT_EQ(GetConfigLocation(out_, nullptr), S_OK);  // the second call finds the value
    const auto events = Events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].type, EVENTLOG_WARNING_TYPE);
    EXPECT_EQ(events[0].eventId, 0x40001002u);
    EXPECT_EQ(events[0].message,
              "VEK config location not found in Registry -- set config path to default value.");

    const std::string data = Home("data");
    ASSERT_EQ(SetConfigLocation(Wide(data).c_str(), nullptr), S_OK);
    ASSERT_EQ(GetConfigLocation(out_, nullptr), S_OK);
    EXPECT_EQ(Text(out_), data + "/");
    EXPECT_EQ(StoredText(u"ConfigurationRoot"), data);
    EXPECT_EQ(Events().size(), 1u);
}

TEST_F(SettingsTest, SpoolKeyMissingWritesDefault) {
    ASSERT_EQ(GetSpoolLocation(out_), S_OK);
    EXPECT_EQ(Text(out_), Home("spool") + "/");
    EXPECT_EQ(StoredText(u"SpoolRoot"), Home("spool") + "/");
    EXPECT_EQ(Messages(), std::vector<std::string>{"VEK SPOOL location not found in Registry -- setting VEK "
                                                   "SPOOL path to default value."});
}

TEST_F(SettingsTest, RootMissingUnderExistingKeyGivesTheDefaultSpoolWritingNothingTempWrittenBack) {
    ASSERT_EQ(SetLogFileName(u"vek.log"), S_OK);  // the key exists now
    ASSERT_EQ(GetSpoolLocation(out_), S_OK);
    EXPECT_EQ(Text(out_), Home("spool") + "/");
    EXPECT_FALSE(StoredText(u"SpoolRoot"));
    EXPECT_FALSE(std::filesystem::exists(Home("spool")));
    EXPECT_TRUE(Events().empty());
    ASSERT_EQ(GetVekTempLocation(out_), S_OK);
    EXPECT_EQ(Text(out_), Home("temp") + "/");
    EXPECT_EQ(StoredText(u"TempRoot"), Home("temp") + "/");
    EXPECT_TRUE(std::filesystem::is_directory(Home("temp")));
    EXPECT_EQ(Messages(), std::vector<std::string>{"VEK TEMP location not found in Registry -- setting VEK TEMP "
                                                   "path to default value."});
}

TEST_F(SettingsTest, LogFileNameMissingIsEmptyAndEmptyNameIsStored) {
    ASSERT_EQ(GetLogFileName(out_), S_OK);
    EXPECT_EQ(Text(out_), "");
    EXPECT_FALSE(StoredText(u"LogFileName")) << "nothing written";
    ASSERT_EQ(SetLogFileName(u""), S_OK);
    EXPECT_EQ(StoredBytes(u"LogFileName"), std::string(2, '\0'));
    ASSERT_EQ(SetLogFileName(u"vek.log"), S_OK);
    ASSERT_EQ(GetLogFileName(out_), S_OK);
    EXPECT_EQ(Text(out_), "vek.log") << "no separator for a file name";
    EXPECT_TRUE(Events().empty());
}

TEST_F(SettingsTest, SchedulerMethodDefaultsToOneAndReadsBackFourBytes) {
    PP_SELECTION_METHOD method = static_cast<PP_SELECTION_METHOD>(9);
    ASSERT_EQ(GetSchedulerSelectionMethod(method), S_OK);
    EXPECT_EQ(method, 1u);
    ASSERT_EQ(SetSchedulerSelectionMethod(static_cast<PP_SELECTION_METHOD>(3)), S_OK);
    EXPECT_EQ(StoredBytes(u"SchedulerSelectionMethod"), std::string("\x03\0\0\0", 4));
    ASSERT_EQ(GetSchedulerSelectionMethod(method), S_OK);
    EXPECT_EQ(method, 3u);
    const uint64_t eight = 5;
    ASSERT_EQ(WriteSettingValue(HKEY_LOCAL_MACHINE, u"SchedulerSelectionMethod", REG_BINARY,
                                &eight, sizeof eight),
              S_OK);
    ASSERT_EQ(GetSchedulerSelectionMethod(method), S_OK);
    EXPECT_EQ(method, 1u) << "eight stored bytes do not fit";
    EXPECT_TRUE(Events().empty());
}

TEST_F(SettingsTest, LogLengthMissingWritesMillionAndStoredValueComesBack) {
    DWORD length = 0;
    ASSERT_EQ(GetConfigLogLength(&length, nullptr), S_OK);
    EXPECT_EQ(length, 1000000u);
    ASSERT_EQ(SetConfigLogLength(5000, nullptr), S_OK);
    ASSERT_EQ(GetConfigLogLength(&length, nullptr), S_OK);
    EXPECT_EQ(length, 5000u);
    EXPECT_EQ(Messages(), std::vector<std::string>{"VEK log length not found in Registry -- set log length "
                                                   "to default value."});
}

TEST_F(SettingsTest, SetLocationNeedsAnExistingParentAndANonEmptyPathElseWritesNothing) {
    std::filesystem::create_directory(Home("existing"));
    EXPECT_EQ(SetVekTempLocation(Wide(Home("existing")).c_str()), S_OK);
    EXPECT_EQ(StoredText(u"TempRoot"), Home("existing"));
    EXPECT_EQ(SetConfigLocation(u"", nullptr), E_FAIL);
    EXPECT_EQ(SetSpoolLocation(u""), E_FAIL);
    EXPECT_EQ(SetVekTempLocation(u""), E_FAIL);
    EXPECT_FALSE(StoredText(u"ConfigurationRoot"));
    ASSERT_EQ(SetConfigLocation(Wide(Home("data")).c_str(), nullptr), S_OK);
    const std::string deep = Home("no/such/parent");
    EXPECT_EQ(SetConfigLocation(Wide(deep).c_str(), nullptr), E_FAIL);
    EXPECT_EQ(SetSpoolLocation(Wide(deep).c_str()), E_FAIL);
    EXPECT_EQ(SetVekTempLocation(Wide(deep).c_str()), E_FAIL);
    EXPECT_EQ(StoredText(u"ConfigurationRoot"), Home("data"));
    EXPECT_FALSE(StoredText(u"SpoolRoot"));
    EXPECT_EQ(StoredText(u"TempRoot"), Home("existing"));
    EXPECT_FALSE(std::filesystem::exists(Home("no")));
}

TEST_F(SettingsTest, NullPointersAreRefused) {
    EXPECT_EQ(SetConfigLocation(nullptr, nullptr), E_POINTER);
    EXPECT_EQ(GetConfigLocation(nullptr, nullptr), E_POINTER);
    EXPECT_EQ(SetSpoolLocation(nullptr), E_POINTER);
    EXPECT_EQ(GetSpoolLocation(nullptr), E_POINTER);
    EXPECT_EQ(SetVekTempLocation(nullptr), E_POINTER);
    EXPECT_EQ(GetVekTempLocation(nullptr), E_POINTER);
    EXPECT_EQ(SetLogFileName(nullptr), E_POINTER);
    EXPECT_EQ(GetLogFileName(nullptr), E_POINTER);
    EXPECT_EQ(GetConfigLogLength(nullptr, nullptr), E_POINTER);
}

TEST_F(SettingsTest, UnreachableMachineReportsConnectAndFinalFailure) {
    ASSERT_EQ(GetConfigLocation(out_, u"\\\\no-such-host.invalid"), E_FAIL);
    EXPECT_EQ(Text(out_), "");
    auto events = Events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].message, "GetConfigLocation-->RegConnectRegistry function FAILED (0x35).");
    EXPECT_EQ(events[1].message, std::string("GetConfigLocation") + kRetryFailed + " function FAILED (0x35).");

    DWORD length = 7;
    ASSERT_EQ(GetConfigLogLength(&length, u"no-such-host.invalid"), E_FAIL);
    events = Events();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(Text(events[2].strings[0].c_str()), "GetConfigLogLength->RegConnectRegistry");
    EXPECT_EQ(Text(events[3].strings[0].c_str()), std::string("GetConfigLogLength") + kRetryFailed);
    EXPECT_EQ(SetConfigLocation(Wide(Home("remote")).c_str(), u"no-such-host.invalid"), E_FAIL);
    EXPECT_EQ(SetConfigLogLength(1, u"no-such-host.invalid"), E_FAIL);
}

TEST_F(SettingsTest, StoredPathOf300CharactersTakesTheFailurePath) {
    const std::u16string longPath = u"/" + std::u16string(299, u'p');
    StoreText(u"ConfigurationRoot", longPath);
    StoreText(u"SpoolRoot", longPath);
    StoreText(u"TempRoot", longPath);
    EXPECT_EQ(GetConfigLocation(out_, nullptr), E_FAIL);
    EXPECT_EQ(Text(out_), "");
    EXPECT_EQ(GetSpoolLocation(out_), S_OK) << "the spool getter keeps its default";
    EXPECT_EQ(Text(out_), Home("spool") + "/");
    EXPECT_EQ(GetVekTempLocation(out_), E_FAIL);
    EXPECT_EQ(Text(out_), Home("temp") + "/") << "the default stays in the output";
    EXPECT_EQ(Messages(), (std::vector<std::string>{std::string("GetConfigLocation") + kRetryFailed + " function FAILED (0xea).",
                                                    "GetVekTempLocation-->Registry function FAILED (0xea)."}));
}

TEST_F(SettingsTest, Value259CharactersLongFitsAnd260DoesNotAndSetterKeepsTheFirst260) {
    const std::u16string fits = u"/" + std::u16string(258, u'f');
    StoreText(u"ConfigurationRoot", fits);
    ASSERT_EQ(GetConfigLocation(out_, nullptr), S_OK);
    EXPECT_EQ(WideLength(out_), 260u) << "259 characters and the separator";
    StoreText(u"ConfigurationRoot", fits + u"x");
    EXPECT_EQ(GetConfigLocation(out_, nullptr), E_FAIL);
    ASSERT_EQ(SetLogFileName(std::u16string(300, u'n').c_str()), S_OK);
    EXPECT_EQ(StoredText(u"LogFileName"), std::string(260, 'n'));
}

TEST_F(SettingsTest, DefaultThatCannotBeWrittenEmptiesOutputAndFails) {
    FaultyRegistry registry(ERROR_SUCCESS, 0, ERROR_ACCESS_DENIED);
    home_.env().SetRegistry(&registry);
    EXPECT_EQ(GetConfigLocation(out_, nullptr), E_FAIL);
    EXPECT_EQ(Text(out_), "");
    DWORD length = 0;
    EXPECT_EQ(GetConfigLogLength(&length, nullptr), E_FAIL);
    EXPECT_EQ(GetVekTempLocation(out_), E_FAIL);
    home_.env().SetRegistry(nullptr);
    EXPECT_EQ(Messages(),
              (std::vector<std::string>{
                  "VEK config location not found in Registry -- set config path to default value.",
                  "GetConfigLocation-->SetConfigLocation function FAILED (0x80004005).",
                  "VEK log length not found in Registry -- set log length to default value.",
                  "GetConfigLogLength->SetConfigLogLength function FAILED (0x80004005).",
                  "VEK TEMP location not found in Registry -- setting VEK TEMP path to default "
                  "value.",
                  "GetVekTempLocation-->SetVekTempLocation function FAILED (0x80004005)."}));
}

TEST_F(SettingsTest, KeyThatNeverOpensFailsEveryGetterWithItsContext) {
    FaultyRegistry registry(ERROR_ACCESS_DENIED, -1);
    home_.env().SetRegistry(&registry);
    PP_SELECTION_METHOD method;
    EXPECT_EQ(GetLogFileName(out_), E_FAIL);
    EXPECT_EQ(GetSchedulerSelectionMethod(method), E_FAIL);
    EXPECT_EQ(GetSpoolLocation(out_), E_FAIL);
    EXPECT_EQ(Text(out_), Home("spool") + "/");
    home_.env().SetRegistry(nullptr);
    EXPECT_EQ(Messages(), (std::vector<std::string>{
                            "GetLogFileName-->Registry function FAILED (0x5).",
                            "GetSchedulerSelectionMethod-->Registry function FAILED (0x5).",
                            std::string("GetVekSpoolLocation") + kRetryFailed +
                                " function FAILED (0x5)."}));
}

}  // namespace
}  // namespace vek::test
