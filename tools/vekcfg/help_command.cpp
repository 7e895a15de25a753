// vekcfg help: the usage, one command's help, and the manual page and bash
// completion generated from the same command table.
#include <cctype>
#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "command.h"
#include "tool_output.h"

namespace vekcfg {
namespace {

constexpr const char* kCommand = "help";

constexpr const char* kGlobalOptions[][2] = {
    {"--home DIR", "use DIR as VEK_HOME, the directory of all machine state"},
    {"--machine NAME", "work on machine NAME's registry (settings, registry)"},
    {"--json", "print the command's output as JSON"},
    {"--help", "this list; after a command, the command's options and examples"},
};

// The action words of a command: the word after "vekcfg NAME" on each usage
// line of its help, or, after a usage line "vekcfg NAME ACTION", the first
// word of each line indented by two spaces.
std::vector<std::string> Actions(const Command& command) {
    std::vector<std::string> actions;
    std::set<std::string> seen;
    std::istringstream lines(command.help);
    const std::string prefix = std::string("vekcfg ") + command.name + " ";
    bool listed = false;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("examples:", 0) == 0) break;
        size_t from = std::string::npos;
        if (const size_t at = line.find(prefix); at != std::string::npos) {
            from = at + prefix.size();
            listed = listed || line.compare(from, 6, "ACTION") == 0;
        } else if (listed && line.rfind("  ", 0) == 0 && line.size() > 2 && line[2] != ' ') {
            from = 2;
        }
        if (from == std::string::npos) continue;
        std::string word;
        for (size_t i = from; i < line.size(); ++i) {
            const char c = line[i];
            if (std::islower(static_cast<unsigned char>(c)) || (c == '-' && !word.empty()) ||
                (c == '|' && !word.empty())) {
                word += c;
            } else {
                break;
            }
        }
        const size_t end = from + word.size();
        if (word.empty() || (end < line.size() && line[end] != ' ')) continue;
        std::istringstream alternatives(word);
        for (std::string each; std::getline(alternatives, each, '|');)
            if (!each.empty() && seen.insert(each).second) actions.push_back(each);
    }
    return actions;
}

// Text for roff: a leading '.' or '\'' and every backslash are escaped.
std::string Roff(const std::string& text) {
    std::string out;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::string escaped;
        for (char c : line) escaped += c == '\\' ? std::string("\\e") : std::string(1, c);
        if (!escaped.empty() && (escaped[0] == '.' || escaped[0] == '\'')) escaped = "\\&" + escaped;
        out += escaped + "\n";
    }
    return out;
}

void PrintManPage() {
    std::printf(".TH VEKCFG 1 \"\" \"VEK\" \"VEK configuration\"\n.SH NAME\n"
                "vekcfg \\- set up and inspect the VEK print system's configuration\n"
                ".SH SYNOPSIS\n.B vekcfg\n[\\fB\\-\\-home\\fR \\fIDIR\\fR] [\\fB\\-\\-machine\\fR \\fINAME\\fR] [\\fB\\-\\-json\\fR] "
                "\\fICOMMAND\\fR [\\fIARGS\\fR...]\n.SH DESCRIPTION\n"
                "vekcfg works on the configuration of one machine through the configuration "
                "library's public calls. All state lives under \\fBVEK_HOME\\fR. It exits with 0 "
                "on success and otherwise prints one line starting with \"vekcfg:\" to standard "
                "error and exits with 1 (a failed operation) or 2 (a usage error).\n"
                ".SH OPTIONS\n");
    for (const auto& option : kGlobalOptions)
        std::printf(".TP\n.B %s%s\n", Roff(option[0]).c_str(), option[1]);
    std::printf(".SH COMMANDS\n");
    for (const auto& command : AllCommands()) {
        std::printf(".SS %s\n%s.\n.PP\n.nf\n%s.fi\n", command.name, command.summary,
                    Roff(command.help).c_str());
    }
    std::printf(".SH ENVIRONMENT\n.TP\n.B VEK_HOME\nthe directory of the machine's state "
                "(registry database, configuration files, events)\n");
}

