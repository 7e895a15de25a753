// vekcfg: the administrator's tool for the VEK configuration library.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "command.h"

namespace {

void PrintUsage(FILE* out) {
    std::fprintf(out, "usage: vekcfg [--home DIR] [--machine NAME] COMMAND [ARGS...]\n\ncommands:\n");
    for (const auto& command : vekcfg::AllCommands())
        std::fprintf(out, "  %-12s %s\n", command.name, command.summary);
    std::fprintf(out,
                 "\noptions:\n  --home DIR   use DIR as VEK_HOME, the directory of all machine "
                 "state\n  --machine NAME  work on machine NAME's registry (settings, registry)\n\nRun 'vekcfg COMMAND --help' for a command's options and examples.\n");
}

// The library reads VEK_HOME when it is loaded, before main runs, so a new
// home takes effect by starting the tool again with the variable set.
int RestartWithHome(const char* home, char** argv, int skip) {
    if (*home == 0) {
        std::fprintf(stderr, "vekcfg: --home needs a directory\n");
        return 2;
    }
    setenv("VEK_HOME", home, 1);
    std::vector<char*> args = {argv[0]};
    for (char** arg = argv + 1 + skip; *arg != nullptr; ++arg) args.push_back(*arg);
    args.push_back(nullptr);
    execv("/proc/self/exe", args.data());
    std::fprintf(stderr, "vekcfg: cannot restart with VEK_HOME=%s: %s\n", home,
                 std::strerror(errno));
    return 1;
}

std::string g_machine;

}  // namespace

const std::string& vekcfg::TargetMachine() { return g_machine; }

int main(int argc, char** argv) {
    if (argc >= 2 && std::strncmp(argv[1], "--home=", 7) == 0)
        return RestartWithHome(argv[1] + 7, argv, 1);
    if (argc >= 2 && std::strcmp(argv[1], "--home") == 0) {
        if (argc < 3) {
            std::fprintf(stderr, "vekcfg: --home needs a directory\n");
            return 2;
        }
        return RestartWithHome(argv[2], argv, 2);
    }
    int first = 1;
    if (argc >= 2 && std::strcmp(argv[1], "--machine") == 0) {
        if (argc < 3 || *argv[2] == 0) {
            std::fprintf(stderr, "vekcfg: --machine needs a machine name\n");
            return 2;
        }
        g_machine = argv[2];
        first = 3;
    } else if (argc >= 2 && std::strncmp(argv[1], "--machine=", 10) == 0) {
        g_machine = argv[1] + 10;
        first = 2;
    }
    if (argc <= first) {
        PrintUsage(stderr);
        return 2;
    }
    const std::string name = argv[first];
    if (name == "--help" || name == "-h" || name == "help") {
        PrintUsage(stdout);
        return 0;
    }
    for (const auto& command : vekcfg::AllCommands()) {
        if (name != command.name) continue;
        if (!g_machine.empty() && !command.takesMachine) {
            std::fprintf(stderr, "vekcfg: %s works on this machine only (no --machine)\n",
                         command.name);
            return 2;
        }
        std::vector<std::string> args(argv + first + 1, argv + argc);
        for (const auto& arg : args) {
            if (arg == "--help" || arg == "-h") {
                std::printf("%s\n", command.help);
                return 0;
            }
        }
        return command.run(args);
    }
    std::fprintf(stderr, "vekcfg: unknown command '%s' (see 'vekcfg --help')\n", name.c_str());
    return 2;
}
