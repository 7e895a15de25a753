// Compound files against plain file I/O on the same bytes:
// - opening and reading every stream of an object-shaped file (ten streams,
//   about 42 KB), of a file of 2000 streams of 9308 bytes and of a file with
//   one 50 MB stream, each against open + read of the whole file (the
//   object-shaped file also beside the floors under any format);
// - replacing one 5 KB stream in a 60 MB file against one durable 8 KB write.
// Files go to $VEK_BENCH_DIR when set (and are kept), else to a temporary
// directory that is removed afterwards.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "exclusive_read_floor.h"
#include "late_lock_release.h"
#include "plain_read.h"
#include "vekconfig/storage.h"
#include "vekconfig/text.h"

namespace {

constexpr DWORD kRead = STGM_READ | STGM_SHARE_EXCLUSIVE;
constexpr DWORD kReadWrite = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;

class BenchDirectory {
public:
    BenchDirectory() {
        if (const char* dir = std::getenv("VEK_BENCH_DIR")) {
            path_ = dir;
            keep_ = true;
            std::filesystem::create_directories(path_);
        } else {
            std::string pattern = (std::filesystem::temp_directory_path() / "vekbench-XXXXXX").string();
            path_ = mkdtemp(pattern.data());
        }
    }
    ~BenchDirectory() {
        if (!keep_) std::filesystem::remove_all(path_);
    }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
    bool keep_ = false;
};

BenchDirectory& Directory() {
    static BenchDirectory directory;
    return directory;
}

void Check(HRESULT hr, const char* what) {
    if (FAILED(hr)) {
        std::fprintf(stderr, "%s failed: 0x%08X\n", what, static_cast<unsigned>(hr));
        std::abort();
    }
}

// Writes streams of the given sizes into one storage ("" is the root).
std::string MakeFile(const std::string& name, const std::string& storageName, const std::vector<size_t>& sizes) {
    const std::string path = Directory().File(name);
    if (std::filesystem::exists(path)) return path;
    IStorage* root = nullptr;
    Check(StgCreateDocfile(vek::Utf8ToUtf16(path).c_str(), kReadWrite | STGM_CREATE, 0, &root), "create");
    IStorage* storage = root;
    if (!storageName.empty())
        Check(root->CreateStorage(vek::Utf8ToUtf16(storageName).c_str(), kReadWrite, 0, 0, &storage), "storage");
    std::string bytes;
    for (size_t i = 0; i < sizes.size(); ++i) {
        bytes.assign(sizes[i], static_cast<char>('a' + i % 26));
        IStream* stream = nullptr;
        Check(storage->CreateStream(vek::Utf8ToUtf16("VEK_STREAM_" + std::to_string(i)).c_str(), kReadWrite | STGM_CREATE,
                                    0, 0, &stream),
              "stream");
        Check(stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr), "write");
        stream->Release();
    }
    if (storage != root) storage->Release();
    root->Release();
    return path;
}

HRESULT OpenFile(const std::u16string& path, DWORD mode, IStorage** root) {
    return vek::bench::RetryWhileLocked([&] { return StgOpenStorage(path.c_str(), nullptr, mode, nullptr, 0, root); },
                                        [](HRESULT status) { return status == STG_E_LOCKVIOLATION; });
}

const std::vector<size_t> kObjectSizes = {1312, 3688, 9308, 4232, 2700, 6048, 1184, 8008, 4124, 1200};

// Reads every stream below storage into buffer; returns the bytes read.
uint64_t ReadEverything(IStorage* storage, std::vector<char>& buffer) {
    uint64_t total = 0;
    IEnumSTATSTG* elements = nullptr;
    Check(storage->EnumElements(0, nullptr, 0, &elements), "enum");
    STATSTG stat;
    while (elements->Next(1, &stat, nullptr) == S_OK) {
        if (stat.type == STGTY_STORAGE) {
            IStorage* sub = nullptr;
            Check(storage->OpenStorage(stat.pwcsName, nullptr, kRead, nullptr, 0, &sub), "open storage");
            total += ReadEverything(sub, buffer);
            sub->Release();
        } else {
            IStream* stream = nullptr;
            Check(storage->OpenStream(stat.pwcsName, nullptr, kRead, 0, &stream), "open stream");
            if (buffer.size() < stat.cbSize.QuadPart) buffer.resize(stat.cbSize.QuadPart);
            ULONG read = 0;
            Check(stream->Read(buffer.data(), static_cast<ULONG>(stat.cbSize.QuadPart), &read), "read");
            total += read;
            stream->Release();
        }
        CoTaskMemFree(stat.pwcsName);
    }
    elements->Release();
    return total;
}

