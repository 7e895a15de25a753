// A marshalling stream may hold any bytes by the time it is unmarshalled:
// the reader must refuse whatever is no live marshalling, never follow it,
// and a live marshalling placed after the noise must still unmarshal once.
#include <cstdint>
#include <cstdlib>

#include "vekconfig/com_runtime.h"

namespace {

class Probe final : public IUnknown {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown) return E_NOINTERFACE;
        *object = this;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    ULONG refs = 1;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    IStream* stream = nullptr;
    if (CreateStreamOnHGlobal(nullptr, TRUE, &stream) != S_OK) std::abort();
    stream->Write(data, static_cast<ULONG>(size), nullptr);
    LARGE_INTEGER start{};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    void* received = nullptr;
    if (SUCCEEDED(CoUnmarshalInterface(stream, IID_IUnknown, &received))) std::abort();
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    if (SUCCEEDED(CoReleaseMarshalData(stream))) std::abort();

    Probe probe;
    LARGE_INTEGER end{};
    ULARGE_INTEGER at{};
    stream->Seek(end, STREAM_SEEK_END, &at);
    if (CoMarshalInterface(stream, IID_IUnknown, &probe, MSHCTX_INPROC, nullptr, MSHLFLAGS_NORMAL) != S_OK)
        std::abort();
    LARGE_INTEGER back{};
    back.QuadPart = static_cast<int64_t>(at.QuadPart);
    stream->Seek(back, STREAM_SEEK_SET, nullptr);
    if (CoUnmarshalInterface(stream, IID_IUnknown, &received) != S_OK || received != &probe)
        std::abort();
    probe.Release();
    stream->Release();
    if (probe.refs != 1) std::abort();
    return 0;
}
