#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "counted_object.h"
#include "vekconfig/interface_table.h"

namespace {

using vek::test::CountedObject;
using vek::test::ICounted;
using vek::test::IID_ICounted;

class InterfaceTable : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(InitGIT(), S_OK); }
};

TEST_F(InterfaceTable, InterfaceRegisteredOnOneThreadIsFetchedOnAnotherAndGoneAfterRevoke) {
    IGlobalInterfaceTable* first = g_pGIT;
    EXPECT_EQ(InitGIT(), S_OK);
    EXPECT_EQ(g_pGIT, first) << "a second init keeps the same table";
    CountedObject object(42);
    DWORD cookie = 0;
    std::thread([&] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        EXPECT_EQ(WritePtrToGlobalVariable(&object, IID_ICounted, &cookie), S_OK);
        CoUninitialize();
    }).join();
    ASSERT_NE(cookie, 0u);
    EXPECT_EQ(object.refs(), 2u) << "the table holds its own reference";

    std::thread([&] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        IUnknown* fetched = nullptr;
        ASSERT_EQ(ReadPtrFromGlobalVariable(cookie, IID_ICounted, &fetched), S_OK);
        EXPECT_EQ(static_cast<ICounted*>(fetched)->Value(), 42);
        fetched->Release();
        EXPECT_EQ(RemovePtrFromGlobalVariable(cookie), S_OK);
        fetched = reinterpret_cast<IUnknown*>(0x1);
        EXPECT_EQ(ReadPtrFromGlobalVariable(cookie, IID_ICounted, &fetched), E_INVALIDARG);
        EXPECT_EQ(fetched, nullptr);
        EXPECT_EQ(RemovePtrFromGlobalVariable(cookie), E_INVALIDARG);
        CoUninitialize();
    }).join();
    EXPECT_EQ(object.refs(), 1u) << "revoking released the table's reference";
}

TEST_F(InterfaceTable, InterfaceTheObjectLacksIsRefusedWithoutAReference) {
    CountedObject object(1);
    DWORD cookie = 77;
    EXPECT_EQ(WritePtrToGlobalVariable(&object, IID_IStream, &cookie), E_NOINTERFACE);
    EXPECT_EQ(cookie, 77u);
    // A failed marshalling leaves the stream for the caller to release.
    IStream* stream = nullptr;
    EXPECT_EQ(MarshalInterfaceInStreamNoPing(IID_IStorage, &object, &stream), E_NOINTERFACE);
    ASSERT_NE(stream, nullptr);
    stream->Release();
    EXPECT_EQ(object.refs(), 1u);
}

TEST_F(InterfaceTable, ManyThreadsRegisterFetchAndRevokeWithoutLosingAReference) {
    CountedObject object(7);
    constexpr int kThreads = 4;
    constexpr int kRounds = 500;
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < kRounds; ++i) {
                DWORD cookie = 0;
                IUnknown* fetched = nullptr;
                if (WritePtrToGlobalVariable(&object, IID_ICounted, &cookie) != S_OK ||
                    ReadPtrFromGlobalVariable(cookie, IID_IUnknown, &fetched) != S_OK ||
                    static_cast<ICounted*>(fetched)->Value() != 7) {
                    ++failures;
                    continue;
                }
                fetched->Release();
                if (RemovePtrFromGlobalVariable(cookie) != S_OK) ++failures;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(object.refs(), 1u);
}

TEST_F(InterfaceTable, StreamMarshalledWithoutPingIsRewoundAndUnmarshalsOnceOnAnotherThread) {
    CountedObject object(9);
    IStream* stream = nullptr;
    ASSERT_EQ(MarshalInterfaceInStreamNoPing(IID_ICounted, &object, &stream), S_OK);
    ASSERT_NE(stream, nullptr);
    ULARGE_INTEGER position{};
    LARGE_INTEGER none{};
    ASSERT_EQ(stream->Seek(none, STREAM_SEEK_CUR, &position), S_OK);
    EXPECT_EQ(position.QuadPart, 0u);
    std::thread([&] {
        void* received = nullptr;
        ASSERT_EQ(CoUnmarshalInterface(stream, IID_ICounted, &received), S_OK);
        EXPECT_EQ(static_cast<ICounted*>(received)->Value(), 9);
        static_cast<ICounted*>(received)->Release();
        LARGE_INTEGER start{};
        stream->Seek(start, STREAM_SEEK_SET, nullptr);
        received = nullptr;
        EXPECT_EQ(CoUnmarshalInterface(stream, IID_ICounted, &received), CO_E_OBJNOTCONNECTED)
            << "a normal marshalling is consumed by its unmarshal";
    }).join();
    stream->Release();
    EXPECT_EQ(object.refs(), 1u);
}

}  // namespace
