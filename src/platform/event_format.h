// The texts of reported events: the library's message table, and the JSON
// line of the events file (written and read back here, nowhere else).
//
// Thread safety: pure functions.
#pragma once

#include <string>
#include <string_view>

#include "platform/event_sink.h"
#include "vekconfig/events.h"

namespace vek {

// Event ids of the library's messages.
constexpr DWORD kEventFunctionFailed = 0x40001001;  // "%1 function FAILED (%2).\r\n"
constexpr DWORD kEventNotice = 0x40001002;          // "%1.\r\n"

// Appends the event's message with %1..%9 replaced by its strings, as an
// event viewer shows it, without the closing line break. An id outside the
// message table gives "Event 0x40001234" and the strings, one per line.
void AppendEventMessage(std::string& out, const EventRecord& event);

// Appends the JSON object of one event (no newline). message is the text
// from AppendEventMessage; scratch is working space.
void AppendEventJson(std::string& out, const EventRecord& event, std::string_view time,
                     int64_t pid, std::string_view message, std::string& scratch);

// Parses one line of the events file. False when the line is not an event
// object (damaged, cut short, or missing "type", "event_id" or "message").
bool ParseEventJson(std::string_view line, EventLogEntry* entry);

}  // namespace vek