void PrintBashCompletion() {
    std::printf("# bash completion for vekcfg\n_vekcfg() {\n"
                "    local cur=\"${COMP_WORDS[COMP_CWORD]}\" i=1\n"
                "    while [[ $i -lt $COMP_CWORD && ${COMP_WORDS[i]} == -* ]]; do\n"
                "        [[ ${COMP_WORDS[i]} == --home || ${COMP_WORDS[i]} == --machine ]] && i=$((i + 1))\n"
                "        i=$((i + 1))\n    done\n"
                "    if [[ ${COMP_WORDS[COMP_CWORD-1]} == --home ]]; then\n"
                "        COMPREPLY=($(compgen -d -- \"$cur\")); return\n    fi\n"
                "    if [[ $i -eq $COMP_CWORD ]]; then\n        COMPREPLY=($(compgen -W \"");
    for (const auto& option : kGlobalOptions) {
        std::string word = option[0];
        std::printf("%s ", word.substr(0, word.find(' ')).c_str());
    }
    for (const auto& command : AllCommands()) std::printf("%s ", command.name);
    std::printf("\" -- \"$cur\")); return\n    fi\n"
                "    local words=\"--help --json\"\n    case ${COMP_WORDS[i]} in\n");
    for (const auto& command : AllCommands()) {
        std::printf("        %s) words=\"$words", command.name);
        for (const auto& action : Actions(command)) std::printf(" %s", action.c_str());
        std::printf("\" ;;\n");
    }
    std::printf("    esac\n    COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n"
                "    [[ ${#COMPREPLY[@]} -eq 0 ]] && COMPREPLY=($(compgen -f -- \"$cur\"))\n"
                "}\ncomplete -F _vekcfg vekcfg\n");
}

}  // namespace

const Command* FindCommand(const std::string& name) {
    for (const auto& command : AllCommands())
        if (name == command.name) return &command;
    return nullptr;
}

void PrintUsage(FILE* out) {
    std::fprintf(out, "usage: vekcfg [--home DIR] [--machine NAME] [--json] COMMAND [ARGS...]\n\ncommands:\n");
    for (const auto& command : AllCommands())
        std::fprintf(out, "  %-14s %s\n", command.name, command.summary);
    std::fprintf(out, "\noptions:\n");
    for (const auto& option : kGlobalOptions)
        std::fprintf(out, "  %-14s %s\n", option[0], option[1]);
    std::fprintf(out, "\nRun 'vekcfg COMMAND --help' for a command's options and examples.\n"
                      "Exit status: 0 on success, 1 when an operation fails, 2 on a usage "
                      "error;\na failure prints one line starting with 'vekcfg:'.\n");
}

int RunHelp(const std::vector<std::string>& args) {
    if (args.empty()) {
        PrintUsage(stdout);
        return 0;
    }
    if (args.size() == 1 && args[0] == "--man") {
        PrintManPage();
        return 0;
    }
    if (args.size() == 2 && args[0] == "--completion" && args[1] == "bash") {
        PrintBashCompletion();
        return 0;
    }
    if (args.size() == 1) {
        if (const Command* command = FindCommand(args[0])) {
            std::printf("%s\n", command->help);
            return 0;
        }
        return Usage(kCommand, "unknown command '" + args[0] + "'");
    }
    return Usage(kCommand, "expected COMMAND, --man or --completion bash");
}

extern const char* const kHelpHelp =
    R"(usage: vekcfg help [COMMAND]
       vekcfg help --man
       vekcfg help --completion bash

Without arguments, the command list; with COMMAND, its options and examples.
--man prints the manual page (roff) and --completion bash a bash completion
script, both made from the same table as --help.

examples:
  vekcfg help object
  vekcfg help --man | man -l -
  source <(vekcfg help --completion bash))";

}  // namespace vekcfg
