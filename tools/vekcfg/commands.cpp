#include "command.h"
#include "discover_command.h"

namespace vekcfg {

const std::vector<Command>& AllCommands() {
    static const std::vector<Command> commands = {
        {"discover", "list attached devices and print queues a device class looks for",
         kDiscoverHelp, RunDiscover},
    };
    return commands;
}

}  // namespace vekcfg
