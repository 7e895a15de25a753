// Object configuration costs, each beside its reference in the same run:
// - Open of an object with all ten streams against a plain open and read of
//   the same file's bytes (target: at most 1.5x), beside the two floors that
//   the exclusive open and the stream-at-a-time reads set under any format;
//   each also on an object made beforehand, without the construction;
// - one field setter against an atomic durable rewrite of the same bytes:
//   temporary file, fsync, rename, fsync of the directory (target: at most 1.2x);
// - a read-lock acquire and release against std::shared_mutex (target: at
//   most 3x), beside the part of it that is the two reads of the trace switch
//   (each lock call must look at the live environment) and the same two reads
//   done with getenv;
// - Open of a file that another process holds for 20 ms at a time, letting
//   go for about 1 ms between holds, against a blind 100 ms poll.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <shared_mutex>
#include <string>
#include <thread>
#include <vector>

#include "exclusive_read_floor.h"
#include "plain_read.h"
#include "platform/lock_trace_file.h"
#include "platform/storage_wait.h"
#include "vekconfig/objectconfig.h"
#include "vekconfig/storage.h"
#include "vekconfig/text.h"

namespace {

namespace fs = std::filesystem;

// A directory of its own for the run, removed at exit. The path is never
// destroyed, so the exit handler can still use it.
const fs::path& Scratch() {
    static const fs::path* dir = [] {
        std::string pattern = (fs::temp_directory_path() / "vekbench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        setenv("VEK_HOME", pattern.c_str(), 1);
        auto* path = new fs::path(pattern);
        std::atexit([] { fs::remove_all(Scratch()); });
        return path;
    }();
    return *dir;
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

// The same Open on one object made beforehand, as Refresh does: without the
// construction, which zeroes the records and starts the lock's trace file
// afresh.
void BM_Open_TenStreams_ObjectMadeBefore(benchmark::State& state) {
    const std::u16string path = FullObject();
    CVekObjectConfig config;
    for (auto _ : state)
        if (config.Open(path.c_str()) != S_OK) state.SkipWithError("Open failed");
}
BENCHMARK(BM_Open_TenStreams_ObjectMadeBefore);

// Reference: the same file's bytes read whole with plain calls.
void BM_Open_PlainReadReference(benchmark::State& state) {
    const std::string path = vek::Utf16ToUtf8(FullObject());
    vek::bench::PageAlignedBuffer buffer(fs::file_size(path));
    for (auto _ : state) {
        vek::bench::ReadPlain(path.c_str(), buffer);
        benchmark::DoNotOptimize(buffer.data());
    }
}
BENCHMARK(BM_Open_PlainReadReference);

// The floors under Open: what each exclusive read must do whatever the
// format, with the streams' bytes copied out of the file read whole, or read
// one by one; with each construction's part too (the lock starts its trace
// file afresh), or without it, as for an object made before.
enum class Construction { kEachTime, kMadeBefore };
enum class StreamReads { kCopiedFromWholeFile, kOneReadEach };

void OpenFloor(benchmark::State& state, Construction construction, StreamReads reads) {
    const std::u16string wide = FullObject();
    const std::string path = vek::Utf16ToUtf8(wide);
    const std::vector<size_t> streamSizes = vek::bench::RootStreamSizes(wide);
    const size_t streamBytes = vek::bench::Total(streamSizes);
    const std::string tracePath = vek::LockTracePath();
    vek::bench::PageAlignedBuffer file, out;
    for (auto _ : state) {
        if (construction == Construction::kEachTime) vek::RemoveLockTraceFile(tracePath);
        if (reads == StreamReads::kCopiedFromWholeFile)
            vek::bench::ExclusiveReadFloor(path.c_str(), true, streamBytes, file, out);
        else
            vek::bench::ExclusiveReadPerStreamFloor(path.c_str(), true, streamSizes, out);
        benchmark::DoNotOptimize(out.data());
    }
}

void BM_Open_ExclusiveReadFloor(benchmark::State& state) {
    OpenFloor(state, Construction::kEachTime, StreamReads::kCopiedFromWholeFile);
}
BENCHMARK(BM_Open_ExclusiveReadFloor);

void BM_Open_ExclusiveReadFloor_ObjectMadeBefore(benchmark::State& state) {
    OpenFloor(state, Construction::kMadeBefore, StreamReads::kCopiedFromWholeFile);
}
BENCHMARK(BM_Open_ExclusiveReadFloor_ObjectMadeBefore);

void BM_Open_ReadPerStreamFloor(benchmark::State& state) {
    OpenFloor(state, Construction::kEachTime, StreamReads::kOneReadEach);
}
BENCHMARK(BM_Open_ReadPerStreamFloor);

void BM_Open_ReadPerStreamFloor_ObjectMadeBefore(benchmark::State& state) {
    OpenFloor(state, Construction::kMadeBefore, StreamReads::kOneReadEach);
}
BENCHMARK(BM_Open_ReadPerStreamFloor_ObjectMadeBefore);

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

// The floor under the lock pair: the trace switch read once per call.
void BM_ReadLock_TwoSwitchReadsFloor(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(vek::LockTraceSwitchedOn());
        benchmark::DoNotOptimize(vek::LockTraceSwitchedOn());
    }
    int entries = 0;
    for (char** e = environ; e != nullptr && *e != nullptr; ++e) ++entries;
    state.counters["environment_entries"] = entries;
}
BENCHMARK(BM_ReadLock_TwoSwitchReadsFloor);

// Reference for the switch read: the same two reads through getenv.
void BM_ReadLock_TwoGetenvReference(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(std::getenv("VEK_LOCK_LOG"));
        benchmark::DoNotOptimize(std::getenv("VEK_LOCK_LOG"));
    }
}
BENCHMARK(BM_ReadLock_TwoGetenvReference);

// A child process that holds the file 20 ms at a time with ~1 ms gaps until
// it is killed; between holds it waits for the file as the library does.
class BusyHolder {
public:
    explicit BusyHolder(const std::u16string& path) {
        pid_ = fork();
        if (pid_ != 0) return;
        for (;;) {
            IStorage* storage = nullptr;
            if (vek::OpenStorageWaiting(path.c_str(), 0x12, 100, &storage) == S_OK) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                storage->Release();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    // Returns once the holder holds the file (outside the timed part).
    static void AwaitHeld(const std::u16string& path) {
        for (;;) {
            IStorage* storage = nullptr;
            if (StgOpenStorage(path.c_str(), nullptr, 0x10, nullptr, 0, &storage) == STG_E_LOCKVIOLATION)
                return;
            if (storage != nullptr) storage->Release();
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }
    ~BusyHolder() {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }

private:
    pid_t pid_;
};

void BM_BusyHolder_Open(benchmark::State& state) {
    const std::u16string path = FullObject();
    BusyHolder holder(path);
    for (auto _ : state) {
        state.PauseTiming();
        BusyHolder::AwaitHeld(path);
        state.ResumeTiming();
        CVekObjectConfig config;
        if (config.Open(path.c_str()) != S_OK) state.SkipWithError("Open failed");
    }
}
BENCHMARK(BM_BusyHolder_Open)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// Reference: the open retried after a blind 100 ms sleep.
void BM_BusyHolder_BlindPollReference(benchmark::State& state) {
    const std::u16string path = FullObject();
    BusyHolder holder(path);
    for (auto _ : state) {
        state.PauseTiming();
        BusyHolder::AwaitHeld(path);
        state.ResumeTiming();
        IStorage* storage = nullptr;
        while (StgOpenStorage(path.c_str(), nullptr, 0x12, nullptr, 0, &storage) == STG_E_LOCKVIOLATION)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (storage != nullptr) storage->Release();
    }
}
BENCHMARK(BM_BusyHolder_BlindPollReference)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
