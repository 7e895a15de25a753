#include "command.h"

namespace vekcfg {

// Each handler and its help live in <group>_command.cpp.
int RunSettings(const std::vector<std::string>& args);
extern const char* const kSettingsHelp;
int RunEvents(const std::vector<std::string>& args);
extern const char* const kEventsHelp;

const std::vector<Command>& AllCommands() {
    static const std::vector<Command> commands = {
        {"settings", "show, read or change the installation settings", kSettingsHelp,
         RunSettings},
        {"events", "show the events the library has reported", kEventsHelp, RunEvents},
    };
    return commands;
}

}  // namespace vekcfg
