// The machine's system log: the systemd journal when it runs, else syslog.
//
// Thread safety: safe for concurrent use.
#pragma once

#include <sys/uio.h>

#include <string>
#include <string_view>

#include "platform/event_sink.h"

namespace vek {

// Writes the event with its message text. To the journal it goes with the
// fields VEK_SOURCE, VEK_EVENT_TYPE, VEK_CATEGORY, VEK_EVENT_ID (0x...),
// VEK_STRING1..VEK_STRINGn, PRIORITY and MESSAGE; to syslog as
// "source: message" (syslog gives no answer). scratch is working space.
void WriteSystemLog(const EventRecord& event, std::string_view message, std::string& scratch);

// The journal fields of an event, "NAME=value" each, laid out in scratch
// (which must not change while fields are in use). Returns the count.
constexpr int kMaxJournalFields = 15;
int BuildJournalFields(const EventRecord& event, std::string_view message, std::string& scratch,
                       iovec (&fields)[kMaxJournalFields]);

}  // namespace vek
