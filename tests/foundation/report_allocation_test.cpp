// A report must not touch the heap: the logger's buffers are members and
// locals. Every allocation of this test program is counted while a report
// runs, with a sink that itself allocates nothing.
#include <gtest/gtest.h>

// The replacement below pairs malloc with free on purpose.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

#include <atomic>
#include <cstdlib>
#include <new>

#include "foundation/event_logger.h"
#include "platform/env.h"
#include "platform/event_format.h"
#include "support/temp_home.h"

namespace {

std::atomic<bool> g_counting{false};
std::atomic<int> g_allocations{0};

}  // namespace

// AddressSanitizer owns operator new itself; there the count is not taken.
#if !defined(__SANITIZE_ADDRESS__)
void* operator new(size_t size) {
    if (g_counting.load(std::memory_order_relaxed)) g_allocations.fetch_add(1);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
#endif

namespace vek::test {
namespace {

class CountingSink : public EventSink {
public:
    bool Write(const EventRecord&) override {
        ++writes;
        return true;
    }
    int writes = 0;
};

class CountingEnv : public EnvWrapper {
public:
    CountingEnv() : EnvWrapper(&Env::Default()) {}
    EventSink& Events() override { return sink; }
    CountingSink sink;
};

TEST(ReportAllocationTest, NewRepeatedAndSummarisedReportsAllocateNothing) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "allocations are not counted under AddressSanitizer";
#endif
    TempHome home;
    CountingEnv env;
    ScopedEnvOverride override(&env);
    CEventLogger logger(u"VekConfig, Ostrel Norvane", u"/lib/x.so", 3);
    const std::u16string longContext(3000, u'c');

    g_allocations = 0;
    g_counting = true;
    for (int i = 0; i < 3; ++i)
        logger.ReportStatus(EVENTLOG_ERROR_TYPE, 0, kEventFunctionFailed, longContext.c_str(), 5);
    logger.ReportStatus(EVENTLOG_ERROR_TYPE, 0, kEventFunctionFailed, u"Other-->Step", E_FAIL);
    logger.ReportStrings(EVENTLOG_WARNING_TYPE, 0, kEventNotice, u"notice", nullptr, nullptr,
                         nullptr, nullptr);
    g_counting = false;

    EXPECT_EQ(g_allocations.load(), 0);
    EXPECT_EQ(env.sink.writes, 4) << "first, summary of three, other, notice";
}

}  // namespace
}  // namespace vek::test
