// vekcfg: the administrator's tool for the VEK configuration library.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "command.h"

namespace {

void PrintUsage(FILE* out) {
    std::fprintf(out, "usage: vekcfg COMMAND [ARGS...]\n\ncommands:\n");
    for (const auto& command : vekcfg::AllCommands())
        std::fprintf(out, "  %-12s %s\n", command.name, command.summary);
    std::fprintf(out, "\nRun 'vekcfg COMMAND --help' for a command's options and examples.\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintUsage(stderr);
        return 2;
    }
    const std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        PrintUsage(stdout);
        return 0;
    }
    for (const auto& command : vekcfg::AllCommands()) {
        if (name != command.name) continue;
        std::vector<std::string> args(argv + 2, argv + argc);
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
