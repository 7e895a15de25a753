// The benchmarks open the same files millions of times, one open just after
// the close of the last. Now and then (about once in millions of closes on
// this kind of host) a lock given up by close() is released a moment late:
// something outside the process, such as a monitor reading /proc, holds the
// closed file for an instant, and the next open finds it still locked. Such
// an open is tried again rather than ending the run.
#pragma once

#include <sched.h>

namespace vek::bench {

// Calls open() until locked(result) is false, at most a thousand times, and
// returns the last result.
template <class Open, class Locked>
auto RetryWhileLocked(Open open, Locked locked) {
    auto result = open();
    for (int retry = 0; retry < 1000 && locked(result); ++retry) {
        sched_yield();
        result = open();
    }
    return result;
}

}  // namespace vek::bench
