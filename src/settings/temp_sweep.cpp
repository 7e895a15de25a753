#include "settings/temp_sweep.h"

#include <chrono>
#include <string>
#include <vector>

#include "foundation/report.h"
#include "platform/env.h"
#include "platform/files.h"
#include "settings/settings_key.h"
#include "vekconfig/settings.h"

void FindAndDeleteOldTempFiles() {
    WCHAR directory[vek::kLocationSize];
    if (FAILED(GetVekTempLocation(directory))) return;
    std::vector<std::u16string> names;
    if (vek::FindMatchingFiles(directory, u"*.txt", &names) != ERROR_SUCCESS) {
        vek::ReportError(u"FindAndDeleteOldTempFiles-->FindFirstFile", ERROR_FILE_NOT_FOUND);
        return;
    }
    for (const std::u16string& name : names) {
        const std::u16string path = directory + name;
        DeleteIfOlderThanFiveDays(path.c_str());
    }
}

void DeleteIfOlderThanFiveDays(const WCHAR* path) {
    constexpr int64_t kFiveDaysInSeconds = 432000;
    const int64_t now = std::chrono::duration_cast<std::chrono::seconds>(
                            vek::CurrentEnv().Now().time_since_epoch())
                            .count();
    int64_t modified = 0;
    if (vek::FileModificationTime(path, &modified) != ERROR_SUCCESS) return;
    if (now - modified > kFiveDaysInSeconds) vek::DeleteFileW(path);
}