void CompoundRead(benchmark::State& state, const std::string& path) {
    std::vector<char> buffer;
    const std::u16string wide = vek::Utf8ToUtf16(path);
    uint64_t bytes = 0;
    for (auto _ : state) {
        IStorage* root = nullptr;
        Check(OpenFile(wide, kRead, &root), "open");
        bytes = ReadEverything(root, buffer);
        root->Release();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void PlainRead(benchmark::State& state, const std::string& path) {
    vek::bench::PageAlignedBuffer buffer(std::filesystem::file_size(path));
    for (auto _ : state) {
        vek::bench::ReadPlain(path.c_str(), buffer);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * buffer.size()));
}

std::string ObjectFile() { return MakeFile("object.cfg", "", kObjectSizes); }
std::string ManyStreamsFile() { return MakeFile("many.cfg", "many", std::vector<size_t>(2000, 9308)); }
std::string BigStreamFile() { return MakeFile("big.cfg", "", {50u << 20}); }
std::string SixtyMegabyteFile() {
    std::vector<size_t> sizes(60, 1u << 20);
    sizes.push_back(5 * 1024);
    return MakeFile("sixty.cfg", "", sizes);
}

// The part of the cost that is the sharing rules and the stream-at-a-time
// reads rather than the format: the file read whole and the streams copied
// out, or the streams read one by one.
void BM_ObjectFile_ExclusiveReadFloor(benchmark::State& state) {
    const std::string path = ObjectFile();
    const size_t streamBytes = vek::bench::Total(kObjectSizes);
    vek::bench::PageAlignedBuffer file, out;
    for (auto _ : state) {
        vek::bench::ExclusiveReadFloor(path.c_str(), false, streamBytes, file, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * std::filesystem::file_size(path)));
}

void BM_ObjectFile_ReadPerStreamFloor(benchmark::State& state) {
    const std::string path = ObjectFile();
    vek::bench::PageAlignedBuffer out;
    for (auto _ : state) {
        vek::bench::ExclusiveReadPerStreamFloor(path.c_str(), false, kObjectSizes, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * std::filesystem::file_size(path)));
}

void BM_ObjectFile_Compound(benchmark::State& state) { CompoundRead(state, ObjectFile()); }
void BM_ObjectFile_PlainRead(benchmark::State& state) { PlainRead(state, ObjectFile()); }
void BM_ManyStreams_Compound(benchmark::State& state) { CompoundRead(state, ManyStreamsFile()); }
void BM_ManyStreams_PlainRead(benchmark::State& state) { PlainRead(state, ManyStreamsFile()); }
void BM_BigStream_Compound(benchmark::State& state) { CompoundRead(state, BigStreamFile()); }
void BM_BigStream_PlainRead(benchmark::State& state) { PlainRead(state, BigStreamFile()); }

void BM_Replace5KStreamIn60MB_Compound(benchmark::State& state) {
    const std::u16string path = vek::Utf8ToUtf16(SixtyMegabyteFile());
    const std::u16string name = u"VEK_STREAM_60";
    std::string bytes(5 * 1024, 'r');
    for (auto _ : state) {
        bytes[0]++;
        IStorage* root = nullptr;
        Check(OpenFile(path, kReadWrite, &root), "open");
        IStream* stream = nullptr;
        Check(root->CreateStream(name.c_str(), kReadWrite | STGM_CREATE, 0, 0, &stream), "replace");
        Check(stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr), "write");
        stream->Release();
        root->Release();
    }
}

void BM_Replace5KStreamIn60MB_Durable8KWrite(benchmark::State& state) {
    // A plain file of the same size, overwritten in place.
    const std::string path = Directory().File("sixty.bin");
    if (!std::filesystem::exists(path)) std::filesystem::copy_file(SixtyMegabyteFile(), path);
    const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    std::vector<char> bytes(8192, 'd');
    for (auto _ : state) {
        bytes[0]++;
        if (pwrite(fd, bytes.data(), bytes.size(), 30 << 20) != static_cast<ssize_t>(bytes.size())) std::abort();
        fdatasync(fd);
    }
    close(fd);
}

}  // namespace

BENCHMARK(BM_ObjectFile_Compound);
BENCHMARK(BM_ObjectFile_PlainRead);
BENCHMARK(BM_ObjectFile_ExclusiveReadFloor);
BENCHMARK(BM_ObjectFile_ReadPerStreamFloor);
BENCHMARK(BM_ManyStreams_Compound)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ManyStreams_PlainRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BigStream_Compound)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BigStream_PlainRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Replace5KStreamIn60MB_Compound)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Replace5KStreamIn60MB_Durable8KWrite)->Unit(benchmark::kMicrosecond);
