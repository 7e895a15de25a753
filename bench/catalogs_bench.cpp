// The media catalog against the plain file operations it is built on, each
// pair measured side by side in one run:
//   Open of a catalog of 5,000 media with two printer-model records each
//     against a plain read of the same file's bytes (target: at most 2x);
//   one SetPrinterMediaCharacteristics on that catalog against one durable
//     8 KB write (target: at most 5x).
// The engine keeps a large file's state from one open to the next in a
// process; the "FileTouched" variants change the file's modification time
// before each call, so that every call reads the file afresh, as the first
// call in a process or the first after another process's change does.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "late_lock_release.h"
#include "plain_read.h"
#include "platform/com_ptr.h"
#include "vekconfig/vekconfig.h"
#include "vekconfig/settings.h"

namespace {

constexpr uint32_t kMedia = 5000;
constexpr DWORD kReadWrite = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
constexpr DWORD kCreate = STGM_CREATE | kReadWrite;

template <size_t N>
void SetText(WCHAR (&buffer)[N], const std::u16string& text) {
    std::memset(buffer, 0, sizeof buffer);
    text.copy(buffer, N);
}

void WriteStream(IStorage* parent, const WCHAR* name, const void* bytes, ULONG size) {
    vek::ComPtr<IStream> stream;
    ULONG written = 0;
    if (FAILED(parent->CreateStream(name, kCreate, 0, 0, stream.put())) ||
        FAILED(stream->Write(bytes, size, &written)))
        std::abort();
}

vek::ComPtr<IStorage> CreateStorage(IStorage* parent, const std::u16string& name) {
    vek::ComPtr<IStorage> storage;
    if (FAILED(parent->CreateStorage(name.c_str(), kReadWrite, 0, 0, storage.put()))) std::abort();
    return storage;
}

bool IsLockViolation(HRESULT status) { return status == STG_E_LOCKVIOLATION; }

// A VEK_HOME of its own holding the catalog of the benchmarks, built once
// in one session of the file (the same tree the catalog writes).
struct Fixture {
    std::filesystem::path home;
    std::filesystem::path mediaFile;

    Fixture() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vekbench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        home = pattern;
        setenv("VEK_HOME", home.c_str(), 1);
        WCHAR root[MAX_PATH + 1] = {};
        if (FAILED(GetConfigLocation(root, nullptr))) std::abort();
        const std::u16string path = std::u16string(root) + u"VekMedia.cfg";
        mediaFile = vek::Utf16ToUtf8(path);

        vek::ComPtr<IStorage> file;
        if (FAILED(StgCreateDocfile(path.c_str(), kCreate, 0, file.put()))) std::abort();
        for (uint32_t id = 0; id < kMedia; ++id) {
            MEDIA_CHARACTERISTICS medium = {};
            medium.MediaID = id;
            SetText(medium.Text, u"Medium " + vek::Utf8ToUtf16(std::to_string(id)));
            medium.Value1 = static_cast<int32_t>(id);
            auto storage = CreateStorage(file.get(), vek::Utf8ToUtf16(std::to_string(id)));
            WriteStream(storage.get(), u"MEDIA_CHARACTERISTICS_V1", &medium, sizeof medium);
            auto printers = CreateStorage(storage.get(), u"PRINTER_MEDIA");
            for (const char16_t* model : {u"P-200", u"P-300"}) {
                PRINTER_MEDIA_CHARACTERISTICS printer = {};
                SetText(printer.PrinterModel, model);
                SetText(printer.PrinterText1, u"tray 1");
                printer.PrinterValue1 = static_cast<int32_t>(id);
                WriteStream(printers.get(), model, &printer, sizeof printer);
            }
        }
    }

    ~Fixture() {
        std::error_code ignored;
        std::filesystem::remove_all(home, ignored);
    }
};

Fixture& TheFixture() {
    static Fixture fixture;
    return fixture;
}

// Gives the catalog a modification time it never had, so that no state
// kept from an earlier open matches it.
void TouchCatalog(benchmark::State& state) {
    static time_t stamp = 1'000'000'000;
    state.PauseTiming();
    const timespec times[2] = {{0, UTIME_OMIT}, {++stamp, 0}};
    if (utimensat(AT_FDCWD, TheFixture().mediaFile.c_str(), times, 0) != 0) state.SkipWithError("touch failed");
    state.ResumeTiming();
}

