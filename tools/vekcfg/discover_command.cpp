// vekcfg discover: the devices attached to this machine that are not yet
// configured for a device class, with model, address and address kind.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "device_classes.h"
#include "json_text.h"
#include "registry_tool_support.h"
#include "tool_output.h"
#include "vekconfig/vekconfig.h"

namespace vekcfg {

namespace {

constexpr LSTATUS kNoPrintServer = 1722;
constexpr LSTATUS kTimedOut = 1460;

const char* KindName(int32_t kind) {
    switch (kind) {
    case 2: return "scsi";
    case 3: return "print-queue";
    case 8: return "aspi";
    default: return "unknown";
    }
}

// Shows that a search is running: a spinner on a terminal, one line otherwise.
class Progress {
public:
    explicit Progress(const std::string& what) : tty_(::isatty(STDERR_FILENO) == 1), what_(what) {
        std::fprintf(stderr, "%s ...%s", what_.c_str(), tty_ ? "" : "\n");
        if (tty_) spinner_ = std::thread([this] { Spin(); });
    }
    ~Progress() {
        done_ = true;
        if (spinner_.joinable()) spinner_.join();
        if (tty_) std::fprintf(stderr, "\r\033[K");
    }

private:
    void Spin() {
        static const char kFrames[] = "|/-\\";
        for (int frame = 0; !done_; ++frame) {
            std::fprintf(stderr, "\r%s ... %c", what_.c_str(), kFrames[frame % 4]);
            std::fflush(stderr);
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
        }
    }

    bool tty_;
    std::string what_;
    std::atomic<bool> done_{false};
    std::thread spinner_;
};

// One device offered, in UTF-8.
struct Offered {
    std::string model;
    std::string address;
    int32_t addressKind;
};

struct ClassResult {
    const DeviceClass* deviceClass;
    std::string note;  // why nothing could be found
    std::vector<Offered> devices;
};

ClassResult Search(const DeviceClass& deviceClass, const vek::DeviceSources& sources) {
    ClassResult result{&deviceClass, {}, {}};
    const bool queues = deviceClass.id == CLSID_VekPrintQueueDevices;
    if (queues && sources.printServerStatus == kNoPrintServer) {
        result.note = "no print server answered at " + sources.printServer;
        return result;
    }
    if (queues && sources.printServerStatus == kTimedOut) {
        result.note = "the print server at " + sources.printServer + " did not answer in time";
        return result;
    }
    if (!queues && sources.scsiHosts == 0) {
        result.note = "no SCSI host adapters on this machine";
        return result;
    }
    CUnconfiguredDevice found;
    {
        Progress progress(queues ? "searching the print queues of " + sources.printServer
                                 : "walking the SCSI buses for " + std::string(deviceClass.name));
        found.GetUnConfiguredDevices(deviceClass.id);
    }
    for (ULONG i = 0; i < found.GetNumDevices(); ++i) {
        UNCONFIGURED_PRINTER_INFO record;
        if (SUCCEEDED(found.GetDevice(i, &record)))
            result.devices.push_back({vek::Utf16ToUtf8(record.Model),
                                      vek::Utf16ToUtf8(record.DeviceAddress),
                                      record.DeviceAddressKind});
    }
    return result;
}

void PrintText(const std::vector<ClassResult>& results) {
    for (const ClassResult& result : results) {
        std::printf("%s %s (%s)\n", GuidString(result.deviceClass->id).c_str(),
                    result.deviceClass->name, result.deviceClass->looksFor);
        if (!result.note.empty()) std::printf("  %s.\n", result.note.c_str());
        if (result.devices.empty() && result.note.empty())
            std::printf("  none attached that is not yet configured.\n");
        for (const auto& device : result.devices)
            std::printf("  %-20s %-24s %s (%d)\n", device.model.c_str(), device.address.c_str(),
                        KindName(device.addressKind), device.addressKind);
    }
}

void PrintJson(const vek::DeviceSources& sources, const std::vector<ClassResult>& results) {
    std::printf("{\"scsi_hosts\":%d,\"print_server\":%s,\"print_server_status\":%s,"
                "\"classes\":[",
                sources.scsiHosts, JsonString(sources.printServer).c_str(),
                sources.printServerAsked ? std::to_string(sources.printServerStatus).c_str() : "null");
    for (size_t i = 0; i < results.size(); ++i) {
        const ClassResult& result = results[i];
        std::printf("%s{\"class\":%s,\"name\":%s,\"note\":%s,\"devices\":[", i == 0 ? "" : ",",
                    JsonString(GuidString(result.deviceClass->id)).c_str(),
                    JsonString(result.deviceClass->name).c_str(), JsonString(result.note).c_str());
        for (size_t j = 0; j < result.devices.size(); ++j) {
            const auto& device = result.devices[j];
            std::printf("%s{\"model\":%s,\"address\":%s,\"address_kind\":%d}", j == 0 ? "" : ",",
                        JsonString(device.model).c_str(), JsonString(device.address).c_str(),
                        device.addressKind);
        }
        std::printf("]}");
    }
    std::printf("]}\n");
}

}  // namespace

extern const char* const kDiscoverHelp;
const char* const kDiscoverHelp =
    "usage: vekcfg discover [CLASS] [--json]\n"
    "\n"
    "Lists the devices attached to this machine that a device class looks for and\n"
    "that are not yet configured for it, with model, address and address kind.\n"
    "CLASS is a braced class ID or one of\n"
    "print-queue, aspi-array, scsi-printer, prismachrome; without it all four are\n"
    "searched. SCSI devices come from the kernel's SCSI hosts (VEK_SYSFS_ROOT names\n"
    "another sysfs tree), print queues from the CUPS server (CUPS_SERVER), which\n"
    "is asked only when print queues are searched.\n"
    "A machine without SCSI host adapters or print server is no error (exit 0).\n"
    "\n"
    "  --json   one JSON object instead of text\n"
    "\n"
    "examples:\n"
    "  vekcfg discover\n"
    "  vekcfg discover scsi-printer --json\n"
    "  vekcfg discover {F63D7D81-CAC4-11CF-B006-00A0240D2824}\n";

int RunDiscover(const std::vector<std::string>& args) {
    bool json = false;
    std::vector<const DeviceClass*> selected;
    DeviceClass custom{};
    for (const std::string& arg : args) {
        if (arg == "--json") {
            json = true;
        } else if (!arg.empty() && arg[0] == '-') {
            return Usage("discover", "unknown option '" + arg + "'");
        } else if (!selected.empty()) {
            return Usage("discover", "only one CLASS may be given");
        } else if (const DeviceClass* found = FindClass(arg, custom)) {
            selected.push_back(found);
        } else {
            return Usage("discover", "'" + arg + "' is no device class (see --help)");
        }
    }
    if (selected.empty())
        for (const DeviceClass& deviceClass : kClasses) selected.push_back(&deviceClass);

    // The print server is asked only when print queues are searched: a
    // silent one would hold up a search of the SCSI buses for its time-outs.
    const bool queues = std::any_of(selected.begin(), selected.end(), [](const DeviceClass* deviceClass) {
        return deviceClass->id == CLSID_VekPrintQueueDevices;
    });
    const vek::DeviceSources sources = vek::ProbeDeviceSources(queues);
    std::vector<ClassResult> results;
    for (const DeviceClass* deviceClass : selected) results.push_back(Search(*deviceClass, sources));
    if (json)
        PrintJson(sources, results);
    else
        PrintText(results);
    return 0;
}

}  // namespace vekcfg
