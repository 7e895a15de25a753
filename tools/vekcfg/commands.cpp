#include "command.h"

namespace vekcfg {

// Each handler and its help live in <group>_command.cpp.
int RunSettings(const std::vector<std::string>& args);
extern const char* const kSettingsHelp;
int RunEvents(const std::vector<std::string>& args);
extern const char* const kEventsHelp;
int RunObject(const std::vector<std::string>& args);
extern const char* const kObjectHelp;
int RunCfb(const std::vector<std::string>& args);
int RunRegistry(const std::vector<std::string>& args);
extern const char* const kRegistryHelp;

const std::vector<Command>& AllCommands() {
    static const std::vector<Command> commands = {
        {"settings", "show, read or change the installation settings", kSettingsHelp,
         RunSettings, true},
        {"events", "show the events the library has reported", kEventsHelp, RunEvents},
        {"object", "create, show, change or remove an object's configuration", kObjectHelp,
         RunObject},
        {"cfb", "look into a compound file: tree, stream bytes, check",
         "usage: vekcfg cfb ls FILE [--json]   the tree: type, size, path and class IDs\n"
         "       vekcfg cfb cat FILE PATH      a stream's bytes to standard output\n"
         "       vekcfg cfb check FILE         read every stream; exit 1 when the file is damaged\n"
         "PATH names storages and the stream with '/'.\n"
         "examples:\n"
         "  vekcfg cfb ls /var/lib/vek/config/{4A3E2B1C-5D6F-4789-9ABC-DEF012345678}.cfg\n"
         "  vekcfg cfb cat VekMedia.cfg Model1/VEK_MEDIA_V1 | xxd | head",
         RunCfb},
        {"registry", "copy a machine's registry between SQLite and PostgreSQL", kRegistryHelp,
         RunRegistry, true},
    };
    return commands;
}

}  // namespace vekcfg
