#include "command.h"

namespace vekcfg {

// Each handler and its help live in <group>_command.cpp.
int RunSettings(const std::vector<std::string>& args);
extern const char* const kSettingsHelp;
int RunEvents(const std::vector<std::string>& args);
extern const char* const kEventsHelp;
int RunObject(const std::vector<std::string>& args);
extern const char* const kObjectHelp;

const std::vector<Command>& AllCommands() {
    static const std::vector<Command> commands = {
        {"settings", "show, read or change the installation settings", kSettingsHelp,
         RunSettings},
        {"events", "show the events the library has reported", kEventsHelp, RunEvents},
        {"object", "create, show, change or remove an object's configuration", kObjectHelp,
         RunObject},
    };
    return commands;
}

}  // namespace vekcfg
