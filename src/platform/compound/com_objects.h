// The COM-shaped objects over an open compound file: storages, streams and
// element enumerators. Each holds the file, which closes when the last of
// them is released. Each stream and storage marks its element open while it
// lives; releasing a storage commits the file's pending changes.
//
// Thread safety: reference counts are atomic; everything else is used by one
// thread at a time per file.
#pragma once

#include <memory>

#include "platform/com_object.h"
#include "platform/compound/compound_file.h"
#include "vekconfig/storage.h"

namespace vek::compound {

// Each returns S_OK and an object with one reference, or a failure status.
HRESULT NewStorageObject(std::shared_ptr<CompoundFile> file, uint32_t id, bool writable, IStorage** storage);
HRESULT NewStreamObject(std::shared_ptr<CompoundFile> file, uint32_t id, bool writable, IStream** stream);
HRESULT NewEnumerator(std::shared_ptr<CompoundFile> file, uint32_t storage, IEnumSTATSTG** enumerator);

// Fills stat from an element; the name is task-allocated unless
// STATFLAG_NONAME. E_OUTOFMEMORY when the name cannot be allocated.
HRESULT FillStat(const Entry& entry, uint64_t size, DWORD mode, DWORD flags, STATSTG* stat);

// Access and sharing checks shared by the open and create calls.
bool ModeWrites(DWORD mode);
bool ModeIsExclusiveDirect(DWORD mode);

}  // namespace vek::compound
