// CEventLogger: the library's one way to the event log. It lets through
// only the event types of its mask, folds an event that repeats the last one
// into a count, and writes a summary of the repeats ("The following event was
// reported N times between ...") before the next different event or when it
// is destroyed. A report never fails for the caller and allocates nothing on
// the heap: every buffer is a member or a local.
//
// Thread safety: all members may be called from any thread; LogEvent runs
// under the logger's lock, so the repeat state is never read half-written.
#pragma once

#include <mutex>

#include "platform/event_log.h"

class CEventLogger {
public:
    static constexpr int kMaxStrings = 5;
    static constexpr int kStringSize = 2050;  // characters, terminator included
    static constexpr int kNameSize = 512;
    static constexpr int kTimeSize = 260;

    // Copies both names (cut at 511 characters) and the mask, clears the
    // repeat state and opens the event log for sourceName.
    CEventLogger(const WCHAR* sourceName, const WCHAR* messageFile, DWORD typeMask);
    // Writes the pending repeat summary (count above 1), then closes the log.
    virtual ~CEventLogger();
    CEventLogger(const CEventLogger&) = delete;
    CEventLogger& operator=(const CEventLogger&) = delete;

    // Reports a failure: the context and the status as "%#lx" (0x80004005,
    // 0x2, 0) as the two insertion strings.
    void ReportStatus(WORD type, WORD category, DWORD eventId, const WCHAR* context,
                      HRESULT status);
    // Reports up to five strings; the count is the number of non-null
    // strings before the first null.
    void ReportStrings(WORD type, WORD category, DWORD eventId, const WCHAR* s1, const WCHAR* s2,
                       const WCHAR* s3, const WCHAR* s4, const WCHAR* s5);
    // Filters, folds and writes one event. True when it was filtered out or
    // folded into the repeat count, else whether the write succeeded.
    bool LogEvent(WORD type, WORD category, DWORD eventId, WORD stringCount,
                  const WCHAR** strings);
    // Whether (type AND mask), as 16-bit values, is not zero.
    bool IsTypeEnabled(WORD type) const;

    const WCHAR* SourceName() const { return sourceName; }
    const WCHAR* MessageFile() const { return messageFile; }
    bool IsEventLogOpen() const { return eventLogOpen; }

private:
    // Updates the repeat state; false for a repeat of the last event.
    bool IsRepeatOfLast(WORD type, WORD category, DWORD eventId, WORD stringCount,
                        const WCHAR** strings);
    void FlushRepeatSummary();
    bool WriteEventLogEntry(WORD type, WORD category, DWORD eventId, WORD stringCount,
                            const WCHAR** strings);
    void StampNow(WCHAR (&out)[kTimeSize]);

    bool eventLogOpen = false;
    WCHAR sourceName[kNameSize] = {};
    WCHAR messageFile[kNameSize] = {};
    vek::HEVENTLOG eventLog = nullptr;
    DWORD typeMask = 0;

    uint32_t repeatCount = 0;
    WCHAR firstTime[kTimeSize] = {};
    WCHAR lastTime[kTimeSize] = {};
    WORD lastStringCount = 0;
    WORD lastType = 0;
    WORD lastCategory = 0;
    DWORD lastEventId = 0;
    WCHAR lastStrings[kMaxStrings][kStringSize] = {};

    std::mutex lock;
};

// The process's logger: set once when the library is loaded, null before
// that or when it could not be created.
extern CEventLogger* g_pEventLogger;
