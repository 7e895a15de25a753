// A live answer to "is this environment variable set and not empty" that is
// cheap enough to ask on every call of a hot path. The answer is the one
// getenv would give at that moment (first entry "NAME=" in `environ`, value
// not empty), so setenv, unsetenv, putenv and clearenv take effect at the
// next question, but the environment is scanned only when it has changed
// shape since the calling thread last looked: otherwise a few words are
// compared and the entry they point to is read live. Why those words
// suffice, and their limits, is set out in environment_switch.cpp.
//
// Thread safety: a cache belongs to one thread (keep it thread_local), so
// no state is shared between threads. A change made by another thread counts
// once it happened before the question (in the memory-order sense); changing
// the environment during a question is a race, as it is for getenv.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <string_view>

namespace vek {

// What one thread last found in the environment array for one variable.
// Zero-initialised it holds nothing and the first question scans.
struct EnvironmentSwitchCache {
    // `environ` when the words below were taken.
    char** array;
    // Found: the variable's entry. Absent: the last entry (null when none).
    const char* entry;
    // Found: the entry's index. Absent: the number of entries.
    size_t slot;
    bool found;
    // False until a scan filled the words, and for arrays too long to cache.
    bool valid;
};

// Scans the environment for entryPrefix ("NAME="), refills the cache and
// answers as EnvironmentSwitchOn.
bool RescanEnvironmentSwitch(std::string_view entryPrefix, EnvironmentSwitchCache& cache);

// Whether entry begins with prefix. Byte by byte, stopping at the first
// difference: a string given to putenv may have been shortened in place.
inline bool EntryHasPrefix(const char* entry, std::string_view prefix) {
    size_t i = 0;
    while (i < prefix.size() && entry[i] == prefix[i]) ++i;
    return i == prefix.size();
}

// True when the first environment entry that begins with entryPrefix
// ("NAME=") has a non-empty value. cache is the calling thread's cache for
// this one prefix.
inline bool EnvironmentSwitchOn(std::string_view entryPrefix, EnvironmentSwitchCache& cache) {
    char** const array = environ;
    if (cache.valid && array == cache.array) {
        const char* const entry = cache.entry;
        if (cache.found) {
            if (array[cache.slot] == entry && EntryHasPrefix(entry, entryPrefix))
                return entry[entryPrefix.size()] != '\0';
        } else if (array == nullptr ||
                   (array[cache.slot] == nullptr &&
                    (entry == nullptr ||
                     (array[cache.slot - 1] == entry && !EntryHasPrefix(entry, entryPrefix))))) {
            return false;
        }
    }
    return RescanEnvironmentSwitch(entryPrefix, cache);
}

}  // namespace vek
