// The reader/writer lock built from five gates and two counters. Readers pass
// tryToRead, onDeck and updateReadCount; the first reader also takes dataLock
// for the whole group and the last gives it back. A writer counts itself
// under updateWriteCount, then holds onDeck while it waits for dataLock, so
// readers arriving later stop at onDeck and cannot overtake it.
//
// The gates and the reader count share one atomic word. An untraced reader
// whose gates are all free does its whole pass (take three gates, count
// itself, take dataLock if first, give the three back) as one atomic step,
// which is the same pass run with nobody in between; every other call, and
// every traced call, takes the gates one by one on the same word, so traced
// and untraced calls mix freely on one lock.
#include "vekconfig/rwlock.h"

#include <cstdio>
#include <mutex>
#include <string>

#include "platform/gate_word.h"
#include "platform/lock_trace_file.h"

namespace {

// Gates of the lock's word.
enum Gate : int { dataLock, tryToRead, updateReadCount, updateWriteCount, onDeck };
using vek::GateWord;

}  // namespace

struct CVekRWLock::State {
    // The five gates and readerCount.
    GateWord gates;
    // Changed only while updateWriteCount is held.
    int32_t writerCount = 0;
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
public:
    bool On() const { return on_; }

private:
    bool on_;
};

uint32_t WaitLimit(bool waitWithDispatch, DWORD timeoutMs) {
    return waitWithDispatch ? timeoutMs : GateWord::kInfinite;
}

// The whole reader pass in one step when tryToRead, onDeck and
// updateReadCount are free and, for the first reader, dataLock too.
uint32_t ReaderEnters(uint32_t w) {
    constexpr uint32_t passed =
        GateWord::Taken(tryToRead) | GateWord::Taken(onDeck) | GateWord::Taken(updateReadCount);
    if ((w & passed) != 0) return w;
    const uint32_t counted = w + GateWord::kCountOne;
    if (GateWord::Count(counted) != 1) return counted;
    if ((w & GateWord::Taken(dataLock)) != 0) return w;
    return counted | GateWord::Taken(dataLock);
}

// The whole release in one step when updateReadCount is free; the last
// reader gives dataLock back.
uint32_t ReaderLeaves(uint32_t w) {
    if ((w & GateWord::Taken(updateReadCount)) != 0) return w;
    const uint32_t counted = w - GateWord::kCountOne;
    if (GateWord::Count(counted) > 0) return counted;
    return counted & ~(GateWord::Taken(dataLock) | GateWord::Sleepers(dataLock));
}

}  // namespace

CVekRWLock::CVekRWLock() : state_(std::make_shared<State>()) {}
CVekRWLock::CVekRWLock(const CVekRWLock& other) = default;
CVekRWLock& CVekRWLock::operator=(const CVekRWLock& other) = default;
CVekRWLock::~CVekRWLock() = default;

HRESULT CVekRWLock::GetReadLock(bool waitWithDispatch, DWORD timeoutMs) {
    State& s = *state_;
    GateWord& g = s.gates;
    Tracer trace(s.logSection, s.logPath);
    if (!trace.On() && g.TryStep(ReaderEnters)) return S_OK;
    const uint32_t limit = WaitLimit(waitWithDispatch, timeoutMs);
    trace("\t\tReader waiting on TryToRead");
    if (!g.Wait(tryToRead, limit)) return E_ABORT;
    trace("\t\tReader waiting on OnDeck");
    if (!g.Wait(onDeck, limit)) {
        g.Set(tryToRead);
        return E_ABORT;
    }
    trace("\t\tReader waiting on UpdateReadCount");
    if (!g.Wait(updateReadCount, limit)) {
        g.Set(onDeck);
        g.Set(tryToRead);
        return E_ABORT;
    }
    const int32_t readers = g.AddCount(1);
    trace.Count("\t\tIncremented reader count to: %d", readers);
    HRESULT result = S_OK;
    if (readers == 1) {
        trace("\t\tReader waiting for lock availability");
        if (!g.Wait(dataLock, limit)) {
            // The group never got the data: undo this reader's count.
            g.AddCount(-1);
            result = E_ABORT;
        }
    }
    if (result == S_OK) trace("Lock given to reader");
    g.Set(updateReadCount);
    g.Set(onDeck);
    g.Set(tryToRead);
    return result;
}

HRESULT CVekRWLock::ReleaseReadLock(bool waitWithDispatch, DWORD timeoutMs) {
    State& s = *state_;
    GateWord& g = s.gates;
    Tracer trace(s.logSection, s.logPath);
    if (!trace.On() && g.TryStep(ReaderLeaves)) return S_OK;
    trace("\t\tTrying to release read lock");
    if (!g.Wait(updateReadCount, WaitLimit(waitWithDispatch, timeoutMs))) return E_ABORT;
    const int32_t readers = g.AddCount(-1);
    trace.Count("\t\tDecremented reader count to: %d", readers);
    if (readers > 0) {
        trace.Count("\t\tLock still held by %d other readers", readers);
        g.Set(updateReadCount);
        return S_OK;
    }
    trace("Lock released by reader");
    g.Set(dataLock);
    g.Set(updateReadCount);
    return S_OK;
}

HRESULT CVekRWLock::GetWriteLock(bool waitWithDispatch, DWORD timeoutMs) {
    State& s = *state_;
    GateWord& g = s.gates;
    Tracer trace(s.logSection, s.logPath);
    const uint32_t limit = WaitLimit(waitWithDispatch, timeoutMs);
    trace("\t\tRequesting write lock");
    if (!g.Wait(updateWriteCount, limit)) return E_ABORT;
    ++s.writerCount;
    trace.Count("\t\tIncremented writer count to: %d", s.writerCount);
    g.Set(updateWriteCount);
    trace("\t\tWriter waiting to be on deck");
    if (!g.Wait(onDeck, limit)) return E_ABORT;
    trace("\t\tWriter waiting for lock availability");
    const HRESULT result = g.Wait(dataLock, limit) ? S_OK : E_ABORT;
    g.Set(onDeck);
    if (result == S_OK) trace("Lock given to writer");
    return result;
}

HRESULT CVekRWLock::ReleaseWriteLock(bool waitWithDispatch, DWORD timeoutMs) {
    State& s = *state_;
    GateWord& g = s.gates;
    Tracer trace(s.logSection, s.logPath);
    trace("Lock released by writer");
    g.Set(onDeck);
    g.Set(dataLock);
    trace("\t\tTrying to decrement writer count");
    if (!g.Wait(updateWriteCount, WaitLimit(waitWithDispatch, timeoutMs))) return E_ABORT;
    --s.writerCount;
    trace.Count("\t\tDecremented writer count to: %d", s.writerCount);
    g.Set(updateWriteCount);
    return S_OK;
}
