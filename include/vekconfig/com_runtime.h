// The COM-like runtime: class activation (built-in classes and in-process
// servers registered under HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32),
// file monikers that activate the object stamped on a compound file, the
// global interface table, and the in-process marshalling stream.
//
// Everything runs in process: an interface handed from one thread to another
// through the table or a marshalling stream is the object's own pointer, so
// the object itself must be safe for the threads that use it.
//
// Thread safety: every function here may be called from any thread.
#pragma once

#include "vekconfig/storage.h"

// Class contexts of CoCreateInstance / CoGetClassObject.
constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;
constexpr DWORD CLSCTX_ALL = 0x17;

constexpr HRESULT MK_E_INVALIDEXTENSION = MakeStatus(0x800401E6);
constexpr HRESULT CO_E_OBJNOTCONNECTED = MakeStatus(0x800401FD);

// {00000001-0000-0000-C000-000000000046}
constexpr IID IID_IClassFactory = {0x00000001, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {0000010C-0000-0000-C000-000000000046}
constexpr IID IID_IPersist = {0x0000010C, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {0000010B-0000-0000-C000-000000000046}
constexpr IID IID_IPersistFile = {0x0000010B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {0000000F-0000-0000-C000-000000000046}
constexpr IID IID_IMoniker = {0x0000000F, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {0000000E-0000-0000-C000-000000000046}
constexpr IID IID_IBindCtx = {0x0000000E, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {00000146-0000-0000-C000-000000000046}
constexpr IID IID_IGlobalInterfaceTable = {0x00000146, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {00000323-0000-0000-C000-000000000046}
constexpr CLSID CLSID_StdGlobalInterfaceTable = {0x00000323, 0, 0,
                                                 {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Creates objects of one class. Implemented by in-process servers.
struct IClassFactory : IUnknown {
    // A non-null outer object: CLASS_E_NOAGGREGATION unless the class
    // supports aggregation. On success *object holds a new reference.
    virtual HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) = 0;
    virtual HRESULT LockServer(BOOL lock) = 0;

protected:
    ~IClassFactory() = default;
};

struct IPersist : IUnknown {
    virtual HRESULT GetClassID(CLSID* clsid) = 0;

protected:
    ~IPersist() = default;
};

// An object that loads itself from (and saves itself to) a file.
struct IPersistFile : IPersist {
    // S_OK when changed since the last save, else S_FALSE.
    virtual HRESULT IsDirty() = 0;
    // Loads from the file; mode is an STGM_* access mode.
    virtual HRESULT Load(const WCHAR* path, DWORD mode) = 0;
    virtual HRESULT Save(const WCHAR* path, BOOL remember) = 0;
    virtual HRESULT SaveCompleted(const WCHAR* path) = 0;
    // *path: the current file, allocated with CoTaskMemAlloc, freed by the caller.
    virtual HRESULT GetCurFile(WCHAR** path) = 0;

protected:
    ~IPersistFile() = default;
};

// What an in-process server exports (extern "C", name "DllGetClassObject"):
// hands out the class factory of clsid, or CLASS_E_CLASSNOTAVAILABLE.
using DllGetClassObjectFunction = HRESULT (*)(REFCLSID clsid, REFIID iid, void** object);

// The class object (usually its IClassFactory) of clsid. Built-in classes
// come first; otherwise, when context includes CLSCTX_INPROC_SERVER, the
// shared object named by the default value of
// HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32 is loaded (and kept loaded
// for the life of the process) and asked through its DllGetClassObject.
// Unregistered class: REGDB_E_CLASSNOTREG. Shared object that cannot be
// loaded: CO_E_DLLNOTFOUND; without DllGetClassObject: CO_E_ERRORINDLL. Null
// out-pointer: E_POINTER. Otherwise the server's own status.
VEK_API HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void* reserved, REFIID iid,
                                 void** object);
// CoGetClassObject for IClassFactory, then IClassFactory::CreateInstance.
// *object is null on failure.
VEK_API HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid,
                                 void** object);

// Bind options carried by a bind context; grfMode is the access mode an
// object is loaded with (STGM_READWRITE unless changed).
struct BIND_OPTS {
    DWORD cbStruct;
    DWORD grfFlags;
    DWORD grfMode;
    DWORD dwTickCountDeadline;
};

struct IBindCtx : IUnknown {
    // cbStruct of the argument must be at least sizeof(BIND_OPTS), else E_INVALIDARG.
    virtual HRESULT SetBindOptions(const BIND_OPTS* options) = 0;
    virtual HRESULT GetBindOptions(BIND_OPTS* options) = 0;

protected:
    ~IBindCtx() = default;
};

struct IMoniker : IUnknown {
    // Activates the object the moniker names and returns its interface iid.
    // A file moniker reads the class stamped on the file (GetClassFile),
    // creates it in process with IPersistFile and loads the file with the
    // bind context's access mode. left must be null for a file moniker.
    virtual HRESULT BindToObject(IBindCtx* context, IMoniker* left, REFIID iid,
                                 void** object) = 0;
    // The name as text, allocated with CoTaskMemAlloc.
    virtual HRESULT GetDisplayName(IBindCtx* context, IMoniker* left, WCHAR** name) = 0;

protected:
    ~IMoniker() = default;
};

// A moniker for a file path. Null or empty path: MK_E_SYNTAX.
VEK_API HRESULT CreateFileMoniker(const WCHAR* path, IMoniker** moniker);
// A new bind context; reserved must be 0 (else E_INVALIDARG).
VEK_API HRESULT CreateBindCtx(DWORD reserved, IBindCtx** context);
// The class ID stamped on the root of the compound file at path. A file that
// cannot be opened: the storage status. Not a compound file, or no class
// stamped: MK_E_INVALIDEXTENSION.
VEK_API HRESULT GetClassFile(const WCHAR* path, CLSID* clsid);

// The process-wide table in which an interface registered on one thread is
// fetched by cookie on any other. Created with CoCreateInstance of
// CLSID_StdGlobalInterfaceTable; every creation gives the same table.
struct IGlobalInterfaceTable : IUnknown {
    // Holds a reference to the object (asked for iid: E_NOINTERFACE when it
    // has none) until the cookie is revoked. Null object or cookie:
    // E_INVALIDARG.
    virtual HRESULT RegisterInterfaceInGlobal(IUnknown* object, REFIID iid, DWORD* cookie) = 0;
    // Unknown or revoked cookie: E_INVALIDARG.
    virtual HRESULT RevokeInterfaceFromGlobal(DWORD cookie) = 0;
    // A new reference for the caller. Unknown or revoked cookie: E_INVALIDARG.
    virtual HRESULT GetInterfaceFromGlobal(DWORD cookie, REFIID iid, void** object) = 0;

protected:
    ~IGlobalInterfaceTable() = default;
};

// A growable stream in memory. There are no global memory handles on this
// platform: memory must be null (else E_INVALIDARG) and the memory always
// goes with the stream, whatever deleteOnRelease says.
VEK_API HRESULT CreateStreamOnHGlobal(void* memory, BOOL deleteOnRelease, IStream** stream);

// Marshalling contexts and flags.
constexpr DWORD MSHCTX_LOCAL = 0;
constexpr DWORD MSHCTX_NOSHAREDMEM = 1;
constexpr DWORD MSHCTX_DIFFERENTMACHINE = 2;
constexpr DWORD MSHCTX_INPROC = 3;
constexpr DWORD MSHLFLAGS_NORMAL = 0;
constexpr DWORD MSHLFLAGS_TABLESTRONG = 1;
constexpr DWORD MSHLFLAGS_TABLEWEAK = 2;
constexpr DWORD MSHLFLAGS_NOPING = 4;

// Writes into stream, at its position, a marshalling of object's interface
// iid for another apartment of this process; the marshalling holds a
// reference to the object. Only MSHCTX_INPROC is supported (others:
// E_INVALIDARG); no interface iid: E_NOINTERFACE; a failed write: its status.
VEK_API HRESULT CoMarshalInterface(IStream* stream, REFIID iid, IUnknown* object, DWORD context,
                                   void* destination, DWORD flags);
// Reads a marshalling from stream's position and hands out interface iid.
// A normal marshalling is consumed (a second unmarshal of the same bytes
// gives CO_E_OBJNOTCONNECTED); a table marshalling stays until
// CoReleaseMarshalData. Bytes that are no marshalling: E_INVALIDARG.
VEK_API HRESULT CoUnmarshalInterface(IStream* stream, REFIID iid, void** object);
// Releases the marshalling at stream's position without unmarshalling it.
VEK_API HRESULT CoReleaseMarshalData(IStream* stream);
