// The sweep of old "*.txt" files out of the temporary directory.
//
// Thread safety: safe; several processes may sweep at once.
#pragma once

#include "vekconfig/types.h"

// Deletes every "*.txt" file (matched without regard to case) directly in
// the temporary directory (GetVekTempLocation) that is older than five
// days. When no such name exists, reports the error
// "FindAndDeleteOldTempFiles-->FindFirstFile" with status 2. Entries that
// cannot be deleted are skipped silently.
void FindAndDeleteOldTempFiles();

// Deletes the file when its last change lies more than 432000 seconds
// before now (by the environment's clock). Silent on every failure.
void DeleteIfOlderThanFiveDays(const WCHAR* path);
