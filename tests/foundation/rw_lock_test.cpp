#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "foundation/lock_trace_fixture.h"
#include "platform/lock_trace_file.h"
#include "vekconfig/rwlock.h"

namespace {

using vek::test::LockTraceTest;

std::string Tid(uint32_t id) { return "Thread: " + std::to_string(id) + " "; }

TEST_F(LockTraceTest, NoTraceWhileSwitchUnsetOrEmptyAndAReadPairWritesNineExactLines) {
    CVekRWLock lock;
    ASSERT_EQ(lock.GetReadLock(false, 2500), S_OK);
    ASSERT_EQ(lock.ReleaseReadLock(false, 2500), S_OK);
    setenv("VEK_LOCK_LOG", "", 1);
    ASSERT_EQ(lock.GetWriteLock(false, 2500), S_OK);
    ASSERT_EQ(lock.ReleaseWriteLock(false, 2500), S_OK);
    EXPECT_FALSE(std::filesystem::exists(TracePath()));
    setenv("VEK_LOCK_LOG", "x", 1);
    ASSERT_EQ(lock.GetReadLock(false, 2500), S_OK);
    ASSERT_EQ(lock.ReleaseReadLock(false, 2500), S_OK);
    const std::vector<std::string> expected = {
        "\t\tReader waiting on TryToRead",
        "\t\tReader waiting on OnDeck",
        "\t\tReader waiting on UpdateReadCount",
        "\t\tIncremented reader count to: 1",
        "\t\tReader waiting for lock availability",
        "Lock given to reader",
        "\t\tTrying to release read lock",
        "\t\tDecremented reader count to: 0",
        "Lock released by reader",
    };
    const auto lines = TraceLines();
    ASSERT_EQ(lines.size(), expected.size());
    const std::regex prefix("^[0-2][0-9]:[0-5][0-9]:[0-6][0-9] Thread: ([0-9]+) (.*)$");
    for (size_t i = 0; i < lines.size(); ++i) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(lines[i], match, prefix)) << lines[i];
        EXPECT_EQ(match[1].str(), std::to_string(vek::CurrentThreadId()));
        EXPECT_EQ(match[2].str(), expected[i]);
    }
}

TEST_F(LockTraceTest, WritePairAndSecondReaderTraceTheirCountsAndANewLockDeletesTheTrace) {
    CVekRWLock lock;
    setenv("VEK_LOCK_LOG", "1", 1);
    ASSERT_EQ(lock.GetWriteLock(false, 2500), S_OK);
    ASSERT_EQ(lock.ReleaseWriteLock(false, 2500), S_OK);
    ASSERT_EQ(lock.GetReadLock(false, 2500), S_OK);
    ASSERT_EQ(lock.GetReadLock(false, 2500), S_OK);
    ASSERT_EQ(lock.ReleaseReadLock(false, 2500), S_OK);
    ASSERT_EQ(lock.ReleaseReadLock(false, 2500), S_OK);
    std::string all;
    const std::string prefix = Tid(vek::CurrentThreadId());
    for (const auto& line : TraceLines()) {
        ASSERT_EQ(line.substr(9, prefix.size()), prefix) << line;
        all += line.substr(9 + prefix.size()) + "|";
    }
    const std::string expected =
        "\t\tRequesting write lock|\t\tIncremented writer count to: 1|\t\tWriter waiting to be on deck|"
        "\t\tWriter waiting for lock availability|Lock given to writer|Lock released by writer|"
        "\t\tTrying to decrement writer count|\t\tDecremented writer count to: 0|";
    ASSERT_EQ(all.substr(0, expected.size()), expected);
    EXPECT_NE(all.find("\t\tIncremented reader count to: 2|Lock given to reader|"), std::string::npos);
    EXPECT_NE(all.find("\t\tDecremented reader count to: 1|\t\tLock still held by 1 other readers|"),
              std::string::npos);
    CVekRWLock another;
    EXPECT_FALSE(std::filesystem::exists(TracePath())) << "constructing a lock deletes the trace";
}

// Takes the read or write lock on a thread of its own, notes when it is in,
// holds it until let go and releases it. A holder made with letGo set
// releases as soon as it is in.
class Holder {
public:
    Holder(CVekRWLock& lock, bool write, bool letGo = false)
        : release_(letGo), thread_([this, &lock, write] {
              tid = vek::CurrentThreadId();
              EXPECT_EQ(write ? lock.GetWriteLock(false, 2500) : lock.GetReadLock(false, 2500), S_OK);
              in = true;
              while (!release_) std::this_thread::yield();
              EXPECT_EQ(write ? lock.ReleaseWriteLock(false, 2500) : lock.ReleaseReadLock(false, 2500),
                        S_OK);
          }) {}
    ~Holder() { LetGo(); }
    void LetGo() {
        release_ = true;
        if (thread_.joinable()) thread_.join();
    }
    void AwaitIn() const {
        while (!in) std::this_thread::yield();
    }

