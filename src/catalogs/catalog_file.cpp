#include "catalogs/catalog_file.h"

#include <cstring>

#include "platform/com_ptr.h"
#include "vekconfig/config_files.h"
#include "vekconfig/settings.h"
#include "vekconfig/text.h"

namespace vek::catalogs {
namespace {

constexpr DWORD kOpenMode = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
constexpr DWORD kCreateMode = STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE;

// The configuration root of the local machine followed by the file name.
HRESULT CatalogPath(const WCHAR* fileName, WCHAR (&path)[MAX_PATH]) {
    WCHAR root[MAX_PATH + 1] = {};
    if (FAILED(GetConfigLocation(root, nullptr))) return E_FAIL;
    const size_t rootLength = WideLength(root);
    const size_t nameLength = WideLength(fileName);
    if (rootLength + nameLength + 1 > MAX_PATH) return E_FAIL;
    std::memcpy(path, root, rootLength * sizeof(WCHAR));
    std::memcpy(path + rootLength, fileName, (nameLength + 1) * sizeof(WCHAR));
    return S_OK;
}

}  // namespace

HRESULT OpenCatalogFile(const WCHAR* fileName, IStorage** root) {
    WCHAR path[MAX_PATH];
    if (FAILED(CatalogPath(fileName, path))) return E_FAIL;
    return StgOpenStorage(path, nullptr, kOpenMode, nullptr, 0, root);
}

HRESULT CreateCatalogFile(const WCHAR* fileName, IStorage** root) {
    WCHAR path[MAX_PATH];
    if (FAILED(CatalogPath(fileName, path))) return E_FAIL;
    return StgCreateDocfile(path, kCreateMode, 0, root);
}

HRESULT OpenCatalogFileForChange(const WCHAR* fileName, IStorage** root) {
    WCHAR path[MAX_PATH];
    if (FAILED(CatalogPath(fileName, path))) return E_FAIL;
    const HRESULT opened = StgOpenStorage(path, nullptr, kOpenMode, nullptr, 0, root);
    if (opened != STG_E_FILENOTFOUND) return opened;
    return StgCreateDocfile(path, kCreateMode, 0, root);
}

HRESULT WalkElements(IStorage* storage,
                     const std::function<bool(const WCHAR* name, DWORD type)>& visit) {
    ComPtr<IEnumSTATSTG> elements;
    HRESULT status = storage->EnumElements(0, nullptr, 0, elements.put());
    if (FAILED(status)) return status;
    status = elements->Reset();
    if (FAILED(status)) return status;
    for (;;) {
        STATSTG element = {};
        status = elements->Next(1, &element, nullptr);
        if (FAILED(status)) return status;
        if (status != S_OK) return S_OK;
        WCHAR name[kElementNameUnits + 1] = {};
        if (element.pwcsName != nullptr) WideCopy(name, kElementNameUnits + 1, element.pwcsName);
        CoTaskMemFree(element.pwcsName);
        if (!visit(name, element.type)) return S_OK;
    }
}

HRESULT OpenOrCreateStorage(IStorage* parent, const WCHAR* name, IStorage** child) {
    WCHAR copy[kElementNameUnits + 1];
    WideCopy(copy, kElementNameUnits + 1, name);
    return FAILED(OpenStorage(copy, parent, child)) ? E_FAIL : S_OK;
}

HRESULT ReadRecord(IStorage* parent, const WCHAR* streamName, void* out, ULONG size) {
    ComPtr<IStream> stream;
    const HRESULT status = parent->OpenStream(streamName, nullptr, kOpenMode, 0, stream.put());
    if (FAILED(status)) return status;
    std::memset(out, 0, size);
    ULONG read = 0;
    return FAILED(stream->Read(out, size, &read)) ? E_FAIL : S_OK;
}

HRESULT WriteRecord(IStorage* parent, const WCHAR* streamName, const void* bytes, ULONG size) {
    ComPtr<IStream> stream;
    if (FAILED(parent->CreateStream(streamName, kCreateMode, 0, 0, stream.put()))) return E_FAIL;
    ULONG written = 0;
    if (FAILED(stream->Write(bytes, size, &written)) || written != size) return E_FAIL;
    return S_OK;
}

}  // namespace vek::catalogs
