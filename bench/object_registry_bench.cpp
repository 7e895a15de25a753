// The object registry's walks over 1,000 registered physical printers, each
// beside a plain open and read of the same 1,000 configuration files in the
// same run:
// - GetConfiguredVekObjects of their class;
// - GetPotentialPPs for their printer model;
// - the floor that a walk of the registry key (in one read transaction, as
//   the walks share theirs) and an exclusive read per object set under both,
//   and the steps a listing repeats per object.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "exclusive_read_floor.h"
#include "plain_read.h"
#include "platform/scoped_key.h"
#include "registry/registry_paths.h"
#include "vekconfig/config_files.h"
#include "vekconfig/object_registry.h"
#include "vekconfig/objectconfig.h"
#include "vekconfig/text.h"

namespace {

constexpr int kPrinters = 1000;
constexpr CLSID kClass = {0xBE4C0001, 0x1111, 0x2222, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr CLSID kBroker = {0xBE4C0002, 0x1111, 0x2222, {1, 2, 3, 4, 5, 6, 7, 8}};

GUID PrinterID(uint32_t n) { return {0xBE4C1000u, static_cast<uint16_t>(n), 0, {1, 2, 3, 4, 5, 6, 7, 8}}; }

// A home of 1,000 registered physical printers, made once per run.
class Installation {
public:
    Installation() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vekbench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        home_ = pattern;
        setenv("VEK_HOME", home_.c_str(), 1);
        const std::u16string broker = vek::GuidText(kBroker);
        vek::ScopedKey key;
        RegCreateKeyExW(HKEY_CLASSES_ROOT, (u"CLSID\\" + vek::GuidText(kClass) + u"\\Broker").c_str(),
                        0, nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr);
        RegSetValueExW(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(broker.c_str()),
                       static_cast<DWORD>((broker.size() + 1) * 2));
        auto common = std::make_unique<VEK_COMMON_CONFIG_DATA>();
        for (uint32_t n = 0; n < kPrinters; ++n) {
            std::memset(common.get(), 0, sizeof(*common));
            common->ObjectID = PrinterID(n);
            common->ObjectType = VEK_PHYSICAL_PRINTER_OBJECT;
            common->ClassID = kClass;
            vek::WideCopy(common->UserDescription, VEK_TEXT_CHARS, u"Photo printer");
            common->NumPrinterModelsSupported = 2;
            vek::WideCopy(common->PrinterModelsSupported, VEK_MODEL_SLOT_CHARS, u"RZ700");
            vek::WideCopy(common->PrinterModelsSupported + VEK_MODEL_SLOT_CHARS,
                          VEK_MODEL_SLOT_CHARS, u"PHOTO 5300");
            VEK_PHYSICAL_PRINTER_CONFIG_DATA printer{};
            vek::WideCopy(printer.DeviceAddress, VEK_TEXT_CHARS, u"1-0-4-0");
            printer.DeviceAddressKind = VEK_ADDRESS_SCSI;
            CVekObjectConfig config;
            if (config.Create(PrinterID(n)) != S_OK || config.SetVekObjectConfig(*common) != S_OK ||
                config.SetPhysicalPrinterConfig(printer) != S_OK ||
                config.AssociateClassID(kClass) != S_OK ||
                AddVekObjectIDToRegistry(kClass, PrinterID(n)) != S_OK)
                std::abort();
            WCHAR path[MAX_PATH];
            ComposeConfigFilePathname(PrinterID(n), path);
            paths_.push_back(vek::Utf16ToUtf8(path));
        }
    }
    ~Installation() {
        std::error_code ignored;
        std::filesystem::remove_all(home_, ignored);
    }
    const std::vector<std::string>& paths() const { return paths_; }
    const std::filesystem::path& home() const { return home_; }

private:
    std::filesystem::path home_;
    std::vector<std::string> paths_;
};

Installation& TheInstallation() {
    static Installation installation;
    return installation;
}

void BM_GetConfiguredVekObjects_1000(benchmark::State& state) {
    TheInstallation();
    for (auto _ : state) {
        ULONG count = 0;
        BROKER_PRINTER_INFO* list = nullptr;
        if (GetConfiguredVekObjects(kClass, count, &list) != S_OK || count != kPrinters)
            state.SkipWithError("listing incomplete");
        std::free(list);
    }
}
BENCHMARK(BM_GetConfiguredVekObjects_1000)->Unit(benchmark::kMillisecond);

void BM_GetPotentialPPs_1000(benchmark::State& state) {
    TheInstallation();
    for (auto _ : state) {
        ULONG count = 0;
        POTENTIAL_LP_PP_CONNECTION* candidates = nullptr;
        if (GetPotentialPPs(u"photo 5300", count, &candidates, nullptr, 0, nullptr) != S_OK ||
            count != kPrinters)
            state.SkipWithError("candidates incomplete");
        std::free(candidates);
    }
}
BENCHMARK(BM_GetPotentialPPs_1000)->Unit(benchmark::kMillisecond);

// The reference: open and read every byte of the same files.
void BM_PlainOpenAndRead_1000(benchmark::State& state) {
    const std::vector<std::string>& paths = TheInstallation().paths();
    vek::bench::PageAlignedBuffer buffer(1 << 16);
    for (auto _ : state) {
        size_t total = 0;
        for (const std::string& path : paths) total += vek::bench::ReadPlain(path.c_str(), buffer);
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(BM_PlainOpenAndRead_1000)->Unit(benchmark::kMillisecond);

// The floor under a walk, whatever the code around it: per object, the
// registry database asked for the next subkey (all in one read transaction,
// as a walk shares its reads), and an exclusive read of the object's file
// with its streams' bytes copied out.
void BM_Floor_KeyWalkAndExclusiveRead_1000(benchmark::State& state) {
    const Installation& installation = TheInstallation();
    const std::string directory = std::filesystem::path(installation.paths().front()).parent_path().string();
    const size_t streamBytes = vek::bench::Total(vek::bench::RootStreamSizes(vek::Utf8ToUtf16(installation.paths().front())));
    sqlite3* db = nullptr;
    if (sqlite3_open((installation.home() / "registry.sqlite").c_str(), &db) != SQLITE_OK) std::abort();
    const auto prepare = [db](const char* sql) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) != SQLITE_OK)
            std::abort();
        return statement;
    };
    sqlite3_stmt* devices = prepare("SELECT id FROM keys WHERE name_upper = 'DEVICES'");
    if (sqlite3_step(devices) != SQLITE_ROW) std::abort();
    const sqlite3_int64 devicesKey = sqlite3_column_int64(devices, 0);
    sqlite3_finalize(devices);
    sqlite3_stmt* begin = prepare("BEGIN");
    sqlite3_stmt* next = prepare(
        "SELECT name, name_upper FROM keys WHERE parent = ?1 AND name_upper > ?2 ORDER BY name_upper LIMIT 1");
    sqlite3_stmt* commit = prepare("COMMIT");
    vek::bench::PageAlignedBuffer file, out;
    for (auto _ : state) {
        std::string after;
        int objects = 0;
        sqlite3_step(begin);
        sqlite3_reset(begin);
        for (;;) {
            sqlite3_bind_int64(next, 1, devicesKey);
            sqlite3_bind_text(next, 2, after.c_str(), -1, SQLITE_TRANSIENT);
            std::string name;
            if (sqlite3_step(next) == SQLITE_ROW) {
                name = reinterpret_cast<const char*>(sqlite3_column_text(next, 0));
                after = reinterpret_cast<const char*>(sqlite3_column_text(next, 1));
            }
            sqlite3_reset(next);
            if (name.empty()) break;
            vek::bench::ExclusiveReadFloor((directory + "/" + name + ".cfg").c_str(), true, streamBytes, file, out);
            ++objects;
        }
        sqlite3_step(commit);
        sqlite3_reset(commit);
        if (objects != kPrinters) state.SkipWithError("walk incomplete");
    }
    for (sqlite3_stmt* statement : {begin, next, commit}) sqlite3_finalize(statement);
    sqlite3_close(db);
}
BENCHMARK(BM_Floor_KeyWalkAndExclusiveRead_1000)->Unit(benchmark::kMillisecond);

