// The two patterns every getter and field setter of an object configuration
// follows, written once:
//   ReadUnderLock: read lock; the instance open and the record present, else
//     E_FAIL; then the copy.
//   ChangeUnderLock: write lock; open and present, else E_FAIL; then the
//     change, which validates, stores and rewrites its record's stream.
// Lock failures are reported with the operation's context by ConfigLockScope.
#pragma once

#include "objectconfig/lock_scope.h"

namespace vek {

template <class Copy>
HRESULT ReadUnderLock(CVekRWLock& lock, const char* operation, const bool& open, const bool& present,
                      Copy&& copy) {
    ConfigLockScope scope(lock, ConfigLockScope::Kind::kRead, operation);
    if (FAILED(scope.status())) return scope.status();
    if (!open || !present) return E_FAIL;
    return copy();
}

template <class Change>
HRESULT ChangeUnderLock(CVekRWLock& lock, const char* operation, const bool& open,
                        const bool& present, Change&& change) {
    ConfigLockScope scope(lock, ConfigLockScope::Kind::kWrite, operation);
    if (FAILED(scope.status())) return scope.status();
    if (!open || !present) return E_FAIL;
    return change();
}

}  // namespace vek
