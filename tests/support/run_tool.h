// Runs the vekcfg binary of this build as a whole process, with no stdin,
// and captures its exit status and output.
#pragma once

#include <filesystem>
#include <string>

namespace vek::test {

struct ToolResult {
    int exit = -1;
    std::string out;
    std::string err;
};

// args are appended to the command line as given (quote them for the shell);
// scratch is a directory for the captured output; the tool runs in cwd when
// one is given.
ToolResult RunVekcfg(const std::string& args, const std::filesystem::path& scratch, const std::string& cwd = "");

// The whole content of a file, empty when it cannot be read.
std::string Slurp(const std::filesystem::path& path);

}  // namespace vek::test
