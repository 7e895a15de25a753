// Scalar types, status codes and the GUID structure shared by the whole
// public API. The shapes follow the platform the system was designed on, so
// that stored records keep their byte layout: wide text is UTF-16 (`WCHAR` is
// char16_t, never the 32-bit Linux wchar_t), and statuses are 32-bit signed
// result codes where a negative value means failure.
//
// Thread safety: plain data only.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__GNUC__)
#define VEK_API __attribute__((visibility("default")))
#else
#define VEK_API
#endif

using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using LONG = int32_t;
using ULONG = uint32_t;
using BOOL = int32_t;
using HRESULT = int32_t;
using LSTATUS = int32_t;
using FLOAT = float;
using WCHAR = char16_t;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using OLECHAR = WCHAR;
using LPOLESTR = WCHAR*;
using LPCOLESTR = const WCHAR*;
using BSTR = WCHAR*;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Path buffers hold MAX_PATH wide characters, terminator included.
constexpr int MAX_PATH = 260;

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

// Builds a status from its unsigned hexadecimal spelling.
constexpr HRESULT MakeStatus(uint32_t bits) { return static_cast<HRESULT>(bits); }

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = MakeStatus(0x80004001);
constexpr HRESULT E_NOINTERFACE = MakeStatus(0x80004002);
constexpr HRESULT E_POINTER = MakeStatus(0x80004003);
constexpr HRESULT E_ABORT = MakeStatus(0x80004004);
constexpr HRESULT E_FAIL = MakeStatus(0x80004005);
constexpr HRESULT E_UNEXPECTED = MakeStatus(0x8000FFFF);
constexpr HRESULT E_ACCESSDENIED = MakeStatus(0x80070005);
constexpr HRESULT E_HANDLE = MakeStatus(0x80070006);
constexpr HRESULT E_OUTOFMEMORY = MakeStatus(0x8007000E);
constexpr HRESULT E_INVALIDARG = MakeStatus(0x80070057);

constexpr HRESULT CLASS_E_NOAGGREGATION = MakeStatus(0x80040110);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MakeStatus(0x80040111);
constexpr HRESULT REGDB_E_CLASSNOTREG = MakeStatus(0x80040154);
constexpr HRESULT CO_E_CLASSSTRING = MakeStatus(0x800401F3);
constexpr HRESULT CO_E_NOTINITIALIZED = MakeStatus(0x800401F0);
constexpr HRESULT CO_E_DLLNOTFOUND = MakeStatus(0x8004018A);
constexpr HRESULT CO_E_ERRORINDLL = MakeStatus(0x800401F9);
constexpr HRESULT MK_E_CANTOPENFILE = MakeStatus(0x800401EA);
constexpr HRESULT MK_E_SYNTAX = MakeStatus(0x800401E4);
constexpr HRESULT RPC_E_CHANGED_MODE = MakeStatus(0x80010106);

