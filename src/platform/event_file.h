// The events file: one JSON object per line, appended by many processes.
//
// A line goes out in one write() on a descriptor opened with O_APPEND, so
// lines from different processes never interleave. Once the file has
// reached its size limit, the next writer renames it to "<name>.1"
// (replacing the previous ".1") under an exclusive flock and starts a new
// file; a writer that still holds the old file appends to the ".1".
//
// Thread safety: safe from many threads and processes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "vekconfig/types.h"

namespace vek {

// Size at which the events file is rotated.
constexpr uint64_t kEventFileLimit = 1u << 20;

// VEK_EVENT_LOG when set, else $VEK_HOME/events.jsonl; empty when no home
// can be found.
std::filesystem::path EventFilePath();

// Appends line and a newline. False when the file cannot be written.
bool AppendEventLine(const std::filesystem::path& file, std::string_view line,
                     uint64_t limit = kEventFileLimit);

// The lines of "<file>.1" and then of file, each without its newline; a
// last line without a newline (being written) is left out. Missing files
// add nothing. Returns 0 or the Win32 error of the failed read.
LSTATUS ReadEventLines(const std::filesystem::path& file, std::vector<std::string>* lines);

}  // namespace vek