    std::atomic<uint32_t> tid{0};
    std::atomic<bool> in{false};

private:
    std::atomic<bool> release_;
    std::thread thread_;
};

TEST_F(LockTraceTest, LateReaderWaitsBehindQueuedWriterWhoWaitsForBothReaders) {
    setenv("VEK_LOCK_LOG", "on", 1);
    CVekRWLock lock;
    Holder r1(lock, false), r2(lock, false);
    r1.AwaitIn();
    r2.AwaitIn();
    Holder writer(lock, true);
    while (writer.tid == 0) std::this_thread::yield();
    WaitForTrace(Tid(writer.tid) + "\t\tWriter waiting for lock availability");
    Holder late(lock, false, true);
    while (late.tid == 0) std::this_thread::yield();
    WaitForTrace(Tid(late.tid) + "\t\tReader waiting on OnDeck");

    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(writer.in) << "writer entered while two readers held the lock";
    EXPECT_FALSE(late.in) << "late reader overtook the queued writer";
    r1.LetGo();
    r2.LetGo();
    writer.AwaitIn();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(late.in) << "late reader entered while the writer held the lock";
    writer.LetGo();
    late.LetGo();
    EXPECT_TRUE(late.in);
    EXPECT_TRUE(TraceContains(Tid(writer.tid) + "Lock given to writer"));
    EXPECT_TRUE(TraceContains(Tid(late.tid) + "Lock given to reader"));
}

// Counts readers and writers inside the lock and notes any moment when a
// writer is beside anyone else.
struct ExclusionCheck {
    std::atomic<int> readers{0}, writers{0}, violations{0};
    void Write(CVekRWLock& lock) {
        ASSERT_EQ(lock.GetWriteLock(false, 2500), S_OK);
        if (++writers != 1 || readers != 0) ++violations;
        --writers;
        ASSERT_EQ(lock.ReleaseWriteLock(false, 2500), S_OK);
    }
    void Read(CVekRWLock& lock) {
        ASSERT_EQ(lock.GetReadLock(false, 2500), S_OK);
        ++readers;
        if (writers != 0) ++violations;
        --readers;
        ASSERT_EQ(lock.ReleaseReadLock(false, 2500), S_OK);
    }
};

// Returns once a writer sits on deck: from then on a bounded read attempt
// fails instead of getting in.
void AwaitWriterOnDeck(CVekRWLock& lock) {
    std::thread([&] {
        while (lock.GetReadLock(true, 20) == S_OK) {
            ASSERT_EQ(lock.ReleaseReadLock(false, 2500), S_OK);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }).join();
}

TEST(RwLock, UntracedLateReaderCannotOvertakeAWriterWaitingForReaders) {
    CVekRWLock lock;
    ASSERT_EQ(lock.GetReadLock(false, 2500), S_OK);
    Holder writer(lock, true);
    AwaitWriterOnDeck(lock);
    Holder late(lock, false, true);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(writer.in) << "writer entered beside a reader";
    EXPECT_FALSE(late.in) << "late reader overtook the queued writer";
    ASSERT_EQ(lock.ReleaseReadLock(false, 2500), S_OK);
    writer.AwaitIn();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(late.in) << "late reader entered beside the writer";
    writer.LetGo();
    late.LetGo();
    EXPECT_TRUE(late.in);
}

TEST_F(LockTraceTest, TraceSwitchedOnAndOffMidRunIsNoticedByTheNextCall) {
    CVekRWLock lock;
    ASSERT_EQ(lock.GetReadLock(false, 2500), S_OK);  // untraced, keeps the lock read-held
    setenv("VEK_LOCK_LOG", "1", 1);
    std::atomic<uint32_t> writerTid{0};
    std::atomic<bool> writerIn{false};
    std::thread writer([&] {
        writerTid = vek::CurrentThreadId();
        ASSERT_EQ(lock.GetWriteLock(false, 2500), S_OK);
        writerIn = true;
    });
    while (writerTid == 0) std::this_thread::yield();
    WaitForTrace(Tid(writerTid) + "\t\tWriter waiting for lock availability");
    unsetenv("VEK_LOCK_LOG");
    EXPECT_FALSE(writerIn);
    // An untraced release of a traced holder's lock lets the traced writer in.
    ASSERT_EQ(lock.ReleaseReadLock(false, 2500), S_OK);
    writer.join();
    EXPECT_TRUE(TraceContains(Tid(writerTid) + "Lock given to writer"));
    EXPECT_FALSE(TraceContains("reader")) << "an untraced reader call wrote a line";
    setenv("VEK_LOCK_LOG", "1", 1);
    ASSERT_EQ(lock.ReleaseWriteLock(false, 2500), S_OK);
    unsetenv("VEK_LOCK_LOG");
    ASSERT_EQ(lock.GetReadLock(false, 2500), S_OK);
    ASSERT_EQ(lock.ReleaseReadLock(false, 2500), S_OK);
    const auto lines = TraceLines();
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_NE(lines.front().find("Requesting write lock"), std::string::npos);
    EXPECT_NE(lines.back().find("Decremented writer count to: 0"), std::string::npos);
}

TEST_F(LockTraceTest, TracedAndUntracedCallsMixedOnOneLockNeverLetAWriterBesideOthers) {
    CVekRWLock lock;
    // The variable exists before the threads start, so flipping its value
    // only replaces its entry and never moves the environment under them.
    setenv("VEK_LOCK_LOG", "", 1);
    ExclusionCheck check;
    std::atomic<bool> flipped{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 300 || !flipped; ++i) {
                if ((i + t) % 3 == 0)
                    check.Write(lock);
                else
                    check.Read(lock);
            }
        });
    }
    for (int flip = 0; flip < 40; ++flip) {
        setenv("VEK_LOCK_LOG", flip % 2 == 0 ? "1" : "", 1);
        std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    flipped = true;
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(check.violations, 0);
    EXPECT_FALSE(TraceLines().empty()) << "no call ran traced";
    // The lock is free again: a bounded write attempt gets in at once.
    unsetenv("VEK_LOCK_LOG");
    EXPECT_EQ(lock.GetWriteLock(true, 100), S_OK);
    EXPECT_EQ(lock.ReleaseWriteLock(true, 100), S_OK);
}

