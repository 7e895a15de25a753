#include "platform/gate_event.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <ctime>

namespace vek {
namespace {

constexpr uint32_t kTaken = 0;
constexpr uint32_t kFree = 1;
constexpr uint32_t kContended = 2;

// Sleeps while *word equals expected, up to the relative timeout (null: none).
void FutexWait(std::atomic<uint32_t>* word, uint32_t expected, const timespec* timeout) {
    syscall(SYS_futex, reinterpret_cast<uint32_t*>(word), FUTEX_WAIT_PRIVATE, expected, timeout,
            nullptr, 0);
}

void FutexWakeOne(std::atomic<uint32_t>* word) {
    syscall(SYS_futex, reinterpret_cast<uint32_t*>(word), FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr,
            0);
}

}  // namespace

bool GateEvent::Wait(uint32_t timeoutMs) {
    uint32_t expected = kFree;
    if (state_.compare_exchange_strong(expected, kTaken, std::memory_order_acquire)) return true;

    using Clock = std::chrono::steady_clock;
    const bool bounded = timeoutMs != kInfinite;
    const auto deadline = Clock::now() + std::chrono::milliseconds(bounded ? timeoutMs : 0);
    for (;;) {
        // Mark the gate contended; if it was free meanwhile, we now hold it.
        // A holder that took it this way must wake the others on Set.
        if (state_.exchange(kContended, std::memory_order_acquire) == kFree) return true;
        if (!bounded) {
            FutexWait(&state_, kContended, nullptr);
            continue;
        }
        const auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero()) return false;
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        timespec timeout{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
        FutexWait(&state_, kContended, &timeout);
    }
}

void GateEvent::Set() {
    if (state_.exchange(kFree, std::memory_order_release) == kContended) FutexWakeOne(&state_);
}

}  // namespace vek
