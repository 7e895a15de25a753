#include "command.h"

namespace vekcfg {

const std::vector<Command>& AllCommands() {
    static const std::vector<Command> commands = {
    };
    return commands;
}

}  // namespace vekcfg
