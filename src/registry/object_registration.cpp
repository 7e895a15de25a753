// Registering and unregistering configured objects, and checking a
// registration on this or another machine: the registration is one empty
// key per object below its class.
#include "foundation/report.h"
#include "registry/key_tree.h"
#include "registry/registry_paths.h"
#include "settings/open_with_retry.h"
#include "settings/temp_sweep.h"
#include "vekconfig/object_registry.h"

HRESULT AddVekObjectIDToRegistry(REFCLSID clsid, GUID objectID) {
    vek::ScopedKey key;
    const LSTATUS status =
        RegCreateKeyExW(HKEY_CLASSES_ROOT, vek::ObjectKeyPath(clsid, objectID).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_READ, nullptr, key.put(), nullptr);
    return status == ERROR_SUCCESS ? S_OK : E_FAIL;
}

HRESULT DeleteVekObjectIDFromRegistry(REFCLSID clsid, GUID objectID) {
    vek::ScopedKey devices;
    const LSTATUS status = VekOpenRegKeyWithRetry(
        HKEY_CLASSES_ROOT, vek::DevicesKeyPath(clsid).c_str(), 0, KEY_READ, devices.put());
    if (status != ERROR_SUCCESS) {
        vek::ReportError(u"DeleteVekObjectIDFromRegistry-->VekOpenRegKeyWithRetry",
                                   status);
        return E_FAIL;
    }
    const LSTATUS deleted = vek::DeleteKeyTree(devices.get(), vek::GuidText(objectID).c_str());
    devices.reset();
    FindAndDeleteOldTempFiles();
    return deleted == ERROR_SUCCESS ? S_OK : E_FAIL;
}

HRESULT VerifyDeviceIsConfiguredByCLSID(REFCLSID clsid, const GUID& objectID, int& configured,
                                        const WCHAR* machine) {
    configured = 0;
    const std::u16string path = vek::ObjectKeyPath(clsid, objectID);
    vek::ScopedKey root;
    LSTATUS status = RegConnectRegistryW(machine, HKEY_CLASSES_ROOT, root.put());
    if (status != ERROR_SUCCESS) {
        vek::ReportError(u"VerifyDeviceIsConfiguredByClassID-->RegConnectRegistry",
                                   status);
        return E_FAIL;
    }
    vek::ScopedKey object;
    status = VekOpenRegKeyWithRetry(root.get(), path.c_str(), 0, KEY_READ, object.put());
    if (status == ERROR_SUCCESS) {
        configured = 1;
    } else if (status != ERROR_FILE_NOT_FOUND) {
        vek::ReportError(u"VerifyDeviceIsConfiguredByClassID-->VekOpenRegKeyWithRetry",
                                   status);
        return E_FAIL;
    }
    return S_OK;
}
