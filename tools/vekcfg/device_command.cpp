// vekcfg device rm: removes a configured object from the system: from every
// logical printer's connections, its registration and its file.
#include <string>
#include <vector>

#include "registry_tool_support.h"
#include "tool_output.h"
#include "vekconfig/vekconfig.h"

namespace vekcfg {

namespace {
constexpr const char* kCommand = "device";
}

int RunDevice(const std::vector<std::string>& args) {
    if (args.size() != 3 || args[0] != "rm") return Usage(kCommand, "expected rm CLASS OBJECT");
    CLSID clsid;
    GUID objectID;
    if (!ParseGuidArgument(args[1], &clsid)) return Usage(kCommand, "not a braced class ID: " + args[1]);
    if (!ParseGuidArgument(args[2], &objectID))
        return Usage(kCommand, "not a braced object ID: " + args[2]);
    const std::string trouble = DescribeRegistryTrouble();
    if (!trouble.empty()) return Fail(kCommand, trouble);
    CVekConfigDevice devices;
    const ULONG count = devices.GetConfiguredDevices(clsid);
    for (ULONG index = 0; index < count; ++index) {
        BROKER_PRINTER_INFO device;
        if (FAILED(devices.GetDevice(index, &device)) || !(device.ObjectID == objectID)) continue;
        const HRESULT hr = devices.DeleteDevice(index);
        if (FAILED(hr)) return Fail(kCommand, "removal stopped (" + StatusString(hr) + "); see 'vekcfg events'");
        return 0;
    }
    return Fail(kCommand, args[2] + " is not a readable configured object of " + args[1]);
}

extern const char* const kDeviceHelp =
    R"(usage: vekcfg device rm CLASS OBJECT

Removes a configured object of the class from the system: unless the class is
a logical printer class, first from every logical printer that lists it, then
its registration, then its configuration file. The removal stops at the first
step that fails; the steps done stay done.

examples:
  vekcfg device rm {6B4B6B21-B4DC-11D0-BE11-00609753E52B} {0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0})";

}  // namespace vekcfg
