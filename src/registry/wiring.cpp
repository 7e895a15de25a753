// Whether a physical printer is wired to a logical printer, and unwiring it
// from all of them.
#include <cstdlib>

#include "registry/registry_paths.h"
#include "foundation/report.h"
#include "vekconfig/object_registry.h"
#include "vekconfig/objectconfig.h"
#include "settings/open_with_retry.h"

namespace {

// Opens the "Devices" key of the logical printer class.
LSTATUS OpenLogicalPrinters(vek::ScopedKey& devices) {
    return VekOpenRegKeyWithRetry(HKEY_CLASSES_ROOT,
                                  vek::DevicesKeyPath(CLSID_VekLogicalPrinter).c_str(), 0, KEY_READ,
                                  devices.put());
}

bool ListsPrinter(CVekObjectConfig& logicalPrinter, REFGUID ppObjectID) {
    VEK_LP_PP_CONNECTIONS* connections = nullptr;
    DWORD count = 0;
    if (FAILED(logicalPrinter.GetLpPpConnections(&connections, &count))) return false;
    bool found = false;
    for (DWORD i = 0; i < count && !found; ++i) found = connections[i].PPObjectID == ppObjectID;
    std::free(connections);
    return found;
}

}  // namespace

HRESULT CheckIfPPConnectedToLP(GUID ppObjectID, BOOL* connected) {
    if (connected == nullptr) return E_POINTER;
    *connected = FALSE;
    const auto sharedReads = vek::ShareWalkReads();
    vek::ScopedKey devices;
    const LSTATUS status = OpenLogicalPrinters(devices);
    if (status == ERROR_FILE_NOT_FOUND) return S_OK;
    if (status != ERROR_SUCCESS) {
        vek::ReportError(u"CheckIfPPConnectedToLP-->VekOpenRegKeyWithRetry", status);
        return E_FAIL;
    }
    CVekObjectConfig logicalPrinter;
    vek::ConfigRootOfWalk root;
    bool found = false;
    for (DWORD index = 0; !found; ++index) {
        GUID objectID = GUID_NULL;
        if (vek::EnumObjectID(devices.get(), index, objectID) != ERROR_SUCCESS) break;
        if (FAILED(vek::OpenObjectOfWalk(logicalPrinter, root, objectID))) continue;
        found = ListsPrinter(logicalPrinter, ppObjectID);
    }
    *connected = found ? TRUE : FALSE;
    return S_OK;
}

HRESULT DeleteAllLPConnectionsToPP(GUID ppObjectID) {
    const auto sharedReads = vek::ShareWalkReads();
    vek::ScopedKey devices;
    const LSTATUS status = OpenLogicalPrinters(devices);
    if (status == ERROR_FILE_NOT_FOUND) return S_OK;
    if (status != ERROR_SUCCESS) {
        vek::ReportError(u"DeleteAllLPConnectionsToPP-->VekOpenRegKeyWithRetry", status);
        return E_FAIL;
    }
    CVekObjectConfig logicalPrinter;
    vek::ConfigRootOfWalk root;
    for (DWORD index = 0;; ++index) {
        GUID objectID = GUID_NULL;
        if (vek::EnumObjectID(devices.get(), index, objectID) != ERROR_SUCCESS) break;
        if (FAILED(vek::OpenObjectOfWalk(logicalPrinter, root, objectID))) continue;
        const HRESULT hr = logicalPrinter.DeleteLpPpConnection(ppObjectID);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}
