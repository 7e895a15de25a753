#include "objectconfig/lock_scope.h"

#include <string>

#include "foundation/report.h"
#include "vekconfig/text.h"

namespace vek {
namespace {

// The library always asks for plain waits; the time-out is then not applied.
constexpr bool kDispatch = false;
constexpr DWORD kTimeout = 2500;

void ReportLockFailure(const char* operation, const char* step, HRESULT status) {
    const std::u16string context =
        u"CVekObjectConfig::" + Utf8ToUtf16(operation) + u" - " + Utf8ToUtf16(step);
    ReportError(context.c_str(), status);
}

}  // namespace

ConfigLockScope::ConfigLockScope(CVekRWLock& lock, Kind kind, const char* operation)
    : lock_(lock), kind_(kind), operation_(operation) {
    if (kind_ == Kind::kRead) {
        status_ = lock_.GetReadLock(kDispatch, kTimeout);
        if (FAILED(status_)) ReportLockFailure(operation_, "GetReadLock()", status_);
    } else {
        status_ = lock_.GetWriteLock(kDispatch, kTimeout);
        if (FAILED(status_)) ReportLockFailure(operation_, "GetWriteLock()", status_);
    }
}

ConfigLockScope::~ConfigLockScope() {
    if (FAILED(status_)) return;
    if (kind_ == Kind::kRead) {
        const HRESULT hr = lock_.ReleaseReadLock(kDispatch, kTimeout);
        if (FAILED(hr)) ReportLockFailure(operation_, "ReleaseReadLock()", hr);
    } else {
        const HRESULT hr = lock_.ReleaseWriteLock(kDispatch, kTimeout);
        if (FAILED(hr)) ReportLockFailure(operation_, "ReleaseWriteLock()", hr);
    }
}

}  // namespace vek
