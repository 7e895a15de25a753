// The tool run as a whole process against a fresh VEK_HOME: its exit
// status, standard output and standard error.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "support/run_tool.h"
#include "support/temp_home.h"

namespace vek::test {

class VekcfgTest : public ::testing::Test {
protected:
    // Runs the tool with args, in directory cwd when one is given.
    ToolResult Run(const std::string& args, const std::string& cwd = "") {
        return RunVekcfg(args, home_.path(), cwd);
    }
    std::string Home(const char* leaf) { return (home_ / leaf).string(); }

    TempHome home_;
};

}  // namespace vek::test
