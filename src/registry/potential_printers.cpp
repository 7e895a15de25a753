// Candidate physical printers for a logical printer, and the configured
// printer models: both search the configuration root's files.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"
#include "registry/registry_paths.h"
#include "vekconfig/object_registry.h"
#include "vekconfig/objectconfig.h"
#include "vekconfig/settings.h"
#include "vekconfig/text.h"

namespace {

std::u16string ConfigRoot(const WCHAR* machine) {
    WCHAR root[MAX_PATH] = {};
    if (FAILED(GetConfigLocation(root, machine))) root[0] = 0;
    return std::u16string(root);
}

// The names of the configuration root's files with the extension, in name
// order.
std::vector<std::u16string> FilesOf(const std::u16string& root, const WCHAR* pattern) {
    std::vector<std::u16string> names;
    if (vek::FindMatchingFiles(root.empty() ? u"." : root.c_str(), pattern, &names) != ERROR_SUCCESS)
        names.clear();
    return names;
}

bool SupportsModel(const VEK_COMMON_CONFIG_DATA& common, const WCHAR* model) {
    const std::u16string_view wanted(model, vek::WideLength(model));
    const DWORD slots = common.NumPrinterModelsSupported < VEK_MAX_MODEL_SLOTS
                            ? common.NumPrinterModelsSupported
                            : VEK_MAX_MODEL_SLOTS;
    for (DWORD i = 0; i < slots; ++i) {
        const WCHAR* slot = common.PrinterModelsSupported + i * VEK_MODEL_SLOT_CHARS;
        size_t length = 0;
        while (length < VEK_MODEL_SLOT_CHARS && slot[length] != 0) ++length;
        if (vek::WideEqualsIgnoreCase(std::u16string_view(slot, length), wanted)) return true;
    }
    return false;
}

bool IsRegistered(const VEK_COMMON_CONFIG_DATA& common, const WCHAR* machine) {
    int configured = 0;
    return SUCCEEDED(VerifyDeviceIsConfiguredByCLSID(common.ClassID, common.ObjectID, configured,
                                                     machine)) &&
           configured != 0;
}

// What a search learns once per printer class rather than once per printer:
// the objects registered below the class's "Devices" key, and its broker
// class. Only answers that are certain are taken from them (a printer listed
// there; a broker read); everything else is asked of the registry as for any
// single printer, with the same reports.
class ClassesOfSearch {
public:
    explicit ClassesOfSearch(const WCHAR* machine) : machine_(machine) {}

    bool IsRegistered(const VEK_COMMON_CONFIG_DATA& common) {
        const std::vector<GUID>& listed = Of(common.ClassID).registered;
        if (std::binary_search(listed.begin(), listed.end(), common.ObjectID, GuidBefore)) return true;
        return ::IsRegistered(common, machine_);
    }

    void BrokerOf(REFCLSID clsid, GUID& broker) {
        Facts& facts = Of(clsid);
        if (!facts.brokerKnown)
            facts.brokerKnown = SUCCEEDED(GetClassOfBroker(clsid, facts.broker, machine_));
        broker = facts.broker;
    }

private:
    struct Facts {
        GUID clsid = GUID_NULL;
        std::vector<GUID> registered;  // in GuidBefore order
        bool brokerKnown = false;
        GUID broker = GUID_NULL;
    };

    static bool GuidBefore(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof a) < 0; }

    Facts& Of(REFCLSID clsid) {
        for (const std::unique_ptr<Facts>& facts : known_)
            if (facts->clsid == clsid) return *facts;
        auto facts = std::make_unique<Facts>();
        facts->clsid = clsid;
        vek::ScopedKey root, devices;
        if (RegConnectRegistryW(machine_, HKEY_CLASSES_ROOT, root.put()) == ERROR_SUCCESS &&
            RegOpenKeyExW(root.get(), vek::DevicesKeyPath(clsid).c_str(), 0, KEY_READ,
                          devices.put()) == ERROR_SUCCESS)
            facts->registered = RegisteredObjects(devices.get());
        known_.push_back(std::move(facts));
        return *known_.back();
    }

    // The objects whose keys are below devices. CLSIDFromString takes
    // exactly the text of an ID, in either case, as the key of that ID is
    // found.
    static std::vector<GUID> RegisteredObjects(HKEY devices) {
        std::vector<std::u16string> names;
        std::vector<GUID> objects;
        if (vek::CurrentEnv().Registry().ListSubkeys(devices, &names) != ERROR_SUCCESS) return objects;
        objects.reserve(names.size());
        for (const std::u16string& name : names) {
            GUID object = GUID_NULL;
            if (SUCCEEDED(CLSIDFromString(name.c_str(), &object))) objects.push_back(object);
        }
        std::sort(objects.begin(), objects.end(), GuidBefore);
        return objects;
    }

