// vekcfg setup-printer: the whole road of a new physical printer, from an
// attached device or print queue to a registered printer that logical
// printers list, each step reported. Everything that can be checked is
// checked before the first change; a step that fails undoes the earlier ones.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "device_classes.h"
#include "json_writer.h"
#include "registry_tool_support.h"
#include "tool_output.h"
#include "vekconfig/vekconfig.h"

namespace vekcfg {
namespace {

constexpr const char* kCommand = "setup-printer";
constexpr size_t kModelChars = 32;  // one slot of PrinterModelsSupported
constexpr size_t kMaxModels = sizeof(VEK_COMMON_CONFIG_DATA::PrinterModelsSupported) /
                              sizeof(WCHAR) / kModelChars;

struct Request {
    const DeviceClass* deviceClass = nullptr;
    DeviceClass custom{};
    std::u16string address;
    VEK_DEVICE_ADDRESS kind{};
    std::vector<std::u16string> models;
    std::u16string description;
    std::u16string location;
    GUID id{};
    std::vector<GUID> logicalPrinters;
    bool unattached = false;
    bool json = false;
};

// The steps as they are reported, in text or collected for --json.
class Steps {
public:
    explicit Steps(bool json) : json_(json) {}
    void Report(const std::string& step, const std::string& result) {
        done_.push_back({step, result});
        if (!json_) std::printf("[%zu] %-34s %s\n", done_.size(), step.c_str(), result.c_str());
    }
    void PrintJson(const GUID& id) const {
        JsonWriter out;
        out.BeginObject();
        out.Key("ObjectID");
        out.String(GuidString(id));
        out.Key("steps");
        out.BeginArray();
        for (const auto& [step, result] : done_) {
            out.BeginObject();
            out.Key("step");
            out.String(step);
            out.Key("result");
            out.String(result);
            out.EndObject();
        }
        out.EndArray();
        out.EndObject();
        std::printf("%s\n", out.text().c_str());
    }

private:
    bool json_;
    std::vector<std::pair<std::string, std::string>> done_;
};

bool TextFits(const std::u16string& text, size_t capacity) { return text.size() < capacity; }

// count numbers of digits with '-' or '_' between them, nothing else.
bool NumbersOnly(const std::u16string& text, int count) {
    int numbers = 0;
    bool inNumber = false;
    for (char16_t c : text) {
        if (c >= u'0' && c <= u'9') {
            numbers += inNumber ? 0 : 1;
            inNumber = true;
        } else if ((c == u'-' || c == u'_') && inNumber) {
            inNumber = false;
        } else {
            return false;
        }
    }
    return inNumber && numbers == count;
}

int ParseRequest(const std::vector<std::string>& args, Request* request) {
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--json") {
            request->json = true;
        } else if (arg == "--unattached") {
            request->unattached = true;
        } else if (arg == "--model" && hasValue) {
            request->models.push_back(vek::Utf8ToUtf16(args[++i]));
        } else if (arg == "--description" && hasValue) {
            request->description = vek::Utf8ToUtf16(args[++i]);
        } else if (arg == "--location" && hasValue) {
            request->location = vek::Utf8ToUtf16(args[++i]);
        } else if ((arg == "--id" || arg == "--connect") && hasValue) {
            GUID id{};
            if (!ParseGuidArgument(args[++i], &id)) return Usage(kCommand, "not a braced GUID: " + args[i]);
            if (arg == "--id")
                request->id = id;
            else
                request->logicalPrinters.push_back(id);
        } else if (!arg.empty() && arg[0] == '-') {
            return Usage(kCommand, "unknown option '" + arg + "'");
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 2) return Usage(kCommand, "expected CLASS and ADDRESS");
    request->deviceClass = FindClass(positional[0], request->custom);
    if (request->deviceClass == nullptr)
        return Usage(kCommand, "unknown device class '" + positional[0] + "'");
    request->address = vek::Utf8ToUtf16(positional[1]);
    if (request->models.empty()) return Usage(kCommand, "at least one --model is needed");
    if (request->models.size() > kMaxModels)
        return Usage(kCommand, "at most " + std::to_string(kMaxModels) + " models");
    for (const auto& model : request->models)
        if (model.empty() || !TextFits(model, kModelChars))
            return Usage(kCommand, "a model name has 1 to " + std::to_string(kModelChars - 1) +
                                       " characters: '" + vek::Utf16ToUtf8(model) + "'");
    if (!TextFits(request->address, VEK_TEXT_CHARS) || request->address.empty())
        return Usage(kCommand, "the address has 1 to " + std::to_string(VEK_TEXT_CHARS - 1) + " characters");
    if (!TextFits(request->description, VEK_TEXT_CHARS))
        return Usage(kCommand, "--description is longer than " + std::to_string(VEK_TEXT_CHARS - 1) + " characters");
    if (!TextFits(request->location, VEK_TEXT_CHARS))
        return Usage(kCommand, "--location is longer than " + std::to_string(VEK_TEXT_CHARS - 1) + " characters");
    int n[4];
    const GUID& classId = request->deviceClass->id;
    if (classId == CLSID_VekPrintQueueDevices)
        request->kind = static_cast<VEK_DEVICE_ADDRESS>(3);
    else if (classId == CLSID_VekAspiArrayDevices ||
             (classId != CLSID_VekScsiPrinterDevices && classId != CLSID_VekPrismachromeDevices &&
              NumbersOnly(request->address, 3)))
        request->kind = static_cast<VEK_DEVICE_ADDRESS>(8);
    else
        request->kind = static_cast<VEK_DEVICE_ADDRESS>(2);
    const bool parses = request->kind == 3 ||
                        (request->kind == 8 && NumbersOnly(request->address, 3) && SUCCEEDED(wcstoASPI(request->address.c_str(), n[0], n[1], n[2]))) ||
                        (request->kind == 2 && NumbersOnly(request->address, 4) && SUCCEEDED(wcstoSCSI(request->address.c_str(), n[0], n[1], n[2], n[3])));
    if (!parses)
        return Usage(kCommand, "'" + positional[1] + "' is no " +
                                   (request->kind == 8 ? "ASPI address A-T-L" : "SCSI address P-B-T-L"));
    if (request->id == GUID_NULL) request->id = NewGuid();
    return 0;
}

bool SameModel(const WCHAR* a, const std::u16string& b) {
    return vek::WideEqualsIgnoreCase(std::u16string_view(a, vek::WideLength(a)), b);
}

// The checks before any change; "" when all pass, else why not.
std::string Check(const Request& r, Steps& steps) {
    ULONG count = 0;
    BROKER_PRINTER_INFO* list = nullptr;
    if (FAILED(GetConfiguredVekObjects(r.deviceClass->id, count, &list)))
        return "cannot list the configured printers of the class";
    std::string already;
    for (ULONG i = 0; i < count; ++i) {
        if (list[i].DeviceAddressKind == r.kind && std::u16string_view(list[i].DeviceAddress) == r.address)
            already = GuidString(list[i].ObjectID);
        if (list[i].ObjectID == r.id) already = GuidString(r.id);
    }
    std::free(list);
    const std::string address = vek::Utf16ToUtf8(r.address);
    if (!already.empty()) return address + " is configured already as " + already;
    steps.Report("check it is not configured", "not configured yet");

    // The same search that offers unconfigured devices to the components.
    CUnconfiguredDevice offered;
    offered.GetUnConfiguredDevices(r.deviceClass->id);
    std::string model;
    for (ULONG i = 0; i < offered.GetNumDevices(); ++i) {
        UNCONFIGURED_PRINTER_INFO device;
        if (SUCCEEDED(offered.GetDevice(i, &device)) && std::u16string_view(device.DeviceAddress) == r.address &&
            device.DeviceAddressKind == r.kind)
            model = vek::Utf16ToUtf8(device.Model);
    }
    if (!model.empty())
        steps.Report("look for the device", "found " + model + " at " + address);
    else if (r.unattached)
        steps.Report("look for the device", "not attached now; set up anyway (--unattached)");
    else
        return address + " is not attached; see 'vekcfg discover " + std::string(r.deviceClass->name) +
               "' or pass --unattached";

    for (const GUID& lp : r.logicalPrinters) {
        CVekObjectConfig config;
        VEK_COMMON_CONFIG_DATA common{};
        if (FAILED(config.Open(lp)) || FAILED(config.GetVekObjectConfig(&common)))
            return "no logical printer " + GuidString(lp);
        if (common.ObjectType != VEK_LOGICAL_PRINTER_OBJECT) return GuidString(lp) + " is no logical printer";
        bool matches = false;
        for (const auto& model : r.models) matches = matches || SameModel(common.PrinterModel, model);
        if (!matches)
            return "logical printer " + GuidString(lp) + " prints to model '" +
                   vek::Utf16ToUtf8(common.PrinterModel) + "', which the printer does not support";
        steps.Report("check logical printer", GuidString(lp) + " takes model " + vek::Utf16ToUtf8(common.PrinterModel));
    }
    return "";
}

HRESULT CreateFile(const Request& r) {
    VEK_COMMON_CONFIG_DATA common{};
    common.ObjectID = r.id;
    common.ObjectType = VEK_PHYSICAL_PRINTER_OBJECT;
    common.ClassID = r.deviceClass->id;
    vek::WideCopy(common.UserDescription, VEK_TEXT_CHARS, r.description.c_str());
    vek::WideCopy(common.Location, VEK_TEXT_CHARS, r.location.c_str());
    vek::WideCopy(common.PrinterModel, VEK_TEXT_CHARS, r.models.front().c_str());
    common.NumPrinterModelsSupported = static_cast<DWORD>(r.models.size());
    for (size_t i = 0; i < r.models.size(); ++i)
        vek::WideCopy(common.PrinterModelsSupported + i * kModelChars, kModelChars, r.models[i].c_str());
    VEK_PHYSICAL_PRINTER_CONFIG_DATA printer{};
    vek::WideCopy(printer.DeviceAddress, VEK_TEXT_CHARS, r.address.c_str());
    printer.DeviceAddressKind = r.kind;
    CVekObjectConfig config;
    HRESULT hr = config.Create(r.id);
    if (SUCCEEDED(hr)) hr = config.SetVekObjectConfig(common);
    if (SUCCEEDED(hr)) hr = config.SetPhysicalPrinterConfig(printer);
    return hr;
}

HRESULT StampClass(const Request& r) {
    CVekObjectConfig config;
    HRESULT hr = config.Open(r.id);
    if (SUCCEEDED(hr)) hr = config.AssociateClassID(r.deviceClass->id);
    return hr;
}

HRESULT Connect(const GUID& lp, const GUID& pp) {
    ULONG count = 0;
    POTENTIAL_LP_PP_CONNECTION* candidates = nullptr;
    HRESULT hr = GetPotentialPPs(lp, count, &candidates);
    if (FAILED(hr)) return hr;
    hr = E_FAIL;  // not offered
    for (ULONG i = 0; i < count; ++i) {
        if (candidates[i].Connection.PPObjectID != pp) continue;
        CVekObjectConfig config;
        hr = config.Open(lp);
        if (SUCCEEDED(hr)) hr = config.AddLpPpConnection(candidates[i].Connection);
    }
    std::free(candidates);
    return hr;
}

// Takes back the changes made so far, newest first.
void Undo(const Request& r, bool registered) {
    DeleteAllLPConnectionsToPP(r.id);
    if (registered) DeleteVekObjectIDFromRegistry(r.deviceClass->id, r.id);
    WCHAR path[MAX_PATH];
    std::error_code ignored;
    if (SUCCEEDED(ComposeConfigFilePathname(r.id, path)))
        std::filesystem::remove(vek::Utf16ToUtf8(path), ignored);
}

}  // namespace

