// The exported wrappers around the process-wide global interface table.
#include "vekconfig/interface_table.h"

IGlobalInterfaceTable* g_pGIT = nullptr;

HRESULT InitGIT() {
    return CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER,
                            IID_IGlobalInterfaceTable, reinterpret_cast<void**>(&g_pGIT));
}

HRESULT WritePtrToGlobalVariable(IUnknown* object, REFIID iid, DWORD* cookie) {
    if (g_pGIT == nullptr) return E_FAIL;
    return g_pGIT->RegisterInterfaceInGlobal(object, iid, cookie);
}

HRESULT ReadPtrFromGlobalVariable(DWORD cookie, REFIID iid, IUnknown** object) {
    if (g_pGIT == nullptr) return E_FAIL;
    return g_pGIT->GetInterfaceFromGlobal(cookie, iid, reinterpret_cast<void**>(object));
}

HRESULT RemovePtrFromGlobalVariable(DWORD cookie) {
    if (g_pGIT == nullptr) return E_FAIL;
    return g_pGIT->RevokeInterfaceFromGlobal(cookie);
}

HRESULT MarshalInterfaceInStreamNoPing(REFIID iid, IUnknown* object, IStream** stream) {
    HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, stream);
    if (FAILED(hr)) return hr;
    hr = CoMarshalInterface(*stream, iid, object, MSHCTX_INPROC, nullptr, MSHLFLAGS_NOPING);
    if (FAILED(hr)) return hr;
    LARGE_INTEGER start{};
    return (*stream)->Seek(start, STREAM_SEEK_SET, nullptr);
}
