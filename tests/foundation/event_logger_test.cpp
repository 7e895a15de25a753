// The logger's filtering, repeat folding and summaries, seen through a
// recording event sink.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <thread>

#include "foundation/event_logger.h"
#include "platform/event_format.h"
#include "support/recording_env.h"
#include "support/temp_home.h"

namespace vek::test {
namespace {

using std::chrono::seconds;
using std::chrono::system_clock;

// 2026-12-04 03:34:05 UTC
const system_clock::time_point kFirst = system_clock::from_time_t(1796355245);

class EventLoggerTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
        env_.SetNow(kFirst);
        logger_ = std::make_unique<CEventLogger>(u"VekConfig, Ostrel Norvane", u"/lib/x.so", 3);
    }

    void Error(const WCHAR* context, HRESULT status) {
        logger_->ReportStatus(EVENTLOG_ERROR_TYPE, 0, kEventFunctionFailed, context, status);
    }
    std::vector<RecordedEvent> Written() { return env_.Recorded(); }

    TempHome home_;
    RecordingEnv env_;
    ScopedEnvOverride override_{&env_};
    std::unique_ptr<CEventLogger> logger_;
};

std::u16string Summary(int count, const char* first, const char* last, std::u16string text) {
    std::string head = "The following event was reported " + std::to_string(count) +
                       " times between\n" + first + " and " + last + ":\n\n";
    return std::u16string(head.begin(), head.end()) + text;
}

TEST_F(EventLoggerTest, WarningPassesButInformationIsDroppedWithoutTouchingRepeatState) {
    Error(u"A-->step", 5);
    logger_->ReportStrings(EVENTLOG_INFORMATION_TYPE, 0, kEventNotice, u"info", nullptr, nullptr,
                           nullptr, nullptr);
    Error(u"A-->step", 5);  // still a repeat of A: the information event left no trace
    logger_->ReportStrings(EVENTLOG_WARNING_TYPE, 0, kEventNotice, u"careful", nullptr, nullptr,
                           nullptr, nullptr);
    const auto events = Written();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].strings[0], u"A-->step");
    EXPECT_EQ(events[1].strings[0].substr(0, 33), u"The following event was reported ");
    EXPECT_EQ(events[2].type, EVENTLOG_WARNING_TYPE);
    EXPECT_EQ(events[2].message, "careful.");
}

TEST_F(EventLoggerTest, SuccessAndAuditTypesNeverPassMaskThree) {
    for (WORD type : {EVENTLOG_SUCCESS, EVENTLOG_INFORMATION_TYPE, EVENTLOG_AUDIT_SUCCESS,
                      EVENTLOG_AUDIT_FAILURE})
        EXPECT_TRUE(logger_->LogEvent(type, 0, kEventNotice, 0, nullptr));
    EXPECT_TRUE(Written().empty());
}

TEST_F(EventLoggerTest, SameErrorTwiceWritesOnceAndDestructionWritesSummaryOfTwo) {
    Error(u"GetLogFileName-->Registry", 5);
    env_.SetNow(kFirst + seconds(4));
    Error(u"GetLogFileName-->Registry", 5);
    ASSERT_EQ(Written().size(), 1u);
    logger_.reset();
    const auto events = Written();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].eventId, kEventFunctionFailed);
    EXPECT_EQ(events[1].type, EVENTLOG_ERROR_TYPE);
    ASSERT_EQ(events[1].strings.size(), 2u);
    EXPECT_EQ(events[1].strings[0], Summary(2, "12/04/2026  03:34:05", "12/04/2026  03:34:09",
                                            u"GetLogFileName-->Registry"));
    EXPECT_EQ(events[1].strings[1], u"0x5");
}

TEST_F(EventLoggerTest, SameContextWithOtherStatusIsNotARepeat) {
    Error(u"X-->Open", 5);
    Error(u"X-->Open", 6);
    logger_.reset();
    const auto events = Written();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].message, "X-->Open function FAILED (0x5).");
    EXPECT_EQ(events[1].message, "X-->Open function FAILED (0x6).");
}

TEST_F(EventLoggerTest, EventsWithoutStringsAreWrittenEveryTime) {
    for (int i = 0; i < 3; ++i)
        logger_->ReportStrings(EVENTLOG_ERROR_TYPE, 0, kEventNotice, nullptr, nullptr, nullptr,
                               nullptr, nullptr);
    logger_.reset();
    const auto events = Written();
    ASSERT_EQ(events.size(), 3u);
    for (const auto& event : events) EXPECT_TRUE(event.strings.empty());
}

TEST_F(EventLoggerTest, AlternatingEventsAreAllWrittenWithoutSummary) {
    Error(u"A", 1);
    Error(u"B", 1);
    Error(u"A", 1);
    Error(u"B", 1);
    logger_.reset();
    const auto events = Written();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[2].strings[0], u"A");
    EXPECT_EQ(events[3].strings[0], u"B");
}

