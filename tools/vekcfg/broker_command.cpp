// vekcfg broker: the broker relation of a class, which the candidate search
// hands out with each physical printer: "CLSID\{class}\Broker" names the
// broker class and "CLSID\{broker}\Brokered Class" the class it hands out.
#include <cstdio>
#include <string>
#include <vector>

#include "listing.h"
#include "registry_tool_support.h"
#include "tool_output.h"
#include "vekconfig/vekconfig.h"

namespace vekcfg {
namespace {

constexpr const char* kCommand = "broker";

// Writes the default value of HKEY_CLASSES_ROOT\CLSID\{owner}\leaf as the braced text of target.
LSTATUS WriteRelation(const GUID& owner, const char16_t* leaf, const GUID& target) {
    const std::u16string path = vek::Utf8ToUtf16("CLSID\\" + GuidString(owner) + "\\") + leaf;
    const std::u16string text = vek::Utf8ToUtf16(GuidString(target));
    HKEY key = nullptr;
    LSTATUS status = RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                     &key, nullptr);
    if (status != ERROR_SUCCESS) return status;
    status = RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR)));
    RegCloseKey(key);
    return status;
}

int Set(const GUID& clsid, const GUID& broker) {
    LSTATUS status = WriteRelation(clsid, u"Broker", broker);
    if (status == ERROR_SUCCESS) status = WriteRelation(broker, u"Brokered Class", clsid);
    if (status != ERROR_SUCCESS) return Fail(kCommand, "cannot write the broker keys (registry error " + std::to_string(status) + ")");
    return 0;
}

int Show(const GUID& clsid, bool json) {
    GUID broker{};
    HRESULT hr = GetClassOfBroker(clsid, broker, nullptr);
    if (FAILED(hr)) return Fail(kCommand, GuidString(clsid) + " has no broker class");
    GUID brokered{};
    hr = GetBrokeredClass(broker, brokered);
    const std::string handsOut = SUCCEEDED(hr) ? GuidString(brokered) : "";
    Listing listing;
    listing.Add({{"class", GuidString(clsid)}, {"broker", GuidString(broker)}, {"brokeredClass", handsOut}},
                GuidString(clsid) + "  broker " + GuidString(broker) + "  hands out " +
                    (handsOut.empty() ? "nothing" : handsOut));
    listing.Print(json);
    return 0;
}

}  // namespace

int RunBroker(const std::vector<std::string>& given) {
    std::vector<std::string> args = given;
    const bool json = TakeJsonOption(args);
    const bool set = !args.empty() && args[0] == "set";
    if (args.empty() || (args[0] != "set" && args[0] != "show")) return Usage(kCommand, "expected set or show");
    if (args.size() != (set ? 3u : 2u)) return Usage(kCommand, set ? "set needs CLASS and BROKER" : "show needs CLASS");
    GUID clsid{}, broker{};
    if (!ParseGuidArgument(args[1], &clsid)) return Usage(kCommand, "not a braced class ID: " + args[1]);
    if (set && !ParseGuidArgument(args[2], &broker)) return Usage(kCommand, "not a braced class ID: " + args[2]);
    if (const std::string trouble = DescribeRegistryTrouble(); !trouble.empty()) return Fail(kCommand, trouble);
    return set ? Set(clsid, broker) : Show(clsid, json);
}

extern const char* const kBrokerHelp =
    R"(usage: vekcfg broker set CLASS BROKER
       vekcfg broker show CLASS [--json]

set   makes BROKER the broker class of CLASS ("CLSID\{CLASS}\Broker") and
      CLASS the class BROKER hands out ("CLSID\{BROKER}\Brokered Class");
      the candidate search passes the broker class on with each physical
      printer of CLASS
show  the broker class of CLASS and the class that broker hands out

examples:
  vekcfg broker set {F63D7D81-CAC4-11CF-B006-00A0240D2824} {7A1E5C30-2B4D-4E8F-9C61-3D5A7B9E0F12}
  vekcfg broker show {F63D7D81-CAC4-11CF-B006-00A0240D2824} --json)";

}  // namespace vekcfg
