// vekcfg models: the printer models configured on this machine, one per
// ".att" file of the configuration root.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "json_writer.h"
#include "registry_tool_support.h"
#include "tool_output.h"
#include "vekconfig/vekconfig.h"

namespace vekcfg {

int RunModels(const std::vector<std::string>& args) {
    constexpr const char* kCommand = "models";
    bool json = false;
    for (const auto& arg : args) {
        if (arg != "--json" && arg != "ls") return Usage(kCommand, "unexpected argument '" + arg + "'");
        json = json || arg == "--json";
    }
    ULONG count = 0;
    PRINTER_MODEL_INFO* models = nullptr;
    const HRESULT hr = GetConfiguredPrinterModels(count, &models);
    if (FAILED(hr)) return Fail(kCommand, "cannot list the printer models (" + StatusString(hr) + ")");
    std::vector<std::string> names;
    for (ULONG i = 0; i < count; ++i) names.push_back(FieldString(models[i].ModelName, MAX_PATH));
    std::free(models);
    // The file system's order differs between machines; the listing does not.
    std::sort(names.begin(), names.end());
    if (json) {
        JsonWriter out;
        out.BeginArray();
        for (const auto& name : names) out.String(name);
        out.EndArray();
        std::printf("%s\n", out.text().c_str());
    } else {
        for (const auto& name : names) std::printf("%s\n", name.c_str());
    }
    return 0;
}

extern const char* const kModelsHelp =
    R"(usage: vekcfg models [ls] [--json]

The printer models configured on this machine: the base names of the
printer-model attribute files (NAME.att) in the configuration root, sorted.

examples:
  vekcfg models
  vekcfg models --json)";

}  // namespace vekcfg
