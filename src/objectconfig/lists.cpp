// The two lists beside the records: a logical printer's connections (keyed by
// the physical printer's object ID) and the printer's own media (keyed by the
// media ID). Every edit builds the new list, installs it and rewrites the
// whole stream; an emptied list loses its stream.
#include <cstdlib>
#include <cstring>

#include "objectconfig/access_patterns.h"
#include "platform/com_ptr.h"
#include "platform/copy_bytes.h"
#include "vekconfig/com.h"
#include "vekconfig/objectconfig.h"
#include "vekconfig/storage.h"

using vek::ConfigLockScope;
using vek::ReadUnderLock;
using Kind = vek::ConfigLockScope::Kind;

namespace {

bool SameKey(const VEK_LP_PP_CONNECTIONS& entry, const GUID& key) { return entry.PPObjectID == key; }
bool SameKey(const CONFIG_PRINTER_MEDIA_DATA& entry, DWORD key) { return entry.MediaID == key; }

// A new malloc'd list holding every entry whose key differs, for a removal.
// Sized for count-1 entries (at least one entry matches); a list read from a
// file with a repeated key loses every copy and never overruns the block.
template <class Entry, class Key>
HRESULT WithoutKey(const Entry* list, DWORD count, const Key& key, Entry** result, DWORD* kept) {
    *result = nullptr;
    *kept = 0;
    if (count < 2) return S_OK;
    auto* block = static_cast<Entry*>(std::malloc(size_t{count - 1} * sizeof(Entry)));
    if (block == nullptr) return E_OUTOFMEMORY;
    for (DWORD i = 0; i < count && *kept < count - 1; ++i)
        if (!SameKey(list[i], key)) block[(*kept)++] = list[i];
    if (*kept == 0) {
        std::free(block);
        block = nullptr;
    }
    *result = block;
    return S_OK;
}

// Installs a new list in place of the old one and rewrites its stream, or
// removes the stream when the list becomes empty. Takes ownership of list
// when count is not 0, whatever the result.
template <class Entry, class OpenFile, class Write>
HRESULT InstallList(bool open, Entry*& member, DWORD& memberCount, Entry* list, DWORD count,
                    const WCHAR* streamName, OpenFile&& openFile, Write&& write) {
    if (count != 0 && list == nullptr) return E_POINTER;
    vek::ComPtr<IStorage> storage;
    const HRESULT hr = open ? openFile(storage.put()) : E_FAIL;
    if (FAILED(hr)) {
        if (count != 0) std::free(list);
        return hr;
    }
    const DWORD former = memberCount;
    std::free(member);
    member = nullptr;
    memberCount = 0;
    if (count != 0) {
        member = list;
        memberCount = count;
        return write(storage.get());
    }
    return former == 0 ? S_OK : storage->DestroyElement(streamName);
}

template <class Entry, class Key>
bool Listed(const Entry* list, DWORD count, const Key& key) {
    for (DWORD i = 0; i < count; ++i)
        if (SameKey(list[i], key)) return true;
    return false;
}

}  // namespace

// ---- connections ----

HRESULT CVekObjectConfig::GetLpPpConnections(VEK_LP_PP_CONNECTIONS** list, DWORD* count) {
    if (list == nullptr || count == nullptr) return E_POINTER;
    const bool always = true;
    return ReadUnderLock(m_Lock, "GetLpPpConnections", m_bOpen, always, [&] {
        *list = nullptr;
        *count = 0;
        if (m_nConnections == 0 || m_pConnections == nullptr) return S_OK;
        const size_t bytes = size_t{m_nConnections} * sizeof(VEK_LP_PP_CONNECTIONS);
        auto* copy = static_cast<VEK_LP_PP_CONNECTIONS*>(std::malloc(bytes));
        if (copy == nullptr) return E_OUTOFMEMORY;
        vek::CopyBytes(copy, m_pConnections, bytes);
        *list = copy;
        *count = m_nConnections;
        return S_OK;
    });
}

