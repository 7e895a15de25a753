// vekcfg wire: the physical printers a logical printer could feed, and its
// connections to them.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "listing.h"
#include "registry_tool_support.h"
#include "tool_output.h"
#include "vekconfig/vekconfig.h"

namespace vekcfg {
namespace {

constexpr const char* kCommand = "wire";

int ShowCandidates(const GUID& queue, bool json) {
    ULONG count = 0;
    POTENTIAL_LP_PP_CONNECTION* candidates = nullptr;
    const HRESULT hr = GetPotentialPPs(queue, count, &candidates);
    if (hr == E_INVALIDARG) return Fail(kCommand, GuidString(queue) + " is not a logical printer");
    if (FAILED(hr)) return Fail(kCommand, "cannot read " + GuidString(queue) + " (" + StatusString(hr) + ")");
    Listing listing;
    for (ULONG i = 0; i < count; ++i) {
        const std::string id = GuidString(candidates[i].Connection.PPObjectID);
        const std::string state = candidates[i].AlreadyConnected ? "connected" : "available";
        const std::string description = FieldString(candidates[i].Description, VEK_TEXT_CHARS);
        listing.Add({{"PPObjectID", id},
                     {"state", state},
                     {"BrokerClassID", GuidString(candidates[i].Connection.ConnectionData.BrokerClassID)},
                     {"Description", description}},
                    id + "  " + state + "  " + description);
    }
    std::free(candidates);
    listing.Print(json);
    return 0;
}

// Connects the printer as the candidate search offers it (with its broker class).
int Connect(const GUID& queue, const GUID& printer) {
    ULONG count = 0;
    POTENTIAL_LP_PP_CONNECTION* candidates = nullptr;
    HRESULT hr = GetPotentialPPs(queue, count, &candidates);
    if (hr == E_INVALIDARG) return Fail(kCommand, GuidString(queue) + " is not a logical printer");
    if (FAILED(hr)) return Fail(kCommand, "cannot read " + GuidString(queue) + " (" + StatusString(hr) + ")");
    const POTENTIAL_LP_PP_CONNECTION* chosen = nullptr;
    for (ULONG i = 0; i < count && chosen == nullptr; ++i)
        if (candidates[i].Connection.PPObjectID == printer) chosen = &candidates[i];
    if (chosen == nullptr) {
        std::free(candidates);
        return Fail(kCommand, GuidString(printer) + " is no candidate of " + GuidString(queue) +
                                  " (see 'vekcfg wire candidates')");
    }
    CVekObjectConfig config;
    hr = config.Open(queue);
    if (SUCCEEDED(hr)) hr = config.AddLpPpConnection(chosen->Connection);
    std::free(candidates);
    if (FAILED(hr)) return Fail(kCommand, "cannot connect (" + StatusString(hr) + ")");
    return 0;
}

int Disconnect(const GUID& queue, const GUID& printer) {
    CVekObjectConfig config;
    HRESULT hr = config.Open(queue);
    if (SUCCEEDED(hr)) hr = config.DeleteLpPpConnection(printer);
    if (FAILED(hr)) return Fail(kCommand, "cannot change " + GuidString(queue) + " (" + StatusString(hr) + ")");
    return 0;
}

}  // namespace

int RunWire(const std::vector<std::string>& given) {
    std::vector<std::string> args = given;
    const bool json = TakeJsonOption(args);
    if (args.empty()) return Usage(kCommand, "expected candidates, add or rm");
    const bool needsPrinter = args[0] == "add" || args[0] == "rm";
    if (args.size() != (needsPrinter ? 3u : 2u))
        return Usage(kCommand, needsPrinter ? args[0] + " needs LOGICAL and PHYSICAL object IDs"
                                            : "expected candidates LOGICAL");
    GUID queue, printer;
    if (!ParseGuidArgument(args[1], &queue)) return Usage(kCommand, "not a braced object ID: " + args[1]);
    if (needsPrinter && !ParseGuidArgument(args[2], &printer))
        return Usage(kCommand, "not a braced object ID: " + args[2]);
    const std::string trouble = DescribeRegistryTrouble();
    if (!trouble.empty()) return Fail(kCommand, trouble);
    if (args[0] == "candidates") return ShowCandidates(queue, json);
    if (args[0] == "add") return Connect(queue, printer);
    if (args[0] == "rm") return Disconnect(queue, printer);
    return Usage(kCommand, "unknown action '" + args[0] + "' (candidates, add, rm)");
}

extern const char* const kWireHelp =
    R"(usage: vekcfg wire candidates LOGICAL [--json]
       vekcfg wire add LOGICAL PHYSICAL
       vekcfg wire rm LOGICAL PHYSICAL

candidates  the registered physical printers that support the logical
            printer's model (ignoring case), each marked "connected" when the
            logical printer already lists it, else "available"
add         connects a candidate, with the broker class the search found
rm          removes the connection (no error when there is none)

examples:
  vekcfg wire candidates {0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}
  vekcfg wire add {0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0} {11111111-2222-3333-4444-555555555555})";

}  // namespace vekcfg
