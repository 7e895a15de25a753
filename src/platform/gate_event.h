// An auto-reset event used as a binary gate: a successful wait takes it, Set
// gives it back, and setting a gate that is already free leaves it free. One
// waiter is released per Set. Built on a futex so that an uncontended
// take/give costs one atomic operation each and no system call.
//
// Thread safety: every member may be called from any thread.
#pragma once

#include <atomic>
#include <cstdint>

namespace vek {

class GateEvent {
public:
    // Waits without end.
    static constexpr uint32_t kInfinite = 0xFFFFFFFFu;

    GateEvent() = default;  // starts free
    GateEvent(const GateEvent&) = delete;
    GateEvent& operator=(const GateEvent&) = delete;

    // Takes the gate, waiting up to timeoutMs (kInfinite: no limit). True when
    // taken, false when the time ran out.
    bool Wait(uint32_t timeoutMs);
    // Gives the gate back, waking one waiter if any.
    void Set();

private:
    // 0 taken, 1 free, 2 taken with possible waiters.
    std::atomic<uint32_t> state_{1};
};

}  // namespace vek
