// The default sink: every event to the system log and to the events file.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <string>

#include "platform/env.h"
#include "platform/event_file.h"
#include "platform/event_format.h"
#include "platform/system_log.h"

namespace vek {
namespace {

// "2026-12-04T03:34:05.123Z"
void FormatUtc(std::chrono::system_clock::time_point when, char (&out)[64]) {
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count();
    const time_t seconds = static_cast<time_t>(millis / 1000);
    tm parts{};
    gmtime_r(&seconds, &parts);
    std::snprintf(out, sizeof out, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", parts.tm_year + 1900,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec,
                  static_cast<int>(millis % 1000));
}

class SystemEventSink : public EventSink {
public:
    SystemEventSink() {
        // Room for the largest event the logger hands over, so that a
        // report normally reuses these buffers.
        message_.reserve(16 * 1024);
        line_.reserve(32 * 1024);
        scratch_.reserve(16 * 1024);
    }

    bool Write(const EventRecord& event) override {
        std::lock_guard<std::mutex> hold(mutex_);
        message_.clear();
        AppendEventMessage(message_, event);
        WriteSystemLog(event, message_, scratch_);

        char time[64];
        FormatUtc(CurrentEnv().Now(), time);
        line_.clear();
        AppendEventJson(line_, event, time, getpid(), message_, scratch_);
        return AppendEventLine(EventFilePath(), line_);
    }

private:
    std::mutex mutex_;
    std::string message_;
    std::string line_;
    std::string scratch_;
};

}  // namespace

EventSink& DefaultEventSink() {
    static SystemEventSink* sink = new SystemEventSink;
    return *sink;
}

}  // namespace vek
