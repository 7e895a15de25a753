// Reading the events file back for tools.
#include "platform/event_file.h"
#include "platform/event_format.h"
#include "vekconfig/events.h"

namespace vek {

std::string EventLogPath() { return EventFilePath().string(); }

HRESULT ReadEventLog(std::vector<EventLogEntry>* entries, size_t* skippedLines) {
    if (entries == nullptr) return E_POINTER;
    entries->clear();
    if (skippedLines != nullptr) *skippedLines = 0;
    const std::filesystem::path file = EventFilePath();
    if (file.empty()) return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    std::vector<std::string> lines;
    if (const LSTATUS status = ReadEventLines(file, &lines); status != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(status);
    for (const std::string& line : lines) {
        EventLogEntry entry;
        if (ParseEventJson(line, &entry))
            entries->push_back(std::move(entry));
        else if (skippedLines != nullptr)
            ++*skippedLines;
    }
    return S_OK;
}

std::string EventTypeName(uint16_t type) {
    switch (type) {
        case EVENTLOG_SUCCESS: return "success";
        case EVENTLOG_ERROR_TYPE: return "error";
        case EVENTLOG_WARNING_TYPE: return "warning";
        case EVENTLOG_INFORMATION_TYPE: return "information";
        case EVENTLOG_AUDIT_SUCCESS: return "audit-success";
        case EVENTLOG_AUDIT_FAILURE: return "audit-failure";
        default: return "type " + std::to_string(type);
    }
}

}  // namespace vek
