// The system's eighteen component categories, through which its components
// find each other's classes, kept by the component categories manager.
//
// Each operation joins the calling thread to the multithreaded apartment for
// its duration unless the thread already belongs to an apartment (then the
// apartment is left as it was); an apartment failure of any other kind is
// returned at once. Platform failures are handed on unchanged.
//
// Thread safety: any thread may call; no state is kept between calls.
#pragma once

#include "vekconfig/component_categories.h"

// One class of a category: its class ID and the default value of its key
// "CLSID\{class}" (its display name).
struct CATEGORY_CLASS_INFO {
    CLSID clsid;
    WCHAR szClassName[MAX_PATH];
};
static_assert(sizeof(CATEGORY_CLASS_INFO) == 536, "CATEGORY_CLASS_INFO layout");
static_assert(offsetof(CATEGORY_CLASS_INFO, szClassName) == 16, "CATEGORY_CLASS_INFO::szClassName");

// Registers the eighteen categories (locale 0x409). The status of creating
// the manager or of RegisterCategories.
VEK_API HRESULT RegisterVekCategories();
// Links the class to the given categories, arguments passed on as they are.
VEK_API HRESULT RegisterImplementedVekCategories(REFCLSID clsid, ULONG count, CATID* catids);
// The categories the class implements, at most 64, in a malloc'd array that
// the caller frees with free (null when count is 0). A null array pointer: E_POINTER. Returns the status of
// the enumerator's Next: S_FALSE when fewer than 64 were delivered, so test
// for a non-negative status. E_OUTOFMEMORY with an empty result.
VEK_API HRESULT GetVekCategoriesByClass(CLSID clsid, ULONG& count, CATID** catids);
// The classes that implement the category (the first 64 the enumerator
// delivers) that have a readable name, in a malloc'd array freed with free
// (null when count is 0). Classes whose key cannot be opened are skipped
// (reported unless the key is missing); classes without a name are skipped
// silently. Returns Next's status (usually S_FALSE) or E_OUTOFMEMORY.
VEK_API HRESULT GetClassesByVekCategory(CATID catid, ULONG& count, CATEGORY_CLASS_INFO** classes);
// Unregisters, in table order, every one of the eighteen categories that no
// class implements, stopping at the first failure. Returns the status of the
// last step that ran (S_FALSE when the last category examined is still
// implemented).
VEK_API HRESULT CleanupVekCategories();
