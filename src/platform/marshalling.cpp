// In-process marshalling: the stream carries a token that names an entry of
// a process-wide table holding the marshalled interface, never a raw
// pointer, so bytes that are no live marshalling are refused instead of
// being followed.
#include <cstddef>
#include <mutex>
#include <unordered_map>

#include "vekconfig/com_runtime.h"

namespace {

constexpr uint32_t kSignature = 0x534D4B56;  // "VKMS"

struct MarshalPacket {
    uint32_t signature;
    uint32_t flags;
    IID iid;
    uint64_t token;
};
static_assert(sizeof(MarshalPacket) == 32, "MarshalPacket layout");
static_assert(offsetof(MarshalPacket, flags) == 4, "MarshalPacket::flags offset");
static_assert(offsetof(MarshalPacket, iid) == 8, "MarshalPacket::iid offset");
static_assert(offsetof(MarshalPacket, token) == 24, "MarshalPacket::token offset");

class MarshalTable {
public:
    uint64_t Add(IUnknown* held) {
        std::lock_guard<std::mutex> lock(mutex_);
        const uint64_t token = ++lastToken_;
        entries_.emplace(token, held);
        return token;
    }
    // The entry's interface with a new reference; with take, the entry goes
    // and its own reference passes to the caller instead.
    IUnknown* Get(uint64_t token, bool take) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = entries_.find(token);
        if (found == entries_.end()) return nullptr;
        IUnknown* held = found->second;
        if (take)
            entries_.erase(found);
        else
            held->AddRef();
        return held;
    }

private:
    std::mutex mutex_;
    std::unordered_map<uint64_t, IUnknown*> entries_;
    uint64_t lastToken_ = 0;
};

MarshalTable& Table() {
    static auto* table = new MarshalTable();
    return *table;
}

bool IsTableMarshalling(uint32_t flags) {
    return (flags & (MSHLFLAGS_TABLESTRONG | MSHLFLAGS_TABLEWEAK)) != 0;
}

HRESULT ReadPacket(IStream* stream, MarshalPacket& packet) {
    if (stream == nullptr) return E_INVALIDARG;
    ULONG read = 0;
    const HRESULT hr = stream->Read(&packet, sizeof(packet), &read);
    if (FAILED(hr)) return hr;
    if (read != sizeof(packet) || packet.signature != kSignature) return E_INVALIDARG;
    return S_OK;
}

}  // namespace

HRESULT CoMarshalInterface(IStream* stream, REFIID iid, IUnknown* object, DWORD context,
                           void* /*destination*/, DWORD flags) {
    if (stream == nullptr || object == nullptr) return E_INVALIDARG;
    if (context != MSHCTX_INPROC) return E_INVALIDARG;
    IUnknown* held = nullptr;
    HRESULT hr = object->QueryInterface(iid, reinterpret_cast<void**>(&held));
    if (FAILED(hr)) return hr;
    MarshalPacket packet{kSignature, flags, iid, Table().Add(held)};
    hr = stream->Write(&packet, sizeof(packet), nullptr);
    if (FAILED(hr)) {
        if (IUnknown* dropped = Table().Get(packet.token, true)) dropped->Release();
    }
    return hr;
}

HRESULT CoUnmarshalInterface(IStream* stream, REFIID iid, void** object) {
    if (object == nullptr) return E_INVALIDARG;
    *object = nullptr;
    MarshalPacket packet;
    HRESULT hr = ReadPacket(stream, packet);
    if (FAILED(hr)) return hr;
    IUnknown* held = Table().Get(packet.token, !IsTableMarshalling(packet.flags));
    if (held == nullptr) return CO_E_OBJNOTCONNECTED;
    hr = held->QueryInterface(iid == GUID_NULL ? packet.iid : iid, object);
    held->Release();
    return hr;
}

HRESULT CoReleaseMarshalData(IStream* stream) {
    MarshalPacket packet;
    const HRESULT hr = ReadPacket(stream, packet);
    if (FAILED(hr)) return hr;
    IUnknown* held = Table().Get(packet.token, true);
    if (held == nullptr) return CO_E_OBJNOTCONNECTED;
    held->Release();
    return S_OK;
}
