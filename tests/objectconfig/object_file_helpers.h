// Helpers for the object configuration tests: raw access to the streams of a
// real compound file, patterned records, and a fresh VEK_HOME per test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/env.h"
#include "support/logged_home.h"
#include "vekconfig/objectconfig.h"
#include "vekconfig/storage.h"
#include "vekconfig/text.h"

namespace vek::test {

using Bytes = std::vector<uint8_t>;

// Fills a record with bytes that differ from position to position and seed
// to seed, so that any shifted, dropped or zeroed byte shows.
template <class Record>
Record Patterned(uint8_t seed) {
    Record record;
    auto* bytes = reinterpret_cast<uint8_t*>(&record);
    for (size_t i = 0; i < sizeof record; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7 + (i >> 8));
    return record;
}

template <class Record>
Bytes BytesOf(const Record& record) {
    const auto* p = reinterpret_cast<const uint8_t*>(&record);
    return Bytes(p, p + sizeof record);
}

// The records one after another, as a list stream holds them.
template <class Record>
Bytes Joined(const std::vector<Record>& records) {
    Bytes bytes;
    for (const Record& record : records) {
        const Bytes one = BytesOf(record);
        bytes.insert(bytes.end(), one.begin(), one.end());
    }
    return bytes;
}

inline std::u16string Wide(const std::string& text) { return Utf8ToUtf16(text); }

// Writes a new compound file holding exactly the given streams.
inline void WriteStreams(const std::u16string& path,
                         const std::vector<std::pair<std::u16string, Bytes>>& streams) {
    IStorage* storage = nullptr;
    ASSERT_EQ(StgCreateDocfile(path.c_str(), STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE, 0,
                               &storage),
              S_OK);
    for (const auto& [name, bytes] : streams) {
        IStream* stream = nullptr;
        ASSERT_EQ(storage->CreateStream(name.c_str(), 0x1012, 0, 0, &stream), S_OK);
        ASSERT_EQ(stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr), S_OK);
        stream->Release();
    }
    storage->Release();
}

// The bytes of one stream; *status receives the open's status (a missing
// stream gives STG_E_FILENOTFOUND and no bytes).
inline Bytes ReadStream(const std::u16string& path, const std::u16string& name,
                        HRESULT* status = nullptr) {
    IStorage* storage = nullptr;
    HRESULT hr = StgOpenStorage(path.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0,
                                &storage);
    Bytes bytes;
    if (SUCCEEDED(hr)) {
        IStream* stream = nullptr;
        hr = storage->OpenStream(name.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream);
        if (SUCCEEDED(hr)) {
            STATSTG stat{};
            stream->Stat(&stat, STATFLAG_NONAME);
            bytes.resize(stat.cbSize.QuadPart);
            ULONG read = 0;
            stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
            bytes.resize(read);
            stream->Release();
        }
        storage->Release();
    }
    if (status != nullptr) *status = hr;
    return bytes;
}

// The connection list an instance holds now.
inline std::vector<VEK_LP_PP_CONNECTIONS> Connections(CVekObjectConfig& config) {
    VEK_LP_PP_CONNECTIONS* list = nullptr;
    DWORD count = 0;
    EXPECT_EQ(config.GetLpPpConnections(&list, &count), S_OK);
    std::vector<VEK_LP_PP_CONNECTIONS> out(list, list + count);
    free(list);
    return out;
}

// Counts the file opens an instance asks for, and the wait of the last one.
class CountingEnv : public EnvWrapper {
public:
    CountingEnv() : EnvWrapper(&CurrentEnv()) {}
    HRESULT OpenStorageWaiting(const WCHAR* path, DWORD mode, uint32_t waitMilliseconds,
                               IStorage** storage) override {
        ++opens;
        lastWait = waitMilliseconds;
        return EnvWrapper::OpenStorageWaiting(path, mode, waitMilliseconds, storage);
    }
    std::atomic<int> opens{0};
    uint32_t lastWait = 0;
};

// A fresh VEK_HOME with the library attached and its reports recorded, and
// a file path inside it.
class ObjectFileTest : public ::testing::Test {
protected:
    std::u16string FilePath(const std::string& name = "object.cfg") const {
        return Wide((logged_.home() / name).string());
    }
    // An open instance on a new file with the given common record.
    void CreateWithCommon(CVekObjectConfig& config, const VEK_COMMON_CONFIG_DATA& common) {
        ASSERT_EQ(config.Create(FilePath().c_str()), S_OK);
        ASSERT_EQ(config.SetVekObjectConfig(common), S_OK);
    }

    // True when an error with this context and status was reported.
    bool Reported(const std::u16string& context, HRESULT status) {
        char code[16];
        std::snprintf(code, sizeof code, "%#lx", static_cast<unsigned long>(static_cast<uint32_t>(status)));
        for (const auto& event : logged_.events())
            if (event.eventId == 0x40001001 && event.strings.size() == 2 &&
                event.strings[0] == context && event.strings[1] == Wide(code))
                return true;
        return false;
    }

    LoggedHome logged_;
};

}  // namespace vek::test