TEST_F(EventLoggerTest, ThreeRepeatsThenNewEventWritesSummaryBeforeTheNewEvent) {
    Error(u"A", E_FAIL);
    env_.SetNow(kFirst + seconds(1));
    Error(u"A", E_FAIL);
    env_.SetNow(kFirst + seconds(70));
    Error(u"A", E_FAIL);
    Error(u"B", E_FAIL);
    const auto events = Written();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].strings[0], u"A");
    EXPECT_EQ(events[1].strings[0],
              Summary(3, "12/04/2026  03:34:05", "12/04/2026  03:35:15", u"A"));
    EXPECT_EQ(events[1].strings[1], u"0x80004005");
    EXPECT_EQ(events[2].strings[0], u"B");
    logger_.reset();
    EXPECT_EQ(Written().size(), 3u) << "B occurred once: no summary at destruction";
}

TEST_F(EventLoggerTest, StatusIsPrintedWithAlternateHexForm) {
    Error(u"zero", 0);
    Error(u"two", 2);
    Error(u"fail", E_FAIL);
    const auto events = Written();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].strings[1], u"0");
    EXPECT_EQ(events[1].strings[1], u"0x2");
    EXPECT_EQ(events[2].strings[1], u"0x80004005");
}

TEST_F(EventLoggerTest, StringsAfterTheFirstNullAreNotCounted) {
    logger_->ReportStrings(EVENTLOG_WARNING_TYPE, 0, kEventNotice, u"one", nullptr, u"three",
                           nullptr, nullptr);
    logger_->ReportStrings(EVENTLOG_WARNING_TYPE, 0, kEventNotice, u"1", u"2", u"3", u"4", u"5");
    const auto events = Written();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].strings, std::vector<std::u16string>{u"one"});
    EXPECT_EQ(events[1].strings.size(), 5u);
}

TEST_F(EventLoggerTest, StringsBeyond2049CharactersFoldOnTheKeptPart) {
    const std::u16string kept(CEventLogger::kStringSize - 1, u'k');
    Error((kept + u"first tail").c_str(), 1);
    Error((kept + u"other tail").c_str(), 1);
    ASSERT_EQ(Written().size(), 1u) << "only the first 2049 characters are compared";
    logger_.reset();
    const auto events = Written();
    ASSERT_EQ(events.size(), 2u);
    const std::u16string& summary = events[1].strings[0];
    EXPECT_EQ(summary.size(), static_cast<size_t>(CEventLogger::kStringSize - 1));
    EXPECT_EQ(summary, Summary(2, "12/04/2026  03:34:05", "12/04/2026  03:34:05", kept)
                           .substr(0, CEventLogger::kStringSize - 1));
}

TEST_F(EventLoggerTest, StringOf2049CharactersIsKeptWhole) {
    const std::u16string exact(CEventLogger::kStringSize - 1, u'e');
    Error(exact.c_str(), 1);
    Error((exact.substr(1) + u"x").c_str(), 1);
    EXPECT_EQ(Written().size(), 2u) << "a difference in character 2049 counts";
}

TEST_F(EventLoggerTest, ClosedEventLogWritesNothingButStillFolds) {
    CEventLogger closed(u"", u"/lib/x.so", 3);
    EXPECT_FALSE(closed.IsEventLogOpen());
    const WCHAR* strings[2] = {u"c", u"0x1"};
    EXPECT_FALSE(closed.LogEvent(EVENTLOG_ERROR_TYPE, 0, kEventFunctionFailed, 2, strings));
    EXPECT_TRUE(closed.LogEvent(EVENTLOG_ERROR_TYPE, 0, kEventFunctionFailed, 2, strings))
        << "the repeat was folded";
    EXPECT_TRUE(Written().empty());
}

TEST_F(EventLoggerTest, RepeatsFromManyThreadsAreCountedExactly) {
    constexpr int kThreads = 4;
    constexpr int kReports = 2000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < kReports; ++i) Error(u"Shared-->Step", E_FAIL);
        });
    for (auto& thread : threads) thread.join();
    logger_.reset();
    const auto events = Written();
    ASSERT_EQ(events.size(), 2u);
    const std::u16string& summary = events[1].strings[0];
    const std::string count = std::to_string(kThreads * kReports);
    EXPECT_EQ(summary.substr(0, 33 + count.size()),
              u"The following event was reported " + std::u16string(count.begin(), count.end()));
}

TEST_F(EventLoggerTest, DistinctEventsFromManyThreadsAreWrittenWhole) {
    constexpr int kThreads = 4;
    constexpr int kReports = 300;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            const std::u16string context = u"Thread" + std::u16string(1, u'A' + t) + u"-->Step";
            for (int i = 0; i < kReports; ++i) Error(context.c_str(), i + 1);
        });
    for (auto& thread : threads) thread.join();
    const auto events = Written();
    ASSERT_EQ(events.size(), static_cast<size_t>(kThreads * kReports));
    for (const auto& event : events) {
        ASSERT_EQ(event.strings.size(), 2u);
        EXPECT_EQ(event.strings[0].size(), 14u);
    }
}

}  // namespace
}  // namespace vek::test
