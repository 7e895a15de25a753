// Installation-wide settings: the directories of configuration, spool and
// temporary files, the text log's name and size limit, and the scheduler's
// method of selecting a physical printer. They live in the registry key
// HKEY_LOCAL_MACHINE\SOFTWARE\Norvane\VekConfiguration.
//
// Defaults on this platform: configuration root $VEK_HOME/config/, spool
// $VEK_HOME/spool/, temporary files $VEK_HOME/temp/, log length 1000000,
// selection method 1. A getter that finds a value missing reports a warning
// and, for the configuration root, the temporary directory, the log length
// and (when the whole key is missing) the spool directory, writes the
// default back. The directory getters end their result with "/".
//
// Buffers: a directory getter's output must hold 261 wide characters (259
// of value, "/" and the terminator); a stored value of more than 259
// characters makes the getter fail. Setters take at most 260 characters.
//
// Results: S_OK; E_POINTER when a required pointer is null; E_FAIL for
// anything else (the detailed cause goes to the event log). A machine name
// of null means this machine; another machine is reached through the
// registry's remote connection.
//
// Thread safety: every function may be called from any thread; nothing is
// shared between calls.
#pragma once

#include "vekconfig/types.h"

// The scheduler's method of choosing a physical printer. Only the default is
// fixed here; other components give meaning to further values.
enum PP_SELECTION_METHOD : uint32_t {
    PP_SELECTION_DEFAULT = 1,
};
static_assert(sizeof(PP_SELECTION_METHOD) == 4, "stored as 4 bytes");

// Creates the directory (its last component only: a missing parent fails)
// on this machine, then stores the path as "ConfigurationRoot" on machine.
VEK_API HRESULT SetConfigLocation(const WCHAR* path, const WCHAR* machine);
// The configuration root with a trailing "/". On failure out is empty.
VEK_API HRESULT GetConfigLocation(WCHAR* out, const WCHAR* machine);

// Creates the directory (last component only) and stores "SpoolRoot".
VEK_API HRESULT SetSpoolLocation(const WCHAR* path);
// The spool directory with a trailing "/"; the default when the value is
// missing or unreadable.
VEK_API HRESULT GetSpoolLocation(WCHAR* out);

// Creates the directory (last component only) and stores "TempRoot".
VEK_API HRESULT SetVekTempLocation(const WCHAR* path);
// The temporary directory with a trailing "/".
VEK_API HRESULT GetVekTempLocation(WCHAR* out);

// Stores "LogFileName" (an empty name is stored as such).
VEK_API HRESULT SetLogFileName(const WCHAR* name);
// The stored log file name, or the empty string when there is none.
VEK_API HRESULT GetLogFileName(WCHAR* out);

// Stores "LogLength" (REG_DWORD) on machine.
VEK_API HRESULT SetConfigLogLength(DWORD length, const WCHAR* machine);
VEK_API HRESULT GetConfigLogLength(DWORD* out, const WCHAR* machine);

// Stores "SchedulerSelectionMethod" as 4 bytes of REG_BINARY.
VEK_API HRESULT SetSchedulerSelectionMethod(PP_SELECTION_METHOD method);
// The stored method, or 1 when none is stored or it is not 4 bytes.
VEK_API HRESULT GetSchedulerSelectionMethod(PP_SELECTION_METHOD& method);
