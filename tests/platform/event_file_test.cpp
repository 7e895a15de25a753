// The events file: its JSON lines, rotation, whole lines from many
// processes, and reading back damaged files.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "platform/event_file.h"
#include "platform/event_format.h"
#include "support/scoped_variable.h"
#include "support/temp_home.h"
#include "vekconfig/events.h"

namespace vek::test {
namespace {

std::string Line(const WCHAR* context, const WCHAR* status) {
    const WCHAR* strings[2] = {context, status};
    const EventRecord event{u"VekConfig, Ostrel Norvane", EVENTLOG_ERROR_TYPE, 0,
                            kEventFunctionFailed, 2, strings};
    std::string message, line, scratch;
    AppendEventMessage(message, event);
    AppendEventJson(line, event, "2026-12-04T03:34:05.000Z", 42, message, scratch);
    return line;
}

void WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

TEST(EventFormatTest, EventSurvivesTheRoundTripWithQuotesBreaksAndNonAscii) {
    const std::string line = Line(u"Open \"a\\b\"\r\n\t\x01 \u00e9\U0001F600", u"0x5");
    EXPECT_EQ(line.find('\n'), std::string::npos) << "a line must stay one line";
    EventLogEntry entry;
    ASSERT_TRUE(ParseEventJson(line, &entry)) << line;
    EXPECT_EQ(entry.source, "VekConfig, Ostrel Norvane");
    EXPECT_EQ(entry.type, 1);
    EXPECT_EQ(entry.eventId, 0x40001001u);
    EXPECT_EQ(entry.pid, 42);
    EXPECT_EQ(entry.time, "2026-12-04T03:34:05.000Z");
    ASSERT_EQ(entry.strings.size(), 2u);
    EXPECT_EQ(entry.strings[0], "Open \"a\\b\"\r\n\t\x01 \xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(entry.message, entry.strings[0] + " function FAILED (0x5).");
    EXPECT_EQ(entry.line, line);
}

TEST(EventFormatTest, NoticeAndUnknownIdsGetTheirTextsAndMissingStringsAreLeftEmpty) {
    const WCHAR* strings[2] = {u"first", u"second"};
    std::string notice, unknown, missing;
    AppendEventMessage(notice, {u"s", EVENTLOG_WARNING_TYPE, 0, kEventNotice, 1, strings});
    AppendEventMessage(unknown, {u"s", EVENTLOG_WARNING_TYPE, 0, 0x40001010, 2, strings});
    AppendEventMessage(missing, {u"s", EVENTLOG_ERROR_TYPE, 0, kEventFunctionFailed, 0, nullptr});
    EXPECT_EQ(notice, "first.");
    EXPECT_EQ(unknown, "Event 0x40001010\nfirst\nsecond");
    EXPECT_EQ(missing, " function FAILED ().");
}

TEST(EventFormatTest, DamagedLinesAreRejected) {
    const std::string good = Line(u"ctx", u"0x1");
    EventLogEntry entry;
    for (size_t cut = 0; cut < good.size(); ++cut)
        EXPECT_FALSE(ParseEventJson(good.substr(0, cut), &entry)) << "cut at " << cut;
    EXPECT_FALSE(ParseEventJson(R"({"type":1,"event_id":2})", &entry)) << "no message";
    EXPECT_FALSE(ParseEventJson(R"({"type":70000,"event_id":2,"message":""})", &entry));
    EXPECT_FALSE(ParseEventJson(R"({"type":-1,"event_id":2,"message":""})", &entry));
    EXPECT_FALSE(ParseEventJson(R"({"type":1,"event_id":2,"message":"\q"})", &entry));
    EXPECT_FALSE(ParseEventJson(good + "x", &entry)) << "trailing bytes";
    EXPECT_TRUE(ParseEventJson(R"({"x":{"y":[1,true,null]},"type":1,"event_id":2,"message":""})",
                               &entry))
        << "unknown fields are skipped";
}

TEST(EventFileTest, FileRotatesToDotOneWhenFullAndASecondRotationReplacesIt) {
    TempHome home;
    const auto file = home / "events.jsonl";
    const std::string line(99, 'a');
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(AppendEventLine(file, line, 250));
    EXPECT_FALSE(std::filesystem::exists(home / "events.jsonl.1")) << "300 bytes, limit not yet met";
    ASSERT_TRUE(AppendEventLine(file, "fourth", 250));
    EXPECT_EQ(std::filesystem::file_size(home / "events.jsonl.1"), 300u);
    EXPECT_EQ(std::filesystem::file_size(file), 7u);
    std::vector<std::string> lines;
    ASSERT_EQ(ReadEventLines(file, &lines), ERROR_SUCCESS);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines.back(), "fourth") << "oldest first";
    const auto second = home / "second.jsonl";
    for (const char* text : {"one", "two", "three"}) ASSERT_TRUE(AppendEventLine(second, text, 1));
    lines.clear();
    ASSERT_EQ(ReadEventLines(second, &lines), ERROR_SUCCESS);
    EXPECT_EQ(lines, (std::vector<std::string>{"two", "three"}));
}

TEST(EventFileTest, LineStillBeingWrittenIsLeftOutAndAnUnwritableDirectoryFailsTheAppend) {
    TempHome home;
    WriteFile(home / "events.jsonl", "complete\npartial");
    std::vector<std::string> lines;
    ASSERT_EQ(ReadEventLines(home / "events.jsonl", &lines), ERROR_SUCCESS);
    EXPECT_EQ(lines, std::vector<std::string>{"complete"});
    EXPECT_FALSE(AppendEventLine(home / "missing" / "events.jsonl", "x"));
    EXPECT_FALSE(AppendEventLine({}, "x"));
}

// Four processes append 200 lines of about 3 KB each; limit is the
// rotation size. Returns what a reader finds afterwards.
std::vector<EventLogEntry> AppendFromProcesses(const std::filesystem::path& file, uint64_t limit,
                                               size_t* skipped) {
    constexpr int kProcesses = 4;
    constexpr int kLines = 200;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t child = fork();
        if (child == 0) {
            const std::string line = Line(std::u16string(3000, u'a' + p).c_str(), u"0x1");
            bool ok = true;
            for (int i = 0; i < kLines; ++i) ok = AppendEventLine(file, line, limit) && ok;
            _exit(ok ? 0 : 1);
        }
        EXPECT_GT(child, 0);
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    ScopedVariable variable("VEK_EVENT_LOG", file);
    std::vector<EventLogEntry> entries;
    EXPECT_EQ(ReadEventLog(&entries, skipped), S_OK);
    return entries;
}

TEST(EventFileTest, LinesFromManyProcessesAreNeitherLostNorTornWithOrWithoutRotation) {
    TempHome home;
    size_t skipped = 99;
    EXPECT_EQ(AppendFromProcesses(home / "events.jsonl", 64u << 20, &skipped).size(), 800u);
    EXPECT_EQ(skipped, 0u);
    skipped = 99;
    EXPECT_GT(AppendFromProcesses(home / "rotated.jsonl", 100000, &skipped).size(), 0u);
    EXPECT_EQ(skipped, 0u);
    EXPECT_LT(std::filesystem::file_size(home / "rotated.jsonl.1"), 100000u + 4 * 3100u)
        << "a rotated file is at most the limit plus the lines in flight";
}

TEST(EventLogReaderTest, DamagedLinesAreSkippedAndCounted) {
    TempHome home;
    WriteFile(home / "events.jsonl", Line(u"a", u"0x1") + "\n{\"type\":1,\n\xff\xfe garbage\n" +
                                         Line(u"b", u"0x2") + "\n");
    std::vector<EventLogEntry> entries;
    size_t skipped = 0;
    ASSERT_EQ(ReadEventLog(&entries, &skipped), S_OK);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].strings[0], "b");
    EXPECT_EQ(skipped, 2u);
}

TEST(EventLogReaderTest, EventLogVariableNamesAnotherFileMissingAtFirst) {
    TempHome home;
    const auto other = home / "elsewhere.jsonl";
    ScopedVariable variable("VEK_EVENT_LOG", other);
    EXPECT_EQ(EventLogPath(), other.string());
    std::vector<EventLogEntry> entries(3);
    EXPECT_EQ(ReadEventLog(&entries, nullptr), S_OK);
    EXPECT_TRUE(entries.empty());
    EXPECT_EQ(ReadEventLog(nullptr, nullptr), E_POINTER);
    const WCHAR* strings[1] = {u"noted"};
    EXPECT_TRUE(DefaultEventSink().Write({u"VekConfig, Ostrel Norvane", EVENTLOG_WARNING_TYPE, 0, kEventNotice, 1, strings}));
    EXPECT_EQ(ReadEventLog(&entries, nullptr), S_OK);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].message, "noted.");
    EXPECT_EQ(entries[0].pid, getpid());
    EXPECT_FALSE(std::filesystem::exists(home / "events.jsonl"));
}

}  // namespace
}  // namespace vek::test
