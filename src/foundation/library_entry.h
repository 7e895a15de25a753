// What the library does when it is loaded into a process and unloaded from
// it: create the process's CEventLogger for the source
// "VekConfig, Ostrel Norvane" (errors and warnings only), register the
// source under
// HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\<source>,
// and destroy the logger at unload (writing a pending repeat summary).
//
// Thread safety: attach and detach run under the loader's serialisation,
// before and after every other call into the library.
#pragma once

#include "foundation/event_logger.h"

namespace vek {

inline constexpr const WCHAR* kEventSourceName = u"VekConfig, Ostrel Norvane";
inline constexpr const WCHAR* kEventSourceKeyPrefix =
    u"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\";

// Load hook: creates g_pEventLogger with modulePath as its message file
// and installs the event source. Never fails; without memory for the logger,
// g_pEventLogger stays null and reports are dropped.
void AttachLibrary(const WCHAR* modulePath);
// Unload hook: destroys the logger; later reports are dropped.
void DetachLibrary();

}  // namespace vek

// Writes the source's key with "EventMessageFile" (REG_EXPAND_SZ, the
// logger's message file) and "TypesSupported" (REG_DWORD 7). True when both
// values were written.
bool InstallEventSource(CEventLogger* logger);
