// Opening a compound file that another opener may be holding, waiting for
// the holder to let go instead of failing at once.
//
// Thread safety: may be called from any thread.
#pragma once

#include "vekconfig/storage.h"

namespace vek {

// StgOpenStorage with the given mode; while the file is held elsewhere, waits
// up to waitMilliseconds for the holder to let go and then opens it. The wait
// sleeps until the holder closes the file (it is woken by the close, so a
// holder that lets go only briefly between holds is still caught), checking
// at least every few milliseconds for holders that release without closing.
// Answers STG_E_LOCKVIOLATION when the file is still held at the end, else
// whatever StgOpenStorage answers.
HRESULT OpenStorageWaiting(const WCHAR* path, DWORD mode, uint32_t waitMilliseconds,
                           IStorage** storage);

}  // namespace vek
