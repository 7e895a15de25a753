// Class activation: built-in classes, else in-process servers named by
// HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32. A server, once loaded,
// stays loaded for the life of the process.
#include <dlfcn.h>

#include <new>
#include <string>
#include <vector>

#include "platform/builtin_classes.h"
#include "platform/com_object.h"
#include "platform/scoped_key.h"
#include "vekconfig/text.h"

namespace vek {
namespace {

// The class object of a built-in class.
class BuiltinFactory final : public ComObject<IClassFactory> {
public:
    explicit BuiltinFactory(REFCLSID clsid) : clsid_(clsid) {}

    HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        return CreateBuiltinObject(clsid_, outer, iid, object);
    }
    HRESULT LockServer(BOOL) override { return S_OK; }

private:
    CLSID clsid_;
};

// The default value of the class's InprocServer32 key.
HRESULT ReadServerPath(REFCLSID clsid, std::string& path) {
    const std::u16string keyPath = u"CLSID\\" + GuidText(clsid) + u"\\InprocServer32";
    ScopedKey key;
    LSTATUS status = RegOpenKeyExW(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, KEY_READ, key.put());
    if (status != ERROR_SUCCESS) return REGDB_E_CLASSNOTREG;
    DWORD type = 0;
    DWORD size = 0;
    status = RegQueryValueExW(key.get(), nullptr, nullptr, &type, nullptr, &size);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return REGDB_E_CLASSNOTREG;
    std::vector<WCHAR> text(size / sizeof(WCHAR) + 1, 0);
    status = RegQueryValueExW(key.get(), nullptr, nullptr, &type,
                              reinterpret_cast<BYTE*>(text.data()), &size);
    if (status != ERROR_SUCCESS) return REGDB_E_CLASSNOTREG;
    path = Utf16ToUtf8(text.data());
    return path.empty() ? REGDB_E_CLASSNOTREG : S_OK;
}

}  // namespace

HRESULT CreateBuiltinObject(REFCLSID clsid, IUnknown* outer, REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!IsBuiltinClass(clsid)) return REGDB_E_CLASSNOTREG;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    if (clsid == CLSID_StdGlobalInterfaceTable) return CreateGlobalInterfaceTable(iid, object);
    return CreateComponentCategoriesManager(iid, object);
}

bool IsBuiltinClass(REFCLSID clsid) {
    return clsid == CLSID_StdGlobalInterfaceTable || clsid == CLSID_StdComponentCategoriesMgr;
}

}  // namespace vek

HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void* /*reserved*/, REFIID iid,
                         void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (vek::IsBuiltinClass(clsid)) {
        auto* factory = new (std::nothrow) vek::BuiltinFactory(clsid);
        if (factory == nullptr) return E_OUTOFMEMORY;
        const HRESULT hr = factory->QueryInterface(iid, object);
        factory->Release();
        return hr;
    }
    if ((context & CLSCTX_INPROC_SERVER) == 0) return REGDB_E_CLASSNOTREG;
    std::string path;
    HRESULT hr = vek::ReadServerPath(clsid, path);
    if (FAILED(hr)) return hr;
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return CO_E_DLLNOTFOUND;
    auto entry = reinterpret_cast<DllGetClassObjectFunction>(dlsym(library, "DllGetClassObject"));
    if (entry == nullptr) return CO_E_ERRORINDLL;
    return entry(clsid, iid, object);
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid,
                         void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    vek::ComPtr<IClassFactory> factory;
    HRESULT hr = CoGetClassObject(clsid, context, nullptr, IID_IClassFactory, factory.put_void());
    if (FAILED(hr)) return hr;
    hr = factory->CreateInstance(outer, iid, object);
    if (FAILED(hr)) *object = nullptr;
    return hr;
}
