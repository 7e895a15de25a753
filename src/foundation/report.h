// The two reporting shapes every part of the library uses, through the
// process's logger (g_pEventLogger); without a logger they do nothing.
//
//   ReportError(u"GetLogFileName-->Registry", status);
//       error event 0x40001001 "%1 function FAILED (%2)." with the context
//       and the status as "%#lx"
//   ReportNotice(u"VEK config location not found in Registry -- ...");
//       warning event 0x40001002 "%1."
//
// Thread safety: safe from any thread.
#pragma once

#include "vekconfig/types.h"

namespace vek {

void ReportError(const WCHAR* context, HRESULT status);
void ReportNotice(const WCHAR* text);

}  // namespace vek
