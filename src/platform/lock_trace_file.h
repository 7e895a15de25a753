// The file the reader/writer locks trace to, and the facts a trace line
// carries: the switch variable, the time of day and the thread id.
//
// Thread safety: all functions may be called from any thread; appends from
// several threads or processes are not ordered with each other.
#pragma once

#include <cstdint>
#include <string>

namespace vek {

// $TMPDIR/VekRWLockLog.txt, or /tmp/VekRWLockLog.txt when TMPDIR is unset or empty.
std::string LockTracePath();
// True when the environment variable "VEK_LOCK_LOG" exists and is not empty.
bool LockTraceSwitchedOn();
// Removes the file; a missing file is not an error and nothing is reported.
void RemoveLockTraceFile(const std::string& path);
// Opens the file for appending, writes the line and closes it again. A file
// that cannot be opened drops the line.
void AppendLockTraceLine(const std::string& path, const std::string& line);
// Local time of day as "HH:MM:SS".
std::string LocalTimeOfDay();
// The calling thread's id as the kernel numbers it.
uint32_t CurrentThreadId();

}  // namespace vek
