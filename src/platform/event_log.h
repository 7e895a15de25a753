// The event log in the shape the logger was written against: open by
// source name, report (type, category, event id, insertion strings), close.
// Reports go to CurrentEnv().Events().
//
// Thread safety: a handle may be used from several threads; it must not be
// used after CloseEventLog.
#pragma once

#include "platform/event_sink.h"

namespace vek {

struct EventLogSource;
using HEVENTLOG = EventLogSource*;

// Opens the log for a source. server must be null (the local machine).
// Null when the source name is null, empty or longer than 511 characters,
// or the handle cannot be allocated.
HEVENTLOG OpenEventLogW(const WCHAR* server, const WCHAR* source);

// Hands one event to the sink. userSid and raw data are not supported and
// must be null/0. Returns TRUE when the event was stored, else FALSE
// (also for a null handle).
BOOL ReportEventW(HEVENTLOG log, WORD type, WORD category, DWORD eventId, const void* userSid,
                  WORD stringCount, DWORD dataSize, const WCHAR** strings, const void* data);

// Frees the handle. FALSE for a null handle.
BOOL CloseEventLog(HEVENTLOG log);

}  // namespace vek
