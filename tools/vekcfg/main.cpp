// vekcfg: the administrator's tool for the VEK configuration library.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "command.h"

namespace {

// The library reads VEK_HOME when it is loaded, before main runs, so a new
// home takes effect by starting the tool again with the variable set.
int RestartWithHome(const std::string& home, const std::vector<std::string>& rest, char* self) {
    if (home.empty()) {
        std::fprintf(stderr, "vekcfg: --home needs a directory\n");
        return 2;
    }
    setenv("VEK_HOME", home.c_str(), 1);
    std::vector<char*> args = {self};
    for (const auto& arg : rest) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execv("/proc/self/exe", args.data());
    std::fprintf(stderr, "vekcfg: cannot restart with VEK_HOME=%s: %s\n", home.c_str(),
                 std::strerror(errno));
    return 1;
}

std::string g_machine;

}  // namespace

const std::string& vekcfg::TargetMachine() { return g_machine; }

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    // Global options come before the command word.
    bool json = false;
    size_t first = 0;
    while (first < args.size() && args[first].size() > 1 && args[first][0] == '-') {
        const std::string& option = args[first];
        if (option == "--home" || option.rfind("--home=", 0) == 0) {
            const bool inline_value = option != "--home";
            if (!inline_value && first + 1 >= args.size()) {
                std::fprintf(stderr, "vekcfg: --home needs a directory\n");
                return 2;
            }
            const std::string home = inline_value ? option.substr(7) : args[first + 1];
            std::vector<std::string> rest(args.begin(), args.begin() + first);
            rest.insert(rest.end(), args.begin() + first + (inline_value ? 1 : 2), args.end());
            return RestartWithHome(home, rest, argv[0]);
        }
        if (option == "--machine" || option.rfind("--machine=", 0) == 0) {
            const bool inline_value = option != "--machine";
            if (!inline_value) ++first;
            g_machine = inline_value ? option.substr(10) : first < args.size() ? args[first] : "";
            if (g_machine.empty()) {
                std::fprintf(stderr, "vekcfg: --machine needs a machine name\n");
                return 2;
            }
        } else if (option == "--json") {
            json = true;
        } else if (option == "--help" || option == "-h") {
            vekcfg::PrintUsage(stdout);
            return 0;
        } else {
            std::fprintf(stderr, "vekcfg: unknown option '%s' (see 'vekcfg --help')\n",
                         option.c_str());
            return 2;
        }
        ++first;
    }
    if (first >= args.size()) {
        vekcfg::PrintUsage(stderr);
        return 2;
    }
    const std::string name = args[first];
    const vekcfg::Command* command = vekcfg::FindCommand(name);
    if (command == nullptr) {
        std::fprintf(stderr, "vekcfg: unknown command '%s' (see 'vekcfg --help')\n",
                     name.c_str());
        return 2;
    }
    if (!g_machine.empty() && !command->takesMachine) {
        std::fprintf(stderr, "vekcfg: %s works on this machine only (no --machine)\n",
                     command->name);
        return 2;
    }
    std::vector<std::string> commandArgs(args.begin() + first + 1, args.end());
    for (const auto& arg : commandArgs) {
        if (arg == "--help" || arg == "-h") {
            std::printf("%s\n", command->help);
            return 0;
        }
    }
    // A global --json is the command's own --json.
    if (json && std::find(commandArgs.begin(), commandArgs.end(), "--json") == commandArgs.end())
        commandArgs.push_back("--json");
    return command->run(commandArgs);
}
