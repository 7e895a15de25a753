#include "platform/event_log.h"

#include <new>

#include "platform/env.h"
#include "vekconfig/text.h"

namespace vek {

struct EventLogSource {
    WCHAR name[512];
};

HEVENTLOG OpenEventLogW(const WCHAR* server, const WCHAR* source) {
    if (server != nullptr || source == nullptr || *source == 0) return nullptr;
    auto* log = new (std::nothrow) EventLogSource;
    if (log == nullptr) return nullptr;
    if (!WideCopy(log->name, std::size(log->name), source)) {
        delete log;
        return nullptr;
    }
    return log;
}

BOOL ReportEventW(HEVENTLOG log, WORD type, WORD category, DWORD eventId, const void* userSid,
                  WORD stringCount, DWORD dataSize, const WCHAR** strings, const void* data) {
    if (log == nullptr || (stringCount > 0 && strings == nullptr)) return FALSE;
    const EventRecord event{log->name, type, category, eventId, stringCount, strings};
    return CurrentEnv().Events().Write(event) ? TRUE : FALSE;
}

BOOL CloseEventLog(HEVENTLOG log) {
    if (log == nullptr) return FALSE;
    delete log;
    return TRUE;
}

}  // namespace vek
