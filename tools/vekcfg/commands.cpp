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
int RunClass(const std::vector<std::string>& args);
extern const char* const kClassHelp;
int RunWire(const std::vector<std::string>& args);
extern const char* const kWireHelp;
int RunDevice(const std::vector<std::string>& args);
extern const char* const kDeviceHelp;
int RunCategories(const std::vector<std::string>& args);
extern const char* const kCategoriesHelp;
int RunDonor(const std::vector<std::string>& args);
extern const char* const kDonorHelp;
int RunMedia(const std::vector<std::string>& args);
extern const char* const kMediaHelp;
int RunDiscover(const std::vector<std::string>& args);
extern const char* const kDiscoverHelp;
int RunBroker(const std::vector<std::string>& args);
extern const char* const kBrokerHelp;
int RunModels(const std::vector<std::string>& args);
extern const char* const kModelsHelp;
int RunExport(const std::vector<std::string>& args);
extern const char* const kExportHelp;
int RunImport(const std::vector<std::string>& args);
extern const char* const kImportHelp;
int RunSetupPrinter(const std::vector<std::string>& args);
extern const char* const kSetupPrinterHelp;
int RunHelp(const std::vector<std::string>& args);
extern const char* const kHelpHelp;
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
        {"discover", "list attached devices and print queues not yet configured",
         kDiscoverHelp, RunDiscover},
        {"class", "the classes of a category, the objects and categories of a class",
         kClassHelp, RunClass},
        {"wire", "candidate physical printers of a logical printer, and its connections",
         kWireHelp, RunWire},
        {"device", "remove a configured object from the system", kDeviceHelp, RunDevice},
        {"categories", "list, register or clean up the component categories", kCategoriesHelp,
         RunCategories},
        {"donor", "list, show, add, change and remove donors (ls|show|set|rm|potential)", kDonorHelp,
         RunDonor},
        {"media", "list, show, add, change and remove media (ls|show|set|rm|potential)", kMediaHelp,
         RunMedia},
        {"broker", "set or show the broker class of a class", kBrokerHelp, RunBroker},
        {"models", "list the printer models (.att files) of the configuration root", kModelsHelp,
         RunModels},
        {"setup-printer", "set up a physical printer from a device or queue, step by step",
         kSetupPrinterHelp, RunSetupPrinter},
        {"export", "write the machine's whole configuration into one archive file", kExportHelp,
         RunExport},
        {"import", "replace the machine's configuration with an archive's, all or nothing",
         kImportHelp, RunImport},
        {"registry", "copy a machine's registry between SQLite and PostgreSQL", kRegistryHelp,
         RunRegistry, true},
        {"help", "the command list, a command's help, the manual page or bash completion",
         kHelpHelp, RunHelp},
    };
    return commands;
}

}  // namespace vekcfg
