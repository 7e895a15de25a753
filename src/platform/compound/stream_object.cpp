// IStream over one stream of a compound file. Reads come from the file until
// the first change; from then on the stream's bytes are held in memory and
// written to the file when the stream is committed or released.
#include <algorithm>
#include <cstring>

#include "platform/compound/com_objects.h"
#include "platform/copy_bytes.h"

namespace vek::compound {
namespace {

class StreamObject final : public ComObject<IStream> {
public:
    StreamObject(std::shared_ptr<CompoundFile> file, uint32_t id, bool writable)
        : file_(std::move(file)), id_(id), writable_(writable) {
        file_->MarkOpen(id_);
    }

    HRESULT Locate() { return file_->LocateStream(id_, &extents_); }

    ~StreamObject() override {
        Flush();
        file_->MarkClosed(id_);
    }

    HRESULT Read(void* buffer, ULONG cb, ULONG* read) override {
        if (read != nullptr) *read = 0;
        if (buffer == nullptr && cb > 0) return STG_E_INVALIDPOINTER;
        const uint64_t size = Size();
        const ULONG count = position_ >= size ? 0 : static_cast<ULONG>(std::min<uint64_t>(cb, size - position_));
        if (count > 0) {
            if (loaded_) {
                CopyBytes(buffer, data_.data() + position_, count);
            } else {
                HRESULT hr = file_->ReadStream(extents_, position_, buffer, count);
                if (FAILED(hr)) return hr;
            }
        }
        position_ += count;
        if (read != nullptr) *read = count;
        return S_OK;
    }

    HRESULT Write(const void* buffer, ULONG cb, ULONG* written) override {
        if (written != nullptr) *written = 0;
        if (buffer == nullptr && cb > 0) return STG_E_INVALIDPOINTER;
        if (!writable_) return STG_E_ACCESSDENIED;
        if (cb == 0) return S_OK;
        if (position_ + cb > kVersion3MaxStreamSize) return STG_E_MEDIUMFULL;
        HRESULT hr = Load();
        if (FAILED(hr)) return hr;
        if (data_.size() < position_ + cb) data_.resize(position_ + cb);
        CopyBytes(data_.data() + position_, buffer, cb);
        position_ += cb;
        modified_ = true;
        if (written != nullptr) *written = cb;
        return S_OK;
    }

    HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override {
        int64_t base;
        switch (origin) {
            case STREAM_SEEK_SET: base = 0; break;
            case STREAM_SEEK_CUR: base = static_cast<int64_t>(position_); break;
            case STREAM_SEEK_END: base = static_cast<int64_t>(Size()); break;
            default: return STG_E_INVALIDFUNCTION;
        }
        if ((move.QuadPart < 0 && base + move.QuadPart < 0) ||
            (move.QuadPart > 0 && move.QuadPart > INT64_MAX - base))
            return STG_E_INVALIDFUNCTION;
        position_ = static_cast<uint64_t>(base + move.QuadPart);
        if (newPosition != nullptr) newPosition->QuadPart = position_;
        return S_OK;
    }

    HRESULT SetSize(ULARGE_INTEGER newSize) override {
        if (!writable_) return STG_E_ACCESSDENIED;
        if (newSize.QuadPart > kVersion3MaxStreamSize) return STG_E_MEDIUMFULL;
        HRESULT hr = Load();
        if (FAILED(hr)) return hr;
        if (data_.size() != newSize.QuadPart) {
            data_.resize(newSize.QuadPart);
            modified_ = true;
        }
        return S_OK;
    }

    HRESULT Commit(DWORD) override {
        HRESULT hr = Flush();
        return FAILED(hr) ? hr : file_->Commit();
    }

    HRESULT Stat(STATSTG* stat, DWORD flags) override {
        if (stat == nullptr) return STG_E_INVALIDPOINTER;
        return FillStat(file_->entry(id_), Size(), writable_ ? STGM_READWRITE | STGM_SHARE_EXCLUSIVE : STGM_SHARE_EXCLUSIVE,
                        flags, stat);
    }

private:
    uint64_t Size() const { return loaded_ ? data_.size() : extents_.size; }

    HRESULT Load() {
        if (loaded_) return S_OK;
        std::vector<uint8_t> bytes(extents_.size);
        HRESULT hr = file_->ReadStream(extents_, 0, bytes.data(), bytes.size());
        if (FAILED(hr)) return hr;
        data_ = std::move(bytes);
        loaded_ = true;
        return S_OK;
    }

    HRESULT Flush() {
        if (!modified_) return S_OK;
        modified_ = false;
        return file_->WriteStream(id_, data_);
    }

    std::shared_ptr<CompoundFile> file_;
    const uint32_t id_;
    const bool writable_;
    uint64_t position_ = 0;
    StreamExtents extents_;
    bool loaded_ = false;
    bool modified_ = false;
    std::vector<uint8_t> data_;
};

}  // namespace

HRESULT NewStreamObject(std::shared_ptr<CompoundFile> file, uint32_t id, bool writable, IStream** stream) {
    auto* object = new StreamObject(std::move(file), id, writable);
    HRESULT hr = object->Locate();
    if (FAILED(hr)) {
        object->Release();
        return hr;
    }
    *stream = object;
    return S_OK;
}

}  // namespace vek::compound
