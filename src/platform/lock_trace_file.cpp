#include "platform/lock_trace_file.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace vek {

std::string LockTracePath() {
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
    if (dir.back() != '/') dir += '/';
    return dir + "VekRWLockLog.txt";
}

// Every lock call asks this once, so it scans the environment itself: the
// same first-match rule as getenv, without measuring the name on every call
// and with a two-letter test that turns most entries away after one load.
// Like getenv it reads the live environment, so setenv and unsetenv take
// effect at the next call.
bool LockTraceSwitchedOn() {
    static constexpr char kEntry[] = "VEK_LOCK_LOG=";
    constexpr size_t kLength = sizeof kEntry - 1;
    char** entries = environ;
    if (entries == nullptr) return false;
    for (; *entries != nullptr; ++entries) {
        const char* entry = *entries;
        if (entry[0] == 'V' && entry[1] == 'E' && std::strncmp(entry, kEntry, kLength) == 0)
            return entry[kLength] != '\0';
    }
    return false;
}

void RemoveLockTraceFile(const std::string& path) { unlink(path.c_str()); }

void AppendLockTraceLine(const std::string& path, const std::string& line) {
    FILE* file = std::fopen(path.c_str(), "a+");
    if (file == nullptr) return;
    std::fwrite(line.data(), 1, line.size(), file);
    std::fclose(file);
}

std::string LocalTimeOfDay() {
    const time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

uint32_t CurrentThreadId() { return static_cast<uint32_t>(syscall(SYS_gettid)); }

}  // namespace vek
