#include "platform/gate_word.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace vek {
namespace {

// Futex bitset channel of a gate: sleepers of one gate are woken apart from
// those of the others although all sleep on the same word.
uint32_t Channel(int gate) { return 1u << gate; }

timespec DeadlineAfter(uint32_t timeoutMs) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    long long ns = static_cast<long long>(now.tv_nsec) + (timeoutMs % 1000) * 1000000LL;
    timespec deadline{static_cast<time_t>(now.tv_sec + timeoutMs / 1000 + ns / 1000000000),
                      static_cast<long>(ns % 1000000000)};
    return deadline;
}

}  // namespace

bool GateWord::Wait(int gate, uint32_t timeoutMs) {
    // First try as an uncontended take; after any sleep take the gate marked
    // as having sleepers, since others may still sleep behind us and our Set
    // must wake the next one.
    if (TryStep([&](uint32_t w) { return (w & Taken(gate)) != 0 ? w : w | Taken(gate); }))
        return true;
    const bool bounded = timeoutMs != kInfinite;
    const timespec deadline = bounded ? DeadlineAfter(timeoutMs) : timespec{};
    const uint32_t mine = Taken(gate) | Sleepers(gate);
    for (bool timedOut = false;;) {
        uint32_t old = word_.load(std::memory_order_relaxed);
        for (;;) {
            // Free: take it. Taken: mark that we sleep on it.
            if (word_.compare_exchange_weak(old, old | mine, std::memory_order_acquire,
                                            std::memory_order_relaxed)) {
                if ((old & Taken(gate)) == 0) return true;
                break;
            }
        }
        if (timedOut) return false;
        const long rc = syscall(SYS_futex, reinterpret_cast<uint32_t*>(&word_),
                                FUTEX_WAIT_BITSET_PRIVATE, old | mine, bounded ? &deadline : nullptr,
                                nullptr, Channel(gate));
        if (rc != 0 && errno == ETIMEDOUT) timedOut = true;
    }
}

void GateWord::Set(int gate) {
    const uint32_t before =
        word_.fetch_and(~(Taken(gate) | Sleepers(gate)), std::memory_order_release);
    if ((before & Sleepers(gate)) != 0) WakeOne(Channel(gate));
}

void GateWord::WakeOne(uint32_t gateMask) {
    for (int g = 0; g < kGates; ++g)
        if ((gateMask & Channel(g)) != 0)
            syscall(SYS_futex, reinterpret_cast<uint32_t*>(&word_), FUTEX_WAKE_BITSET_PRIVATE, 1,
                    nullptr, nullptr, Channel(g));
}

}  // namespace vek
