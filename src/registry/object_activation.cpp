// Activating a configured object from its configuration file.
#include "platform/com_object.h"
#include "vekconfig/config_files.h"
#include "vekconfig/object_registry.h"

HRESULT InstantiateVekObject(GUID objectID, IUnknown** object) {
    WCHAR path[MAX_PATH] = {};
    HRESULT hr = ComposeConfigFilePathname(objectID, path);
    if (FAILED(hr)) return hr;
    vek::ComPtr<IMoniker> moniker;
    hr = CreateFileMoniker(path, moniker.put());
    if (FAILED(hr)) return hr;
    vek::ComPtr<IBindCtx> context;
    hr = CreateBindCtx(0, context.put());
    if (FAILED(hr)) return hr;
    return moniker->BindToObject(context.get(), nullptr, IID_IUnknown,
                                 reinterpret_cast<void**>(object));
}
