#include "foundation/event_logger.h"

#include <cstdio>
#include <ctime>

#include "platform/env.h"
#include "vekconfig/text.h"

CEventLogger* g_pEventLogger = nullptr;

namespace {

// Widens ASCII text into a terminated wide buffer, cut to fit.
template <size_t N>
void WidenAscii(const char* text, WCHAR (&out)[N]) {
    size_t i = 0;
    for (; text[i] != 0 && i + 1 < N; ++i) out[i] = static_cast<WCHAR>(text[i]);
    out[i] = 0;
}

// Compares the way the repeat state keeps strings: the first 2049
// characters count.
bool SameKeptString(const WCHAR* a, const WCHAR* b) {
    for (int i = 0; i < CEventLogger::kStringSize - 1; ++i) {
        if (a[i] != b[i]) return false;
        if (a[i] == 0) return true;
    }
    return true;
}

}  // namespace

CEventLogger::CEventLogger(const WCHAR* source, const WCHAR* file, DWORD mask) : typeMask(mask) {
    vek::WideCopy(sourceName, kNameSize, source);
    vek::WideCopy(messageFile, kNameSize, file);
    eventLog = vek::OpenEventLogW(nullptr, sourceName);
    eventLogOpen = eventLog != nullptr;
}

CEventLogger::~CEventLogger() {
    std::lock_guard<std::mutex> hold(lock);
    if (repeatCount > 1) FlushRepeatSummary();
    if (eventLog != nullptr) vek::CloseEventLog(eventLog);
}

void CEventLogger::ReportStatus(WORD type, WORD category, DWORD eventId, const WCHAR* context,
                                HRESULT status) {
    char text[20];
    std::snprintf(text, sizeof text, "%#lx",
                  static_cast<unsigned long>(static_cast<uint32_t>(status)));
    WCHAR statusText[20];
    WidenAscii(text, statusText);
    const WCHAR* strings[2] = {context != nullptr ? context : u"", statusText};
    LogEvent(type, category, eventId, 2, strings);
}

void CEventLogger::ReportStrings(WORD type, WORD category, DWORD eventId, const WCHAR* s1,
                                 const WCHAR* s2, const WCHAR* s3, const WCHAR* s4,
                                 const WCHAR* s5) {
    const WCHAR* strings[kMaxStrings] = {s1, s2, s3, s4, s5};
    WORD count = 0;
    while (count < kMaxStrings && strings[count] != nullptr) ++count;
    LogEvent(type, category, eventId, count, strings);
}

bool CEventLogger::LogEvent(WORD type, WORD category, DWORD eventId, WORD stringCount,
                            const WCHAR** strings) {
    if (stringCount > kMaxStrings) stringCount = kMaxStrings;
    if (stringCount > 0 && strings == nullptr) return false;
    std::lock_guard<std::mutex> hold(lock);
    if (!IsTypeEnabled(type)) return true;
    if (!IsRepeatOfLast(type, category, eventId, stringCount, strings)) return true;
    return WriteEventLogEntry(type, category, eventId, stringCount, strings);
}

bool CEventLogger::IsTypeEnabled(WORD type) const {
    return (type & static_cast<WORD>(typeMask)) != 0;
}

bool CEventLogger::IsRepeatOfLast(WORD type, WORD category, DWORD eventId, WORD stringCount,
                                  const WCHAR** strings) {
    bool repeat = repeatCount != 0 && stringCount != 0 && type == lastType &&
                  category == lastCategory && stringCount == lastStringCount &&
                  eventId == lastEventId;
    for (int i = 0; repeat && i < stringCount; ++i)
        repeat = SameKeptString(strings[i] != nullptr ? strings[i] : u"", lastStrings[i]);
    if (repeat) {
        StampNow(lastTime);
        ++repeatCount;
        return false;
    }
    if (repeatCount > 1) FlushRepeatSummary();
    repeatCount = 1;
    StampNow(firstTime);
    vek::WideCopy(lastTime, kTimeSize, firstTime);
    lastType = type;
    lastCategory = category;
    lastEventId = eventId;
    lastStringCount = stringCount;
    for (int i = 0; i < kMaxStrings; ++i)
        vek::WideCopy(lastStrings[i], kStringSize, i < stringCount ? strings[i] : nullptr);
    return true;
}

void CEventLogger::FlushRepeatSummary() {
    if (repeatCount <= 1) return;
    // The time stamps are ASCII (StampNow).
    char first[kTimeSize], last[kTimeSize];
    for (int i = 0; i < kTimeSize; ++i) {
        first[i] = static_cast<char>(firstTime[i]);
        last[i] = static_cast<char>(lastTime[i]);
    }
    char head[kTimeSize * 2 + 96];
    std::snprintf(head, sizeof head,
                  "The following event was reported %d times between\n%s and %s:\n\n",
                  static_cast<int>(repeatCount), first, last);
    WCHAR summary[kStringSize];
    WidenAscii(head, summary);
    const size_t used = vek::WideLength(summary);
    vek::WideCopy(summary + used, kStringSize - used, lastStrings[0]);

    const WCHAR* strings[kMaxStrings] = {summary};
    for (int i = 1; i < lastStringCount; ++i) strings[i] = lastStrings[i];
    WriteEventLogEntry(lastType, lastCategory, lastEventId, lastStringCount, strings);
}

bool CEventLogger::WriteEventLogEntry(WORD type, WORD category, DWORD eventId, WORD stringCount,
                                      const WCHAR** strings) {
    if (!eventLogOpen) return false;
    return vek::ReportEventW(eventLog, type, category, eventId, nullptr, stringCount, 0, strings,
                             nullptr) != FALSE;
}

void CEventLogger::StampNow(WCHAR (&out)[kTimeSize]) {
    const time_t now = std::chrono::system_clock::to_time_t(vek::CurrentEnv().Now());
    tm local{};
    localtime_r(&now, &local);
    char text[64];
    std::snprintf(text, sizeof text, "%02d/%02d/%02d  %02d:%02d:%02d", local.tm_mon + 1,
                  local.tm_mday, local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
    WidenAscii(text, out);
}
