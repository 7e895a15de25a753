// File monikers and bind contexts: an object is activated from a compound
// file through the class stamped on the file's root.
#include <cstring>
#include <new>
#include <string>

#include "platform/com_object.h"
#include "vekconfig/text.h"

namespace vek {
namespace {

class BindContext final : public ComObject<IBindCtx> {
public:
    HRESULT SetBindOptions(const BIND_OPTS* options) override {
        if (options == nullptr || options->cbStruct < sizeof(BIND_OPTS)) return E_INVALIDARG;
        options_ = *options;
        options_.cbStruct = sizeof(BIND_OPTS);
        return S_OK;
    }
    HRESULT GetBindOptions(BIND_OPTS* options) override {
        if (options == nullptr || options->cbStruct < sizeof(BIND_OPTS)) return E_INVALIDARG;
        *options = options_;
        return S_OK;
    }

private:
    BIND_OPTS options_{sizeof(BIND_OPTS), 0, STGM_READWRITE, 0};
};

class FileMoniker final : public ComObject<IMoniker> {
public:
    explicit FileMoniker(std::u16string path) : path_(std::move(path)) {}

    HRESULT BindToObject(IBindCtx* context, IMoniker* left, REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (left != nullptr) return E_INVALIDARG;
        BIND_OPTS options{sizeof(BIND_OPTS), 0, STGM_READWRITE, 0};
        if (context != nullptr) {
            const HRESULT hr = context->GetBindOptions(&options);
            if (FAILED(hr)) return hr;
        }
        CLSID clsid;
        HRESULT hr = GetClassFile(path_.c_str(), &clsid);
        if (FAILED(hr)) return hr;
        ComPtr<IPersistFile> persist;
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IPersistFile,
                              persist.put_void());
        if (FAILED(hr)) return hr;
        hr = persist->Load(path_.c_str(), options.grfMode);
        if (FAILED(hr)) return hr;
        return persist->QueryInterface(iid, object);
    }
    HRESULT GetDisplayName(IBindCtx*, IMoniker*, WCHAR** name) override {
        if (name == nullptr) return E_POINTER;
        const size_t bytes = (path_.size() + 1) * sizeof(WCHAR);
        *name = static_cast<WCHAR*>(CoTaskMemAlloc(bytes));
        if (*name == nullptr) return E_OUTOFMEMORY;
        std::memcpy(*name, path_.c_str(), bytes);
        return S_OK;
    }

private:
    std::u16string path_;
};

}  // namespace
}  // namespace vek

HRESULT CreateFileMoniker(const WCHAR* path, IMoniker** moniker) {
    if (moniker == nullptr) return E_INVALIDARG;
    *moniker = nullptr;
    if (vek::WideLength(path) == 0) return MK_E_SYNTAX;
    *moniker = new (std::nothrow) vek::FileMoniker(path);
    return *moniker != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT CreateBindCtx(DWORD reserved, IBindCtx** context) {
    if (context == nullptr) return E_INVALIDARG;
    *context = nullptr;
    if (reserved != 0) return E_INVALIDARG;
    *context = new (std::nothrow) vek::BindContext();
    return *context != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT GetClassFile(const WCHAR* path, CLSID* clsid) {
    if (path == nullptr || clsid == nullptr) return E_INVALIDARG;
    *clsid = GUID_NULL;
    vek::ComPtr<IStorage> storage;
    HRESULT hr = StgOpenStorage(path, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0,
                                storage.put());
    if (hr == STG_E_FILEALREADYEXISTS) return MK_E_INVALIDEXTENSION;
    if (FAILED(hr)) return hr;
    STATSTG stat{};
    hr = storage->Stat(&stat, STATFLAG_NONAME);
    if (FAILED(hr)) return hr;
    if (stat.clsid == GUID_NULL) return MK_E_INVALIDEXTENSION;
    *clsid = stat.clsid;
    return S_OK;
}
