// The system's component categories through the component categories manager.
#include <cstdlib>
#include <cstring>

#include "platform/com_object.h"
#include "platform/scoped_key.h"
#include "registry/apartment_scope.h"
#include "foundation/report.h"
#include "registry/vek_category_table.h"
#include "settings/open_with_retry.h"
#include "vekconfig/text.h"
#include "vekconfig/vek_categories.h"

namespace {

// The enumerators are asked once, for at most this many elements.
constexpr ULONG kMaxFetched = 64;

template <class Interface>
HRESULT CreateManager(REFIID iid, vek::ComPtr<Interface>& out) {
    return CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_ALL, iid,
                            out.put_void());
}

// Reads the class's display name into record; false when the key has no
// default value or the name does not fit with its terminator.
bool ReadClassName(HKEY classKey, CATEGORY_CLASS_INFO& record) {
    WCHAR name[MAX_PATH] = {};
    DWORD size = sizeof(name);
    if (RegQueryValueExW(classKey, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(name),
                         &size) != ERROR_SUCCESS)
        return false;
    if (name[MAX_PATH - 1] != 0) return false;
    vek::WideCopy(record.szClassName, MAX_PATH, name);
    return true;
}

}  // namespace

HRESULT RegisterVekCategories() {
    vek::ApartmentScope apartment;
    if (!apartment.usable()) return apartment.status();
    CATEGORYINFO records[vek::kVekCategories.size()];
    std::memset(records, 0, sizeof(records));
    for (size_t i = 0; i < vek::kVekCategories.size(); ++i) {
        records[i].catid = vek::kVekCategories[i].catid;
        records[i].lcid = vek::kVekCategoryLocale;
        vek::WideCopy(records[i].szDescription, 128, vek::kVekCategories[i].description);
    }
    vek::ComPtr<ICatRegister> manager;
    const HRESULT hr = CreateManager(IID_ICatRegister, manager);
    if (FAILED(hr)) return hr;
    return manager->RegisterCategories(static_cast<ULONG>(vek::kVekCategories.size()), records);
}

HRESULT RegisterImplementedVekCategories(REFCLSID clsid, ULONG count, CATID* catids) {
    vek::ApartmentScope apartment;
    if (!apartment.usable()) return apartment.status();
    vek::ComPtr<ICatRegister> manager;
    const HRESULT hr = CreateManager(IID_ICatRegister, manager);
    if (FAILED(hr)) return hr;
    return manager->RegisterClassImplCategories(clsid, count, catids);
}

HRESULT GetVekCategoriesByClass(CLSID clsid, ULONG& count, CATID** catids) {
    vek::ApartmentScope apartment;
    if (!apartment.usable()) return apartment.status();
    if (catids == nullptr) return E_POINTER;
    count = 0;
    *catids = nullptr;
    vek::ComPtr<ICatInformation> manager;
    HRESULT hr = CreateManager(IID_ICatInformation, manager);
    if (FAILED(hr)) return hr;
    vek::ComPtr<IEnumCATID> categories;
    hr = manager->EnumImplCategoriesOfClass(clsid, categories.put());
    if (FAILED(hr)) return hr;
    CATID fetchedIds[kMaxFetched];
    ULONG fetched = 0;
    hr = categories->Next(kMaxFetched, fetchedIds, &fetched);
    if (SUCCEEDED(hr) && fetched > 0) {
        auto* copy = static_cast<CATID*>(std::malloc(fetched * sizeof(CATID)));
        if (copy == nullptr) return E_OUTOFMEMORY;
        std::memcpy(copy, fetchedIds, fetched * sizeof(CATID));
        *catids = copy;
        count = fetched;
    }
    return hr;
}

HRESULT GetClassesByVekCategory(CATID catid, ULONG& count, CATEGORY_CLASS_INFO** classes) {
    vek::ApartmentScope apartment;
    if (!apartment.usable()) return apartment.status();
    if (classes == nullptr) return E_POINTER;
    count = 0;
    *classes = nullptr;
    vek::ComPtr<ICatInformation> manager;
    HRESULT hr = CreateManager(IID_ICatInformation, manager);
    if (FAILED(hr)) return hr;
    vek::ComPtr<IEnumCLSID> found;
    hr = manager->EnumClassesOfCategories(1, &catid, 0, nullptr, found.put());
    if (FAILED(hr)) return hr;
    CLSID ids[kMaxFetched];
    ULONG fetched = 0;
    const HRESULT nextStatus = found->Next(kMaxFetched, ids, &fetched);
    if (FAILED(nextStatus) || fetched == 0) return nextStatus;
    auto* records =
        static_cast<CATEGORY_CLASS_INFO*>(std::malloc(fetched * sizeof(CATEGORY_CLASS_INFO)));
    if (records == nullptr) return E_OUTOFMEMORY;
    ULONG filled = 0;
    for (ULONG i = 0; i < fetched; ++i) {
        WCHAR text[MAX_PATH];
        StringFromGUID2(ids[i], text, MAX_PATH);
        const std::u16string path = u"CLSID\\" + std::u16string(text);
        vek::ScopedKey classKey;
        const LSTATUS status =
            VekOpenRegKeyWithRetry(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, classKey.put());
        if (status != ERROR_SUCCESS) {
            if (status != ERROR_FILE_NOT_FOUND)
                vek::ReportError(u"GetClassesByCategory-->VekOpenRegKeyWithRetry", status);
            continue;
        }
        CATEGORY_CLASS_INFO& record = records[filled];
        std::memset(&record, 0, sizeof(record));
        record.clsid = ids[i];
        if (ReadClassName(classKey.get(), record)) ++filled;
    }
    if (filled == 0) {
        std::free(records);
    } else {
        *classes = records;
        count = filled;
    }
    return nextStatus;
}

HRESULT CleanupVekCategories() {
    vek::ApartmentScope apartment;
    if (!apartment.usable()) return apartment.status();
    vek::ComPtr<ICatRegister> registrar;
    HRESULT hr = CreateManager(IID_ICatRegister, registrar);
    if (FAILED(hr)) return hr;
    vek::ComPtr<ICatInformation> information;
    hr = registrar->QueryInterface(IID_ICatInformation, information.put_void());
    if (FAILED(hr)) return hr;
    HRESULT last = S_OK;
    for (const vek::VekCategory& category : vek::kVekCategories) {
        if (FAILED(last)) break;
        CATID catid = category.catid;
        vek::ComPtr<IEnumCLSID> found;
        last = information->EnumClassesOfCategories(1, &catid, 0, nullptr, found.put());
        if (FAILED(last)) break;
        CLSID ids[kMaxFetched];
        ULONG fetched = 0;
        last = found->Next(kMaxFetched, ids, &fetched);
        if (SUCCEEDED(last) && fetched == 0) last = registrar->UnRegisterCategories(1, &catid);
    }
    return last;
}