// Where a listing's time goes: the three steps it repeats per object.
void BM_Step_EnumerateDevicesKey_1000(benchmark::State& state) {
    TheInstallation();
    const std::u16string path = u"CLSID\\" + vek::GuidText(kClass) + u"\\Devices";
    for (auto _ : state) {
        const auto sharedReads = vek::ShareWalkReads();  // as the walks do
        vek::ScopedKey devices;
        RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, devices.put());
        for (DWORD index = 0;; ++index) {
            WCHAR name[MAX_PATH];
            DWORD length = MAX_PATH;
            if (RegEnumKeyExW(devices.get(), index, name, &length, nullptr, nullptr, nullptr,
                              nullptr) != ERROR_SUCCESS)
                break;
        }
    }
}
BENCHMARK(BM_Step_EnumerateDevicesKey_1000)->Unit(benchmark::kMillisecond);

void BM_Step_ComposeConfigFilePathname_1000(benchmark::State& state) {
    TheInstallation();
    for (auto _ : state) {
        for (uint32_t n = 0; n < kPrinters; ++n) {
            WCHAR path[MAX_PATH];
            ComposeConfigFilePathname(PrinterID(n), path);
        }
    }
}
BENCHMARK(BM_Step_ComposeConfigFilePathname_1000)->Unit(benchmark::kMillisecond);

void BM_Step_ObjectConfigOpenByPath_1000(benchmark::State& state) {
    std::vector<std::u16string> paths;
    for (const std::string& path : TheInstallation().paths()) paths.push_back(vek::Utf8ToUtf16(path));
    for (auto _ : state) {
        CVekObjectConfig config;
        for (const std::u16string& path : paths) config.Open(path.c_str());
    }
}
BENCHMARK(BM_Step_ObjectConfigOpenByPath_1000)->Unit(benchmark::kMillisecond);

}  // namespace
