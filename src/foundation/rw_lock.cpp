// The reader/writer lock built from five gates and two counters. Readers pass
// tryToRead, onDeck and updateReadCount; the first reader also takes dataLock
// for the whole group and the last gives it back. A writer counts itself
// under updateWriteCount, then holds onDeck while it waits for dataLock, so
// readers arriving later stop at onDeck and cannot overtake it.
#include "vekconfig/rwlock.h"

#include <cstdio>
#include <mutex>
#include <string>

#include "platform/gate_event.h"
#include "platform/lock_trace_file.h"

struct CVekRWLock::State {
    int32_t readerCount = 0;
    int32_t writerCount = 0;
    vek::GateEvent dataLock;
    vek::GateEvent tryToRead;
    vek::GateEvent updateReadCount;
    vek::GateEvent updateWriteCount;
    vek::GateEvent onDeck;
    std::mutex logSection;
    std::string logPath = vek::LockTracePath();

    State() { vek::RemoveLockTraceFile(logPath); }
};

namespace {

// The trace of one lock operation. The switch is read once when the operation
// starts, so an operation's lines are either all written or none, and a lock
// call with tracing off costs one environment lookup.
class Tracer {
public:
    Tracer(std::mutex& section, const std::string& path)
        : section_(section), path_(path), on_(vek::LockTraceSwitchedOn()) {}

    void operator()(const char* message) {
        if (!on_) return;
        char line[512];
        std::snprintf(line, sizeof line, "%.8s Thread: %u %s\n", vek::LocalTimeOfDay().c_str(),
                      vek::CurrentThreadId(), message);
        std::lock_guard<std::mutex> hold(section_);
        vek::AppendLockTraceLine(path_, line);
    }
    void Count(const char* format, int32_t count) {
        if (!on_) return;
        char message[128];
        std::snprintf(message, sizeof message, format, count);
        (*this)(message);
    }

private:
    std::mutex& section_;
    const std::string& path_;
    bool on_;
};

uint32_t WaitLimit(bool waitWithDispatch, DWORD timeoutMs) {
    return waitWithDispatch ? timeoutMs : vek::GateEvent::kInfinite;
}

}  // namespace

CVekRWLock::CVekRWLock() : state_(std::make_shared<State>()) {}
CVekRWLock::CVekRWLock(const CVekRWLock& other) = default;
CVekRWLock& CVekRWLock::operator=(const CVekRWLock& other) = default;
CVekRWLock::~CVekRWLock() = default;

HRESULT CVekRWLock::GetReadLock(bool waitWithDispatch, DWORD timeoutMs) {
    State& s = *state_;
    Tracer trace(s.logSection, s.logPath);
    const uint32_t limit = WaitLimit(waitWithDispatch, timeoutMs);
    trace("\t\tReader waiting on TryToRead");
    if (!s.tryToRead.Wait(limit)) return E_ABORT;
    trace("\t\tReader waiting on OnDeck");
    if (!s.onDeck.Wait(limit)) {
        s.tryToRead.Set();
        return E_ABORT;
    }
    trace("\t\tReader waiting on UpdateReadCount");
    if (!s.updateReadCount.Wait(limit)) {
        s.onDeck.Set();
        s.tryToRead.Set();
        return E_ABORT;
    }
    ++s.readerCount;
    trace.Count("\t\tIncremented reader count to: %d", s.readerCount);
    HRESULT result = S_OK;
    if (s.readerCount == 1) {
        trace("\t\tReader waiting for lock availability");
        if (!s.dataLock.Wait(limit)) {
            // The group never got the data: undo this reader's count.
            --s.readerCount;
            result = E_ABORT;
        }
    }
    if (result == S_OK) trace("Lock given to reader");
    s.updateReadCount.Set();
    s.onDeck.Set();
    s.tryToRead.Set();
    return result;
}

HRESULT CVekRWLock::ReleaseReadLock(bool waitWithDispatch, DWORD timeoutMs) {
    State& s = *state_;
    Tracer trace(s.logSection, s.logPath);
    trace("\t\tTrying to release read lock");
    if (!s.updateReadCount.Wait(WaitLimit(waitWithDispatch, timeoutMs))) return E_ABORT;
    --s.readerCount;
    trace.Count("\t\tDecremented reader count to: %d", s.readerCount);
    if (s.readerCount > 0) {
        trace.Count("\t\tLock still held by %d other readers", s.readerCount);
        s.updateReadCount.Set();
        return S_OK;
    }
    trace("Lock released by reader");
    s.dataLock.Set();
    s.updateReadCount.Set();
    return S_OK;
}

HRESULT CVekRWLock::GetWriteLock(bool waitWithDispatch, DWORD timeoutMs) {
    State& s = *state_;
    Tracer trace(s.logSection, s.logPath);
    const uint32_t limit = WaitLimit(waitWithDispatch, timeoutMs);
    trace("\t\tRequesting write lock");
    if (!s.updateWriteCount.Wait(limit)) return E_ABORT;
    ++s.writerCount;
    trace.Count("\t\tIncremented writer count to: %d", s.writerCount);
    s.updateWriteCount.Set();
    trace("\t\tWriter waiting to be on deck");
    if (!s.onDeck.Wait(limit)) return E_ABORT;
    trace("\t\tWriter waiting for lock availability");
    const HRESULT result = s.dataLock.Wait(limit) ? S_OK : E_ABORT;
    s.onDeck.Set();
    if (result == S_OK) trace("Lock given to writer");
    return result;
}

HRESULT CVekRWLock::ReleaseWriteLock(bool waitWithDispatch, DWORD timeoutMs) {
    State& s = *state_;
    Tracer trace(s.logSection, s.logPath);
    trace("Lock released by writer");
    s.onDeck.Set();
    s.dataLock.Set();
    trace("\t\tTrying to decrement writer count");
    if (!s.updateWriteCount.Wait(WaitLimit(waitWithDispatch, timeoutMs))) return E_ABORT;
    --s.writerCount;
    trace.Count("\t\tDecremented writer count to: %d", s.writerCount);
    s.updateWriteCount.Set();
    return S_OK;
}
