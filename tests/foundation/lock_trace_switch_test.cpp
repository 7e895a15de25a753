// The trace switch "VEK_LOCK_LOG" is read live at every lock call although
// each thread remembers where it last found it: every way the environment
// can change between two calls must show in the very next call's trace.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "foundation/lock_trace_fixture.h"
#include "platform/lock_trace_file.h"
#include "vekconfig/rwlock.h"

namespace {

// Lines one traced GetReadLock/ReleaseReadLock pair writes.
constexpr size_t kLinesPerPair = 9;

class TraceSwitchTest : public vek::test::LockTraceTest {
protected:
    void TearDown() override {
        for (const auto& name : fillers_) unsetenv(name.c_str());
        LockTraceTest::TearDown();
    }

    // Runs one read pair on the lock and tells whether it was traced: all
    // nine lines written, or none.
    bool PairTraced(CVekRWLock& lock) {
        const size_t before = TraceLines().size();
        EXPECT_EQ(lock.GetReadLock(false, 2500), S_OK);
        EXPECT_EQ(lock.ReleaseReadLock(false, 2500), S_OK);
        const size_t added = TraceLines().size() - before;
        EXPECT_TRUE(added == 0 || added == kLinesPerPair) << added << " lines";
        return added == kLinesPerPair;
    }

    // Switches the trace on, empty, on again, back to a value set before
    // (the environment then hands out the same entry string again, in the
    // same slot) and off, with one read pair after each step.
    void ExpectEachFlipObeyed(CVekRWLock& lock) {
        struct Step {
            const char* value;  // null: unset
            bool traced;
        };
        const Step steps[] = {{nullptr, false}, {"1", true}, {"", false}, {"yes", true},
                              {"", false},      {"1", true}, {nullptr, false}};
        for (const Step& step : steps) {
            if (step.value != nullptr)
                setenv("VEK_LOCK_LOG", step.value, 1);
            else
                unsetenv("VEK_LOCK_LOG");
            EXPECT_EQ(PairTraced(lock), step.traced)
                << "after setting " << (step.value != nullptr ? step.value : "(unset)");
        }
    }

    // Adds count variables of no meaning, removed after the test.
    void AddFillers(int count) {
        for (int i = 0; i < count; ++i) {
            fillers_.push_back("VEK_SWITCH_TEST_FILLER_" + std::to_string(fillers_.size()));
            setenv(fillers_.back().c_str(), "filler", 1);
        }
    }
    void RemoveFiller(size_t index) { unsetenv(fillers_.at(index).c_str()); }

    std::vector<std::string> fillers_;
};

TEST_F(TraceSwitchTest, SwitchFlippedBetweenCallsIsObeyedAtTheNextCallInShortAndLongEnvironments) {
    CVekRWLock lock;
    ExpectEachFlipObeyed(lock);
    AddFillers(4200);
    ExpectEachFlipObeyed(lock);
}

TEST_F(TraceSwitchTest, SwitchIsFollowedWhileOtherVariablesComeAndGoAroundIt) {
    CVekRWLock lock;
    AddFillers(3);
    setenv("VEK_LOCK_LOG", "on", 1);
    EXPECT_TRUE(PairTraced(lock));
    AddFillers(60);  // the array grows, and moves
    EXPECT_TRUE(PairTraced(lock));
    RemoveFiller(0);  // the switch's entry moves down one slot
    RemoveFiller(1);
    EXPECT_TRUE(PairTraced(lock));
    setenv("VEK_LOCK_LOG", "", 1);
    AddFillers(1);
    EXPECT_FALSE(PairTraced(lock));
    RemoveFiller(2);
    setenv("VEK_LOCK_LOG", "again", 1);
    EXPECT_TRUE(PairTraced(lock));
    unsetenv("VEK_LOCK_LOG");
    AddFillers(2);
    EXPECT_FALSE(PairTraced(lock));
}

TEST_F(TraceSwitchTest, SwitchTakingOrLeavingTheSlotOfAnotherEntryIsSeenThoughTheCountStays) {
    CVekRWLock lock;
    setenv("VEK_LOCK_LOG", "1", 1);
    EXPECT_TRUE(PairTraced(lock));
    unsetenv("VEK_LOCK_LOG");
    AddFillers(1);  // takes the switch's slot
    EXPECT_FALSE(PairTraced(lock));
    AddFillers(3);
    EXPECT_FALSE(PairTraced(lock));
    RemoveFiller(3);  // the last entry goes, the switch takes its slot
    setenv("VEK_LOCK_LOG", "1", 1);
    EXPECT_TRUE(PairTraced(lock));
    RemoveFiller(0);  // an earlier entry goes: the count drops, the switch moves down
    EXPECT_TRUE(PairTraced(lock));
}

TEST_F(TraceSwitchTest, PutenvStringEditedInPlaceOrPutOverASetenvEntrySwitchesTheTrace) {
    // putenv keeps this very string in the environment, so it must outlive
    // the test; the test takes it out again before it ends.
    static char entry[] = "VEK_LOCK_LOG=1";
    constexpr size_t value = sizeof "VEK_LOCK_LOG=" - 1;
    CVekRWLock lock;
    ASSERT_EQ(putenv(entry), 0);
    EXPECT_TRUE(PairTraced(lock));
    entry[value] = '\0';
    EXPECT_FALSE(PairTraced(lock)) << "value emptied in place";
    entry[value] = '2';
    EXPECT_TRUE(PairTraced(lock));
    entry[0] = 'W';
    EXPECT_FALSE(PairTraced(lock)) << "name changed in place";
    // Given again under its own name, it is an addition.
    unsetenv("WEK_LOCK_LOG");
    entry[0] = 'V';
    ASSERT_EQ(putenv(entry), 0);
    EXPECT_TRUE(PairTraced(lock));
    unsetenv("VEK_LOCK_LOG");
    EXPECT_FALSE(PairTraced(lock));
    // putenv over a setenv entry.
    static char empty[] = "VEK_LOCK_LOG=";
    setenv("VEK_LOCK_LOG", "1", 1);
    EXPECT_TRUE(PairTraced(lock));
    ASSERT_EQ(putenv(empty), 0);
    EXPECT_FALSE(PairTraced(lock));
    setenv("VEK_LOCK_LOG", "1", 1);
    EXPECT_TRUE(PairTraced(lock));
    unsetenv("VEK_LOCK_LOG");
}

// Restores the whole environment after clearenv or a replaced `environ`.
class SavedEnvironment {
public:
    SavedEnvironment() : array_(environ) {
        for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry)
            entries_.emplace_back(*entry);
    }
    ~SavedEnvironment() {
        if (environ == array_) return;
        clearenv();
        for (const auto& entry : entries_) {
            const size_t equals = entry.find('=');
            if (equals == std::string::npos) continue;
            setenv(entry.substr(0, equals).c_str(), entry.c_str() + equals + 1, 1);
        }
    }
    SavedEnvironment(const SavedEnvironment&) = delete;
    SavedEnvironment& operator=(const SavedEnvironment&) = delete;

private:
    char** array_;
    std::vector<std::string> entries_;
};

