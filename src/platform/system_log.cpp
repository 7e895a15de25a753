#include "platform/system_log.h"

#include <syslog.h>
#include <systemd/sd-journal.h>
#include <unistd.h>

#include <cstdio>

#include "vekconfig/text.h"

namespace vek {
namespace {

constexpr int kMaxStrings = 9;  // the message texts address %1 to %9
static_assert(6 + kMaxStrings == kMaxJournalFields, "six fixed fields and the strings");
constexpr const char* kJournalSocket = "/run/systemd/journal/socket";

int Priority(WORD type) {
    switch (type) {
        case EVENTLOG_ERROR_TYPE:
        case EVENTLOG_AUDIT_FAILURE: return LOG_ERR;
        case EVENTLOG_WARNING_TYPE: return LOG_WARNING;
        case EVENTLOG_AUDIT_SUCCESS: return LOG_NOTICE;
        default: return LOG_INFO;
    }
}

}  // namespace

int BuildJournalFields(const EventRecord& event, std::string_view message, std::string& scratch,
                       iovec (&fields)[kMaxJournalFields]) {
    const int strings = event.stringCount < kMaxStrings ? event.stringCount : kMaxStrings;
    // Reserved up front, so that the fields laid out below stay where they are.
    size_t needed = message.size() + 256;
    for (int i = 0; i < strings; ++i) needed += 3 * WideLength(event.strings[i]) + 16;
    scratch.clear();
    scratch.reserve(needed);

    int count = 0;
    auto field = [&](auto&& write) {
        const size_t start = scratch.size();
        write();
        fields[count++] = {scratch.data() + start, scratch.size() - start};
    };
    char number[64];
    field([&] { scratch.append("MESSAGE=").append(message); });
    field([&] {
        std::snprintf(number, sizeof number, "PRIORITY=%d", Priority(event.type));
        scratch += number;
    });
    field([&] {
        scratch += "VEK_SOURCE=";
        AppendUtf16AsUtf8(scratch, std::u16string_view(event.source, WideLength(event.source)));
    });
    field([&] {
        std::snprintf(number, sizeof number, "VEK_EVENT_TYPE=%u", event.type);
        scratch += number;
    });
    field([&] {
        std::snprintf(number, sizeof number, "VEK_CATEGORY=%u", event.category);
        scratch += number;
    });
    field([&] {
        std::snprintf(number, sizeof number, "VEK_EVENT_ID=0x%08X", event.eventId);
        scratch += number;
    });
    for (int i = 0; i < strings; ++i) {
        field([&] {
            std::snprintf(number, sizeof number, "VEK_STRING%d=", i + 1);
            scratch += number;
            AppendUtf16AsUtf8(scratch, std::u16string_view(event.strings[i],
                                                           WideLength(event.strings[i])));
        });
    }
    return count;
}

namespace {

void WriteSyslog(const EventRecord& event, std::string_view message, std::string& scratch) {
    scratch.clear();
    AppendUtf16AsUtf8(scratch, std::u16string_view(event.source, WideLength(event.source)));
    syslog(LOG_USER | Priority(event.type), "%s: %.*s", scratch.c_str(),
           static_cast<int>(message.size()), message.data());
}

}  // namespace

void WriteSystemLog(const EventRecord& event, std::string_view message, std::string& scratch) {
    if (access(kJournalSocket, W_OK) == 0) {
        iovec fields[kMaxJournalFields];
        const int count = BuildJournalFields(event, message, scratch, fields);
        if (sd_journal_sendv(fields, count) >= 0) return;
    }
    WriteSyslog(event, message, scratch);
}

}  // namespace vek
