// Per-thread apartment bookkeeping for CoInitializeEx/CoUninitialize. There
// is no cross-apartment call machinery: every interface is used in process,
// so the apartment is only recorded to give the platform's answers.
#include "vekconfig/com.h"

namespace {

struct Apartment {
    int initCount = 0;
    DWORD model = COINIT_MULTITHREADED;
};

thread_local Apartment t_apartment;

DWORD ModelOf(DWORD flags) { return (flags & COINIT_APARTMENTTHREADED) ? COINIT_APARTMENTTHREADED : COINIT_MULTITHREADED; }

}  // namespace

HRESULT CoInitializeEx(void* /*reserved*/, DWORD model) {
    const DWORD wanted = ModelOf(model);
    if (t_apartment.initCount > 0) {
        if (t_apartment.model != wanted) return RPC_E_CHANGED_MODE;
        ++t_apartment.initCount;
        return S_FALSE;
    }
    t_apartment.model = wanted;
    t_apartment.initCount = 1;
    return S_OK;
}

void CoUninitialize() {
    if (t_apartment.initCount > 0) --t_apartment.initCount;
}
