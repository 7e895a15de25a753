// Reading back the library's events file.
//
// Every event the library reports goes to the system log (the journal when
// one runs, else syslog) and, as one JSON object per line, to the events
// file: $VEK_HOME/events.jsonl, or the file named by VEK_EVENT_LOG. When the
// file has reached 1 MiB it is renamed to the same name with ".1" (replacing
// an older ".1") and a new file is started.
//
// A line holds: "time" (UTC, ISO 8601 with milliseconds), "pid", "source",
// "type" (1 error, 2 warning, 4 information, ...), "category", "event_id",
// "strings" (the insertion strings) and "message" (the event's text with the
// strings filled in).
//
// Thread safety: the functions may be called from any thread; a reader sees
// whole lines only, also while other processes append.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vekconfig/types.h"

namespace vek {

struct EventLogEntry {
    std::string time;
    int64_t pid = 0;
    std::string source;
    uint16_t type = 0;
    uint16_t category = 0;
    uint32_t eventId = 0;
    std::vector<std::string> strings;
    std::string message;
    std::string line;  // the line as stored, without its newline
};

// The events file in use now (VEK_EVENT_LOG, else $VEK_HOME/events.jsonl).
VEK_API std::string EventLogPath();

// Reads the rotated file and then the current one: oldest event first. A
// missing file is an empty log. Lines that are not events (damaged or cut
// short) are skipped and counted in *skippedLines (optional).
// Returns S_OK, E_POINTER for a null entries, or the failing read as a
// status from a Win32 error (for example 0x80070005 for access denied).
VEK_API HRESULT ReadEventLog(std::vector<EventLogEntry>* entries, size_t* skippedLines);

// A name for an event type: "error", "warning", "information", "success",
// "audit-success", "audit-failure", else "type N".
VEK_API std::string EventTypeName(uint16_t type);

}  // namespace vek
