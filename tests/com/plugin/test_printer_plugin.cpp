// An in-process server built by the test suite: one class whose objects load
// themselves from a compound file through IPersistFile and report the file
// they loaded (GetCurFile). The host process provides CoTaskMemAlloc.
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>

#include "test_printer_plugin.h"

namespace {

std::atomic<long> g_objects{0};

bool IsCompoundFile(const WCHAR* path) {
    std::string native;
    for (const WCHAR* p = path; *p != 0; ++p) native.push_back(static_cast<char>(*p));
    FILE* file = std::fopen(native.c_str(), "rb");
    if (file == nullptr) return false;
    unsigned char header[8] = {};
    const size_t read = std::fread(header, 1, sizeof(header), file);
    std::fclose(file);
    static constexpr unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    return read == sizeof(header) && std::memcmp(header, kSignature, sizeof(header)) == 0;
}

class TestPrinter final : public IPersistFile {
public:
    TestPrinter() { ++g_objects; }

    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (iid == IID_IUnknown || iid == IID_IPersist || iid == IID_IPersistFile)
            *object = static_cast<IPersistFile*>(this);
        if (*object == nullptr) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (left == 0) {
            --g_objects;
            delete this;
        }
        return left;
    }
    HRESULT GetClassID(CLSID* clsid) override {
        if (clsid == nullptr) return E_POINTER;
        *clsid = kTestPrinterClass;
        return S_OK;
    }
    HRESULT IsDirty() override { return S_FALSE; }
    HRESULT Load(const WCHAR* path, DWORD mode) override {
        if (path == nullptr) return E_POINTER;
        if (!IsCompoundFile(path)) return STG_E_FILENOTFOUND;
        file_ = path;
        mode_ = mode;
        return S_OK;
    }
    HRESULT Save(const WCHAR*, BOOL) override { return STG_E_CANTSAVE; }
    HRESULT SaveCompleted(const WCHAR*) override { return S_OK; }
    HRESULT GetCurFile(WCHAR** path) override {
        if (path == nullptr) return E_POINTER;
        const size_t bytes = (file_.size() + 1) * sizeof(WCHAR);
        *path = static_cast<WCHAR*>(CoTaskMemAlloc(bytes));
        if (*path == nullptr) return E_OUTOFMEMORY;
        std::memcpy(*path, file_.c_str(), bytes);
        return file_.empty() ? S_FALSE : S_OK;
    }

private:
    ~TestPrinter() = default;
    std::atomic<ULONG> refs_{1};
    std::u16string file_;
    DWORD mode_ = 0;
};

class TestPrinterFactory final : public IClassFactory {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
        *object = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        auto* printer = new TestPrinter();
        const HRESULT hr = printer->QueryInterface(iid, object);
        printer->Release();
        return hr;
    }
    HRESULT LockServer(BOOL) override { return S_OK; }
};

TestPrinterFactory g_factory;

}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID clsid,
                                                                             REFIID iid,
                                                                             void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (clsid != kTestPrinterClass) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(iid, object);
}

// How many objects of the class are alive, so tests can check that every
// reference handed out was released.
extern "C" __attribute__((visibility("default"))) long TestPrinterObjectsAlive() {
    return g_objects.load();
}