void MediaCatalogOpen(benchmark::State& state, bool touched) {
    TheFixture();
    for (auto _ : state) {
        if (touched) TouchCatalog(state);
        CVekMediaConfig catalog;
        if (vek::bench::RetryWhileLocked([&] { return catalog.Open(); }, IsLockViolation) != S_OK)
            state.SkipWithError("Open failed");
        benchmark::DoNotOptimize(catalog);
    }
}
void BM_MediaCatalogOpen(benchmark::State& state) { MediaCatalogOpen(state, false); }
void BM_MediaCatalogOpen_FileTouched(benchmark::State& state) { MediaCatalogOpen(state, true); }

void BM_PlainReadOfTheSameFile(benchmark::State& state) {
    const auto& file = TheFixture().mediaFile;
    vek::bench::PageAlignedBuffer buffer(std::filesystem::file_size(file));
    for (auto _ : state) {
        vek::bench::ReadPlain(file.c_str(), buffer);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.counters["bytes"] = static_cast<double>(buffer.size());
}

// Reads the file through one 128 KB buffer, as a reader of a file too large
// to hold whole does, and copies 15,000 records' worth of bytes (a global
// record and two printer-model records per medium) out of it into blocks of
// their own as the bytes arrive; the blocks are freed at the end of the
// iteration, as the catalog frees its records. The bytes copied are not the
// records themselves: only their number, sizes and the memory they go to
// matter here.
void BM_Floor_ReadAndKeepRecords(benchmark::State& state) {
    const auto& file = TheFixture().mediaFile;
    vek::bench::PageAlignedBuffer piece(128 * 1024);
    constexpr size_t kRecordSizes[] = {sizeof(MEDIA_CHARACTERISTICS), sizeof(PRINTER_MEDIA_CHARACTERISTICS),
                                       sizeof(PRINTER_MEDIA_CHARACTERISTICS)};
    std::vector<std::unique_ptr<uint8_t[]>> records;
    records.reserve(3 * kMedia);
    for (auto _ : state) {
        const int fd = open(file.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0) std::abort();
        off_t offset = 0;
        for (ssize_t n; (n = pread(fd, piece.data(), piece.size(), offset)) > 0; offset += n) {
            // Records whose bytes have arrived by now are copied out.
            size_t from = 0;
            for (size_t size; records.size() < 3 * kMedia &&
                              from + (size = kRecordSizes[records.size() % 3]) <= static_cast<size_t>(n);
                 from += size) {
                records.push_back(std::make_unique_for_overwrite<uint8_t[]>(size));
                std::memcpy(records.back().get(), piece.data() + from, size);
            }
        }
        close(fd);
        if (records.size() != 3 * kMedia) state.SkipWithError("file shorter than its records");
        benchmark::DoNotOptimize(records.data());
        records.clear();
    }
}

void SetPrinterMediaCharacteristics(benchmark::State& state, bool touched) {
    TheFixture();
    CVekMediaConfig catalog;
    if (vek::bench::RetryWhileLocked([&] { return catalog.Open(); }, IsLockViolation) != S_OK)
        state.SkipWithError("Open failed");
    PRINTER_MEDIA_CHARACTERISTICS printer = {};
    SetText(printer.PrinterModel, u"P-200");
    int32_t round = 0;
    for (auto _ : state) {
        if (touched) TouchCatalog(state);
        printer.PrinterValue2 = ++round;
        const auto set = [&] { return catalog.SetPrinterMediaCharacteristics(2500, &printer); };
        if (vek::bench::RetryWhileLocked(set, IsLockViolation) != S_OK) state.SkipWithError("Set failed");
    }
}
void BM_SetPrinterMediaCharacteristics(benchmark::State& state) { SetPrinterMediaCharacteristics(state, false); }
void BM_SetPrinterMediaCharacteristics_FileTouched(benchmark::State& state) {
    SetPrinterMediaCharacteristics(state, true);
}

void BM_Durable8KWrite(benchmark::State& state) {
    const auto path = TheFixture().home / "durable.bin";
    const int fd = open(path.c_str(), O_CREAT | O_RDWR, 0644);
    std::vector<char> block(8192, 'x');
    for (auto _ : state) {
        block[0] = static_cast<char>(block[0] + 1);
        if (pwrite(fd, block.data(), block.size(), 0) != static_cast<ssize_t>(block.size()) || fsync(fd) != 0)
            state.SkipWithError("write failed");
    }
    close(fd);
}

BENCHMARK(BM_MediaCatalogOpen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MediaCatalogOpen_FileTouched)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainReadOfTheSameFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Floor_ReadAndKeepRecords)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetPrinterMediaCharacteristics)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SetPrinterMediaCharacteristics_FileTouched)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Durable8KWrite)->Unit(benchmark::kMicrosecond);

}  // namespace
