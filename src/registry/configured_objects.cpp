// The walks over a class's configured objects: the listing that reads each
// object's configuration, and the removal of the class's files.
#include <cstdlib>
#include <cstring>

#include "platform/files.h"
#include "registry/registry_paths.h"
#include "foundation/report.h"
#include "vekconfig/object_registry.h"
#include "vekconfig/objectconfig.h"
#include "settings/open_with_retry.h"
#include "vekconfig/text.h"

namespace {

// Fills record from the object's configuration; false when its common record
// cannot be read.
bool DescribeObject(CVekObjectConfig& config, REFGUID objectID, BROKER_PRINTER_INFO& record) {
    VEK_COMMON_CONFIG_DATA common;
    if (FAILED(config.GetVekObjectConfig(&common))) return false;
    std::memset(&record, 0, sizeof(record));
    record.ObjectID = objectID;
    vek::WideCopy(record.Description, VEK_TEXT_CHARS, common.UserDescription);
    VEK_PHYSICAL_PRINTER_CONFIG_DATA printer;
    if (SUCCEEDED(config.GetPhysicalPrinterConfig(&printer))) {
        vek::WideCopy(record.DeviceAddress, VEK_TEXT_CHARS, printer.DeviceAddress);
        record.DeviceAddressKind = printer.DeviceAddressKind;
    }
    return true;
}

}  // namespace

HRESULT GetConfiguredVekObjects(REFCLSID clsid, ULONG& count, BROKER_PRINTER_INFO** list) {
    count = 0;
    if (list == nullptr) return E_POINTER;
    *list = nullptr;
    const auto sharedReads = vek::ShareWalkReads();
    vek::ScopedKey devices;
    LSTATUS status = VekOpenRegKeyWithRetry(HKEY_CLASSES_ROOT, vek::DevicesKeyPath(clsid).c_str(),
                                            0, KEY_READ, devices.put());
    if (status == ERROR_FILE_NOT_FOUND) return S_OK;
    if (status != ERROR_SUCCESS) {
        vek::ReportError(u"GetConfiguredVekObjects-->VekOpenRegKeyWithRetry", status);
        return E_FAIL;
    }
    DWORD subkeys = 0;
    status = RegQueryInfoKeyW(devices.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                              nullptr, nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS || subkeys == 0) return S_OK;
    auto* records =
        static_cast<BROKER_PRINTER_INFO*>(std::malloc(subkeys * sizeof(BROKER_PRINTER_INFO)));
    if (records == nullptr) return E_OUTOFMEMORY;
    ULONG filled = 0;
    CVekObjectConfig config;
    vek::ConfigRootOfWalk root;
    for (DWORD index = 0; index < subkeys; ++index) {
        GUID objectID = GUID_NULL;
        if (vek::EnumObjectID(devices.get(), index, objectID) != ERROR_SUCCESS) break;
        if (FAILED(vek::OpenObjectOfWalk(config, root, objectID))) continue;
        if (DescribeObject(config, objectID, records[filled])) ++filled;
    }
    if (filled == 0) {
        std::free(records);
    } else {
        *list = records;
        count = filled;
    }
    return S_OK;
}

void DeleteComponentConfigFiles(GUID clsid) {
    const auto sharedReads = vek::ShareWalkReads();
    static constexpr char16_t kContext[] = u"DeleteComponentConfigFiles-->VekOpenRegKeyWithRetry";
    vek::ScopedKey devices;
    LSTATUS status = VekOpenRegKeyWithRetry(HKEY_CLASSES_ROOT, vek::DevicesKeyPath(clsid).c_str(),
                                            0, KEY_READ, devices.put());
    if (status == ERROR_FILE_NOT_FOUND) return;
    if (status != ERROR_SUCCESS) {
        vek::ReportError(kContext, status);
        return;
    }
    DWORD subkeys = 0;
    status = RegQueryInfoKeyW(devices.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                              nullptr, nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) return;
    vek::ConfigRootOfWalk root;
    for (DWORD index = 0; index < subkeys; ++index) {
        GUID objectID = GUID_NULL;
        if (vek::EnumObjectID(devices.get(), index, objectID) != ERROR_SUCCESS) break;
        WCHAR path[MAX_PATH] = {};
        if (FAILED(root.ComposePath(objectID, path))) break;
        const LSTATUS deleted = vek::DeleteFileW(path);
        if (deleted != ERROR_SUCCESS) vek::ReportError(kContext, deleted);
    }
}
