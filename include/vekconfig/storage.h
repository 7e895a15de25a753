// Compound files (structured storage): a root storage of named streams and
// named sub-storages, in the Compound File Binary format, version 3 written,
// versions 3 and 4 read.
//
// Files are used in direct mode: a change is in the file once the stream and
// the storage that hold it are released; there is no commit. A file is open
// exclusively: a second opener, in this process or another, gets
// STG_E_LOCKVIOLATION at once.
//
// Releasing any storage object of a file (and closing the file with its last
// object) makes every change released so far durable in one step; Commit on a
// storage or stream does the same at once. A crash at any instant leaves the
// file as it was after the last such step. A write that fails (a full disk:
// STG_E_MEDIUMFULL) leaves the file at that step and every later change of
// the same open file reports the failure.
//
// Thread safety: one open file (its root and everything opened below it) is
// used by one thread at a time; different files are independent.
#pragma once

#include "vekconfig/com.h"

// Access and sharing modes.
constexpr DWORD STGM_READ = 0x00000000;
constexpr DWORD STGM_WRITE = 0x00000001;
constexpr DWORD STGM_READWRITE = 0x00000002;
constexpr DWORD STGM_SHARE_DENY_NONE = 0x00000040;
constexpr DWORD STGM_SHARE_DENY_READ = 0x00000030;
constexpr DWORD STGM_SHARE_DENY_WRITE = 0x00000020;
constexpr DWORD STGM_SHARE_EXCLUSIVE = 0x00000010;
constexpr DWORD STGM_CREATE = 0x00001000;
constexpr DWORD STGM_DIRECT = 0x00000000;
constexpr DWORD STGM_TRANSACTED = 0x00010000;

// Element types.
constexpr DWORD STGTY_STORAGE = 1;
constexpr DWORD STGTY_STREAM = 2;
constexpr DWORD STGTY_LOCKBYTES = 3;
constexpr DWORD STGTY_PROPERTY = 4;

// Stat flags.
constexpr DWORD STATFLAG_DEFAULT = 0;
constexpr DWORD STATFLAG_NONAME = 1;

// Seek origins.
constexpr DWORD STREAM_SEEK_SET = 0;
constexpr DWORD STREAM_SEEK_CUR = 1;
constexpr DWORD STREAM_SEEK_END = 2;

struct STATSTG {
    WCHAR* pwcsName;  // CoTaskMemAlloc'd; null with STATFLAG_NONAME
    DWORD type;       // STGTY_*
    ULARGE_INTEGER cbSize;
    FILETIME mtime;
    FILETIME ctime;
    FILETIME atime;
    DWORD grfMode;
    DWORD grfLocksSupported;
    CLSID clsid;
    DWORD grfStateBits;
    DWORD reserved;
};

// {0000000C-0000-0000-C000-000000000046}
constexpr IID IID_IStream = {0x0000000C, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {0000000B-0000-0000-C000-000000000046}
constexpr IID IID_IStorage = {0x0000000B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {0000000D-0000-0000-C000-000000000046}
constexpr IID IID_IEnumSTATSTG = {0x0000000D, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

struct IStream : IUnknown {
    // Reads up to cb bytes from the seek position; past the end reads what is
    // there. *read (optional) receives the count. S_OK.
    virtual HRESULT Read(void* buffer, ULONG cb, ULONG* read) = 0;
    // Writes cb bytes at the seek position, growing the stream as needed.
    virtual HRESULT Write(const void* buffer, ULONG cb, ULONG* written) = 0;
    virtual HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) = 0;
    // Truncates or grows (with zero bytes).
    virtual HRESULT SetSize(ULARGE_INTEGER newSize) = 0;
    virtual HRESULT Commit(DWORD flags) = 0;
    virtual HRESULT Stat(STATSTG* stat, DWORD flags) = 0;

protected:
    ~IStream() = default;
};

struct IEnumSTATSTG : IUnknown {
    // Next(1, ...): S_OK with one element, S_FALSE with none.
    virtual HRESULT Next(ULONG count, STATSTG* elements, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumSTATSTG** copy) = 0;

protected:
    ~IEnumSTATSTG() = default;
};

struct IStorage : IUnknown {
    // With STGM_CREATE an element of that name is replaced; without it an
    // existing name gives STG_E_FILEALREADYEXISTS.
    virtual HRESULT CreateStream(const WCHAR* name, DWORD mode, DWORD reserved1, DWORD reserved2,
                                 IStream** stream) = 0;
    // A missing name (or a storage of that name): STG_E_FILENOTFOUND. A
    // writable mode in a file opened read-only: STG_E_INVALIDFLAG.
    virtual HRESULT OpenStream(const WCHAR* name, void* reserved1, DWORD mode, DWORD reserved2,
                               IStream** stream) = 0;
    virtual HRESULT CreateStorage(const WCHAR* name, DWORD mode, DWORD reserved1, DWORD reserved2,
                                  IStorage** storage) = 0;
    virtual HRESULT OpenStorage(const WCHAR* name, IStorage* priority, DWORD mode,
                                WCHAR** exclude, DWORD reserved, IStorage** storage) = 0;
    virtual HRESULT Commit(DWORD flags) = 0;
    virtual HRESULT EnumElements(DWORD reserved1, void* reserved2, DWORD reserved3,
                                 IEnumSTATSTG** enumerator) = 0;
    // Removes the element and everything below it.
    virtual HRESULT DestroyElement(const WCHAR* name) = 0;
    virtual HRESULT RenameElement(const WCHAR* oldName, const WCHAR* newName) = 0;
    virtual HRESULT SetClass(REFCLSID clsid) = 0;
    virtual HRESULT Stat(STATSTG* stat, DWORD flags) = 0;

protected:
    ~IStorage() = default;
};

// Opens an existing compound file with mode 0x10 (read) or 0x12 (read/write),
// always exclusively. Missing file: STG_E_FILENOTFOUND. Held by another
// opener: STG_E_LOCKVIOLATION. Not writable (for 0x12): STG_E_ACCESSDENIED.
// Not a compound file: STG_E_FILEALREADYEXISTS; damaged:
// STG_E_INVALIDHEADER or STG_E_DOCFILECORRUPT.
VEK_API HRESULT StgOpenStorage(const WCHAR* path, IStorage* priority, DWORD mode,
                               WCHAR** exclude, DWORD reserved, IStorage** storage);
// Creates an empty compound file (mode 0x1012), replacing any file of that name
// unless it is held open (STG_E_LOCKVIOLATION). Without STGM_CREATE an
// existing file is STG_E_FILEALREADYEXISTS; a missing directory is
// STG_E_PATHNOTFOUND.
VEK_API HRESULT StgCreateDocfile(const WCHAR* path, DWORD mode, DWORD reserved,
                                 IStorage** storage);
