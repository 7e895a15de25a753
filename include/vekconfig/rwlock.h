// CVekRWLock: the reader/writer lock that guards one object configuration in
// memory. Many threads may hold it for reading at once, one thread at a time
// for writing, and a writer that waits keeps out the readers that arrive
// after it (writer preference). Not re-entrant and without ownership checks:
// every acquisition must be paired with exactly one release on the same
// thread of control, and acquisitions of one lock must not be nested.
//
// Copies share one lock state: a copy (or an assigned lock) and its source
// behave as one lock; the state is freed with the last of them.
//
// Tracing: while the environment variable "VEK_LOCK_LOG" is set and not
// empty, every step is appended as one line to $TMPDIR/VekRWLockLog.txt
// (/tmp when TMPDIR is unset); constructing a lock deletes that file first.
//
// Thread safety: every operation may be called from any thread.
#pragma once

#include <memory>

#include "vekconfig/types.h"

class VEK_API CVekRWLock {
public:
    CVekRWLock();
    CVekRWLock(const CVekRWLock& other);
    CVekRWLock& operator=(const CVekRWLock& other);
    virtual ~CVekRWLock();

    // Each operation: S_OK when the lock was obtained or released, E_ABORT
    // when a wait failed (the gates already taken are given back).
    // waitWithDispatch false (what the library always passes): every wait is
    // unbounded and timeoutMs is not applied. true: each wait gives up after
    // timeoutMs milliseconds.
    HRESULT GetReadLock(bool waitWithDispatch, DWORD timeoutMs);
    HRESULT ReleaseReadLock(bool waitWithDispatch, DWORD timeoutMs);
    HRESULT GetWriteLock(bool waitWithDispatch, DWORD timeoutMs);
    HRESULT ReleaseWriteLock(bool waitWithDispatch, DWORD timeoutMs);

private:
    struct State;
    std::shared_ptr<State> state_;
};
