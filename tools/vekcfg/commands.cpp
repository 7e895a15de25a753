#include "command.h"

namespace vekcfg {

// Each handler and its help live in <group>_command.cpp.
int RunSettings(const std::vector<std::string>& args);
extern const char* const kSettingsHelp;
int RunEvents(const std::vector<std::string>& args);
extern const char* const kEventsHelp;
int RunDiscover(const std::vector<std::string>& args);
extern const char* const kDiscoverHelp;

const std::vector<Command>& AllCommands() {
    static const std::vector<Command> commands = {
        {"settings", "show, read or change the installation settings", kSettingsHelp,
         RunSettings},
        {"events", "show the events the library has reported", kEventsHelp, RunEvents},
        {"discover", "list attached devices and print queues not yet configured",
         kDiscoverHelp, RunDiscover},
    };
    return commands;
}

}  // namespace vekcfg
