// Holds one of an object configuration's locks for the life of a scope, and
// reports a failure to take or to give it back with the operation's context:
// "CVekObjectConfig::" + operation + " - GetReadLock()" (or ReleaseReadLock,
// GetWriteLock, ReleaseWriteLock).
#pragma once

#include "vekconfig/rwlock.h"

namespace vek {

class ConfigLockScope {
public:
    enum class Kind { kRead, kWrite };

    // operation is the method's name as reported, e.g. "Open(GUID)".
    ConfigLockScope(CVekRWLock& lock, Kind kind, const char* operation);
    ~ConfigLockScope();
    ConfigLockScope(const ConfigLockScope&) = delete;
    ConfigLockScope& operator=(const ConfigLockScope&) = delete;

    // S_OK when the lock is held, else the lock's status (already reported).
    HRESULT status() const { return status_; }

private:
    CVekRWLock& lock_;
    Kind kind_;
    const char* operation_;
    HRESULT status_;
};

}  // namespace vek
