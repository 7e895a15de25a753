// Opening, creating, reading and writing the compound file of an object
// configuration. Every operation opens the file for its own duration only;
// m_FileName is the one link between an instance and its file.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <string_view>

#include "foundation/report.h"
#include "platform/com_ptr.h"
#include "platform/env.h"
#include "vekconfig/config_files.h"
#include "vekconfig/objectconfig.h"
#include "vekconfig/storage.h"
#include "vekconfig/text.h"

namespace {

constexpr DWORD kOpenReadWrite = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;  // 0x12
constexpr DWORD kOpenRead = STGM_READ | STGM_SHARE_EXCLUSIVE;            // 0x10
constexpr DWORD kCreate = STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE;  // 0x1012
// While another opener holds the file: retries after the first attempt, and
// how long each attempt waits for the holder to let go.
constexpr int kLockRetries = 1000;
constexpr uint32_t kLockWaitMilliseconds = 100;
// The streams that each hold one fixed record, in the order of the file
// layout; CVekObjectConfig::ReadObjectAttributes lists their members in the
// same order.
constexpr std::u16string_view kRecordStreams[] = {
    VEK_COMMON_STREAM,
    VEK_PHYSICAL_PRINTER_STREAM,
    VEK_LOGICAL_PRINTER_STREAM,
    VEK_PF_LOGICAL_PRINTER_STREAM,
    VEK_LOGICAL_PRINTER_5300_STREAM,
    VEK_JOB_ATTRIBUTES_STREAM,
    VEK_PAGE_ATTRIBUTES_STREAM,
    VEK_IMAGE_ATTRIBUTES_STREAM,
};
// The streams that each hold a list.
constexpr std::u16string_view kMediaStream = VEK_MEDIA_STREAM;
constexpr std::u16string_view kConnectionsStream = VEK_CONNECTIONS_STREAM;

// A fixed record member and its presence flag.
struct RecordMember {
    void* record;
    size_t size;
    bool* present;
};

// Frees an element name that the enumerator handed out.
struct ElementNameFree {
    void operator()(WCHAR* name) const { CoTaskMemFree(name); }
};
using ElementName = std::unique_ptr<WCHAR, ElementNameFree>;

// One open in the given mode, retried while the file is held elsewhere. Each
// attempt waits for the holder to let go instead of sleeping blindly, so a
// holder that releases the file only briefly between holds cannot starve us.
HRESULT OpenRetryingWhileLocked(const WCHAR* path, DWORD mode, IStorage** storage) {
    HRESULT hr = STG_E_LOCKVIOLATION;
    for (int attempt = 0; attempt <= kLockRetries && hr == STG_E_LOCKVIOLATION; ++attempt)
        hr = vek::CurrentEnv().OpenStorageWaiting(path, mode, kLockWaitMilliseconds, storage);
    return hr;
}

// Replaces one stream with bytes; reports with the writer's contexts.
HRESULT WriteStream(IStorage* storage, const WCHAR* name, const void* bytes, size_t size,
                    const WCHAR* createContext, const WCHAR* writeContext) {
    vek::ComPtr<IStream> stream;
    HRESULT hr = storage->CreateStream(name, kCreate, 0, 0, stream.put());
    if (FAILED(hr)) {
        vek::ReportError(createContext, hr);
        return E_FAIL;
    }
    hr = stream->Write(bytes, static_cast<ULONG>(size), nullptr);
    if (FAILED(hr)) {
        vek::ReportError(writeContext, hr);
        return E_FAIL;
    }
    return S_OK;
}

// Reads a fixed record whole; a short stream fills only its first bytes and
// leaves the rest zero.
void ReadRecord(IStream* stream, const RecordMember& member) {
    ULONG read = 0;
    if (FAILED(stream->Read(member.record, static_cast<ULONG>(member.size), &read)) ||
        read > member.size)
        read = 0;
    std::memset(static_cast<uint8_t*>(member.record) + read, 0, member.size - read);
    *member.present = true;
}

// Reads a list's entries; what a short read leaves is zero.
void ReadEntries(IStream* stream, void* block, size_t bytes) {
    ULONG read = 0;
    if (FAILED(stream->Read(block, static_cast<ULONG>(bytes), &read)) || read > bytes) read = 0;
    if (bytes != 0) std::memset(static_cast<uint8_t*>(block) + read, 0, bytes - read);
}

// The number of whole entries in a stream, or a failure status.
HRESULT CountEntries(IStream* stream, size_t entrySize, DWORD* count) {
    STATSTG stat{};
    const HRESULT hr = stream->Stat(&stat, STATFLAG_NONAME);
    if (FAILED(hr)) return hr;
    const uint64_t entries = stat.cbSize.QuadPart / entrySize;
    // A list is written with one Write of at most 4 GiB.
    if (entries * entrySize > 0xFFFFFFFFull) return STG_E_DOCFILECORRUPT;
    *count = static_cast<DWORD>(entries);
    return S_OK;
}

}  // namespace

