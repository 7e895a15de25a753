// The logger's filtering, repeat folding and summaries, seen through a
// recording event sink.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <functional>
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

TEST_F(EventLoggerTest, OnlyErrorsAndWarningsPassAndDroppedEventsLeaveTheRepeatStateAlone) {
    for (WORD type : {EVENTLOG_SUCCESS, EVENTLOG_INFORMATION_TYPE, EVENTLOG_AUDIT_SUCCESS,
                      EVENTLOG_AUDIT_FAILURE})
        EXPECT_TRUE(logger_->LogEvent(type, 0, kEventNotice, 0, nullptr));
    EXPECT_TRUE(Written().empty());
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

TEST_F(EventLoggerTest, SameContextWithOtherStatusIsNotARepeatAndStatusesUseTheAlternateHexForm) {
    const std::pair<HRESULT, std::string> statuses[] = {
        {5, "0x5"}, {6, "0x6"}, {0, "0"}, {2, "0x2"}, {E_FAIL, "0x80004005"}};
    for (const auto& [status, text] : statuses) Error(u"X-->Open", status);
    logger_.reset();
    const auto events = Written();
    ASSERT_EQ(events.size(), std::size(statuses));
    for (size_t i = 0; i < events.size(); ++i) {
        const std::string& text = statuses[i].second;
        EXPECT_EQ(events[i].strings[1], std::u16string(text.begin(), text.end()));
        EXPECT_EQ(events[i].message, "X-->Open function FAILED (" + text + ").");
    }
}

TEST_F(EventLoggerTest, StringsAfterTheFirstNullAreNotCountedAndEventsWithoutStringsNeverFold) {
    for (int i = 0; i < 3; ++i)
        logger_->ReportStrings(EVENTLOG_ERROR_TYPE, 0, kEventNotice, nullptr, nullptr, nullptr,
                               nullptr, nullptr);
    logger_->ReportStrings(EVENTLOG_WARNING_TYPE, 0, kEventNotice, u"one", nullptr, u"three",
                           nullptr, nullptr);
    logger_->ReportStrings(EVENTLOG_WARNING_TYPE, 0, kEventNotice, u"1", u"2", u"3", u"4", u"5");
    logger_.reset();
    const auto events = Written();
    ASSERT_EQ(events.size(), 5u);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(events[i].strings.empty());
    EXPECT_EQ(events[3].strings, std::vector<std::u16string>{u"one"});
    EXPECT_EQ(events[4].strings.size(), 5u);
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

TEST_F(EventLoggerTest, StringsFoldOnTheirFirst2049CharactersAndNoFewer) {
    const std::u16string exact(CEventLogger::kStringSize - 1, u'e');
    Error(exact.c_str(), 1);
    Error((exact.substr(1) + u"x").c_str(), 1);
    EXPECT_EQ(Written().size(), 2u) << "a difference in character 2049 counts";
    const std::u16string kept(CEventLogger::kStringSize - 1, u'k');
    Error((kept + u"first tail").c_str(), 1);
    Error((kept + u"other tail").c_str(), 1);
    ASSERT_EQ(Written().size(), 3u) << "only the first 2049 characters are compared";
    logger_.reset();
    const auto events = Written();
    ASSERT_EQ(events.size(), 4u);
    const std::u16string& summary = events[3].strings[0];
    EXPECT_EQ(summary.size(), static_cast<size_t>(CEventLogger::kStringSize - 1));
    EXPECT_EQ(summary, Summary(2, "12/04/2026  03:34:05", "12/04/2026  03:34:05", kept)
                           .substr(0, CEventLogger::kStringSize - 1));
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

// Runs body(t) on four threads at once, t = 0..3.
void OnFourThreads(const std::function<void(int)>& body) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) threads.emplace_back(body, t);
    for (auto& thread : threads) thread.join();
}

TEST_F(EventLoggerTest, RepeatsFromManyThreadsAreCountedExactly) {
    OnFourThreads([&](int) {
        for (int i = 0; i < 2000; ++i) Error(u"Shared-->Step", E_FAIL);
    });
    logger_.reset();
    const auto events = Written();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].strings[0].substr(0, 37), u"The following event was reported 8000");
}

TEST_F(EventLoggerTest, DistinctEventsFromManyThreadsAreWrittenWhole) {
    OnFourThreads([&](int t) {
        const std::u16string context = u"Thread" + std::u16string(1, u'A' + t) + u"-->Step";
        for (int i = 0; i < 300; ++i) Error(context.c_str(), i + 1);
    });
    const auto events = Written();
    ASSERT_EQ(events.size(), 1200u);
    for (const auto& event : events) {
        ASSERT_EQ(event.strings.size(), 2u);
        EXPECT_EQ(event.strings[0].size(), 14u);
    }
}

}  // namespace
}  // namespace vek::test