constexpr HRESULT STG_E_INVALIDFUNCTION = MakeStatus(0x80030001);
constexpr HRESULT STG_E_FILENOTFOUND = MakeStatus(0x80030002);
constexpr HRESULT STG_E_PATHNOTFOUND = MakeStatus(0x80030003);
constexpr HRESULT STG_E_TOOMANYOPENFILES = MakeStatus(0x80030004);
constexpr HRESULT STG_E_ACCESSDENIED = MakeStatus(0x80030005);
constexpr HRESULT STG_E_INVALIDHANDLE = MakeStatus(0x80030006);
constexpr HRESULT STG_E_INSUFFICIENTMEMORY = MakeStatus(0x80030008);
constexpr HRESULT STG_E_INVALIDPOINTER = MakeStatus(0x80030009);
constexpr HRESULT STG_E_NOMOREFILES = MakeStatus(0x80030012);
constexpr HRESULT STG_E_DISKISWRITEPROTECTED = MakeStatus(0x80030013);
constexpr HRESULT STG_E_SEEKERROR = MakeStatus(0x80030019);
constexpr HRESULT STG_E_WRITEFAULT = MakeStatus(0x8003001D);
constexpr HRESULT STG_E_READFAULT = MakeStatus(0x8003001E);
constexpr HRESULT STG_E_SHAREVIOLATION = MakeStatus(0x80030020);
constexpr HRESULT STG_E_LOCKVIOLATION = MakeStatus(0x80030021);
constexpr HRESULT STG_E_FILEALREADYEXISTS = MakeStatus(0x80030050);
constexpr HRESULT STG_E_INVALIDPARAMETER = MakeStatus(0x80030057);
constexpr HRESULT STG_E_MEDIUMFULL = MakeStatus(0x80030070);
constexpr HRESULT STG_E_INVALIDHEADER = MakeStatus(0x800300FB);
constexpr HRESULT STG_E_INVALIDNAME = MakeStatus(0x800300FC);
constexpr HRESULT STG_E_UNKNOWN = MakeStatus(0x800300FD);
constexpr HRESULT STG_E_UNIMPLEMENTEDFUNCTION = MakeStatus(0x800300FE);
constexpr HRESULT STG_E_INVALIDFLAG = MakeStatus(0x800300FF);
constexpr HRESULT STG_E_INUSE = MakeStatus(0x80030100);
constexpr HRESULT STG_E_NOTCURRENT = MakeStatus(0x80030101);
constexpr HRESULT STG_E_REVERTED = MakeStatus(0x80030102);
constexpr HRESULT STG_E_CANTSAVE = MakeStatus(0x80030103);
constexpr HRESULT STG_E_OLDFORMAT = MakeStatus(0x80030104);
constexpr HRESULT STG_E_OLDDLL = MakeStatus(0x80030105);
constexpr HRESULT STG_E_SHAREREQUIRED = MakeStatus(0x80030106);
constexpr HRESULT STG_E_NOTFILEBASEDSTORAGE = MakeStatus(0x80030107);
constexpr HRESULT STG_E_EXTANTMARSHALLINGS = MakeStatus(0x80030108);
constexpr HRESULT STG_E_DOCFILECORRUPT = MakeStatus(0x80030109);

// Win32 error numbers, as the registry functions and some operations return them.
constexpr LSTATUS ERROR_SUCCESS = 0;
constexpr LSTATUS ERROR_FILE_NOT_FOUND = 2;
constexpr LSTATUS ERROR_PATH_NOT_FOUND = 3;
constexpr LSTATUS ERROR_ACCESS_DENIED = 5;
constexpr LSTATUS ERROR_INVALID_HANDLE = 6;
constexpr LSTATUS ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr LSTATUS ERROR_WRITE_FAULT = 29;
constexpr LSTATUS ERROR_READ_FAULT = 30;
constexpr LSTATUS ERROR_BAD_NETPATH = 53;
constexpr LSTATUS ERROR_INVALID_PARAMETER = 87;
constexpr LSTATUS ERROR_INSUFFICIENT_BUFFER = 122;
constexpr LSTATUS ERROR_ALREADY_EXISTS = 183;
constexpr LSTATUS ERROR_MORE_DATA = 234;
constexpr LSTATUS ERROR_NO_MORE_ITEMS = 259;
constexpr LSTATUS ERROR_BADDB = 1009;
constexpr LSTATUS ERROR_REGISTRY_IO_FAILED = 1016;
constexpr LSTATUS ERROR_KEY_DELETED = 1018;

// A Win32 error as a status (facility 7), as HRESULT_FROM_WIN32 builds it.
constexpr HRESULT HRESULT_FROM_WIN32(LSTATUS error) {
    return error <= 0 ? static_cast<HRESULT>(error)
                      : MakeStatus((static_cast<uint32_t>(error) & 0xFFFFu) | 0x80070000u);
}

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};
static_assert(sizeof(GUID) == 16, "GUID is 16 bytes");

using CLSID = GUID;
using IID = GUID;
using CATID = GUID;
using REFGUID = const GUID&;
using REFCLSID = const GUID&;
using REFIID = const GUID&;

constexpr GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

constexpr bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i]) return false;
    return true;
}
constexpr bool IsEqualGUID(const GUID& a, const GUID& b) { return a == b; }
constexpr bool IsEqualCLSID(const GUID& a, const GUID& b) { return a == b; }
constexpr bool IsEqualIID(const GUID& a, const GUID& b) { return a == b; }

union LARGE_INTEGER {
    struct {
        uint32_t LowPart;
        int32_t HighPart;
    } u;
    int64_t QuadPart;
};
union ULARGE_INTEGER {
    struct {
        uint32_t LowPart;
        uint32_t HighPart;
    } u;
    uint64_t QuadPart;
};

struct FILETIME {
    uint32_t dwLowDateTime;
    uint32_t dwHighDateTime;
};
