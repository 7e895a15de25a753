// What a caller holds while it makes many registry reads in a row.
#pragma once

namespace vek {

// Held by a caller about to make many reads in a row (a walk over a key's
// subkeys, say): while it lives, the reads of the thread that took it may
// share one read transaction instead of taking the database's read lock
// once each. A shared transaction is never more than a few milliseconds
// old when a read uses it, and a write by the thread ends it first, so the
// thread still reads its own writes and what others committed moments
// before. Destroyed on the thread that took it.
class SharedReads {
public:
    virtual ~SharedReads() = default;
};

}  // namespace vek
