#include "platform/lock_trace_file.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/environment_switch.h"

namespace vek {

std::string LockTracePath() {
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
    if (dir.back() != '/') dir += '/';
    return dir + "VekRWLockLog.txt";
}

// Every lock call asks this once, so each thread keeps where it last found
// the entry and rescans only when the environment has changed shape.
bool LockTraceSwitchedOn() {
    thread_local EnvironmentSwitchCache cache{};
    return EnvironmentSwitchOn("VEK_LOCK_LOG=", cache);
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
