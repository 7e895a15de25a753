// Life of an object configuration: construction, copies, destruction, and
// attaching to a file with Create, Open and Refresh.
#include <cstdlib>
#include <cstring>

#include "platform/com_ptr.h"
#include "objectconfig/lock_scope.h"
#include "platform/copy_bytes.h"
#include "vekconfig/objectconfig.h"
#include "vekconfig/storage.h"
#include "vekconfig/text.h"

using vek::ConfigLockScope;
using Kind = vek::ConfigLockScope::Kind;

CVekObjectConfig::CVekObjectConfig() = default;

// A copy shares the source's lock (the two behave as one lock) and owns
// copies of the lists, so that neither releases the other's.
CVekObjectConfig::CVekObjectConfig(const CVekObjectConfig& other) : m_Lock(other.m_Lock) {
    ConfigLockScope lock(m_Lock, Kind::kRead, "CVekObjectConfig");
    if (SUCCEEDED(lock.status())) CopyMembersFrom(other);
}

CVekObjectConfig& CVekObjectConfig::operator=(const CVekObjectConfig& other) {
    if (this == &other) return *this;
    const CVekObjectConfig copy(other);
    {
        ConfigLockScope lock(m_Lock, Kind::kWrite, "operator=");
        if (FAILED(lock.status())) return *this;
        freeVekObject();
        if (!CopyMembersFrom(copy)) m_bOpen = false;
    }
    m_Lock = other.m_Lock;
    return *this;
}

CVekObjectConfig::~CVekObjectConfig() { freeVekObject(); }

bool CVekObjectConfig::CopyMembersFrom(const CVekObjectConfig& other) {
    void* media = nullptr;
    void* connections = nullptr;
    if (other.m_pMedia != nullptr) {
        const size_t bytes = size_t{other.m_nMedia} * sizeof(CONFIG_PRINTER_MEDIA_DATA);
        media = std::malloc(bytes == 0 ? 1 : bytes);
        if (media == nullptr) return false;
        if (bytes != 0) vek::CopyBytes(media, other.m_pMedia, bytes);
    }
    if (other.m_pConnections != nullptr && other.m_nConnections != 0) {
        const size_t bytes = size_t{other.m_nConnections} * sizeof(VEK_LP_PP_CONNECTIONS);
        connections = std::malloc(bytes);
        if (connections == nullptr) {
            std::free(media);
            return false;
        }
        vek::CopyBytes(connections, other.m_pConnections, bytes);
    }
    m_bOpen = other.m_bOpen;
    m_ObjectID = other.m_ObjectID;
    std::memcpy(m_FileName, other.m_FileName, sizeof m_FileName);
    m_Common = other.m_Common;
    m_bCommonConfig = other.m_bCommonConfig;
    m_PhysicalPrinter = other.m_PhysicalPrinter;
    m_bPhysicalPrinter = other.m_bPhysicalPrinter;
    m_LogicalPrinter = other.m_LogicalPrinter;
    m_bLogicalPrinter = other.m_bLogicalPrinter;
    m_PFLogicalPrinter = other.m_PFLogicalPrinter;
    m_LogicalPrinter5300 = other.m_LogicalPrinter5300;
    m_bPFLogicalPrinter = other.m_bPFLogicalPrinter;
    m_bLogicalPrinter5300 = other.m_bLogicalPrinter5300;
    m_pMedia = static_cast<CONFIG_PRINTER_MEDIA_DATA*>(media);
    m_nMedia = media != nullptr ? other.m_nMedia : 0;
    m_JobAttributes = other.m_JobAttributes;
    m_bJobAttributes = other.m_bJobAttributes;
    m_PageAttributes = other.m_PageAttributes;
    m_bPageAttributes = other.m_bPageAttributes;
    m_ImageAttributes = other.m_ImageAttributes;
    m_bImageAttributes = other.m_bImageAttributes;
    m_pConnections = static_cast<VEK_LP_PP_CONNECTIONS*>(connections);
    m_nConnections = connections != nullptr ? other.m_nConnections : 0;
    return true;
}

