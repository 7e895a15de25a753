// The tool run as a whole process against a fresh VEK_HOME: its exit
// status, standard output and standard error.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/temp_home.h"

namespace vek::test {

struct Result {
    int exit = -1;
    std::string out;
    std::string err;
};

inline std::string Slurp(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class VekcfgTest : public ::testing::Test {
protected:
    // Runs the tool with args, in directory cwd when one is given.
    Result Run(const std::string& args, const std::string& cwd = "") {
        const auto out = home_ / "out.txt";
        const auto err = home_ / "err.txt";
        const std::string command = (cwd.empty() ? "" : "cd " + cwd + " && ") +
                                    std::string(VEK_TEST_BINARY_DIR) + "/tools/vekcfg/vekcfg " +
                                    args + " >" + out.string() + " 2>" + err.string() +
                                    " </dev/null";
        const int status = std::system(command.c_str());
        Result result;
        result.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = Slurp(out);
        result.err = Slurp(err);
        std::filesystem::remove(out);
        std::filesystem::remove(err);
        return result;
    }
    std::string Home(const char* leaf) { return (home_ / leaf).string(); }

    TempHome home_;
};

}  // namespace vek::test
