// The configured objects of one class as a snapshot, and the whole removal
// of one of them.
#include <cstdlib>

#include "platform/copy_bytes.h"
#include "platform/files.h"
#include "vekconfig/config_files.h"
#include "vekconfig/object_registry.h"

namespace {

// Classes whose objects are logical printers, never listed as connections.
constexpr CLSID kLogicalPrinterClasses[] = {
    CLSID_VekLogicalPrinter,
    {0xB388B245, 0xE4A9, 0x11D3, {0x9C, 0xE9, 0x00, 0x04, 0xAC, 0x96, 0x80, 0x2B}},
    {0x8D836BBA, 0x187B, 0x4C07, {0x85, 0x5E, 0x78, 0x08, 0x56, 0xF6, 0x34, 0x61}},
};

bool IsLogicalPrinterClass(REFCLSID clsid) {
    for (const CLSID& logical : kLogicalPrinterClasses)
        if (logical == clsid) return true;
    return false;
}

}  // namespace

CVekConfigDevice::CVekConfigDevice() : m_ClassID(GUID_NULL), m_Count(0), m_pList(nullptr) {}

CVekConfigDevice::~CVekConfigDevice() { std::free(m_pList); }

CVekConfigDevice::CVekConfigDevice(const CVekConfigDevice& other) : CVekConfigDevice() {
    *this = other;
}

CVekConfigDevice& CVekConfigDevice::operator=(const CVekConfigDevice& other) {
    if (this == &other) return *this;
    BROKER_PRINTER_INFO* copy = nullptr;
    if (other.m_Count != 0) {
        copy = static_cast<BROKER_PRINTER_INFO*>(
            std::malloc(other.m_Count * sizeof(BROKER_PRINTER_INFO)));
        if (copy != nullptr)
            vek::CopyBytes(copy, other.m_pList, other.m_Count * sizeof(BROKER_PRINTER_INFO));
    }
    std::free(m_pList);
    m_ClassID = other.m_ClassID;
    m_pList = copy;
    m_Count = copy != nullptr ? other.m_Count : 0;
    return *this;
}

ULONG CVekConfigDevice::GetConfiguredDevices(GUID clsid) {
    std::free(m_pList);
    m_pList = nullptr;
    m_Count = 0;
    m_ClassID = clsid;
    GetConfiguredVekObjects(m_ClassID, m_Count, &m_pList);
    return m_Count;
}

ULONG CVekConfigDevice::GetNumDevices() { return m_Count; }

HRESULT CVekConfigDevice::GetDevice(ULONG index, BROKER_PRINTER_INFO* record) {
    if (index >= m_Count || record == nullptr) return E_FAIL;
    *record = m_pList[index];
    return S_OK;
}

HRESULT CVekConfigDevice::DeleteDevice(ULONG index) {
    if (index >= m_Count) return E_FAIL;
    const GUID objectID = m_pList[index].ObjectID;
    if (!IsLogicalPrinterClass(m_ClassID)) {
        BOOL connected = FALSE;
        HRESULT hr = CheckIfPPConnectedToLP(objectID, &connected);
        if (FAILED(hr)) return hr;
        if (connected) {
            hr = DeleteAllLPConnectionsToPP(objectID);
            if (FAILED(hr)) return hr;
        }
    }
    HRESULT hr = DeleteVekObjectIDFromRegistry(m_ClassID, objectID);
    if (FAILED(hr)) return hr;
    WCHAR path[MAX_PATH] = {};
    hr = ComposeConfigFilePathname(objectID, path);
    if (FAILED(hr)) return hr;
    vek::DeleteFileW(path);
    return S_OK;
}

HRESULT CVekConfigDevice::GetPotentialPhysicalPrinters(const WCHAR* model, ULONG* count,
                                                       POTENTIAL_LP_PP_CONNECTION** candidates,
                                                       const VEK_LP_PP_CONNECTIONS* current,
                                                       ULONG currentCount, const WCHAR* machine) {
    if (count == nullptr || candidates == nullptr) return E_POINTER;
    ULONG found = 0;
    POTENTIAL_LP_PP_CONNECTION* temporary = nullptr;
    const HRESULT hr = GetPotentialPPs(model, found, &temporary, current, currentCount, machine);
    if (hr != S_OK || found == 0) {
        std::free(temporary);
        return hr;
    }
    const size_t bytes = found * sizeof(POTENTIAL_LP_PP_CONNECTION);
    auto* copy = static_cast<POTENTIAL_LP_PP_CONNECTION*>(CoTaskMemAlloc(bytes));
    if (copy == nullptr) {
        std::free(temporary);
        return E_OUTOFMEMORY;
    }
    vek::CopyBytes(copy, temporary, bytes);
    std::free(temporary);
    *count = found;
    *candidates = copy;
    return S_OK;
}