HRESULT CVekObjectConfig::freeVekObject() {
    std::free(m_pMedia);
    std::free(m_pConnections);
    m_pMedia = nullptr;
    m_pConnections = nullptr;
    m_nMedia = 0;
    m_nConnections = 0;
    m_bCommonConfig = m_bPhysicalPrinter = m_bLogicalPrinter = m_bPFLogicalPrinter = false;
    m_bLogicalPrinter5300 = m_bJobAttributes = m_bPageAttributes = m_bImageAttributes = false;
    return S_OK;
}

// Whatever was held before is released first, open or not, so that nothing
// read by an earlier failed Open can leak or be handed out later.
HRESULT CVekObjectConfig::Create(GUID objectID) {
    ConfigLockScope lock(m_Lock, Kind::kWrite, "Create(GUID)");
    if (FAILED(lock.status())) return lock.status();
    freeVekObject();
    m_ObjectID = objectID;
    m_bOpen = false;
    vek::ComPtr<IStorage> storage;
    const HRESULT hr = CreateVekObjectFile(storage.put(), objectID);
    m_bOpen = SUCCEEDED(hr);
    return hr;
}

HRESULT CVekObjectConfig::Create(const WCHAR* fileName) {
    if (fileName == nullptr) return E_POINTER;
    ConfigLockScope lock(m_Lock, Kind::kWrite, "Create(FileName)");
    if (FAILED(lock.status())) return lock.status();
    freeVekObject();
    m_ObjectID = GUID_NULL;
    m_bOpen = false;
    vek::ComPtr<IStorage> storage;
    const HRESULT hr = CreateVekObjectFile(storage.put(), fileName);
    m_bOpen = SUCCEEDED(hr);
    return hr;
}

HRESULT CVekObjectConfig::Open(GUID objectID) {
    ConfigLockScope lock(m_Lock, Kind::kWrite, "Open(GUID)");
    if (FAILED(lock.status())) return lock.status();
    freeVekObject();
    m_bOpen = false;
    m_ObjectID = objectID;
    vek::ComPtr<IStorage> storage;
    HRESULT hr = OpenVekObjectFile(storage.put(), objectID);
    if (SUCCEEDED(hr)) hr = ReadObjectAttributes(storage.get());
    if (FAILED(hr)) return freeVekObject(), hr;
    m_bOpen = true;
    return S_OK;
}

HRESULT CVekObjectConfig::Open(const WCHAR* fileName) {
    if (fileName == nullptr) return E_POINTER;
    ConfigLockScope lock(m_Lock, Kind::kWrite, "Open(FileName)");
    if (FAILED(lock.status())) return lock.status();
    // The name may be our own m_FileName (Refresh): keep it apart from what we change.
    WCHAR path[MAX_PATH];
    const bool fits = vek::WideCopy(path, MAX_PATH, fileName);
    freeVekObject();
    m_bOpen = false;
    if (!fits) return E_INVALIDARG;
    vek::ComPtr<IStorage> storage;
    HRESULT hr = OpenVekObjectFile(storage.put(), path);
    if (SUCCEEDED(hr)) hr = ReadObjectAttributes(storage.get());
    if (FAILED(hr)) return freeVekObject(), hr;
    if (m_bCommonConfig) m_ObjectID = m_Common.ObjectID;
    m_bOpen = true;
    return S_OK;
}

HRESULT CVekObjectConfig::Refresh() {
    WCHAR path[MAX_PATH];
    {
        ConfigLockScope lock(m_Lock, Kind::kRead, "Refresh");
        if (FAILED(lock.status())) return lock.status();
        std::memcpy(path, m_FileName, sizeof path);
    }
    if (path[0] == 0) return E_FAIL;
    return Open(path);
}
