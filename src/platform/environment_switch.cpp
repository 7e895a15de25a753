// Why a few words tell whether the environment still looks as it did.
//
// glibc changes the array `environ` points to in these ways only:
// - setenv or putenv of a name already present stores a new entry pointer in
//   that name's slot; the array and every other slot stay. (setenv hands out
//   the same string again for a name=value it made before, so an entry
//   pointer can come back: the value is therefore always read live.)
// - setenv or putenv of a new name reallocates the array to count + 2 slots
//   and writes the entry at index count and nulls after it. The array either
//   stays where it is (count grows in place) or moves (`environ` changes).
// - unsetenv moves every later slot down by one over each removed entry, in
//   place, terminator included: every slot from the first removed one to the
//   old terminator changes, the old terminator's slot becomes null.
// - clearenv frees the array (when glibc made it) and sets `environ` null.
// - the program may assign `environ` itself, and may edit in place a string
//   it gave to putenv.
//
// Found at (array, slot, entry): setenv and putenv replace a name's first
// entry and unsetenv removes all of them, so the first entry of a name stays
// the first; and in an array that stays at its address every slot past the
// terminator is null (removals move nulls down behind them, additions write
// their slots). So while `environ` is that array and the slot still holds
// that pointer, the entry is in the environment and is the one getenv finds.
// Its name and value are read live, so an edit of a putenv string is seen.
//
// Absent, with (array, count, last entry): an addition writes a slot at or
// past count, so slot count is no longer null; a removal moves null into
// slot count - 1 or a later entry into it; a move changes `environ`. Either
// way the words differ and the array is scanned again. The last entry is
// read live as well, since a putenv string that was renamed away from the
// variable and handed back ends up as the last entry.
//
// What no fixed set of words can see, and so is not seen until the words
// differ: between two questions of one thread, the last entry removed, the
// variable added, another entry removed and the last entry put back as the
// very same string (the absent words all match again); an array freed and a
// new environment array made at the same address holding the same words; a
// putenv string other than the ones read live edited in place into being
// the variable's entry; or the program pointing `environ` at an array of its
// own with the same words. Every other sequence of setenv, unsetenv, putenv
// and clearenv calls is seen at the next question.
//
// Threads: each thread keeps its own words, so nothing of ours is shared.
// The environment is read without a lock, exactly as getenv reads it: a
// change made by another thread is seen once it happened before the
// question, and changing it during the question is the caller's race, as
// it is for getenv.
//
// The words are read at indexes that were inside the array when they were
// taken. After removals an addition may shrink the array's block in place,
// so such a read can land past the block's end; it still lands in heap
// memory that malloc keeps mapped (blocks of arrays we cache are far below
// its mmap threshold; longer arrays are scanned on every question) and only
// a matching pointer is followed.
#include "platform/environment_switch.h"

#include <cstring>

namespace vek {
namespace {

// Longer environments are not cached (see above).
constexpr size_t kMostCachedEntries = 4096;

}  // namespace

bool RescanEnvironmentSwitch(std::string_view entryPrefix, EnvironmentSwitchCache& cache) {
    char** const array = environ;
    size_t count = 0;
    if (array != nullptr) {
        for (; array[count] != nullptr; ++count) {
            const char* const entry = array[count];
            // The first byte turns most entries away before the call.
            if (entry[0] != entryPrefix[0] ||
                std::strncmp(entry, entryPrefix.data(), entryPrefix.size()) != 0)
                continue;
            cache = {array, entry, count, true, count < kMostCachedEntries};
            return entry[entryPrefix.size()] != '\0';
        }
    }
    const char* const last = count == 0 ? nullptr : array[count - 1];
    cache = {array, last, count, false, count < kMostCachedEntries};
    return false;
}

}  // namespace vek
