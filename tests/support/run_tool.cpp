#include "support/run_tool.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace vek::test {

std::string Slurp(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

ToolResult RunVekcfg(const std::string& args, const std::filesystem::path& scratch, const std::string& cwd) {
    const auto out = scratch / "vekcfg.out";
    const auto err = scratch / "vekcfg.err";
    const std::string command = (cwd.empty() ? "" : "cd " + cwd + " && ") + std::string(VEK_TOOL_PATH) + " " + args + " >" + out.string() +
                                " 2>" + err.string() + " </dev/null";
    const int status = std::system(command.c_str());
    ToolResult result;
    result.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = Slurp(out);
    result.err = Slurp(err);
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return result;
}

}  // namespace vek::test
