#include <gtest/gtest.h>

#include <cstring>

#include "counted_object.h"
#include "vekconfig/com_runtime.h"

namespace {

using vek::test::CountedObject;
using vek::test::ICounted;
using vek::test::IID_ICounted;

IStream* NewStream() {
    IStream* stream = nullptr;
    EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
    return stream;
}

void Rewind(IStream* stream) {
    LARGE_INTEGER start{};
    ASSERT_EQ(stream->Seek(start, STREAM_SEEK_SET, nullptr), S_OK);
}

TEST(MemoryStream, WritesPastTheEndGrowReadsPastTheEndStopShortAndBadSeeksAndHandlesFail) {
    IStream* stream = NewStream();
    LARGE_INTEGER at{};
    at.QuadPart = 10;
    ASSERT_EQ(stream->Seek(at, STREAM_SEEK_SET, nullptr), S_OK);
    ULONG written = 0;
    ASSERT_EQ(stream->Write("abc", 3, &written), S_OK);
    EXPECT_EQ(written, 3u);
    STATSTG stat{};
    ASSERT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(stat.type, STGTY_STREAM);
    EXPECT_EQ(stat.cbSize.QuadPart, 13u);
    Rewind(stream);
    char buffer[20];
    std::memset(buffer, 'x', sizeof(buffer));
    ULONG read = 0;
    ASSERT_EQ(stream->Read(buffer, sizeof(buffer), &read), S_OK);
    EXPECT_EQ(read, 13u);
    EXPECT_EQ(buffer[0], 0) << "the gap is zero-filled";
    EXPECT_EQ(std::memcmp(buffer + 10, "abc", 3), 0);
    LARGE_INTEGER back{};
    back.QuadPart = -1;
    EXPECT_EQ(stream->Seek(back, STREAM_SEEK_SET, nullptr), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(stream->Seek(back, 7, nullptr), STG_E_INVALIDFUNCTION);
    stream->Release();
    int memory = 0;
    stream = reinterpret_cast<IStream*>(0x1);
    EXPECT_EQ(CreateStreamOnHGlobal(&memory, TRUE, &stream), E_INVALIDARG) << "a global memory handle";
    EXPECT_EQ(stream, nullptr);
}

TEST(Marshalling, TableMarshallingUnmarshalsManyTimesUntilReleased) {
    CountedObject object(5);
    IStream* stream = NewStream();
    ASSERT_EQ(CoMarshalInterface(stream, IID_ICounted, &object, MSHCTX_INPROC, nullptr,
                                 MSHLFLAGS_TABLESTRONG),
              S_OK);
    for (int i = 0; i < 3; ++i) {
        Rewind(stream);
        void* received = nullptr;
        ASSERT_EQ(CoUnmarshalInterface(stream, IID_ICounted, &received), S_OK);
        static_cast<ICounted*>(received)->Release();
    }
    Rewind(stream);
    EXPECT_EQ(CoReleaseMarshalData(stream), S_OK);
    EXPECT_EQ(object.refs(), 1u);
    Rewind(stream);
    void* received = nullptr;
    EXPECT_EQ(CoUnmarshalInterface(stream, IID_ICounted, &received), CO_E_OBJNOTCONNECTED);
    stream->Release();
}

TEST(Marshalling, ForgedBytesAndOtherContextsAreRefusedWithoutAReference) {
    IStream* stream = NewStream();
    const unsigned char forged[32] = {0x56, 0x4B, 0x4D, 0x53};  // signature, unknown token
    ASSERT_EQ(stream->Write(forged, sizeof(forged), nullptr), S_OK);
    ASSERT_EQ(stream->Write("short", 5, nullptr), S_OK);
    Rewind(stream);
    void* received = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(CoUnmarshalInterface(stream, IID_IUnknown, &received), CO_E_OBJNOTCONNECTED);
    EXPECT_EQ(received, nullptr);
    EXPECT_EQ(CoUnmarshalInterface(stream, IID_IUnknown, &received), E_INVALIDARG)
        << "five bytes are no marshalling";
    CountedObject object(5);
    EXPECT_EQ(CoMarshalInterface(stream, IID_ICounted, &object, MSHCTX_DIFFERENTMACHINE, nullptr,
                                 MSHLFLAGS_NORMAL),
              E_INVALIDARG);
    EXPECT_EQ(object.refs(), 1u);
    stream->Release();
}

}  // namespace
