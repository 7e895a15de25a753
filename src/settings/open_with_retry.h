// The one way the library opens a registry key for reading.
//
// Thread safety: safe; blocks the caller for up to one second.
#pragma once

#include "vekconfig/registry.h"

// RegOpenKeyExW, retried while it answers 6 (ERROR_INVALID_HANDLE): at most
// 10 attempts with a pause of 100 ms after each such answer. Returns the last
// answer (0 with *result open, to be closed with RegCloseKey; 2 for a missing
// key; 6 when every attempt failed that way; any other code at once).
LSTATUS VekOpenRegKeyWithRetry(HKEY root, const WCHAR* subKey, DWORD options, REGSAM access,
                               PHKEY result);
