// vekcfg object register|unregister: the registration of a configured object
// under its class.
#include <string>
#include <vector>

#include "registry_tool_support.h"
#include "tool_output.h"
#include "vekconfig/vekconfig.h"

namespace vekcfg {
namespace {

constexpr const char* kCommand = "object";

// The class named on the command line, else the one in the object's common record.
bool ResolveClass(const std::vector<std::string>& args, const GUID& objectID, CLSID* clsid,
                  std::string* problem) {
    if (args.size() == 3) {
        if (ParseGuidArgument(args[2], clsid)) return true;
        *problem = "not a braced class ID: " + args[2];
        return false;
    }
    CVekObjectConfig config;
    VEK_COMMON_CONFIG_DATA common;
    const HRESULT hr = config.Open(objectID);
    if (FAILED(hr) || FAILED(config.GetVekObjectConfig(&common))) {
        *problem = "cannot read the class of " + GuidString(objectID) + "; name it";
        return false;
    }
    *clsid = common.ClassID;
    return true;
}

}  // namespace

int RunObjectRegistration(const std::vector<std::string>& args) {
    if (args.size() < 2 || args.size() > 3)
        return Usage(kCommand, args[0] + " needs an object ID and optionally a class ID");
    GUID objectID;
    if (!ParseGuidArgument(args[1], &objectID))
        return Usage(kCommand, "not a braced object ID: " + args[1]);
    const std::string trouble = DescribeRegistryTrouble();
    if (!trouble.empty()) return Fail(kCommand, trouble);
    CLSID clsid;
    std::string problem;
    if (!ResolveClass(args, objectID, &clsid, &problem)) return Fail(kCommand, problem);
    if (args[0] == "register") {
        if (FAILED(AddVekObjectIDToRegistry(clsid, objectID)))
            return Fail(kCommand, "cannot register " + args[1]);
        return 0;
    }
    if (FAILED(DeleteVekObjectIDFromRegistry(clsid, objectID)))
        return Fail(kCommand, args[1] + " is not registered under " + GuidString(clsid));
    return 0;
}

}  // namespace vekcfg
