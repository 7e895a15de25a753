// vekcfg categories: the system's component categories.
#include <cstdio>
#include <string>
#include <vector>

#include "listing.h"
#include "registry_tool_support.h"
#include "tool_output.h"
#include "vekconfig/vekconfig.h"

namespace vekcfg {

namespace {

constexpr const char* kCommand = "categories";

int ListRegistered(bool json) {
    ICatInformation* information = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_ALL,
                                  IID_ICatInformation, reinterpret_cast<void**>(&information));
    if (FAILED(hr)) return Fail(kCommand, "no categories manager (" + StatusString(hr) + ")");
    IEnumCATEGORYINFO* categories = nullptr;
    hr = information->EnumCategories(0x409, &categories);
    information->Release();
    if (FAILED(hr)) return Fail(kCommand, "cannot list the categories (" + StatusString(hr) + ")");
    CATEGORYINFO info;
    ULONG fetched = 0;
    Listing listing;
    while (categories->Next(1, &info, &fetched) == S_OK) {
        const std::string id = GuidString(info.catid);
        const std::string description = FieldString(info.szDescription, 128);
        listing.Add({{"category", id}, {"description", description}}, id + "  " + description);
    }
    categories->Release();
    listing.Print(json);
    return 0;
}

}  // namespace

int RunCategories(const std::vector<std::string>& given) {
    std::vector<std::string> args = given;
    const bool json = TakeJsonOption(args);
    if (args.size() > 1) return Usage(kCommand, "expected ls, register or cleanup");
    const std::string trouble = DescribeRegistryTrouble();
    if (!trouble.empty()) return Fail(kCommand, trouble);
    const std::string action = args.empty() ? "ls" : args[0];
    if (action == "ls") return ListRegistered(json);
    HRESULT hr;
    if (action == "register") {
        hr = RegisterVekCategories();
    } else if (action == "cleanup") {
        hr = CleanupVekCategories();
    } else {
        return Usage(kCommand, "unknown action '" + action + "' (ls, register, cleanup)");
    }
    if (FAILED(hr)) return Fail(kCommand, action + " failed (" + StatusString(hr) + ")");
    return 0;
}

extern const char* const kCategoriesHelp =
    R"(usage: vekcfg categories [ls] [--json]
       vekcfg categories register
       vekcfg categories cleanup

ls        every registered category with its description
register  registers the system's eighteen categories (locale 409)
cleanup   removes, in table order, each of the eighteen that no class
          implements; stops at the first failure

examples:
  vekcfg categories register && vekcfg class ls "VEK Physical Printer")";

}  // namespace vekcfg