int RunSetupPrinter(const std::vector<std::string>& args) {
    Request r;
    if (const int status = ParseRequest(args, &r); status != 0) return status;
    if (const std::string trouble = DescribeRegistryTrouble(); !trouble.empty()) return Fail(kCommand, trouble);
    Steps steps(r.json);
    if (const std::string trouble = Check(r, steps); !trouble.empty()) return Fail(kCommand, trouble);

    WCHAR path[MAX_PATH];
    HRESULT hr = ComposeConfigFilePathname(r.id, path);
    if (SUCCEEDED(hr)) hr = CreateFile(r);
    if (FAILED(hr)) {
        Undo(r, false);
        return Fail(kCommand, "cannot create the configuration file (" + StatusString(hr) + "); nothing was set up");
    }
    steps.Report("create the configuration file", vek::Utf16ToUtf8(path));
    hr = StampClass(r);
    if (FAILED(hr)) {
        Undo(r, false);
        return Fail(kCommand, "cannot stamp the class on the file (" + StatusString(hr) + "); undone");
    }
    steps.Report("stamp the class", GuidString(r.deviceClass->id) + " " + r.deviceClass->name);
    hr = AddVekObjectIDToRegistry(r.deviceClass->id, r.id);
    if (FAILED(hr)) {
        Undo(r, false);
        return Fail(kCommand, "cannot register the printer (" + StatusString(hr) + "); undone");
    }
    steps.Report("register under the class", GuidString(r.id));
    for (const GUID& lp : r.logicalPrinters) {
        hr = Connect(lp, r.id);
        if (FAILED(hr)) {
            Undo(r, true);
            return Fail(kCommand, "logical printer " + GuidString(lp) + " did not take the printer (" + StatusString(hr) + "); undone");
        }
        steps.Report("connect to logical printer", GuidString(lp));
    }
    if (r.json) steps.PrintJson(r.id);
    else std::printf("physical printer %s is set up\n", GuidString(r.id).c_str());
    return 0;
}