TEST(RwLock, ReaderQueuedBehindWriterGetsInAndKeepsTheNextWriterOut) {
    CVekRWLock lock;
    ASSERT_EQ(lock.GetWriteLock(false, 2500), S_OK);
    Holder reader(lock, false);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(reader.in);
    ASSERT_EQ(lock.ReleaseWriteLock(false, 2500), S_OK);
    reader.AwaitIn();
    Holder writer(lock, true, true);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(writer.in) << "writer entered while a reader held the lock";
    reader.LetGo();
    writer.LetGo();
    EXPECT_TRUE(writer.in);
}

TEST(RwLock, TimedWaitThatFailsAbortsAndGivesTheGatesBack) {
    CVekRWLock lock;
    ASSERT_EQ(lock.GetWriteLock(false, 2500), S_OK);
    std::thread([&] {
        EXPECT_EQ(lock.GetReadLock(true, 20), E_ABORT);
        EXPECT_EQ(lock.GetWriteLock(true, 20), E_ABORT);
    }).join();
    ASSERT_EQ(lock.ReleaseWriteLock(false, 2500), S_OK);
    // A failed first reader must not leave a phantom reader behind, and the
    // failed writer's onDeck wait must not have kept the gate.
    std::thread([&] {
        EXPECT_EQ(lock.GetReadLock(true, 1000), S_OK);
        EXPECT_EQ(lock.ReleaseReadLock(true, 1000), S_OK);
        EXPECT_EQ(lock.GetWriteLock(true, 1000), S_OK);
        EXPECT_EQ(lock.ReleaseWriteLock(true, 1000), S_OK);
    }).join();
}

TEST(RwLock, CopiesActAsOneLockAndTheLastOneFreesIt) {
    auto original = std::make_unique<CVekRWLock>();
    CVekRWLock copy(*original);
    CVekRWLock assigned;
    assigned = copy;
    ASSERT_EQ(copy.GetWriteLock(false, 2500), S_OK);
    std::thread([&] {
        EXPECT_EQ(original->GetReadLock(true, 20), E_ABORT);
        EXPECT_EQ(assigned.GetReadLock(true, 20), E_ABORT);
    }).join();
    ASSERT_EQ(copy.ReleaseWriteLock(false, 2500), S_OK);
    original.reset();
    EXPECT_EQ(assigned.GetReadLock(false, 2500), S_OK);
    EXPECT_EQ(copy.ReleaseReadLock(false, 2500), S_OK);
    assigned = assigned;
    EXPECT_EQ(assigned.GetWriteLock(false, 2500), S_OK);
    EXPECT_EQ(assigned.ReleaseWriteLock(false, 2500), S_OK);
}

TEST(RwLock, ManyThreadsNeverSeeAWriterBesideAnyoneElse) {
    CVekRWLock lock;
    ExclusionCheck check;
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 2000; ++i) {
                if ((i + t) % 4 == 0)
                    check.Write(lock);
                else
                    check.Read(lock);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(check.violations, 0);
}

}  // namespace
