// The component categories manager on the registry (layout in
// vekconfig/component_categories.h).
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "platform/builtin_classes.h"
#include "platform/com_enumerator.h"
#include "platform/scoped_key.h"
#include "vekconfig/text.h"

namespace vek {
namespace {

constexpr char16_t kCategoriesKey[] = u"Component Categories";
constexpr char16_t kImplemented[] = u"Implemented Categories";
constexpr char16_t kRequired[] = u"Required Categories";
constexpr DWORD kNameCapacity = 256;  // the longest key name and its terminator

std::u16string CategoryPath(REFGUID catid) {
    return std::u16string(kCategoriesKey) + u"\\" + GuidText(catid);
}

std::u16string LinkListPath(REFCLSID clsid, const char16_t* list) {
    return u"CLSID\\" + GuidText(clsid) + u"\\" + list;
}

// The locale as the value name: hexadecimal, small letters, no leading zeros.
std::u16string LocaleValueName(LCID lcid) {
    static constexpr char16_t kDigits[] = u"0123456789abcdef";
    std::u16string name;
    do {
        name.insert(name.begin(), kDigits[lcid & 0xF]);
        lcid >>= 4;
    } while (lcid != 0);
    return name;
}

HRESULT FromWin32(LSTATUS code) { return HRESULT_FROM_WIN32(code); }

LSTATUS CreateEmptyKey(const std::u16string& path) {
    ScopedKey key;
    return RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_WRITE, nullptr, key.put(), nullptr);
}

// The GUIDs named by the subkeys of path, in key order; names that are no
// GUID are passed over. A missing key is an empty list.
LSTATUS ReadGuidSubkeys(const std::u16string& path, std::vector<GUID>& out) {
    out.clear();
    ScopedKey key;
    LSTATUS status = RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.put());
    if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (status != ERROR_SUCCESS) return status;
    for (DWORD index = 0;; ++index) {
        WCHAR name[kNameCapacity];
        DWORD length = kNameCapacity;
        status = RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        if (status != ERROR_SUCCESS) return status;
        GUID guid;
        if (SUCCEEDED(CLSIDFromString(name, &guid))) out.push_back(guid);
    }
}

bool Contains(ULONG count, const CATID* list, REFGUID catid) {
    for (ULONG i = 0; i < count; ++i)
        if (list[i] == catid) return true;
    return false;
}

// Removes the links of a class to the given categories, and the list key
// itself once it is empty.
HRESULT RemoveLinks(REFCLSID clsid, const char16_t* listName, ULONG count, const CATID* catids) {
    if (count != 0 && catids == nullptr) return E_INVALIDARG;
    const std::u16string listPath = LinkListPath(clsid, listName);
    ScopedKey list;
    LSTATUS status =
        RegOpenKeyExW(HKEY_CLASSES_ROOT, listPath.c_str(), 0, KEY_ALL_ACCESS, list.put());
    if (status == ERROR_FILE_NOT_FOUND) return S_OK;
    if (status != ERROR_SUCCESS) return FromWin32(status);
    for (ULONG i = 0; i < count; ++i) {
        status = RegDeleteKeyW(list.get(), GuidText(catids[i]).c_str());
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return FromWin32(status);
    }
    DWORD remaining = 0;
    status = RegQueryInfoKeyW(list.get(), nullptr, nullptr, nullptr, &remaining, nullptr, nullptr,
                              nullptr, nullptr, nullptr, nullptr, nullptr);
    list.reset();
    if (status == ERROR_SUCCESS && remaining == 0) {
        status = RegDeleteKeyW(HKEY_CLASSES_ROOT, listPath.c_str());
        if (status == ERROR_FILE_NOT_FOUND) status = ERROR_SUCCESS;
    }
    return FromWin32(status);
}

HRESULT AddLinks(REFCLSID clsid, const char16_t* listName, ULONG count, const CATID* catids) {
    if (count != 0 && catids == nullptr) return E_INVALIDARG;
    const std::u16string listPath = LinkListPath(clsid, listName);
    for (ULONG i = 0; i < count; ++i) {
        const LSTATUS status = CreateEmptyKey(listPath + u"\\" + GuidText(catids[i]));
        if (status != ERROR_SUCCESS) return FromWin32(status);
    }
    return S_OK;
}

