// Object configuration costs, each beside its reference in the same run:
// - Open of an object with all ten streams against a plain open and read of
//   the same file's bytes (target: at most 1.5x);
// - one field setter against an atomic durable rewrite of the same bytes:
//   temporary file, fsync, rename, fsync of the directory (target: at most 1.2x);
// - a read-lock acquire and release against std::shared_mutex (target: at
//   most 3x).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <shared_mutex>
#include <string>
#include <vector>

#include "vekconfig/objectconfig.h"
#include "vekconfig/text.h"

namespace {

namespace fs = std::filesystem;

// A directory of its own for the run, removed at exit.
const fs::path& Scratch() {
    static const fs::path dir = [] {
        std::string pattern = (fs::temp_directory_path() / "vekbench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        setenv("VEK_HOME", pattern.c_str(), 1);
        std::atexit([] { fs::remove_all(Scratch()); });
        return fs::path(pattern);
    }();
    return dir;
}

template <class Record>
Record Filled(uint8_t seed) {
    Record record;
    auto* bytes = reinterpret_cast<uint8_t*>(&record);
    for (size_t i = 0; i < sizeof record; ++i) bytes[i] = static_cast<uint8_t>(seed + i);
    return record;
}

// An object with every one of its ten streams: the records, four media and
// three connections.
std::u16string FullObject() {
    static const std::u16string path = [] {
        const std::u16string p = vek::Utf8ToUtf16((Scratch() / "full.cfg").string());
        CVekObjectConfig config;
        if (config.Create(p.c_str()) != S_OK) std::abort();
        config.SetVekObjectConfig(Filled<VEK_COMMON_CONFIG_DATA>(1));
        config.SetPhysicalPrinterConfig(Filled<VEK_PHYSICAL_PRINTER_CONFIG_DATA>(2));
        config.SetLogicalPrinterConfig(Filled<VEK_LOGICAL_PRINTER_CONFIG_DATA>(3));
        config.SetPFLogicalPrinterConfig(Filled<VEK_PF_LOGICAL_PRINTER_CONFIG_DATA>(4));
        config.SetLogicalPrinter5300Config(Filled<VEK_LOGICAL_PRINTER_5300_CONFIG_DATA>(5));
        config.SetDefaultJobAttributes(Filled<VEK_JOB_ATTRIBUTES>(6));
        config.SetDefaultPageAttributes(Filled<PageAttributesT2>(7));
        config.SetDefaultImageAttributes(Filled<ImageAttributesT>(8));
        for (DWORD m = 1; m <= 4; ++m) config.SetVekSpecificMedia(m, Filled<PRINTER_MEDIA_DATA>(m));
        for (uint8_t c = 1; c <= 3; ++c) {
            auto connection = Filled<VEK_LP_PP_CONNECTIONS>(c);
            connection.PPObjectID.Data1 = c;
            config.AddLpPpConnection(connection);
        }
        return p;
    }();
    return path;
}

void BM_Open_TenStreams(benchmark::State& state) {
    const std::u16string path = FullObject();
    for (auto _ : state) {
        CVekObjectConfig config;
        if (config.Open(path.c_str()) != S_OK) state.SkipWithError("Open failed");
    }
    state.counters["file_bytes"] = static_cast<double>(fs::file_size(vek::Utf16ToUtf8(path)));
}
BENCHMARK(BM_Open_TenStreams);

// Reference: the same file's bytes read whole with plain calls.
void BM_Open_PlainReadReference(benchmark::State& state) {
    const std::string path = vek::Utf16ToUtf8(FullObject());
    std::vector<char> buffer(fs::file_size(path));
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        size_t done = 0;
        while (done < buffer.size()) {
            const ssize_t n = ::read(fd, buffer.data() + done, buffer.size() - done);
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        ::close(fd);
        benchmark::DoNotOptimize(buffer.data());
    }
}
BENCHMARK(BM_Open_PlainReadReference);

void BM_FieldSetter_SetDefaultMediaID(benchmark::State& state) {
    const std::u16string path = FullObject();
    CVekObjectConfig config;
    if (config.Open(path.c_str()) != S_OK) state.SkipWithError("Open failed");
    DWORD id = 0;
    for (auto _ : state)
        if (config.SetDefaultMediaID(++id) != S_OK) state.SkipWithError("setter failed");
}
BENCHMARK(BM_FieldSetter_SetDefaultMediaID)->UseRealTime();

// Reference: the same file's bytes rewritten atomically and durably.
void BM_FieldSetter_AtomicDurableRewriteReference(benchmark::State& state) {
    const std::string source = vek::Utf16ToUtf8(FullObject());
    std::vector<char> bytes(fs::file_size(source));
    {
        const int fd = ::open(source.c_str(), O_RDONLY);
        if (::read(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
            state.SkipWithError("read failed");
        ::close(fd);
    }
    const std::string target = (Scratch() / "rewrite.bin").string();
    const std::string temp = target + ".tmp";
    const int dir = ::open(Scratch().c_str(), O_RDONLY | O_DIRECTORY);
    for (auto _ : state) {
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
            state.SkipWithError("write failed");
        ::fsync(fd);
        ::close(fd);
        ::rename(temp.c_str(), target.c_str());
        ::fsync(dir);
    }
    ::close(dir);
}
BENCHMARK(BM_FieldSetter_AtomicDurableRewriteReference)->UseRealTime();

void BM_ReadLock_CVekRWLock(benchmark::State& state) {
    CVekRWLock lock;
    for (auto _ : state) {
        lock.GetReadLock(false, 2500);
        lock.ReleaseReadLock(false, 2500);
    }
}
BENCHMARK(BM_ReadLock_CVekRWLock);

void BM_ReadLock_SharedMutexReference(benchmark::State& state) {
    std::shared_mutex lock;
    for (auto _ : state) {
        lock.lock_shared();
        lock.unlock_shared();
    }
}
BENCHMARK(BM_ReadLock_SharedMutexReference);

}  // namespace
