// A growable IStream in memory, the stream that carries a marshalling from
// one thread to another.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "platform/com_object.h"

namespace vek {
namespace {

// Streams in memory stay below this size, as the platform's 32-bit sizes do.
constexpr uint64_t kMaxSize = 0xFFFFFFFFu;

class MemoryStream final : public ComObject<IStream> {
public:
    HRESULT Read(void* buffer, ULONG cb, ULONG* read) override {
        if (buffer == nullptr && cb != 0) return STG_E_INVALIDPOINTER;
        const uint64_t available = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
        const ULONG n = static_cast<ULONG>(std::min<uint64_t>(cb, available));
        if (n != 0) std::memcpy(buffer, bytes_.data() + position_, n);
        position_ += n;
        if (read != nullptr) *read = n;
        return S_OK;
    }
    HRESULT Write(const void* buffer, ULONG cb, ULONG* written) override {
        if (written != nullptr) *written = 0;
        if (buffer == nullptr && cb != 0) return STG_E_INVALIDPOINTER;
        if (position_ + cb > kMaxSize) return STG_E_MEDIUMFULL;
        if (position_ + cb > bytes_.size()) {
            if (!Resize(position_ + cb)) return E_OUTOFMEMORY;
        }
        if (cb != 0) std::memcpy(bytes_.data() + position_, buffer, cb);
        position_ += cb;
        if (written != nullptr) *written = cb;
        return S_OK;
    }
    HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override {
        int64_t base = 0;
        switch (origin) {
            case STREAM_SEEK_SET: base = 0; break;
            case STREAM_SEEK_CUR: base = static_cast<int64_t>(position_); break;
            case STREAM_SEEK_END: base = static_cast<int64_t>(bytes_.size()); break;
            default: return STG_E_INVALIDFUNCTION;
        }
        if ((move.QuadPart < 0 && base + move.QuadPart < 0) ||
            (move.QuadPart > 0 && static_cast<uint64_t>(move.QuadPart) > kMaxSize))
            return STG_E_INVALIDFUNCTION;
        position_ = static_cast<uint64_t>(base + move.QuadPart);
        if (newPosition != nullptr) newPosition->QuadPart = position_;
        return S_OK;
    }
    HRESULT SetSize(ULARGE_INTEGER newSize) override {
        if (newSize.QuadPart > kMaxSize) return STG_E_MEDIUMFULL;
        return Resize(newSize.QuadPart) ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT Commit(DWORD) override { return S_OK; }
    HRESULT Stat(STATSTG* stat, DWORD) override {
        if (stat == nullptr) return STG_E_INVALIDPOINTER;
        *stat = STATSTG{};
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = bytes_.size();
        stat->grfMode = STGM_READWRITE;
        return S_OK;
    }

private:
    bool Resize(uint64_t size) {
        try {
            bytes_.resize(static_cast<size_t>(size));
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }

    std::vector<uint8_t> bytes_;
    uint64_t position_ = 0;
};

}  // namespace
}  // namespace vek

HRESULT CreateStreamOnHGlobal(void* memory, BOOL /*deleteOnRelease*/, IStream** stream) {
    if (stream == nullptr) return E_INVALIDARG;
    *stream = nullptr;
    if (memory != nullptr) return E_INVALIDARG;
    *stream = new (std::nothrow) vek::MemoryStream();
    return *stream != nullptr ? S_OK : E_OUTOFMEMORY;
}