HRESULT CVekObjectConfig::AddLpPpConnection(VEK_LP_PP_CONNECTIONS connection) {
    ConfigLockScope lock(m_Lock, Kind::kWrite, "AddLpPpConnection");
    if (FAILED(lock.status())) return lock.status();
    if (!m_bOpen) return E_FAIL;
    if (Listed(m_pConnections, m_nConnections, connection.PPObjectID)) return S_OK;
    const DWORD count = m_nConnections + 1;
    auto* block = static_cast<VEK_LP_PP_CONNECTIONS*>(std::malloc(size_t{count} * sizeof connection));
    if (block == nullptr) return E_OUTOFMEMORY;
    if (m_nConnections != 0)
        vek::CopyBytes(block, m_pConnections, size_t{m_nConnections} * sizeof connection);
    block[count - 1] = connection;
    return SetLpPpConnection(block, count);
}

HRESULT CVekObjectConfig::DeleteLpPpConnection(GUID ppObjectID) {
    ConfigLockScope lock(m_Lock, Kind::kWrite, "DeleteLpPpConnection");
    if (FAILED(lock.status())) return lock.status();
    if (!m_bOpen) return E_FAIL;
    if (!Listed(m_pConnections, m_nConnections, ppObjectID)) return S_OK;
    VEK_LP_PP_CONNECTIONS* block = nullptr;
    DWORD kept = 0;
    const HRESULT hr = WithoutKey(m_pConnections, m_nConnections, ppObjectID, &block, &kept);
    if (FAILED(hr)) return hr;
    return SetLpPpConnection(block, kept);
}

HRESULT CVekObjectConfig::SetLpPpConnection(VEK_LP_PP_CONNECTIONS* list, DWORD count) {
    return InstallList(
        m_bOpen, m_pConnections, m_nConnections, list, count, VEK_CONNECTIONS_STREAM,
        [&](IStorage** storage) { return OpenVekObjectFile(storage, m_FileName); },
        [&](IStorage* storage) { return WriteLPtoPPConnections(storage, m_pConnections, m_nConnections); });
}

// ---- media ----

HRESULT CVekObjectConfig::GetVekSpecificMedia(DWORD mediaID, PRINTER_MEDIA_DATA* media) {
    if (media == nullptr) return E_POINTER;
    const bool always = true;
    return ReadUnderLock(m_Lock, "GetVekSpecificMedia", m_bOpen, always, [&] {
        for (DWORD i = 0; i < m_nMedia; ++i) {
            if (m_pMedia[i].MediaID != mediaID) continue;
            *media = m_pMedia[i].MediaData;
            return S_OK;
        }
        return E_FAIL;
    });
}

HRESULT CVekObjectConfig::GetAllVekSpecificMedia(DWORD& count, CONFIG_PRINTER_MEDIA_DATA** list) {
    ConfigLockScope lock(m_Lock, Kind::kRead, "GetAllVekSpecificMedia");
    if (FAILED(lock.status())) return lock.status();
    count = 0;
    if (!m_bOpen) return E_FAIL;
    if (list == nullptr) return E_POINTER;
    *list = nullptr;
    if (m_nMedia == 0 || m_pMedia == nullptr) return S_OK;
    const size_t bytes = size_t{m_nMedia} * sizeof(CONFIG_PRINTER_MEDIA_DATA);
    auto* copy = static_cast<CONFIG_PRINTER_MEDIA_DATA*>(CoTaskMemAlloc(bytes));
    if (copy == nullptr) return E_OUTOFMEMORY;
    vek::CopyBytes(copy, m_pMedia, bytes);
    *list = copy;
    count = m_nMedia;
    return S_OK;
}

HRESULT CVekObjectConfig::SetVekSpecificMedia(DWORD mediaID, PRINTER_MEDIA_DATA media) {
    ConfigLockScope lock(m_Lock, Kind::kWrite, "SetVekSpecificMedia");
    if (FAILED(lock.status())) return lock.status();
    if (!m_bOpen) return E_FAIL;
    vek::ComPtr<IStorage> storage;
    HRESULT hr = OpenVekObjectFile(storage.put(), m_FileName);
    if (FAILED(hr)) return hr;
    hr = UpdateVekSpecificMedia(mediaID, media);
    if (FAILED(hr)) return hr;
    return WriteVekSpecificMedia(storage.get(), m_pMedia, m_nMedia);
}