TEST_F(TraceSwitchTest, ClearedRebuiltOrReplacedEnvironmentIsSeen) {
    CVekRWLock lock;
    SavedEnvironment saved;
    setenv("VEK_LOCK_LOG", "1", 1);
    EXPECT_TRUE(PairTraced(lock));
    clearenv();
    EXPECT_FALSE(PairTraced(lock));
    setenv("VEK_LOCK_LOG", "1", 1);
    EXPECT_TRUE(PairTraced(lock));
    clearenv();
    EXPECT_FALSE(PairTraced(lock));
    // An array the program puts in place of the environment.
    static char on[] = "VEK_LOCK_LOG=1";
    static char other[] = "OTHER=1";
    char* onArray[] = {other, on, nullptr};
    char* offArray[] = {other, nullptr};
    char** const cleared = environ;
    environ = onArray;
    const bool tracedOn = PairTraced(lock);
    environ = offArray;
    const bool tracedOff = PairTraced(lock);
    environ = cleared;
    EXPECT_TRUE(tracedOn);
    EXPECT_FALSE(tracedOff);
    EXPECT_FALSE(PairTraced(lock));
}

TEST_F(TraceSwitchTest, EachThreadFollowsSwitchesMadeByAnother) {
    CVekRWLock lock;
    std::atomic<int> step{0};
    std::vector<bool> workerTraced;
    auto awaitStep = [&](int wanted) {
        while (step != wanted) std::this_thread::yield();
    };
    std::thread worker([&] {
        for (int phase = 0; phase < 4; ++phase) {
            awaitStep(2 * phase + 1);
            workerTraced.push_back(PairTraced(lock));
            ++step;
        }
    });
    // Each phase: the main thread sets the switch and checks its own call,
    // then the worker, which cached what it saw a phase earlier, checks.
    const char* values[] = {"1", nullptr, "", "x"};
    const bool expected[] = {true, false, false, true};
    for (int phase = 0; phase < 4; ++phase) {
        if (values[phase] != nullptr)
            setenv("VEK_LOCK_LOG", values[phase], 1);
        else
            unsetenv("VEK_LOCK_LOG");
        EXPECT_EQ(PairTraced(lock), expected[phase]) << "main thread, phase " << phase;
        ++step;
        awaitStep(2 * phase + 2);
    }
    worker.join();
    ASSERT_EQ(workerTraced.size(), 4u);
    for (int phase = 0; phase < 4; ++phase)
        EXPECT_EQ(workerTraced[phase], expected[phase]) << "worker, phase " << phase;
}

}  // namespace