HRESULT CVekObjectConfig::OpenVekObjectFile(IStorage** storage, GUID objectID) {
    WCHAR path[MAX_PATH];
    if (FAILED(ComposeConfigFilePathname(objectID, path))) return E_FAIL;
    return OpenVekObjectFile(storage, path);
}

HRESULT CVekObjectConfig::OpenVekObjectFile(IStorage** storage, const WCHAR* path) {
    if (vek::WideLength(path) >= MAX_PATH) return E_INVALIDARG;
    HRESULT hr = OpenRetryingWhileLocked(path, kOpenReadWrite, storage);
    if (hr == STG_E_ACCESSDENIED) hr = OpenRetryingWhileLocked(path, kOpenRead, storage);
    if (FAILED(hr)) {
        vek::ReportError(u"CVekObjectConfig::OpenVekObjectFile:StgOpenStorage", hr);
        return hr;
    }
    if (path != m_FileName) vek::WideCopy(m_FileName, MAX_PATH, path);
    return S_OK;
}

HRESULT CVekObjectConfig::CreateVekObjectFile(IStorage** storage, GUID objectID) {
    WCHAR path[MAX_PATH];
    if (FAILED(ComposeConfigFilePathname(objectID, path))) return E_FAIL;
    return CreateVekObjectFile(storage, path);
}

HRESULT CVekObjectConfig::CreateVekObjectFile(IStorage** storage, const WCHAR* path) {
    if (vek::WideLength(path) >= MAX_PATH) return E_INVALIDARG;
    const HRESULT hr = StgCreateDocfile(path, kCreate, 0, storage);
    if (FAILED(hr)) {
        vek::ReportError(u"CVekObjectConfig::CreateVekObjectFile:StgCreateDocFile", hr);
        return hr;
    }
    if (path != m_FileName) vek::WideCopy(m_FileName, MAX_PATH, path);
    return S_OK;
}

HRESULT CVekObjectConfig::ReadObjectAttributes(IStorage* storage) {
    if (storage == nullptr) return E_FAIL;
    vek::ComPtr<IEnumSTATSTG> elements;
    HRESULT hr = storage->EnumElements(0, nullptr, 0, elements.put());
    if (FAILED(hr)) return hr;
    hr = elements->Reset();
    if (FAILED(hr)) return hr;

    const RecordMember records[std::size(kRecordStreams)] = {
        {&m_Common, sizeof m_Common, &m_bCommonConfig},
        {&m_PhysicalPrinter, sizeof m_PhysicalPrinter, &m_bPhysicalPrinter},
        {&m_LogicalPrinter, sizeof m_LogicalPrinter, &m_bLogicalPrinter},
        {&m_PFLogicalPrinter, sizeof m_PFLogicalPrinter, &m_bPFLogicalPrinter},
        {&m_LogicalPrinter5300, sizeof m_LogicalPrinter5300, &m_bLogicalPrinter5300},
        {&m_JobAttributes, sizeof m_JobAttributes, &m_bJobAttributes},
        {&m_PageAttributes, sizeof m_PageAttributes, &m_bPageAttributes},
        {&m_ImageAttributes, sizeof m_ImageAttributes, &m_bImageAttributes},
    };

    for (;;) {
        STATSTG stat{};
        ULONG fetched = 0;
        hr = elements->Next(1, &stat, &fetched);
        if (FAILED(hr)) return hr;
        if (hr != S_OK || fetched == 0) break;
        // Element names are at most 31 code units: used where they are.
        const ElementName owned(stat.pwcsName);
        if (stat.type != STGTY_STREAM) continue;
        const WCHAR* const name = owned ? owned.get() : u"";

        vek::ComPtr<IStream> stream;
        hr = storage->OpenStream(name, nullptr, kOpenReadWrite, 0, stream.put());
        if (hr == STG_E_INVALIDFLAG) hr = storage->OpenStream(name, nullptr, kOpenRead, 0, stream.put());
        if (FAILED(hr)) {
            vek::ReportError(u"CVekObjectConfig::ReadObjectAttributes:OpenStream", hr);
            return hr;
        }
        const std::u16string_view n(name);
        const auto* const record = std::find(std::begin(kRecordStreams), std::end(kRecordStreams), n);
        if (record != std::end(kRecordStreams)) {
            ReadRecord(stream.get(), records[record - std::begin(kRecordStreams)]);
        } else if (n == kMediaStream) {
            DWORD count = 0;
            hr = CountEntries(stream.get(), sizeof(CONFIG_PRINTER_MEDIA_DATA), &count);
            if (FAILED(hr)) return hr;
            const size_t bytes = size_t{count} * sizeof(CONFIG_PRINTER_MEDIA_DATA);
            auto* block = static_cast<CONFIG_PRINTER_MEDIA_DATA*>(std::malloc(bytes));
            if (block == nullptr && bytes != 0) return E_OUTOFMEMORY;
            ReadEntries(stream.get(), block, bytes);
            std::free(m_pMedia);
            m_pMedia = block;
            m_nMedia = count;
        } else if (n == kConnectionsStream) {
            DWORD count = 0;
            hr = CountEntries(stream.get(), sizeof(VEK_LP_PP_CONNECTIONS), &count);
            if (FAILED(hr)) return hr;
            if (count == 0) continue;
            const size_t bytes = size_t{count} * sizeof(VEK_LP_PP_CONNECTIONS);
            auto* block = static_cast<VEK_LP_PP_CONNECTIONS*>(std::malloc(bytes));
            if (block == nullptr) return E_OUTOFMEMORY;
            ReadEntries(stream.get(), block, bytes);
            std::free(m_pConnections);
            m_pConnections = block;
            m_nConnections = count;
        }
    }
    return S_OK;
}

