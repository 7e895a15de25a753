// vekcfg registry migrate: copies a machine's registry between its SQLite
// file and a PostgreSQL database shared by several machines.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "command.h"
#include "tool_output.h"
#include "vekconfig/vekconfig.h"

namespace vekcfg {
namespace {

constexpr const char* kCommand = "registry";

bool IsUri(const std::string& location) {
    return location.starts_with("postgresql://") || location.starts_with("postgres://");
}

std::string Describe(LSTATUS status) {
    switch (status) {
        case ERROR_REGISTRY_IO_FAILED:
            return "the registry cannot be reached (server down, wrong URI or no permission)";
        case ERROR_BADDB:
            return "the database is damaged or belongs to another program";
        case ERROR_INVALID_HANDLE:
            return "other writers kept the registry busy; try again";
        default:
            return "status " + std::to_string(status);
    }
}

int Migrate(const std::string& from, const std::string& to) {
    if (!IsUri(from) && !IsUri(to))
        return Usage(kCommand, "one side of a migration must be a postgresql:// URI");
    if (!IsUri(from) && !std::filesystem::exists(from))
        return Fail(kCommand, "no registry file '" + from + "'");
    const std::string& machine = TargetMachine();
    DWORD keys = 0, values = 0;
    const LSTATUS status =
        VekCopyRegistry(from.c_str(), to.c_str(), machine.empty() ? nullptr : machine.c_str(),
                        &keys, &values);
    if (status == ERROR_INVALID_PARAMETER)
        return Usage(kCommand, "FROM and TO must be two different registries");
    if (status != ERROR_SUCCESS) return Fail(kCommand, "migration failed: " + Describe(status));
    std::printf("copied %lu keys and %lu values\n", static_cast<unsigned long>(keys),
                static_cast<unsigned long>(values));
    return 0;
}

}  // namespace

int RunRegistry(const std::vector<std::string>& args) {
    if (args.size() == 3 && args[0] == "migrate") return Migrate(args[1], args[2]);
    if (!args.empty() && args[0] == "migrate") return Usage(kCommand, "'migrate' takes FROM TO");
    return Usage(kCommand, args.empty() ? "needs an action ('migrate')"
                                        : "unknown action '" + args[0] + "'");
}

extern const char* const kRegistryHelp;
const char* const kRegistryHelp =
    R"(usage: vekcfg registry migrate FROM TO     (after the global --machine NAME)

Copies one machine's registry, every key and value, from FROM to TO in one
transaction on each side. A registry is a SQLite file (the default is
$VEK_HOME/registry.sqlite) or a PostgreSQL database given as a
postgresql:// URI, in which each machine has a namespace of its own: the
machine's VEK_MACHINE, else its host name, or NAME given with --machine.
Keys already in TO are kept, values of the same name replaced, nothing is
deleted. Point VEK_REGISTRY at TO afterwards to use it.

examples:
  vekcfg registry migrate /var/lib/vek/registry.sqlite 'postgresql://vek@db/vek'
  vekcfg --machine press2 registry migrate 'postgresql://vek@db/vek' /tmp/press2.sqlite)";

}  // namespace vekcfg
