// The COM-shaped basics: reference-counted interfaces, the task allocator,
// BSTR strings, GUID text and the per-thread apartment bookkeeping.
//
// Thread safety: every function here may be called from any thread.
// CoInitializeEx/CoUninitialize act on the calling thread only.
#pragma once

#include "vekconfig/types.h"

// IID of IUnknown: {00000000-0000-0000-C000-000000000046}.
constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Base of every interface: QueryInterface hands out an AddRef'd pointer or
// E_NOINTERFACE; Release frees the object when its count reaches zero.
struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, void** ppv) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

// Task allocator. CoTaskMemAlloc(0) gives a valid, freeable pointer;
// CoTaskMemFree(nullptr) does nothing. Memory from these two is never mixed
// with malloc/free.
VEK_API void* CoTaskMemAlloc(size_t bytes);
VEK_API void* CoTaskMemRealloc(void* p, size_t bytes);
VEK_API void CoTaskMemFree(void* p);

// BSTR: 32-bit byte length before the characters, terminator after them.
// SysAllocString(nullptr) gives nullptr; SysFreeString(nullptr) does nothing.
VEK_API BSTR SysAllocString(const WCHAR* text);
VEK_API BSTR SysAllocStringLen(const WCHAR* text, uint32_t length);
VEK_API void SysFreeString(BSTR text);
VEK_API uint32_t SysStringLen(BSTR text);
VEK_API uint32_t SysStringByteLen(BSTR text);

// GUID text in the braced upper-case registry form, 38 characters.
// StringFromGUID2 writes 38 characters and the terminator and returns 39; a
// buffer of fewer than 39 characters gives 0 and is left untouched.
VEK_API int StringFromGUID2(REFGUID guid, WCHAR* buffer, int size);
// Accepts the braced form, hexadecimal in either case. Anything else gives
// CO_E_CLASSSTRING and sets *guid to GUID_NULL. A null argument is E_POINTER
// (null text) or E_INVALIDARG (null out-pointer).
VEK_API HRESULT CLSIDFromString(const WCHAR* text, CLSID* guid);
VEK_API HRESULT IIDFromString(const WCHAR* text, IID* guid);

// Apartment models of CoInitializeEx.
constexpr DWORD COINIT_MULTITHREADED = 0x0;
constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;

// First call on a thread: S_OK. Again with the same model: S_FALSE. With the
// other model: RPC_E_CHANGED_MODE. Each S_OK/S_FALSE is balanced by one
// CoUninitialize; the thread leaves its apartment when the count reaches 0.
VEK_API HRESULT CoInitializeEx(void* reserved, DWORD model);
VEK_API void CoUninitialize();