    const WCHAR* machine_;
    std::vector<std::unique_ptr<Facts>> known_;
};

}  // namespace

HRESULT GetPotentialPPs(const WCHAR* model, ULONG& count, POTENTIAL_LP_PP_CONNECTION** candidates,
                        const VEK_LP_PP_CONNECTIONS* current, ULONG currentCount,
                        const WCHAR* machine) {
    if (candidates == nullptr) return E_POINTER;
    count = 0;
    *candidates = nullptr;
    const auto sharedReads = vek::ShareWalkReads();
    const std::u16string root = ConfigRoot(machine);
    const std::vector<std::u16string> names = FilesOf(root, u"*.cfg");
    if (names.empty()) return S_OK;
    auto* records = static_cast<POTENTIAL_LP_PP_CONNECTION*>(
        std::calloc(names.size(), sizeof(POTENTIAL_LP_PP_CONNECTION)));
    if (records == nullptr) return E_OUTOFMEMORY;
    ULONG filled = 0;
    CVekObjectConfig config;
    VEK_COMMON_CONFIG_DATA common;
    ClassesOfSearch classes(machine);
    for (const std::u16string& name : names) {
        const std::u16string path = root + name.substr(0, MAX_PATH);
        if (FAILED(config.Open(path.c_str())) || FAILED(config.GetVekObjectConfig(&common)) ||
            common.ObjectType != VEK_PHYSICAL_PRINTER_OBJECT)
            continue;
        if (!classes.IsRegistered(common) || model == nullptr || !SupportsModel(common, model))
            continue;
        POTENTIAL_LP_PP_CONNECTION& record = records[filled++];
        vek::WideCopy(record.Description, VEK_TEXT_CHARS, common.UserDescription);
        record.AlreadyConnected = FALSE;
        record.Connection.PPObjectID = common.ObjectID;
        classes.BrokerOf(common.ClassID, record.Connection.ConnectionData.BrokerClassID);
        for (ULONG i = 0; current != nullptr && i < currentCount; ++i) {
            if (current[i].PPObjectID == common.ObjectID) {
                record.AlreadyConnected = TRUE;
                break;
            }
        }
    }
    if (filled == 0) {
        std::free(records);
    } else {
        *candidates = records;
        count = filled;
    }
    return S_OK;
}

HRESULT GetPotentialPPs(GUID lpObjectID, ULONG& count, POTENTIAL_LP_PP_CONNECTION** candidates) {
    if (candidates == nullptr) return E_POINTER;
    count = 0;
    *candidates = nullptr;
    CVekObjectConfig logicalPrinter;
    HRESULT hr = logicalPrinter.Open(lpObjectID);
    if (FAILED(hr)) return hr;
    VEK_COMMON_CONFIG_DATA common;
    hr = logicalPrinter.GetVekObjectConfig(&common);
    if (FAILED(hr)) return hr;
    if (common.ObjectType != VEK_LOGICAL_PRINTER_OBJECT) return E_INVALIDARG;
    VEK_LP_PP_CONNECTIONS* connections = nullptr;
    DWORD connectionCount = 0;
    if (FAILED(logicalPrinter.GetLpPpConnections(&connections, &connectionCount))) {
        connections = nullptr;
        connectionCount = 0;
    }
    WCHAR model[VEK_TEXT_CHARS];
    vek::WideCopy(model, VEK_TEXT_CHARS, common.PrinterModel);
    hr = GetPotentialPPs(model, count, candidates, connections, connectionCount, nullptr);
    std::free(connections);
    return hr;
}

HRESULT GetConfiguredPrinterModels(ULONG& count, PRINTER_MODEL_INFO** models) {
    if (models == nullptr) return E_POINTER;
    count = 0;
    *models = nullptr;
    const std::u16string root = ConfigRoot(nullptr);
    const size_t counted = FilesOf(root, u"*.att").size();
    if (counted == 0) return S_OK;
    auto* records = static_cast<PRINTER_MODEL_INFO*>(std::calloc(counted, sizeof(PRINTER_MODEL_INFO)));
    if (records == nullptr) return E_OUTOFMEMORY;
    const std::vector<std::u16string> names = FilesOf(root, u"*.att");
    if (names.empty()) {
        std::free(records);
        return E_FAIL;
    }
    ULONG filled = 0;
    for (const std::u16string& name : names) {
        if (filled >= counted) break;
        const std::u16string base = name.substr(0, name.rfind(u'.'));
        vek::WideCopy(records[filled++].ModelName, MAX_PATH, base.c_str());
    }
    *models = records;
    count = filled;
    return S_OK;
}
