// Files and directories in the shapes the library's logic was written
// against: Win32 error numbers as results, UTF-16 paths.
//
// Thread safety: safe; these are single system calls or directory reads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vekconfig/types.h"

namespace vek {

// Creates the last component of path only. 0; 183 when something of that
// name exists; 3 when a parent is missing or path is empty; 5 when not
// permitted; 1 (a general failure) otherwise.
LSTATUS CreateDirectoryW(const WCHAR* path);

// Names of the entries of directory (not "." or "..") that match pattern
// ("*" and "?" wildcards), without regard to ASCII case, in name order.
// 0 with at least one name; 2 when none matches; 3 when the directory
// cannot be read.
LSTATUS FindMatchingFiles(const WCHAR* directory, const WCHAR* pattern,
                          std::vector<std::u16string>* names);

// Last modification of a file, in seconds since 1970. 0, or 2 when it
// cannot be read.
LSTATUS FileModificationTime(const WCHAR* path, int64_t* seconds);

// Removes a file (not a directory). 0, 2 when missing, 5 otherwise.
LSTATUS DeleteFileW(const WCHAR* path);

}  // namespace vek
