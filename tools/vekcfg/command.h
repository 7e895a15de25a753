// The tool's commands as data: each has a name, one line of help, a longer
// help text with examples, and a handler. main() dispatches on the first word.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace vekcfg {

struct Command {
    const char* name;
    const char* summary;  // one line for the command list
    const char* help;     // usage, options and examples
    int (*run)(const std::vector<std::string>& args);
    bool takesMachine = false;  // accepts --machine NAME
};

// The machine named with --machine NAME, empty for this machine.
const std::string& TargetMachine();

// Every command of the tool, in the order --help lists them.
const std::vector<Command>& AllCommands();
// The command of that name, or null.
const Command* FindCommand(const std::string& name);
// The tool's usage: global options and the command list.
void PrintUsage(FILE* out);

}  // namespace vekcfg
