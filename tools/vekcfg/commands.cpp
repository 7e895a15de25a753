#include "command.h"

#include "catalog_command.h"

namespace vekcfg {

int RunCfb(const std::vector<std::string>& args);

const std::vector<Command>& AllCommands() {
    static const std::vector<Command> commands = {
        {"cfb", "look into a compound file: tree, stream bytes, check",
         "usage: vekcfg cfb ls FILE [--json]   the tree: type, size, path and class IDs\n"
         "       vekcfg cfb cat FILE PATH      a stream's bytes to standard output\n"
         "       vekcfg cfb check FILE         read every stream; exit 1 when the file is damaged\n"
         "PATH names storages and the stream with '/'.\n"
         "examples:\n"
         "  vekcfg cfb ls /var/lib/vek/config/{4A3E2B1C-5D6F-4789-9ABC-DEF012345678}.cfg\n"
         "  vekcfg cfb cat VekMedia.cfg Model1/VEK_MEDIA_V1 | xxd | head",
         RunCfb},
        {"donor", "list, show, add, change and remove donors (ls|show|set|rm|potential)",
         "usage: vekcfg donor ACTION [ARGS] [--json]\n"
         "  ls                         every donor's global record, ascending id\n"
         "  show ID                    one donor with its printer-model records (newest first)\n"
         "  set ID [--text T] [--value1 N] [--value2 N] [--value3 N] [--real1 X] [--real2 X]\n"
         "                             add or change a donor's global record (unnamed fields keep their values)\n"
         "  set ID --model M [--printer-text T]\n"
         "                             add or change the record of printer model M (1 to 31 characters)\n"
         "  rm ID [--model M]          remove a donor with all its records, or one printer-model record\n"
         "  potential MODEL            the donors that have a record for MODEL (exact, case included)\n"
         "ids are 0 to 4294967295; the catalog is VekDonor.cfg in the configuration root.\n"
         "examples:\n"
         "  vekcfg donor set 10 --text 'Ribbon K' --value1 3\n"
         "  vekcfg donor set 10 --model P-200 --printer-text 'black only'\n"
         "  vekcfg donor potential P-200 --json",
         RunDonorCommand},
        {"media", "list, show, add, change and remove media (ls|show|set|rm|potential)",
         "usage: vekcfg media ACTION [ARGS] [--json]\n"
         "  ls                         every medium's global record, ascending id\n"
         "  show ID                    one medium with its printer-model records (newest first)\n"
         "  set ID [--text T] [--value1..4 N] [--real1 X] [--real2 X]\n"
         "                             add or change a medium's global record (unnamed fields keep their values)\n"
         "  set ID --model M [--printer-real1 X] [--printer-real2 X] [--printer-text1..4 T]\n"
         "         [--printer-value1 N] [--printer-value2 N]\n"
         "                             add or change the record of printer model M (1 to 31 characters)\n"
         "  rm ID [--model M]          remove a medium with all its records, or one printer-model record\n"
         "  potential MODEL            the media that have a record for MODEL (exact, case included)\n"
         "ids are 0 to 4294967295; the catalog is VekMedia.cfg in the configuration root.\n"
         "examples:\n"
         "  vekcfg media set 7 --text 'Glossy A4' --value4 210\n"
         "  vekcfg media set 7 --model P-200 --printer-text3 'tray 2'\n"
         "  vekcfg media potential P-200",
         RunMediaCommand},
    };
    return commands;
}

}  // namespace vekcfg