// The description of an open category key for lcid, else its first value.
LSTATUS ReadDescription(HKEY category, LCID lcid, std::u16string& out) {
    WCHAR text[128] = {};
    DWORD size = sizeof(text) - sizeof(WCHAR);
    DWORD type = 0;
    LSTATUS status = RegQueryValueExW(category, LocaleValueName(lcid).c_str(), nullptr, &type,
                                      reinterpret_cast<BYTE*>(text), &size);
    if (status == ERROR_FILE_NOT_FOUND) {
        WCHAR name[kNameCapacity];
        DWORD nameLength = kNameCapacity;
        size = sizeof(text) - sizeof(WCHAR);
        status = RegEnumValueW(category, 0, name, &nameLength, nullptr, &type,
                               reinterpret_cast<BYTE*>(text), &size);
        if (status == ERROR_NO_MORE_ITEMS) status = ERROR_FILE_NOT_FOUND;
    }
    if (status != ERROR_SUCCESS) return status;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return ERROR_FILE_NOT_FOUND;
    out.assign(text, WideLength(text));
    return ERROR_SUCCESS;
}

class CategoriesManager final : public ComObject<ICatRegister, ICatInformation> {
public:
    // ICatRegister
    HRESULT RegisterCategories(ULONG count, CATEGORYINFO* categories) override {
        if (count != 0 && categories == nullptr) return E_INVALIDARG;
        for (ULONG i = 0; i < count; ++i) {
            const CATEGORYINFO& info = categories[i];
            ScopedKey key;
            LSTATUS status = RegCreateKeyExW(HKEY_CLASSES_ROOT, CategoryPath(info.catid).c_str(),
                                             0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                                             nullptr, key.put(), nullptr);
            if (status != ERROR_SUCCESS) return FromWin32(status);
            size_t length = 0;
            while (length < 127 && info.szDescription[length] != 0) ++length;
            std::u16string text(info.szDescription, length);
            status = RegSetValueExW(key.get(), LocaleValueName(info.lcid).c_str(), 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(text.c_str()),
                                    static_cast<DWORD>((length + 1) * sizeof(WCHAR)));
            if (status != ERROR_SUCCESS) return FromWin32(status);
        }
        return S_OK;
    }
    HRESULT UnRegisterCategories(ULONG count, CATID* catids) override {
        if (count != 0 && catids == nullptr) return E_INVALIDARG;
        for (ULONG i = 0; i < count; ++i) {
            const LSTATUS status = RegDeleteKeyW(HKEY_CLASSES_ROOT, CategoryPath(catids[i]).c_str());
            if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return FromWin32(status);
        }
        return S_OK;
    }
    HRESULT RegisterClassImplCategories(REFCLSID clsid, ULONG count, CATID* catids) override {
        return AddLinks(clsid, kImplemented, count, catids);
    }
    HRESULT UnRegisterClassImplCategories(REFCLSID clsid, ULONG count, CATID* catids) override {
        return RemoveLinks(clsid, kImplemented, count, catids);
    }
    HRESULT RegisterClassReqCategories(REFCLSID clsid, ULONG count, CATID* catids) override {
        return AddLinks(clsid, kRequired, count, catids);
    }
    HRESULT UnRegisterClassReqCategories(REFCLSID clsid, ULONG count, CATID* catids) override {
        return RemoveLinks(clsid, kRequired, count, catids);
    }

