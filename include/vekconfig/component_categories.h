// The component categories manager: categories (CATID, locale, description)
// and the links of classes to the categories they implement or require, kept
// in the registry below HKEY_CLASSES_ROOT:
//   "Component Categories\{catid}"   value named after the locale in
//                                    hexadecimal ("409") = description
//   "CLSID\{clsid}\Implemented Categories\{catid}"   (empty key)
//   "CLSID\{clsid}\Required Categories\{catid}"      (empty key)
// Created with CoCreateInstance(CLSID_StdComponentCategoriesMgr, ...) for
// ICatRegister or ICatInformation; one object serves both.
//
// Thread safety: a manager object may be used from any thread; every call
// reads or writes the registry afresh.
#pragma once

#include "vekconfig/com_runtime.h"

using LCID = DWORD;

// {0002E005-0000-0000-C000-000000000046}
constexpr CLSID CLSID_StdComponentCategoriesMgr = {0x0002E005, 0, 0,
                                                   {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {0002E012-0000-0000-C000-000000000046}
constexpr IID IID_ICatRegister = {0x0002E012, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {0002E013-0000-0000-C000-000000000046}
constexpr IID IID_ICatInformation = {0x0002E013, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {0002E000-0000-0000-C000-000000000046}
constexpr IID IID_IEnumGUID = {0x0002E000, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {0002E011-0000-0000-C000-000000000046}
constexpr IID IID_IEnumCATEGORYINFO = {0x0002E011, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// A category's description as registered; 128 wide characters with terminator.
struct CATEGORYINFO {
    CATID catid;
    LCID lcid;
    WCHAR szDescription[128];
};
static_assert(sizeof(CATEGORYINFO) == 276, "CATEGORYINFO layout");
static_assert(offsetof(CATEGORYINFO, lcid) == 16, "CATEGORYINFO::lcid offset");
static_assert(offsetof(CATEGORYINFO, szDescription) == 20, "CATEGORYINFO::szDescription offset");

// Enumerators: Next(n, ...) gives S_OK when n elements were delivered, else
// S_FALSE; Skip past the end gives S_FALSE; Clone copies the position.
struct IEnumGUID : IUnknown {
    virtual HRESULT Next(ULONG count, GUID* elements, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumGUID** copy) = 0;

protected:
    ~IEnumGUID() = default;
};
using IEnumCATID = IEnumGUID;
using IEnumCLSID = IEnumGUID;

struct IEnumCATEGORYINFO : IUnknown {
    virtual HRESULT Next(ULONG count, CATEGORYINFO* elements, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumCATEGORYINFO** copy) = 0;

protected:
    ~IEnumCATEGORYINFO() = default;
};

// Every operation returns S_OK, E_INVALIDARG / E_POINTER for a null array
// with a non-zero count, or a registry failure as HRESULT_FROM_WIN32(code).
struct ICatRegister : IUnknown {
    // Creates or updates each category's description for its locale.
    virtual HRESULT RegisterCategories(ULONG count, CATEGORYINFO* categories) = 0;
    // Removes each category key; a category that is not registered is no error.
    virtual HRESULT UnRegisterCategories(ULONG count, CATID* catids) = 0;
    virtual HRESULT RegisterClassImplCategories(REFCLSID clsid, ULONG count, CATID* catids) = 0;
    // Removes the links; the "Implemented Categories" key goes when it is empty.
    virtual HRESULT UnRegisterClassImplCategories(REFCLSID clsid, ULONG count,
                                                  CATID* catids) = 0;
    virtual HRESULT RegisterClassReqCategories(REFCLSID clsid, ULONG count, CATID* catids) = 0;
    virtual HRESULT UnRegisterClassReqCategories(REFCLSID clsid, ULONG count,
                                                 CATID* catids) = 0;

protected:
    ~ICatRegister() = default;
};

// Passed as a count to EnumClassesOfCategories: do not filter on this list.
constexpr ULONG CATEGORY_LIST_IGNORED = 0xFFFFFFFFu;

struct ICatInformation : IUnknown {
    // Every registered category, with its description for lcid (else the
    // first description the category has).
    virtual HRESULT EnumCategories(LCID lcid, IEnumCATEGORYINFO** categories) = 0;
    // *description allocated with CoTaskMemAlloc. Unknown category or no
    // description: CAT_E_CATIDNOEXIST / CAT_E_NODESCRIPTION.
    virtual HRESULT GetCategoryDesc(REFGUID catid, LCID lcid, WCHAR** description) = 0;
    // The classes below "CLSID" (in key order) that implement at least one
    // of the implemented categories and whose required categories are all in
    // the required list; CATEGORY_LIST_IGNORED skips either test.
    virtual HRESULT EnumClassesOfCategories(ULONG implementedCount, const CATID* implemented,
                                            ULONG requiredCount, const CATID* required,
                                            IEnumCLSID** classes) = 0;
    // S_OK when the class passes the same test, else S_FALSE.
    virtual HRESULT IsClassOfCategories(REFCLSID clsid, ULONG implementedCount,
                                        const CATID* implemented, ULONG requiredCount,
                                        const CATID* required) = 0;
    // The categories linked to the class, in key order.
    virtual HRESULT EnumImplCategoriesOfClass(REFCLSID clsid, IEnumCATID** categories) = 0;
    virtual HRESULT EnumReqCategoriesOfClass(REFCLSID clsid, IEnumCATID** categories) = 0;

protected:
    ~ICatInformation() = default;
};

constexpr HRESULT CAT_E_CATIDNOEXIST = MakeStatus(0x80040160);
constexpr HRESULT CAT_E_NODESCRIPTION = MakeStatus(0x80040161);
