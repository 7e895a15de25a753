// vekcfg export / import: the machine's whole configuration into one archive
// file and back.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "archive.h"
#include "json_writer.h"
#include "machine_state.h"
#include "tool_output.h"

namespace vekcfg {
namespace {

// FILE and an optional --json, nothing else.
bool FileArgument(const char* command, const std::vector<std::string>& args, std::string* file,
                  bool* json, int* status) {
    *json = false;
    file->clear();
    for (const auto& arg : args) {
        if (arg == "--json") {
            *json = true;
        } else if (file->empty() && !arg.empty()) {
            *file = arg;
        } else {
            *status = Usage(command, "unexpected argument '" + arg + "'");
            return false;
        }
    }
    if (file->empty()) {
        *status = Usage(command, "expected the archive FILE");
        return false;
    }
    return true;
}

void PrintSummary(const char* verb, const std::string& file, const Archive& archive, bool json) {
    size_t values = 0;
    for (const auto& key : archive.keys) values += key.values.size();
    if (json) {
        JsonWriter out;
        out.BeginObject();
        out.Key("archive");
        out.String(file);
        out.Key("keys");
        out.Integer(static_cast<long long>(archive.keys.size()));
        out.Key("values");
        out.Integer(static_cast<long long>(values));
        out.Key("files");
        out.BeginArray();
        for (const auto& f : archive.files) out.String(f.name);
        out.EndArray();
        out.EndObject();
        std::printf("%s\n", out.text().c_str());
        return;
    }
    std::printf("%s %s: %zu registry keys, %zu values, %zu files\n", verb, file.c_str(),
                archive.keys.size(), values, archive.files.size());
    for (const auto& f : archive.files) std::printf("  %s\n", f.name.c_str());
}

}  // namespace

int RunExport(const std::vector<std::string>& args) {
    constexpr const char* kCommand = "export";
    std::string file;
    bool json = false;
    int status = 0;
    if (!FileArgument(kCommand, args, &file, &json, &status)) return status;
    if (const std::string trouble = DescribeRegistryTrouble(); !trouble.empty())
        return Fail(kCommand, trouble);
    Archive archive;
    std::string error;
    if (!CaptureMachine(&archive, &error)) return Fail(kCommand, error);
    // Written beside the target and renamed over it, so a reader never sees half.
    const std::string partial = file + ".partial-" + std::to_string(getpid());
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        const std::string bytes = SerializeArchive(archive);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        std::error_code code;
        if (!out) {
            std::filesystem::remove(partial, code);
            return Fail(kCommand, "cannot write " + file);
        }
        std::filesystem::rename(partial, file, code);
        if (code) {
            std::filesystem::remove(partial, code);
            return Fail(kCommand, "cannot write " + file + ": " + code.message());
        }
    }
    PrintSummary("exported to", file, archive, json);
    return 0;
}

int RunImport(const std::vector<std::string>& args) {
    constexpr const char* kCommand = "import";
    std::string file;
    bool json = false;
    int status = 0;
    if (!FileArgument(kCommand, args, &file, &json, &status)) return status;
    std::error_code code;
    if (!std::filesystem::is_regular_file(file, code))
        return Fail(kCommand, "cannot read " + file + ": " +
                                  (std::filesystem::exists(file, code) ? "not a regular file"
                                                                      : "no such file"));
    std::ifstream in(file, std::ios::binary);
    const std::string bytes(std::istreambuf_iterator<char>(in), {});
    if (in.bad()) return Fail(kCommand, "cannot read " + file);
    Archive archive;
    std::string error;
    if (!ParseArchive(bytes, &archive, &error)) return Fail(kCommand, file + ": " + error);
    if (const std::string trouble = DescribeRegistryTrouble(); !trouble.empty())
        return Fail(kCommand, trouble);
    if (!ApplyMachine(archive, &error))
        return Fail(kCommand, error + "; the configuration is unchanged");
    PrintSummary("imported from", file, archive, json);
    return 0;
}

extern const char* const kExportHelp =
    R"(usage: vekcfg export FILE [--json]

Writes the machine's whole configuration into the archive FILE: the
installation settings, the class root of the registry (registered objects,
broker keys, component categories and their links), and the files of the
configuration root (object configurations, printer-model .att files, the
donor and media catalogs). Directory settings under VEK_HOME are moved to
the importing machine's VEK_HOME on import. The format is described in
docs/formats.md.

examples:
  vekcfg export /var/backups/vek-$(date +%F).vekcfg
  vekcfg --home /srv/vek-test export setup.vekcfg --json)";

extern const char* const kImportHelp =
    R"(usage: vekcfg import FILE [--json]

Replaces the machine's configuration with the one in the archive FILE
written by 'vekcfg export'. The whole archive is read and checked first;
the files are staged beside the configuration root and switched in by
rename. When any step fails the machine's configuration is left as it was.
Files of the configuration root that the archive does not carry (other than
.cfg and .att files) are kept.

examples:
  vekcfg --home /srv/vek-new import /var/backups/vek-2026-12-05.vekcfg
  vekcfg import setup.vekcfg && vekcfg events)";

}  // namespace vekcfg
