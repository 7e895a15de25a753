// vekcfg settings: show, read and change the installation settings.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "command.h"
#include "json_writer.h"
#include "tool_output.h"
#include "vekconfig/vekconfig.h"

namespace vekcfg {
namespace {

constexpr const char* kCommand = "settings";

enum class Kind { kDirectory, kText, kNumber };

struct Setting {
    const char* name;
    Kind kind;
    // Reads the value as text; returns the library's status.
    HRESULT (*get)(std::string* value);
    // Stores the value given as UTF-16 text or as a number.
    HRESULT (*setText)(const WCHAR* value);
    HRESULT (*setNumber)(DWORD value);
    bool anyMachine = false;  // read and written on the machine given with --machine
};

// The machine given with --machine, null for this machine.
const WCHAR* Machine() {
    static const std::u16string name = vek::Utf8ToUtf16(TargetMachine());
    return name.empty() ? nullptr : name.c_str();
}

HRESULT ReadText(HRESULT (*getter)(WCHAR*), std::string* value) {
    WCHAR buffer[MAX_PATH + 1] = {};
    const HRESULT status = getter(buffer);
    *value = vek::Utf16ToUtf8(buffer);
    return status;
}

HRESULT ReadConfigRoot(WCHAR* out) { return GetConfigLocation(out, Machine()); }
HRESULT WriteConfigRoot(const WCHAR* path) { return SetConfigLocation(path, Machine()); }
HRESULT WriteLogLength(DWORD length) { return SetConfigLogLength(length, Machine()); }
HRESULT WriteMethod(DWORD method) {
    return SetSchedulerSelectionMethod(static_cast<PP_SELECTION_METHOD>(method));
}

const std::vector<Setting>& Settings() {
    static const std::vector<Setting> settings = {
        {"ConfigurationRoot", Kind::kDirectory,
         [](std::string* v) { return ReadText(ReadConfigRoot, v); }, WriteConfigRoot, nullptr,
         true},
        {"SpoolRoot", Kind::kDirectory,
         [](std::string* v) { return ReadText(GetSpoolLocation, v); }, SetSpoolLocation, nullptr},
        {"TempRoot", Kind::kDirectory,
         [](std::string* v) { return ReadText(GetVekTempLocation, v); }, SetVekTempLocation,
         nullptr},
        {"LogFileName", Kind::kText, [](std::string* v) { return ReadText(GetLogFileName, v); },
         SetLogFileName, nullptr},
        {"LogLength", Kind::kNumber,
         [](std::string* v) {
             DWORD length = 0;
             const HRESULT status = GetConfigLogLength(&length, Machine());
             *v = std::to_string(length);
             return status;
         },
         nullptr, WriteLogLength, true},
        {"SchedulerSelectionMethod", Kind::kNumber,
         [](std::string* v) {
             PP_SELECTION_METHOD method = PP_SELECTION_DEFAULT;
             const HRESULT status = GetSchedulerSelectionMethod(method);
             *v = std::to_string(static_cast<uint32_t>(method));
             return status;
         },
         nullptr, WriteMethod},
    };
    return settings;
}

const Setting* Find(const std::string& name) {
    for (const Setting& setting : Settings())
        if (vek::WideEqualsIgnoreCase(vek::Utf8ToUtf16(setting.name), vek::Utf8ToUtf16(name)))
            return &setting;
    return nullptr;
}

std::string Names() {
    std::string names;
    for (const Setting& setting : Settings()) names += std::string(names.empty() ? "" : ", ") + setting.name;
    return names;
}

int ReadFailure(const Setting& setting) {
    const std::string trouble = DescribeRegistryTrouble();
    return Fail(kCommand, std::string("cannot read ") + setting.name + ": " +
                              (trouble.empty() ? "see 'vekcfg events' for the cause" : trouble));
}

int ShowAll(bool json) {
    JsonWriter out;
    out.BeginObject();
    for (const Setting& setting : Settings()) {
        if (Machine() != nullptr && !setting.anyMachine) continue;
        std::string value;
        if (FAILED(setting.get(&value))) return ReadFailure(setting);
        if (!json) std::printf("%-26s %s\n", setting.name, value.c_str());
        out.Key(setting.name);
        out.String(value);
    }
    out.EndObject();
    if (json) std::printf("%s\n", out.text().c_str());
    return 0;
}

int Get(const std::string& name) {
    const Setting* setting = Find(name);
    if (setting == nullptr) return Usage(kCommand, "no setting '" + name + "' (one of " + Names() + ")");
    if (Machine() != nullptr && !setting->anyMachine)
        return Usage(kCommand, std::string(setting->name) + " is kept on this machine only");
    std::string value;
    if (FAILED(setting->get(&value))) return ReadFailure(*setting);
    std::printf("%s\n", value.c_str());
    return 0;
}

bool ParseNumber(const std::string& text, DWORD* value) {
    if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ') return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || end == text.c_str() || *end != 0 || parsed > 0xFFFFFFFFull) return false;
    *value = static_cast<DWORD>(parsed);
    return true;
}

int Set(const std::string& name, const std::string& value) {
    const Setting* setting = Find(name);
    if (setting == nullptr) return Usage(kCommand, "no setting '" + name + "' (one of " + Names() + ")");
    if (Machine() != nullptr && !setting->anyMachine)
        return Usage(kCommand, std::string(setting->name) + " is kept on this machine only");
    HRESULT status = E_FAIL;
    std::string shown = value;
    if (setting->kind == Kind::kNumber) {
        DWORD number = 0;
        if (!ParseNumber(value, &number))
            return Usage(kCommand, std::string(setting->name) +
                                       " takes a number from 0 to 4294967295, not '" + value + "'");
        status = setting->setNumber(number);
    } else {
        if (setting->kind == Kind::kDirectory) {
            if (value.empty()) return Usage(kCommand, std::string(setting->name) + " needs a directory");
            std::error_code error;
            shown = std::filesystem::absolute(value, error).lexically_normal().string();
            if (error) shown = value;
        }
        status = setting->setText(vek::Utf8ToUtf16(shown).c_str());
    }
    if (FAILED(status)) {
        const std::string trouble = DescribeRegistryTrouble();
        std::string why = !trouble.empty() ? trouble
                          : setting->kind == Kind::kDirectory
                              ? "the directory cannot be created (its parent must exist)"
                              : "the registry cannot be written";
        return Fail(kCommand, "cannot set " + std::string(setting->name) + " to '" + shown + "': " + why);
    }
    return 0;
}

}  // namespace

int RunSettings(const std::vector<std::string>& args) {
    if (args.empty() || args == std::vector<std::string>{"--json"}) return ShowAll(!args.empty());
    if (args[0] == "get" && args.size() == 2) return Get(args[1]);
    if (args[0] == "set" && args.size() == 3) return Set(args[1], args[2]);
    if (args[0] == "get" || args[0] == "set")
        return Usage(kCommand, "'" + args[0] + "' takes " + (args[0] == "get" ? "NAME" : "NAME VALUE"));
    return Usage(kCommand, "unknown action '" + args[0] + "'");
}

extern const char* const kSettingsHelp;
const char* const kSettingsHelp =
    R"(usage: vekcfg settings [--json]         show every installation setting
       vekcfg settings get NAME         print one setting
       vekcfg settings set NAME VALUE   change one setting

Settings (names ignore case):
  ConfigurationRoot         directory of the object configuration files
  SpoolRoot                 spool directory
  TempRoot                  directory of temporary files (old *.txt are swept)
  LogFileName               name of a text log file (stored only)
  LogLength                 size limit of that text log, in bytes
  SchedulerSelectionMethod  how the scheduler picks a physical printer (number)

Reading a missing setting writes its default (the directories under
$VEK_HOME). Setting a directory creates it; its parent must exist. Relative
directories are made absolute first.

With --machine NAME (a registry on PostgreSQL shared by several machines),
ConfigurationRoot and LogLength are those of machine NAME; the directory of
a new ConfigurationRoot is still created here, on storage both machines see.

examples:
  vekcfg settings
  vekcfg settings get configurationroot
  vekcfg settings set TempRoot /var/tmp/vek
  vekcfg settings set LogLength 0x100000
  vekcfg --machine press2 settings get ConfigurationRoot)";

}  // namespace vekcfg
