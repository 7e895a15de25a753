#include "settings/open_with_retry.h"

#include "platform/env.h"

LSTATUS VekOpenRegKeyWithRetry(HKEY root, const WCHAR* subKey, DWORD options, REGSAM access,
                               PHKEY result) {
    constexpr int kAttempts = 10;
    constexpr uint32_t kPauseMilliseconds = 100;
    LSTATUS status = ERROR_INVALID_HANDLE;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        status = RegOpenKeyExW(root, subKey, options, access, result);
        if (status != ERROR_INVALID_HANDLE) return status;
        vek::CurrentEnv().SleepMilliseconds(kPauseMilliseconds);
    }
    return status;
}
