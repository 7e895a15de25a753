// The classes the runtime itself implements, created without any registry
// entry: the global interface table and the component categories manager.
//
// Thread safety: the creators may be called from any thread.
#pragma once

#include "vekconfig/com_runtime.h"

namespace vek {

// Creates an object of the class and hands out interface iid; no outer
// object is supported. REGDB_E_CLASSNOTREG when the class is not built in.
HRESULT CreateBuiltinObject(REFCLSID clsid, IUnknown* outer, REFIID iid, void** object);
// Whether the class is built in.
bool IsBuiltinClass(REFCLSID clsid);

// The creators behind CreateBuiltinObject.
HRESULT CreateGlobalInterfaceTable(REFIID iid, void** object);
HRESULT CreateComponentCategoriesManager(REFIID iid, void** object);

}  // namespace vek
