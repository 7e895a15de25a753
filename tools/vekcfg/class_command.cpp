// vekcfg class: the classes of a category, the configured objects of a
// class, and the categories a class implements.
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

constexpr const char* kCommand = "class";

// A category given as a braced CATID or as the description of a registered
// category (ignoring case).
bool ResolveCategory(const std::string& text, CATID* catid) {
    if (ParseGuidArgument(text, catid)) return true;
    ICatInformation* information = nullptr;
    if (FAILED(CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_ALL,
                                IID_ICatInformation, reinterpret_cast<void**>(&information))))
        return false;
    IEnumCATEGORYINFO* categories = nullptr;
    bool found = false;
    if (SUCCEEDED(information->EnumCategories(0x409, &categories))) {
        CATEGORYINFO info;
        ULONG fetched = 0;
        while (!found && categories->Next(1, &info, &fetched) == S_OK) {
            if (vek::WideEqualsIgnoreCase(info.szDescription, vek::Utf8ToUtf16(text))) {
                *catid = info.catid;
                found = true;
            }
        }
        categories->Release();
    }
    information->Release();
    return found;
}

int ListClasses(const std::string& category, bool json) {
    CATID catid;
    if (!ResolveCategory(category, &catid))
        return Usage(kCommand, "no category '" + category + "' (a braced CATID or a registered description)");
    ULONG count = 0;
    CATEGORY_CLASS_INFO* classes = nullptr;
    const HRESULT hr = GetClassesByVekCategory(catid, count, &classes);
    if (FAILED(hr)) return Fail(kCommand, "cannot list the classes (" + StatusString(hr) + ")");
    Listing listing;
    for (ULONG i = 0; i < count; ++i) {
        const std::string id = GuidString(classes[i].clsid);
        const std::string name = FieldString(classes[i].szClassName, MAX_PATH);
        listing.Add({{"class", id}, {"name", name}}, id + "  " + name);
    }
    std::free(classes);
    listing.Print(json);
    return 0;
}

int ListObjects(const CLSID& clsid, bool json) {
    ULONG count = 0;
    BROKER_PRINTER_INFO* objects = nullptr;
    const HRESULT hr = GetConfiguredVekObjects(clsid, count, &objects);
    if (FAILED(hr)) return Fail(kCommand, "cannot list the objects (" + StatusString(hr) + ")");
    Listing listing;
    for (ULONG i = 0; i < count; ++i) {
        const BROKER_PRINTER_INFO& object = objects[i];
        const std::string id = GuidString(object.ObjectID);
        const std::string address = FieldString(object.DeviceAddress, VEK_TEXT_CHARS);
        const std::string description = FieldString(object.Description, VEK_TEXT_CHARS);
        const std::string padded = address + std::string(address.size() < 16 ? 16 - address.size() : 0, ' ');
        listing.Add({{"ObjectID", id},
                     {"DeviceAddressKind", static_cast<long long>(object.DeviceAddressKind)},
                     {"DeviceAddress", address},
                     {"Description", description}},
                    id + "  kind " + std::to_string(object.DeviceAddressKind) + "  " + padded + "  " + description);
    }
    std::free(objects);
    listing.Print(json);
    return 0;
}

int ListCategories(const CLSID& clsid, bool json) {
    ULONG count = 0;
    CATID* catids = nullptr;
    const HRESULT hr = GetVekCategoriesByClass(clsid, count, &catids);
    if (FAILED(hr)) return Fail(kCommand, "cannot list the categories (" + StatusString(hr) + ")");
    Listing listing;
    for (ULONG i = 0; i < count; ++i) {
        const std::string id = GuidString(catids[i]);
        const std::string description = CategoryDescription(catids[i]);
        listing.Add({{"category", id}, {"description", description}}, id + "  " + description);
    }
    std::free(catids);
    listing.Print(json);
    return 0;
}

}  // namespace

int RunClass(const std::vector<std::string>& given) {
    std::vector<std::string> args = given;
    const bool json = TakeJsonOption(args);
    if (args.size() != 2) return Usage(kCommand, "expected ls CATEGORY, objects CLASS or categories CLASS");
    const std::string trouble = DescribeRegistryTrouble();
    if (!trouble.empty()) return Fail(kCommand, trouble);
    if (args[0] == "ls") return ListClasses(args[1], json);
    CLSID clsid;
    if (!ParseGuidArgument(args[1], &clsid)) return Usage(kCommand, "not a braced class ID: " + args[1]);
    if (args[0] == "objects") return ListObjects(clsid, json);
    if (args[0] == "categories") return ListCategories(clsid, json);
    return Usage(kCommand, "unknown action '" + args[0] + "' (ls, objects, categories)");
}

extern const char* const kClassHelp =
    R"(usage: vekcfg class ls CATEGORY [--json]
       vekcfg class objects CLASS [--json]
       vekcfg class categories CLASS [--json]

ls          the classes that implement the category (the first 64), with their
            names; CATEGORY is a braced CATID or a registered description
objects     the configured objects of the class whose configuration can be
            read: object ID, address kind, device address, description
categories  the categories the class implements (the first 64)

examples:
  vekcfg class ls "VEK Physical Printer"
  vekcfg class objects {6B4B6B21-B4DC-11D0-BE11-00609753E52B})";

}  // namespace vekcfg
