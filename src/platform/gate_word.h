// Five auto-reset gates and a signed counter packed into one 32-bit word, so
// that a caller can take or give back several gates and change the counter
// with one atomic operation. Each gate behaves as an auto-reset event used as
// a binary gate: a successful wait takes it, Set gives it back, setting a
// gate that is already free leaves it free, and one waiter is released per
// Set. Waits sleep on a futex only while a gate is taken; an uncontended
// take or give costs one atomic operation and no system call.
//
// Layout: gate g owns bit 2g (taken) and bit 2g+1 (taken, and threads may be
// asleep waiting for it); bits 10 to 31 hold the counter as a 22-bit two's
// complement number, so adding to it never disturbs the gates.
//
// Thread safety: every member may be called from any thread.
#pragma once

#include <atomic>
#include <cstdint>

namespace vek {

class GateWord {
public:
    static constexpr int kGates = 5;
    // Waits without end.
    static constexpr uint32_t kInfinite = 0xFFFFFFFFu;
    static constexpr int kCountShift = 2 * kGates;
    static constexpr uint32_t kCountOne = 1u << kCountShift;

    static constexpr uint32_t Taken(int gate) { return 1u << (2 * gate); }
    static constexpr uint32_t Sleepers(int gate) { return 2u << (2 * gate); }
    static constexpr int32_t Count(uint32_t word) {
        return static_cast<int32_t>(word) >> kCountShift;
    }

    GateWord() = default;  // every gate free, counter 0
    GateWord(const GateWord&) = delete;
    GateWord& operator=(const GateWord&) = delete;

    // Takes the gate, waiting up to timeoutMs (kInfinite: no limit). True when
    // taken, false when the time ran out.
    bool Wait(int gate, uint32_t timeoutMs);
    // Gives the gate back, waking one waiter if any.
    void Set(int gate);
    // Adds delta to the counter and returns the new value.
    int32_t AddCount(int32_t delta) {
        const uint32_t add = static_cast<uint32_t>(delta) << kCountShift;
        return Count(word_.fetch_add(add, std::memory_order_acq_rel) + add);
    }

    // One attempt at a combined step: next(word) gives the new word, or the
    // word itself when the step cannot be done without waiting. Returns true
    // when the new word was stored; wakes one sleeper of every gate that the
    // step gave back while someone slept on it.
    template <class Next>
    bool TryStep(Next next) {
        uint32_t old = word_.load(std::memory_order_relaxed);
        for (;;) {
            const uint32_t wanted = next(old);
            if (wanted == old) return false;
            if (word_.compare_exchange_weak(old, wanted, std::memory_order_acq_rel,
                                            std::memory_order_relaxed)) {
                WakeReleased(old, wanted);
                return true;
            }
        }
    }

private:
    void WakeReleased(uint32_t before, uint32_t after) {
        uint32_t gates = 0;
        for (int g = 0; g < kGates; ++g)
            if ((before & Sleepers(g)) != 0 && (after & Sleepers(g)) == 0) gates |= 1u << g;
        if (gates != 0) WakeOne(gates);
    }
    // Wakes one sleeper on each gate set in the mask (bit g for gate g).
    void WakeOne(uint32_t gateMask);

    std::atomic<uint32_t> word_{0};
};

}  // namespace vek
