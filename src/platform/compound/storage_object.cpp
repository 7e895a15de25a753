// IStorage over the root or a sub-storage of a compound file.

#include "platform/compound/com_objects.h"
#include "platform/compound/names.h"
#include "vekconfig/text.h"

namespace vek::compound {
namespace {

// The name argument of a call, or an error status.
HRESULT ReadName(const WCHAR* name, std::u16string_view* out) {
    if (name == nullptr) return STG_E_INVALIDPOINTER;
    size_t length = 0;
    while (name[length] != 0 && length < kNameUnits) ++length;
    *out = std::u16string_view(name, length);
    return IsValidElementName(*out) ? S_OK : STG_E_INVALIDNAME;
}

class StorageObject final : public ComObject<IStorage> {
public:
    StorageObject(std::shared_ptr<CompoundFile> file, uint32_t id, bool writable)
        : file_(std::move(file)), id_(id), writable_(writable) {
        file_->MarkOpen(id_);
    }

    ~StorageObject() override {
        file_->MarkClosed(id_);
        if (file_->HasPendingChanges()) file_->Commit();
    }

    HRESULT CreateStream(const WCHAR* name, DWORD mode, DWORD, DWORD, IStream** stream) override {
        uint32_t id;
        HRESULT hr = CreateElement(name, mode, kTypeStream, stream, &id);
        if (FAILED(hr)) return hr;
        return NewStreamObject(file_, id, true, stream);
    }

    HRESULT OpenStream(const WCHAR* name, void*, DWORD mode, DWORD, IStream** stream) override {
        uint32_t id;
        HRESULT hr = FindElement(name, mode, kTypeStream, stream, &id);
        if (FAILED(hr)) return hr;
        return NewStreamObject(file_, id, ModeWrites(mode), stream);
    }

    HRESULT CreateStorage(const WCHAR* name, DWORD mode, DWORD, DWORD, IStorage** storage) override {
        uint32_t id;
        HRESULT hr = CreateElement(name, mode, kTypeStorage, storage, &id);
        if (FAILED(hr)) return hr;
        return NewStorageObject(file_, id, true, storage);
    }

    HRESULT OpenStorage(const WCHAR* name, IStorage* priority, DWORD mode, WCHAR** exclude, DWORD,
                        IStorage** storage) override {
        if (priority != nullptr || exclude != nullptr) return STG_E_INVALIDPARAMETER;
        uint32_t id;
        HRESULT hr = FindElement(name, mode, kTypeStorage, storage, &id);
        if (FAILED(hr)) return hr;
        return NewStorageObject(file_, id, ModeWrites(mode), storage);
    }

    HRESULT Commit(DWORD) override { return file_->Commit(); }

    HRESULT EnumElements(DWORD, void*, DWORD, IEnumSTATSTG** enumerator) override {
        if (enumerator == nullptr) return STG_E_INVALIDPOINTER;
        return NewEnumerator(file_, id_, enumerator);
    }

    HRESULT DestroyElement(const WCHAR* name) override {
        std::u16string_view element;
        HRESULT hr = ReadName(name, &element);
        if (FAILED(hr)) return hr;
        if (!writable_) return STG_E_ACCESSDENIED;
        uint32_t id;
        if (FAILED(hr = file_->FindChild(id_, element, &id))) return hr;
        if (id == kNoStream) return STG_E_FILENOTFOUND;
        if (FAILED(hr = file_->ListBelow(id))) return hr;
        if (file_->IsOpenBelow(id)) return STG_E_ACCESSDENIED;
        return file_->DestroyElement(id);
    }

    HRESULT RenameElement(const WCHAR* oldName, const WCHAR* newName) override {
        std::u16string_view from, to;
        HRESULT hr = ReadName(oldName, &from);
        if (SUCCEEDED(hr)) hr = ReadName(newName, &to);
        if (FAILED(hr)) return hr;
        if (!writable_) return STG_E_ACCESSDENIED;
        uint32_t id, existing;
        if (FAILED(hr = file_->FindChild(id_, from, &id))) return hr;
        if (id == kNoStream) return STG_E_FILENOTFOUND;
        if (FAILED(hr = file_->FindChild(id_, to, &existing))) return hr;
        if (existing != kNoStream && existing != id) return STG_E_FILEALREADYEXISTS;
        if (file_->IsOpen(id)) return STG_E_ACCESSDENIED;
        return file_->RenameElement(id, to);
    }

    HRESULT SetClass(REFCLSID clsid) override {
        if (!writable_) return STG_E_ACCESSDENIED;
        file_->SetClass(id_, clsid);
        return S_OK;
    }

    HRESULT Stat(STATSTG* stat, DWORD flags) override {
        if (stat == nullptr) return STG_E_INVALIDPOINTER;
        return FillStat(file_->entry(id_), 0,
                        writable_ ? STGM_READWRITE | STGM_SHARE_EXCLUSIVE : STGM_SHARE_EXCLUSIVE, flags, stat);
    }

private:
    template <typename Out>
    HRESULT CreateElement(const WCHAR* name, DWORD mode, uint8_t type, Out** out, uint32_t* id) {
        if (out == nullptr) return STG_E_INVALIDPOINTER;
        *out = nullptr;
        std::u16string_view element;
        HRESULT hr = ReadName(name, &element);
        if (FAILED(hr)) return hr;
        if (!ModeWrites(mode) || !ModeIsExclusiveDirect(mode)) return STG_E_INVALIDFLAG;
        if (!writable_) return STG_E_ACCESSDENIED;
        uint32_t existing;
        if (FAILED(hr = file_->FindChild(id_, element, &existing))) return hr;
        if (existing == kNoStream) return file_->AddElement(id_, element, type, id);
        if ((mode & STGM_CREATE) == 0) return STG_E_FILEALREADYEXISTS;
        if (FAILED(hr = file_->ListBelow(existing))) return hr;
        if (file_->IsOpenBelow(existing)) return STG_E_ACCESSDENIED;
        if (FAILED(hr = file_->ResetElement(existing, type))) return hr;
        *id = existing;
        return S_OK;
    }

    template <typename Out>
    HRESULT FindElement(const WCHAR* name, DWORD mode, uint8_t type, Out** out, uint32_t* id) {
        if (out == nullptr) return STG_E_INVALIDPOINTER;
        *out = nullptr;
        std::u16string_view element;
        HRESULT hr = ReadName(name, &element);
        if (FAILED(hr)) return hr;
        if (!ModeIsExclusiveDirect(mode) || (mode & STGM_CREATE) != 0) return STG_E_INVALIDFLAG;
        if (ModeWrites(mode) && !writable_) return STG_E_INVALIDFLAG;
        if (FAILED(hr = file_->FindChild(id_, element, id))) return hr;
        if (*id == kNoStream || file_->entry(*id).type != type) return STG_E_FILENOTFOUND;
        if (file_->IsOpen(*id)) return STG_E_ACCESSDENIED;
        return S_OK;
    }

    std::shared_ptr<CompoundFile> file_;
    const uint32_t id_;
    const bool writable_;
};

}  // namespace

HRESULT NewStorageObject(std::shared_ptr<CompoundFile> file, uint32_t id, bool writable, IStorage** storage) {
    *storage = new StorageObject(std::move(file), id, writable);
    return S_OK;
}

}  // namespace vek::compound
