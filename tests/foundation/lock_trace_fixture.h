// A test whose lock trace goes to a fresh directory: TMPDIR points at a
// temporary home and "VEK_LOCK_LOG" starts unset; both are cleared after.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_home.h"

namespace vek::test {

class LockTraceTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TMPDIR", home_.path().c_str(), 1);
        unsetenv("VEK_LOCK_LOG");
    }
    void TearDown() override {
        unsetenv("VEK_LOCK_LOG");
        unsetenv("TMPDIR");
    }
    std::string TracePath() const { return (home_.path() / "VekRWLockLog.txt").string(); }
    std::vector<std::string> TraceLines() const {
        std::ifstream in(TracePath());
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    bool TraceContains(const std::string& text) const {
        for (const auto& line : TraceLines())
            if (line.find(text) != std::string::npos) return true;
        return false;
    }
    void WaitForTrace(const std::string& text) const {
        while (!TraceContains(text)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    TempHome home_;
};

}  // namespace vek::test
