// The catalog files on disk: where they are, how they are opened and
// created, and the element-level steps every catalog read and write is made
// of. Each file is a compound file in the configuration root, always opened
// read/write with exclusive sharing, in direct mode: a change is in the file
// once its stream and storages are released.
//
// Thread safety: no shared state; a concurrent opener of the same file gets
// the storage's sharing status at once.
#pragma once

#include <cstddef>
#include <functional>

#include "vekconfig/storage.h"

namespace vek::catalogs {

// Element names are copied at most this long while a storage is walked.
constexpr size_t kElementNameUnits = 256;

// Opens the existing catalog file. The storage's status when it cannot be
// opened (missing: STG_E_FILENOTFOUND; held by another opener:
// STG_E_LOCKVIOLATION; damaged or not a compound file: its STG_E_*);
// E_FAIL when the configuration root is unavailable or the path does not fit
// MAX_PATH.
HRESULT OpenCatalogFile(const WCHAR* fileName, IStorage** root);

// Replaces any file of that name with an empty catalog file.
HRESULT CreateCatalogFile(const WCHAR* fileName, IStorage** root);

// Opens the catalog file for a change, creating it only when it is missing.
// A file that exists but cannot be opened (held by another opener, damaged,
// of another format) is never replaced: the open's status is returned, so
// that the records it holds are not lost.
HRESULT OpenCatalogFileForChange(const WCHAR* fileName, IStorage** root);

// Walks the elements of a storage in the storage's own order, handing each
// name (cut to kElementNameUnits) and type to visit. Stops when visit
// returns false. The status of a failed EnumElements, Reset or Next, else S_OK.
HRESULT WalkElements(IStorage* storage,
                     const std::function<bool(const WCHAR* name, DWORD type)>& visit);

// Opens the named sub-storage of parent for writing, creating it when it is
// absent (the shared OpenStorage). E_FAIL when neither works.
HRESULT OpenOrCreateStorage(IStorage* parent, const WCHAR* name, IStorage** child);

// Opens a stream and reads one record of size bytes in one Read. A stream
// shorter than the record leaves the rest of out zero; the read count is not
// checked. The status of a failed open; E_FAIL when the bytes cannot be read
// (a damaged stream), so that no half-read record is taken for a real one.
HRESULT ReadRecord(IStorage* parent, const WCHAR* streamName, void* out, ULONG size);

// Creates (replacing) a stream and writes size bytes to it in one Write.
// E_FAIL on any failure.
HRESULT WriteRecord(IStorage* parent, const WCHAR* streamName, const void* bytes, ULONG size);

}  // namespace vek::catalogs
