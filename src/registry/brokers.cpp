// Broker relations between classes, read from the class keys.
#include "registry/registry_paths.h"
#include "foundation/report.h"
#include "vekconfig/object_registry.h"
#include "settings/open_with_retry.h"

namespace {

// Reads the default value of an open key as a class ID into out (the
// conversion is not examined); 260 bytes are offered.
LSTATUS ReadClassValue(HKEY key, GUID& out) {
    WCHAR text[MAX_PATH / 2 + 1] = {};
    DWORD size = MAX_PATH;
    const LSTATUS status =
        RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
    if (status == ERROR_SUCCESS) CLSIDFromString(text, &out);
    return status;
}

}  // namespace

HRESULT GetBrokeredClass(GUID brokerClsid, GUID& brokeredClsid) {
    brokeredClsid = GUID_NULL;
    const std::u16string path = vek::ClassKeyPath(brokerClsid) + u"\\Brokered Class";
    vek::ScopedKey key;
    LSTATUS status = VekOpenRegKeyWithRetry(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.put());
    if (status != ERROR_SUCCESS) {
        vek::ReportError(u"GetBrokeredClass-->VekOpenRegKeyWithRetry", status);
        return E_FAIL;
    }
    status = ReadClassValue(key.get(), brokeredClsid);
    if (status != ERROR_SUCCESS) {
        vek::ReportError(u"GetBrokeredClass-->RegQueryValueEx", status);
        return E_FAIL;
    }
    return S_OK;
}

HRESULT GetClassOfBroker(GUID clsid, GUID& brokerClsid, const WCHAR* machine) {
    brokerClsid = GUID_NULL;
    const std::u16string path = vek::ClassKeyPath(clsid) + u"\\Broker";
    vek::ScopedKey root;
    LSTATUS status = RegConnectRegistryW(machine, HKEY_CLASSES_ROOT, root.put());
    if (status != ERROR_SUCCESS) {
        vek::ReportError(u"GetClassOfBroker-->RegConnectRegistry", status);
        return E_FAIL;
    }
    vek::ScopedKey key;
    status = VekOpenRegKeyWithRetry(root.get(), path.c_str(), 0, KEY_READ, key.put());
    if (status != ERROR_SUCCESS) {
        vek::ReportError(u"GetClassOfBroker-->VekOpenRegKeyWithRetry", status);
        return E_FAIL;
    }
    status = ReadClassValue(key.get(), brokerClsid);
    if (status != ERROR_SUCCESS) {
        vek::ReportError(u"GetClassOfBroker-->RegQueryValueEx", status);
        return E_FAIL;
    }
    return S_OK;
}
