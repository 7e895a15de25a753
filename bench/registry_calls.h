// The registry read and write that the registry benchmarks time through the
// library, whichever store is behind it.
#pragma once

#include <benchmark/benchmark.h>

#include "vekconfig/registry.h"

namespace vek::bench {

// The key the benchmarks read and write, with "LogFileLength" = 1000000.
constexpr const char16_t* kKeyPath = u"SOFTWARE\\Norvane\\VekConfiguration\\Bench";

// Creates the key and its value.
inline void MakeBenchKey() {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKeyPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    const DWORD value = 1000000;
    RegSetValueExW(key, u"LogFileLength", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof(value));
    RegCloseKey(key);
}

// Opens the key and reads its value, as a settings getter does.
inline void ReadThroughLibrary(benchmark::State& state) {
    for (auto _ : state) {
        HKEY key = nullptr;
        DWORD value = 0, size = sizeof(value);
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS ||
            RegQueryValueExW(key, u"LogFileLength", nullptr, nullptr,
                             reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
            value != 1000000)
            state.SkipWithError("read failed");
        RegCloseKey(key);
    }
}

// Creates (opens) the key and writes a new value, as a settings setter does.
inline void WriteThroughLibrary(benchmark::State& state) {
    DWORD value = 0;  // a new value each time: rewriting equal bytes may write nothing
    for (auto _ : state) {
        ++value;
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKeyPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                            nullptr) != ERROR_SUCCESS ||
            RegSetValueExW(key, u"Written", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                           sizeof(value)) != ERROR_SUCCESS)
            state.SkipWithError("write failed");
        RegCloseKey(key);
    }
}

}  // namespace vek::bench