HRESULT CVekObjectConfig::WriteConfig(IStorage* storage, VEK_COMMON_CONFIG_DATA* record) {
    return WriteStream(storage, VEK_COMMON_STREAM, record, sizeof *record,
                       u"CVekObjectConfig::WriteConfig - CreateSteam",
                       u"CVekObjectConfig::WriteConfig: pStream->Write");
}

HRESULT CVekObjectConfig::WritePhysicalPrinterData(IStorage* storage,
                                                   VEK_PHYSICAL_PRINTER_CONFIG_DATA* record) {
    return WriteStream(storage, VEK_PHYSICAL_PRINTER_STREAM, record, sizeof *record,
                       u"CVekObjectConfig::WritePhysicalPrinterData - CreateSteam",
                       u"CVekObjectConfig::WritePhysicalPrinterData: pStream->Write");
}

HRESULT CVekObjectConfig::WriteLogicalPrinterData(IStorage* storage,
                                                  VEK_LOGICAL_PRINTER_CONFIG_DATA* record) {
    record->TransientFlag = 0;
    return WriteStream(storage, VEK_LOGICAL_PRINTER_STREAM, record, sizeof *record,
                       u"CVekObjectConfig::WriteLogicalPrinterData - CreateSteam",
                       u"CVekObjectConfig::WriteLogicalPrinterData: pStream->Write");
}

HRESULT CVekObjectConfig::WritePFLogicalPrinterData(IStorage* storage,
                                                    VEK_PF_LOGICAL_PRINTER_CONFIG_DATA* record) {
    record->TransientFlag = 0;
    return WriteStream(storage, VEK_PF_LOGICAL_PRINTER_STREAM, record, sizeof *record,
                       u"CVekObjectConfig::WritePFLogicalPrinterData - CreateSteam",
                       u"CVekObjectConfig::WritePFLogicalPrinterData: pStream->Write");
}

HRESULT CVekObjectConfig::WriteLogicalPrinter5300Data(IStorage* storage,
                                                      VEK_LOGICAL_PRINTER_5300_CONFIG_DATA* record) {
    record->TransientFlag = 0;
    return WriteStream(storage, VEK_LOGICAL_PRINTER_5300_STREAM, record, sizeof *record,
                       u"CVekObjectConfig::WriteLogicalPrinter5300Data - CreateSteam",
                       u"CVekObjectConfig::WriteLogicalPrinter5300Data: pStream->Write");
}

HRESULT CVekObjectConfig::WriteDefaultJobData(IStorage* storage, VEK_JOB_ATTRIBUTES* record) {
    return WriteStream(storage, VEK_JOB_ATTRIBUTES_STREAM, record, sizeof *record,
                       u"CVekObjectConfig::WriteDefaultJobData - CreateSteam",
                       u"CVekObjectConfig::WriteDefaultJobData: pStream->Write");
}

HRESULT CVekObjectConfig::WriteDefaultPageData(IStorage* storage, PageAttributesT2* record) {
    return WriteStream(storage, VEK_PAGE_ATTRIBUTES_STREAM, record, sizeof *record,
                       u"CVekObjectConfig::WriteDefaultPageData - CreateSteam",
                       u"CVekObjectConfig::WriteDefaultPageData: pStream->Write");
}

HRESULT CVekObjectConfig::WriteDefaultImageData(IStorage* storage, ImageAttributesT* record) {
    return WriteStream(storage, VEK_IMAGE_ATTRIBUTES_STREAM, record, sizeof *record,
                       u"CVekObjectConfig::WriteDefaultImageData - CreateSteam",
                       u"CVekObjectConfig::WriteDefaultImageData: pStream->Write");
}

HRESULT CVekObjectConfig::WriteVekSpecificMedia(IStorage* storage, CONFIG_PRINTER_MEDIA_DATA* list,
                                                DWORD count) {
    return WriteStream(storage, VEK_MEDIA_STREAM, list, size_t{count} * sizeof *list,
                       u"CVekObjectConfig::WriteVekSpecificMedia - CreateSteam",
                       u"CVekObjectConfig::WriteVekSecificMedia: pStream->Write");
}

HRESULT CVekObjectConfig::WriteLPtoPPConnections(IStorage* storage, VEK_LP_PP_CONNECTIONS* list,
                                                 DWORD count) {
    return WriteStream(storage, VEK_CONNECTIONS_STREAM, list, size_t{count} * sizeof *list,
                       u"CVekObjectConfig::WriteLPtoPPConnections - CreateSteam",
                       u"CVekObjectConfig::WriteLPtoPPConnections: pStream->Write");
}
