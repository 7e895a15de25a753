// Where reported events go. An EventSink receives one event at a time with
// its source, type, category, id and insertion strings; the default sink
// (DefaultEventSink) writes it to the system log and to the events file.
// Tests install their own sink through the Env to record events.
//
// Thread safety: implementations are safe for concurrent use.
#pragma once

#include "vekconfig/types.h"

namespace vek {

// Event types of the event log.
constexpr WORD EVENTLOG_SUCCESS = 0;
constexpr WORD EVENTLOG_ERROR_TYPE = 1;
constexpr WORD EVENTLOG_WARNING_TYPE = 2;
constexpr WORD EVENTLOG_INFORMATION_TYPE = 4;
constexpr WORD EVENTLOG_AUDIT_SUCCESS = 8;
constexpr WORD EVENTLOG_AUDIT_FAILURE = 16;

// One event as it is handed to a sink. The pointers are valid for the call only.
struct EventRecord {
    const WCHAR* source;  // terminated
    WORD type;
    WORD category;
    DWORD eventId;
    WORD stringCount;
    const WCHAR* const* strings;  // stringCount terminated strings
};

class EventSink {
public:
    virtual ~EventSink() = default;
    // Writes one event. Returns false when it could not be stored.
    virtual bool Write(const EventRecord& event) = 0;
};

// The system log (journal or syslog) plus the events file; created on
// first use and never destroyed.
EventSink& DefaultEventSink();

}  // namespace vek