extern const char* const kSetupPrinterHelp =
    R"(usage: vekcfg setup-printer CLASS ADDRESS --model NAME [--model NAME...]
           [--description TEXT] [--location TEXT] [--id GUID]
           [--connect LOGICAL-PRINTER-ID...] [--unattached] [--json]

Sets up a new physical printer for an attached device or print queue and
reports each step: checks that no printer of the class has the address yet,
looks for the device among the unconfigured ones (as 'vekcfg discover'
does), checks that each logical printer to connect prints to one of the
models, creates the configuration
file (common record with the object type, class, models, description and
location; physical-printer record with the address and its kind), stamps
the class on the file, registers the printer under the class, and adds it
to each logical printer's connection list as that printer is offered it.
Nothing changes when a check fails; a failing step undoes the earlier ones.

CLASS     print-queue, aspi-array, scsi-printer, prismachrome or a braced
          class ID; it sets the address kind (queue name, A-T-L or P-B-T-L).
ADDRESS   as 'vekcfg discover' lists it.
--model   a printer model the printer supports (up to 31 characters); the
          first is also its own model.
--id      the object ID (default: a new one).
--connect a logical printer that shall print to it (repeatable).
--unattached  set up a device that is not attached now.

examples:
  vekcfg discover print-queue
  vekcfg setup-printer print-queue Office_Laser --model "ZRT 4300" \
      --description "Laser, 2nd floor" --connect {6B4B6B21-0000-0000-0000-000000000001}
  vekcfg setup-printer scsi-printer 2-0-5-0 --model "QS 4350" --unattached --json)";

}  // namespace vekcfg
