#include "foundation/report.h"

#include "foundation/event_logger.h"
#include "platform/event_format.h"

namespace vek {

void ReportError(const WCHAR* context, HRESULT status) {
    if (g_pEventLogger != nullptr)
        g_pEventLogger->ReportStatus(EVENTLOG_ERROR_TYPE, 0, kEventFunctionFailed, context, status);
}

void ReportNotice(const WCHAR* text) {
    if (g_pEventLogger != nullptr)
        g_pEventLogger->ReportStrings(EVENTLOG_WARNING_TYPE, 0, kEventNotice, text, nullptr,
                                      nullptr, nullptr, nullptr);
}

}  // namespace vek