HRESULT CVekObjectConfig::DeleteVekSpecificMedia(DWORD mediaID) {
    ConfigLockScope lock(m_Lock, Kind::kWrite, "DeleteVekSpecificMedia");
    if (FAILED(lock.status())) return lock.status();
    if (!m_bOpen) return E_FAIL;
    if (!Listed(m_pMedia, m_nMedia, mediaID)) return S_OK;
    CONFIG_PRINTER_MEDIA_DATA* block = nullptr;
    DWORD kept = 0;
    const HRESULT hr = WithoutKey(m_pMedia, m_nMedia, mediaID, &block, &kept);
    if (FAILED(hr)) return hr;
    return SetDeleteVekSpecificMedia(block, kept);
}

// A listed medium is changed in place (its reserved bytes kept); a new one
// is appended with zero reserved bytes.
HRESULT CVekObjectConfig::UpdateVekSpecificMedia(DWORD mediaID, PRINTER_MEDIA_DATA media) {
    for (DWORD i = 0; i < m_nMedia; ++i) {
        if (m_pMedia[i].MediaID != mediaID) continue;
        m_pMedia[i].MediaData = media;
        return S_OK;
    }
    const DWORD count = m_nMedia + 1;
    auto* block = static_cast<CONFIG_PRINTER_MEDIA_DATA*>(
        std::malloc(size_t{count} * sizeof(CONFIG_PRINTER_MEDIA_DATA)));
    if (block == nullptr) return E_OUTOFMEMORY;
    if (m_nMedia != 0) vek::CopyBytes(block, m_pMedia, size_t{m_nMedia} * sizeof(CONFIG_PRINTER_MEDIA_DATA));
    CONFIG_PRINTER_MEDIA_DATA& added = block[count - 1];
    std::memset(&added, 0, sizeof added);
    added.MediaID = mediaID;
    added.MediaData = media;
    std::free(m_pMedia);
    m_pMedia = block;
    m_nMedia = count;
    return S_OK;
}

HRESULT CVekObjectConfig::SetDeleteVekSpecificMedia(CONFIG_PRINTER_MEDIA_DATA* list, DWORD count) {
    return InstallList(
        m_bOpen, m_pMedia, m_nMedia, list, count, VEK_MEDIA_STREAM,
        [&](IStorage** storage) { return OpenVekObjectFile(storage, m_FileName); },
        [&](IStorage* storage) { return WriteVekSpecificMedia(storage, m_pMedia, m_nMedia); });
}

// ---- the logical printer's spooling switch and the file's class ----

HRESULT CVekObjectConfig::SetSpoolingOn(BOOL state) {
    ConfigLockScope lock(m_Lock, Kind::kWrite, "SetSpoolingOn");
    if (FAILED(lock.status())) return lock.status();
    if (!m_bOpen || !m_bLogicalPrinter) return E_FAIL;
    if (m_LogicalPrinter.SpoolingOn == state) return S_OK;
    vek::ComPtr<IStorage> storage;
    const HRESULT hr = OpenVekObjectFile(storage.put(), m_FileName);
    if (FAILED(hr)) return hr;
    m_LogicalPrinter.SpoolingOn = state;
    return WriteLogicalPrinterData(storage.get(), &m_LogicalPrinter);
}

HRESULT CVekObjectConfig::AssociateClassID(const GUID& classID) {
    ConfigLockScope lock(m_Lock, Kind::kWrite, "AssociateClassID");
    if (FAILED(lock.status())) return lock.status();
    if (!m_bOpen) return E_FAIL;
    vek::ComPtr<IStorage> storage;
    const HRESULT hr = OpenVekObjectFile(storage.put(), m_FileName);
    if (FAILED(hr)) return hr;
    return storage->SetClass(classID);
}