    // ICatInformation
    HRESULT EnumCategories(LCID lcid, IEnumCATEGORYINFO** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        std::vector<GUID> catids;
        LSTATUS status = ReadGuidSubkeys(kCategoriesKey, catids);
        if (status != ERROR_SUCCESS) return FromWin32(status);
        std::vector<CATEGORYINFO> infos;
        for (const GUID& catid : catids) {
            ScopedKey key;
            if (RegOpenKeyExW(HKEY_CLASSES_ROOT, CategoryPath(catid).c_str(), 0, KEY_READ,
                              key.put()) != ERROR_SUCCESS)
                continue;
            CATEGORYINFO info{};
            info.catid = catid;
            info.lcid = lcid;
            std::u16string description;
            if (ReadDescription(key.get(), lcid, description) == ERROR_SUCCESS)
                WideCopy(info.szDescription, 128, description.c_str());
            infos.push_back(info);
        }
        *out = new (std::nothrow)
            SnapshotEnumerator<IEnumCATEGORYINFO, CATEGORYINFO>(std::move(infos));
        return *out != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT GetCategoryDesc(REFGUID catid, LCID lcid, WCHAR** description) override {
        if (description == nullptr) return E_POINTER;
        *description = nullptr;
        ScopedKey key;
        LSTATUS status = RegOpenKeyExW(HKEY_CLASSES_ROOT, CategoryPath(catid).c_str(), 0,
                                       KEY_READ, key.put());
        if (status == ERROR_FILE_NOT_FOUND) return CAT_E_CATIDNOEXIST;
        if (status != ERROR_SUCCESS) return FromWin32(status);
        std::u16string text;
        status = ReadDescription(key.get(), lcid, text);
        if (status == ERROR_FILE_NOT_FOUND) return CAT_E_NODESCRIPTION;
        if (status != ERROR_SUCCESS) return FromWin32(status);
        auto* copy = static_cast<WCHAR*>(CoTaskMemAlloc((text.size() + 1) * sizeof(WCHAR)));
        if (copy == nullptr) return E_OUTOFMEMORY;
        std::memcpy(copy, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
        *description = copy;
        return S_OK;
    }
    HRESULT EnumClassesOfCategories(ULONG implementedCount, const CATID* implemented,
                                    ULONG requiredCount, const CATID* required,
                                    IEnumCLSID** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (!ValidList(implementedCount, implemented) || !ValidList(requiredCount, required))
            return E_INVALIDARG;
        std::vector<GUID> classes;
        LSTATUS status = ReadGuidSubkeys(u"CLSID", classes);
        if (status != ERROR_SUCCESS) return FromWin32(status);
        std::vector<GUID> matching;
        for (const GUID& clsid : classes) {
            const HRESULT hr = Matches(clsid, implementedCount, implemented, requiredCount, required);
            if (FAILED(hr)) return hr;
            if (hr == S_OK) matching.push_back(clsid);
        }
        *out = new (std::nothrow) SnapshotEnumerator<IEnumGUID, GUID>(std::move(matching));
        return *out != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT IsClassOfCategories(REFCLSID clsid, ULONG implementedCount, const CATID* implemented,
                                ULONG requiredCount, const CATID* required) override {
        if (!ValidList(implementedCount, implemented) || !ValidList(requiredCount, required))
            return E_INVALIDARG;
        return Matches(clsid, implementedCount, implemented, requiredCount, required);
    }
    HRESULT EnumImplCategoriesOfClass(REFCLSID clsid, IEnumCATID** out) override {
        return EnumLinks(clsid, kImplemented, out);
    }
    HRESULT EnumReqCategoriesOfClass(REFCLSID clsid, IEnumCATID** out) override {
        return EnumLinks(clsid, kRequired, out);
    }

private:
    static bool ValidList(ULONG count, const CATID* list) {
        return count == CATEGORY_LIST_IGNORED || count == 0 || list != nullptr;
    }

    // S_OK when the class implements one of the implemented categories and
    // requires none outside the required ones; else S_FALSE.
    static HRESULT Matches(REFCLSID clsid, ULONG implementedCount, const CATID* implemented,
                           ULONG requiredCount, const CATID* required) {
        std::vector<GUID> links;
        if (implementedCount != CATEGORY_LIST_IGNORED) {
            const LSTATUS status = ReadGuidSubkeys(LinkListPath(clsid, kImplemented), links);
            if (status != ERROR_SUCCESS) return FromWin32(status);
            bool any = false;
            for (const GUID& catid : links) any = any || Contains(implementedCount, implemented, catid);
            if (!any) return S_FALSE;
        }
        if (requiredCount != CATEGORY_LIST_IGNORED) {
            const LSTATUS status = ReadGuidSubkeys(LinkListPath(clsid, kRequired), links);
            if (status != ERROR_SUCCESS) return FromWin32(status);
            for (const GUID& catid : links)
                if (!Contains(requiredCount, required, catid)) return S_FALSE;
        }
        return S_OK;
    }

    static HRESULT EnumLinks(REFCLSID clsid, const char16_t* listName, IEnumCATID** out) {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        std::vector<GUID> links;
        const LSTATUS status = ReadGuidSubkeys(LinkListPath(clsid, listName), links);
        if (status != ERROR_SUCCESS) return FromWin32(status);
        *out = new (std::nothrow) SnapshotEnumerator<IEnumGUID, GUID>(std::move(links));
        return *out != nullptr ? S_OK : E_OUTOFMEMORY;
    }
};

}  // namespace

HRESULT CreateComponentCategoriesManager(REFIID iid, void** object) {
    auto* manager = new (std::nothrow) CategoriesManager();
    if (manager == nullptr) return E_OUTOFMEMORY;
    const HRESULT hr = manager->QueryInterface(iid, object);
    manager->Release();
    return hr;
}

}  // namespace vek
