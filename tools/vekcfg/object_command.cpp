// vekcfg object: create, show, change and remove the configuration of one
// configured object, through the same CVekObjectConfig calls the components
// use.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "command.h"
#include "json_text.h"
#include "registry_tool_support.h"
#include "tool_output.h"
#include "vekconfig/vekconfig.h"

namespace vekcfg {
namespace {

constexpr const char* kCommand = "object";

template <size_t N>
std::string FieldText(const WCHAR (&field)[N]) {
    return FieldString(field, N);
}

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

// What show prints: sections of named values, each kept as JSON text.
class Report {
public:
    void Section(const std::string& name) { sections_.push_back({name, {}}); }
    void Text(const std::string& key, const std::string& value) { Add(key, JsonString(value)); }
    void Value(const std::string& key, double value) { Add(key, Number(value)); }
    void List(const std::string& key, const std::vector<std::string>& jsonItems) {
        std::string out = "[";
        for (size_t i = 0; i < jsonItems.size(); ++i) out += (i ? ", " : "") + jsonItems[i];
        Add(key, out + "]");
    }

    void Print(bool json) const {
        if (json) {
            std::printf("{");
            for (size_t s = 0; s < sections_.size(); ++s) {
                std::printf("%s%s: {", s ? ", " : "", JsonString(sections_[s].first).c_str());
                const auto& values = sections_[s].second;
                for (size_t v = 0; v < values.size(); ++v)
                    std::printf("%s%s: %s", v ? ", " : "", JsonString(values[v].first).c_str(),
                                values[v].second.c_str());
                std::printf("}");
            }
            std::printf("}\n");
            return;
        }
        for (const auto& [name, values] : sections_) {
            std::printf("%s\n", name.c_str());
            for (const auto& [key, value] : values) std::printf("  %-28s %s\n", key.c_str(), value.c_str());
        }
    }

private:
    void Add(const std::string& key, const std::string& json) { sections_.back().second.push_back({key, json}); }
    std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> sections_;
};

// The file a target names: a braced object ID (in the configuration root) or a path.
bool ResolveTarget(const std::string& target, std::u16string* path, GUID* id, bool* byId) {
    const std::u16string wide = vek::Utf8ToUtf16(target);
    *byId = !wide.empty() && wide.front() == u'{' && SUCCEEDED(CLSIDFromString(wide.c_str(), id));
    if (!*byId) {
        *path = vek::Utf8ToUtf16(std::filesystem::absolute(target).string());
        return true;
    }
    WCHAR composed[MAX_PATH];
    if (FAILED(ComposeConfigFilePathname(*id, composed))) return false;
    *path = composed;
    return true;
}

template <class Entry, size_t N>
std::vector<std::string> Numbers(const Entry (&table)[N], DWORD count) {
    std::vector<std::string> out;
    for (DWORD i = 0; i < count && i < N; ++i) out.push_back(Number(static_cast<double>(table[i])));
    return out;
}

void ShowCommon(CVekObjectConfig& config, Report& report) {
    VEK_COMMON_CONFIG_DATA c;
    if (FAILED(config.GetVekObjectConfig(&c))) return;
    report.Section("common");
    report.Text("ObjectID", GuidString(c.ObjectID));
    report.Value("ObjectType", c.ObjectType);
    report.Text("UserDescription", FieldText(c.UserDescription));
    report.Text("Location", FieldText(c.Location));
    report.Text("PrinterModel", FieldText(c.PrinterModel));
    PRINTER_MODEL_ARRAY models{};
    std::vector<std::string> names;
    if (SUCCEEDED(config.GetPrinterModelsSupported(&models))) {
        for (DWORD i = 0; i < models.Count; ++i) names.push_back(JsonString(FieldText(models.Entries[i])));
        CoTaskMemFree(models.Entries);
    }
    report.List("PrinterModelsSupported", names);
    report.Text("DefaultColorProfile", FieldText(c.DefaultColorProfile));
    report.List("BufferSizes", {Number(c.BufferSizes[0]), Number(c.BufferSizes[1])});
    report.Value("PrinterClass", c.PrinterClass);
    report.Value("DebugLevelsSupported", c.DebugLevelsSupported);
    report.Value("CurrentDebugLevel", c.CurrentDebugLevel);
    report.Value("EventLoggingLevelsSupported", c.EventLoggingLevelsSupported);
    report.Value("CurrentEventLoggingLevel", c.CurrentEventLoggingLevel);
    report.Value("ErrorBroadcastState", c.ErrorBroadcastState);
    report.List("ImageUnits", Numbers(c.ImageUnits, c.NumImageUnits));
    report.Value("CurrentImageUnit", c.CurrentImageUnit);
    report.List("SupportedFormats", Numbers(c.SupportedFormats, c.NumSupportedFormats));
    report.Value("CurrentFormat", c.CurrentFormat);
    report.Value("PreferredFormat", c.PreferredFormat);
    report.List("VertResolutions", Numbers(c.VertResolutions, c.NumVertResolutions));
    report.Value("CurrentVertResolution", c.CurrentVertResolution);
    report.List("HorzResolutions", Numbers(c.HorzResolutions, c.NumHorzResolutions));
    report.Value("CurrentHorzResolution", c.CurrentHorzResolution);
    report.List("Capabilities", Numbers(c.Capabilities, c.NumCapabilities));
    report.List("RegionOfInterestExtents",
                {Number(c.RegionOfInterestExtents[0]), Number(c.RegionOfInterestExtents[1])});
    report.Value("DefaultMediaID", c.DefaultMediaID);
    report.Value("DefaultDonorID", c.DefaultDonorID);
    report.Text("ClassID", GuidString(c.ClassID));
    report.List("ProcessingStates", {Number(c.ProcessingStates[0]), Number(c.ProcessingStates[1])});
    report.List("PageOverspray", {Number(c.PageOverspray[0]), Number(c.PageOverspray[1])});
    report.Value("OversprayType", c.OversprayType);
}

void ShowPrinters(CVekObjectConfig& config, Report& report) {
    VEK_PHYSICAL_PRINTER_CONFIG_DATA p;
    if (SUCCEEDED(config.GetPhysicalPrinterConfig(&p))) {
        report.Section("physicalPrinter");
        report.Text("DeviceAddress", FieldText(p.DeviceAddress));
        report.Value("DeviceAddressKind", p.DeviceAddressKind);
        report.Value("MaxPageLimit", p.MaxPageLimit);
        report.Value("PageLimit", p.PageLimit);
        report.Value("AcceptingMultipleOpenJobs", p.AcceptingMultipleOpenJobs);
        report.Value("CopyRemoteImageFile", p.CopyRemoteImageFile);
        report.Value("RejectJobsOnNeedsAttention", p.RejectJobsOnNeedsAttention);
    }
    VEK_LOGICAL_PRINTER_CONFIG_DATA l;
    if (SUCCEEDED(config.GetLogicalPrinterConfig(&l))) {
        report.Section("logicalPrinter");
        report.Value("SpoolingOn", l.SpoolingOn);
        report.Value("RescheduleJobsOnInfoError", l.RescheduleJobsOnInfoError);
    }
    // Records carried whole: only whether they are present.
    report.Section("carriedRecords");
    VEK_PF_LOGICAL_PRINTER_CONFIG_DATA pf;
    VEK_LOGICAL_PRINTER_5300_CONFIG_DATA lp5300;
    VEK_JOB_ATTRIBUTES job;
    PageAttributesT2 page;
    ImageAttributesT image;
    report.Value("PFLogicalPrinter", SUCCEEDED(config.GetPFLogicalPrinterConfig(&pf)));
    report.Value("LogicalPrinter5300", SUCCEEDED(config.GetLogicalPrinter5300Config(&lp5300)));
    report.Value("DefaultJobAttributes", SUCCEEDED(config.GetDefaultJobAttributes(&job)));
    report.Value("DefaultPageAttributes", SUCCEEDED(config.GetDefaultPageAttributes(&page)));
    report.Value("DefaultImageAttributes", SUCCEEDED(config.GetDefaultImageAttributes(&image)));
}

void ShowLists(CVekObjectConfig& config, Report& report) {
    report.Section("lists");
    VEK_LP_PP_CONNECTIONS* connections = nullptr;
    DWORD count = 0;
    std::vector<std::string> items;
    if (SUCCEEDED(config.GetLpPpConnections(&connections, &count))) {
        for (DWORD i = 0; i < count; ++i)
            items.push_back("{\"PPObjectID\": " + JsonString(GuidString(connections[i].PPObjectID)) +
                            ", \"BrokerClassID\": " +
                            JsonString(GuidString(connections[i].ConnectionData.BrokerClassID)) + "}");
        std::free(connections);
    }
    report.List("connections", items);
    items.clear();
    CONFIG_PRINTER_MEDIA_DATA* media = nullptr;
    if (SUCCEEDED(config.GetAllVekSpecificMedia(count, &media))) {
        for (DWORD i = 0; i < count; ++i) items.push_back(Number(media[i].MediaID));
        CoTaskMemFree(media);
    }
    report.List("mediaIDs", items);
}

int Show(CVekObjectConfig& config, const std::u16string& path, bool json) {
    const HRESULT hr = config.Open(path.c_str());
    if (FAILED(hr)) return Fail(kCommand, "cannot open " + vek::Utf16ToUtf8(path) + ": " + StorageStatusText(hr));
    Report report;
    report.Section("file");
    report.Text("path", vek::Utf16ToUtf8(path));
    IStorage* storage = nullptr;
    STATSTG stat{};
    if (SUCCEEDED(StgOpenStorage(path.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0,
                                 &storage))) {
        if (SUCCEEDED(storage->Stat(&stat, STATFLAG_NONAME))) report.Text("fileClassID", GuidString(stat.clsid));
        storage->Release();
    }
    ShowCommon(config, report);
    ShowPrinters(config, report);
    ShowLists(config, report);
    report.Print(json);
    return 0;
}

bool ParseNumber(const std::string& text, double* value) {
    char* end = nullptr;
    *value = std::strtod(text.c_str(), &end);
    return !text.empty() && end != nullptr && *end == '\0';
}

bool ParseUnsigned(const std::string& text, DWORD* value) {
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0' || text[0] == '-' || v > 0xFFFFFFFFull) return false;
    *value = static_cast<DWORD>(v);
    return true;
}

using Setter = std::function<HRESULT(CVekObjectConfig&, const std::vector<std::string>&, bool*)>;

// A setter of one number; *ok becomes false when the value is not one.
Setter Unsigned(std::function<HRESULT(CVekObjectConfig&, DWORD)> set) {
    return [set](CVekObjectConfig& c, const std::vector<std::string>& v, bool* ok) {
        DWORD value = 0;
        *ok = v.size() == 1 && ParseUnsigned(v[0], &value);
        return *ok ? set(c, value) : E_INVALIDARG;
    };
}
Setter Flag(HRESULT (CVekObjectConfig::*set)(BOOL)) {
    return [set](CVekObjectConfig& c, const std::vector<std::string>& v, bool* ok) {
        DWORD value = 0;
        *ok = v.size() == 1 && ParseUnsigned(v[0], &value);
        return *ok ? (c.*set)(static_cast<BOOL>(value)) : E_INVALIDARG;
    };
}
Setter Text(HRESULT (CVekObjectConfig::*set)(const WCHAR*)) {
    return [set](CVekObjectConfig& c, const std::vector<std::string>& v, bool* ok) {
        *ok = v.size() == 1;
        return *ok ? (c.*set)(vek::Utf8ToUtf16(v[0]).c_str()) : E_INVALIDARG;
    };
}
Setter Float(HRESULT (CVekObjectConfig::*set)(FLOAT)) {
    return [set](CVekObjectConfig& c, const std::vector<std::string>& v, bool* ok) {
        double value = 0;
        *ok = v.size() == 1 && ParseNumber(v[0], &value);
        return *ok ? (c.*set)(static_cast<FLOAT>(value)) : E_INVALIDARG;
    };
}
Setter Pair(std::function<HRESULT(CVekObjectConfig&, DWORD, DWORD)> set) {
    return [set](CVekObjectConfig& c, const std::vector<std::string>& v, bool* ok) {
        DWORD a = 0, b = 0;
        *ok = v.size() == 2 && ParseUnsigned(v[0], &a) && ParseUnsigned(v[1], &b);
        return *ok ? set(c, a, b) : E_INVALIDARG;
    };
}
Setter Guid(std::function<HRESULT(CVekObjectConfig&, const GUID&)> set) {
    return [set](CVekObjectConfig& c, const std::vector<std::string>& v, bool* ok) {
        GUID id{};
        *ok = v.size() == 1 && SUCCEEDED(CLSIDFromString(vek::Utf8ToUtf16(v[0]).c_str(), &id));
        return *ok ? set(c, id) : E_INVALIDARG;
    };
}

// A change of the common record as a whole, for fields without a setter of their own.
Setter Common(std::function<bool(VEK_COMMON_CONFIG_DATA&, const std::vector<std::string>&)> change) {
    return [change](CVekObjectConfig& c, const std::vector<std::string>& v, bool* ok) {
        VEK_COMMON_CONFIG_DATA record;
        HRESULT hr = c.GetVekObjectConfig(&record);
        *ok = true;
        if (FAILED(hr)) return hr;
        *ok = change(record, v);
        return *ok ? c.SetVekObjectConfig(record) : E_INVALIDARG;
    };
}

constexpr size_t kModelSlot = 32;

bool SetModels(VEK_COMMON_CONFIG_DATA& r, const std::vector<std::string>& names) {
    if (names.size() > sizeof r.PrinterModelsSupported / sizeof(WCHAR) / kModelSlot) return false;
    std::fill(std::begin(r.PrinterModelsSupported), std::end(r.PrinterModelsSupported), u'\0');
    for (size_t i = 0; i < names.size(); ++i) {
        const std::u16string name = vek::Utf8ToUtf16(names[i]);
        if (name.empty() || name.size() >= kModelSlot) return false;
        vek::WideCopy(r.PrinterModelsSupported + i * kModelSlot, kModelSlot, name.c_str());
    }
    r.NumPrinterModelsSupported = static_cast<DWORD>(names.size());
    return true;
}

bool SetAddress(CVekObjectConfig& c, const std::vector<std::string>& v, HRESULT* hr) {
    DWORD kind = 0;
    VEK_PHYSICAL_PRINTER_CONFIG_DATA record;
    if (v.size() != 2 || !ParseUnsigned(v[1], &kind) || (kind != 2 && kind != 3 && kind != 8)) return false;
    *hr = c.GetPhysicalPrinterConfig(&record);
    if (FAILED(*hr)) return true;
    vek::WideCopy(record.DeviceAddress, VEK_TEXT_CHARS, vek::Utf8ToUtf16(v[0]).c_str());
    record.DeviceAddressKind = static_cast<VEK_DEVICE_ADDRESS>(kind);
    *hr = c.SetPhysicalPrinterConfig(record);
    return true;
}

const std::map<std::string, Setter>& Setters() {
    static const std::map<std::string, Setter> setters = {
        {"UserDescription", Text(&CVekObjectConfig::SetUserDescription)},
        {"Location", Text(&CVekObjectConfig::SetLocation)},
        {"DefaultColorProfile", Text(&CVekObjectConfig::SetDefaultColorProfile)},
        {"BufferSizes", Pair([](CVekObjectConfig& c, DWORD a, DWORD b) { return c.SetBufferSizes(a, b); })},
        {"CurrentDebugLevel", Unsigned(&CVekObjectConfig::SetCurrentDebugLevel)},
        {"DebugLevelsSupported", Unsigned(&CVekObjectConfig::SetDebugLevelsSupported)},
        {"CurrentEventLoggingLevel", Unsigned(&CVekObjectConfig::SetCurrentEventLoggingLevel)},
        {"EventLoggingLevelsSupported", Unsigned(&CVekObjectConfig::SetEventLoggingLevelsSupported)},
        {"ErrorBroadcastState", Flag(&CVekObjectConfig::SetErrorBroadcastState)},
        {"DefaultMediaID", Unsigned(&CVekObjectConfig::SetDefaultMediaID)},
        {"DefaultDonorID", Unsigned(&CVekObjectConfig::SetDefaultDonorID)},
        {"ClassID", Guid([](CVekObjectConfig& c, const GUID& id) { return c.SetClassID(id); })},
        {"ProcessingStates", Pair([](CVekObjectConfig& c, DWORD a, DWORD b) {
             return c.SetProcessingStates(static_cast<BOOL>(a), static_cast<BOOL>(b));
         })},
        {"AcceptingMultipleOpenJobs", Flag(&CVekObjectConfig::SetAcceptingMultipleOpenJobs)},
        {"CopyRemoteImageFileState", Flag(&CVekObjectConfig::SetCopyRemoteImageFileState)},
        {"PageLimit", Unsigned(&CVekObjectConfig::SetPageLimit)},
        {"SpoolingOn", Flag(&CVekObjectConfig::SetSpoolingOn)},
        {"CurrentHorzResolution", Float(&CVekObjectConfig::SetCurrentHorzResolution)},
        {"CurrentVertResolution", Float(&CVekObjectConfig::SetCurrentVertResolution)},
        {"CurrentFormat", Unsigned([](CVekObjectConfig& c, DWORD v) { return c.SetCurrentFormat(ValidQMXFormat(v)); })},
        {"CurrentImageUnit", Unsigned([](CVekObjectConfig& c, DWORD v) {
             return c.SetCurrentImageUnit(COM_UNITOFMEASURE(v));
         })},
        {"PrinterModel", Common([](VEK_COMMON_CONFIG_DATA& r, const std::vector<std::string>& v) {
             return v.size() == 1 && vek::WideCopy(r.PrinterModel, VEK_TEXT_CHARS, vek::Utf8ToUtf16(v[0]).c_str());
         })},
        {"PrinterModelsSupported", Common(SetModels)},
        {"DeviceAddress", [](CVekObjectConfig& c, const std::vector<std::string>& v, bool* ok) {
             HRESULT hr = E_INVALIDARG;
             *ok = SetAddress(c, v, &hr);
             return hr;
         }},
        {"FileClassID", Guid([](CVekObjectConfig& c, const GUID& id) { return c.AssociateClassID(id); })},
    };
    return setters;
}

int Create(const std::u16string& path, bool byId, GUID id, const std::vector<std::string>& options) {
    VEK_COMMON_CONFIG_DATA common{};
    common.ObjectID = byId ? id : GUID_NULL;
    std::string type = "physical";
    for (size_t i = 0; i < options.size(); ++i) {
        const bool hasValue = i + 1 < options.size();
        if (options[i] == "--type" && hasValue) {
            type = options[++i];
        } else if ((options[i] == "--class" || options[i] == "--id") && hasValue) {
            GUID parsed{};
            if (FAILED(CLSIDFromString(vek::Utf8ToUtf16(options[i + 1]).c_str(), &parsed)))
                return Usage(kCommand, "not a braced GUID: " + options[i + 1]);
            (options[i] == "--class" ? common.ClassID : common.ObjectID) = parsed;
            ++i;
        } else {
            return Usage(kCommand, "unexpected argument '" + options[i] + "'");
        }
    }
    if (type != "physical" && type != "logical") return Usage(kCommand, "--type is physical or logical");
    common.ObjectType = type == "physical" ? VEK_PHYSICAL_PRINTER_OBJECT : VEK_LOGICAL_PRINTER_OBJECT;

    CVekObjectConfig config;
    HRESULT hr = byId ? config.Create(id) : config.Create(path.c_str());
    if (SUCCEEDED(hr)) hr = config.SetVekObjectConfig(common);
    if (SUCCEEDED(hr) && type == "physical") hr = config.SetPhysicalPrinterConfig(VEK_PHYSICAL_PRINTER_CONFIG_DATA{});
    if (SUCCEEDED(hr) && type == "logical") hr = config.SetLogicalPrinterConfig(VEK_LOGICAL_PRINTER_CONFIG_DATA{});
    if (SUCCEEDED(hr) && common.ClassID != GUID_NULL) hr = config.AssociateClassID(common.ClassID);
    if (FAILED(hr)) return Fail(kCommand, "cannot create " + vek::Utf16ToUtf8(path) + " (" + StatusString(hr) + ")");
    std::printf("%s\n", vek::Utf16ToUtf8(path).c_str());
    return 0;
}

int Set(const std::u16string& path, const std::vector<std::string>& args) {
    if (args.size() < 2) return Usage(kCommand, "set needs a field and a value");
    for (size_t i = 1; i < args.size(); ++i)
        if (vek::Utf8ToUtf16(args[i]).size() >= VEK_TEXT_CHARS)
            return Usage(kCommand, "the value for " + args[0] + " is longer than " +
                                       std::to_string(VEK_TEXT_CHARS - 1) + " characters");
    const auto found = Setters().find(args[0]);
    if (found == Setters().end()) {
        std::string names;
        for (const auto& [name, setter] : Setters()) names += " " + name;
        return Usage(kCommand, "unknown field '" + args[0] + "'; fields:" + names);
    }
    CVekObjectConfig config;
    HRESULT hr = config.Open(path.c_str());
    if (FAILED(hr)) return Fail(kCommand, "cannot open " + vek::Utf16ToUtf8(path) + ": " + StorageStatusText(hr));
    bool ok = false;
    hr = found->second(config, std::vector<std::string>(args.begin() + 1, args.end()), &ok);
    if (!ok) return Usage(kCommand, "bad value for " + args[0]);
    if (hr == E_INVALIDARG) return Fail(kCommand, "value not allowed for " + args[0]);
    if (FAILED(hr)) return Fail(kCommand, "cannot set " + args[0] + " (" + StatusString(hr) + ")");
    return 0;
}

}  // namespace

// register|unregister live in registration_command.cpp.
int RunObjectRegistration(const std::vector<std::string>& args);

int RunObject(const std::vector<std::string>& args) {
    if (!args.empty() && (args[0] == "register" || args[0] == "unregister"))
        return RunObjectRegistration(args);
    if (args.size() < 2) return Usage(kCommand, "expected create|show|set|rm and a target");
    std::u16string path;
    GUID id{};
    bool byId = false;
    if (!ResolveTarget(args[1], &path, &id, &byId))
        return Fail(kCommand, "cannot compose the file name of " + args[1]);
    const std::vector<std::string> rest(args.begin() + 2, args.end());
    const std::string& verb = args[0];
    if (verb == "create") return Create(path, byId, id, rest);
    if (verb == "set") return Set(path, rest);
    if (verb == "show") {
        if (!rest.empty() && rest != std::vector<std::string>{"--json"})
            return Usage(kCommand, "show takes only --json");
        CVekObjectConfig config;
        return Show(config, path, !rest.empty());
    }
    if (verb == "rm") {
        if (!rest.empty()) return Usage(kCommand, "rm takes only the target");
        std::error_code error;
        if (!std::filesystem::remove(vek::Utf16ToUtf8(path), error))
            return Fail(kCommand, "cannot remove " + vek::Utf16ToUtf8(path) +
                                      (error ? ": " + error.message() : ": no such file"));
        return 0;
    }
    return Usage(kCommand, "unknown action '" + verb + "' (create, show, set, rm)");
}

extern const char* const kObjectHelp =
    R"(usage: vekcfg object create TARGET [--type physical|logical] [--id GUID] [--class GUID]
       vekcfg object show TARGET [--json]
       vekcfg object set TARGET FIELD VALUE [VALUE]
       vekcfg object rm TARGET
       vekcfg object register|unregister OBJECT [CLASS]

The configuration of one configured object. TARGET is a braced object ID
(the file {ID}.cfg in the configuration root) or the path of a file.

create   makes a new file (replacing one of that name) holding a common record
         with the object ID, type and class ID, and an empty physical- or
         logical-printer record; --class also stamps the file with the class.
show     prints every record and list; --json prints one JSON object.
set      changes one field through the library's own setter, which checks the
         value as the components' calls do. Fields: UserDescription, Location,
         DefaultColorProfile, BufferSizes A B, CurrentDebugLevel,
         DebugLevelsSupported, CurrentEventLoggingLevel,
         EventLoggingLevelsSupported, ErrorBroadcastState, DefaultMediaID,
         DefaultDonorID, ClassID, ProcessingStates A B,
         AcceptingMultipleOpenJobs, CopyRemoteImageFileState, PageLimit,
         SpoolingOn, CurrentHorzResolution, CurrentVertResolution,
         CurrentFormat, CurrentImageUnit, PrinterModel,
         PrinterModelsSupported NAME..., DeviceAddress TEXT KIND (2 SCSI,
         3 print queue, 8 ASPI), FileClassID (the file's own class).
rm       removes the file.
register adds the object's registration under CLASS (by default the class in
         its common record); unregister removes it with everything below it.

examples:
  vekcfg object create {0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0} --type physical
  vekcfg object set {0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0} Location "Room 4"
  vekcfg object set {0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0} PrinterModel "ZRT 4300"
  vekcfg object show ./printer.cfg --json)";

}  // namespace vekcfg
