// Runs the built vekcfg with arguments and collects its standard output.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace vek::test {

struct ToolRun {
    int exitCode = -1;
    std::string out;
};

inline ToolRun RunVekcfg(const std::string& arguments) {
    ToolRun run;
    const std::string command = std::string(VEK_TEST_BINARY_DIR) + "/tools/vekcfg/vekcfg " + arguments + " 2>/dev/null </dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, got);
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace vek::test
