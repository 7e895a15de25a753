// StgOpenStorage and StgCreateDocfile: open or create the file and hand out
// its root storage.
#include "platform/compound/com_objects.h"
#include "vekconfig/storage.h"
#include "vekconfig/text.h"

using vek::compound::CompoundFile;

namespace {

HRESULT HandOutRoot(std::unique_ptr<CompoundFile> file, bool writable, IStorage** storage) {
    return vek::compound::NewStorageObject(std::shared_ptr<CompoundFile>(file.release(), CompoundFile::Close),
                                           vek::compound::kRootId, writable, storage);
}

}  // namespace

HRESULT StgOpenStorage(const WCHAR* path, IStorage* priority, DWORD mode, WCHAR** exclude, DWORD,
                       IStorage** storage) {
    if (storage == nullptr) return STG_E_INVALIDPOINTER;
    *storage = nullptr;
    if (path == nullptr || path[0] == 0) return STG_E_INVALIDNAME;
    if (priority != nullptr || exclude != nullptr) return STG_E_INVALIDPARAMETER;
    if ((mode & (STGM_CREATE | STGM_TRANSACTED)) != 0) return STG_E_INVALIDFLAG;
    const bool writable = vek::compound::ModeWrites(mode);
    std::unique_ptr<CompoundFile> file;
    HRESULT hr = CompoundFile::Open(vek::Utf16ToUtf8(path), writable, &file);
    if (FAILED(hr)) return hr;
    return HandOutRoot(std::move(file), writable, storage);
}

HRESULT StgCreateDocfile(const WCHAR* path, DWORD mode, DWORD, IStorage** storage) {
    if (storage == nullptr) return STG_E_INVALIDPOINTER;
    *storage = nullptr;
    if (path == nullptr || path[0] == 0) return STG_E_INVALIDNAME;
    if (!vek::compound::ModeWrites(mode) || (mode & STGM_TRANSACTED) != 0) return STG_E_INVALIDFLAG;
    std::unique_ptr<CompoundFile> file;
    HRESULT hr = CompoundFile::Create(vek::Utf16ToUtf8(path), (mode & STGM_CREATE) != 0, &file);
    if (FAILED(hr)) return hr;
    return HandOutRoot(std::move(file), true, storage);
}
