// Registry reads and writes through the library, each beside the plain
// SQLite statements that do the same work on the same database with the same
// durability (WAL, synchronous=FULL). Targets: a read at most 2x the raw
// statements, a write at most 1.2x.
//
// Run with --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true
// so that the pairs share the machine's ups and downs.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "registry_calls.h"
#include "vekconfig/registry.h"

namespace {

constexpr const char* kKeyNames[] = {"SOFTWARE", "NORVANE", "VEKCONFIGURATION", "BENCH"};

// One VEK_HOME for the whole run, holding a key with a value to read.
const std::filesystem::path& BenchHome() {
    static const std::filesystem::path home = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "vekbench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        setenv("VEK_HOME", pattern.c_str(), 1);
        vek::bench::MakeBenchKey();
        return std::filesystem::path(pattern);
    }();
    return home;
}

// A connection of the benchmark's own with the statements a registry read and
// write need, prepared once.
class RawRegistry {
public:
    RawRegistry() {
        sqlite3_open((BenchHome() / "registry.sqlite").c_str(), &db_);
        sqlite3_busy_timeout(db_, 5000);
        sqlite3_exec(db_, "PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL", nullptr,
                     nullptr, nullptr);
        Prepare("BEGIN", &begin_);
        Prepare("BEGIN IMMEDIATE", &beginWrite_);
        Prepare("COMMIT", &commit_);
        Prepare("SELECT id FROM keys WHERE parent = ?1 AND name_upper = ?2", &find_);
        Prepare("INSERT INTO keys(parent, name, name_upper) VALUES(?1, ?2, ?2)", &add_);
        Prepare("SELECT type, data FROM \"values\" WHERE key = ?1 AND name_upper = ?2", &get_);
        Prepare("INSERT INTO \"values\"(key, name, name_upper, type, data) VALUES(?1, ?2, ?3, ?4, ?5) "
                "ON CONFLICT(key, name_upper) DO UPDATE SET type = excluded.type, data = excluded.data",
                &put_);
    }
    ~RawRegistry() {
        for (sqlite3_stmt* s : {begin_, beginWrite_, commit_, find_, add_, get_, put_})
            sqlite3_finalize(s);
        sqlite3_close(db_);
    }

    DWORD Read() {
        Step(begin_);
        const int64_t key = Walk(false);
        sqlite3_bind_int64(get_, 1, key);
        sqlite3_bind_text(get_, 2, "LOGFILELENGTH", -1, SQLITE_STATIC);
        DWORD value = 0;
        if (sqlite3_step(get_) == SQLITE_ROW && sqlite3_column_bytes(get_, 1) == sizeof(value))
            std::memcpy(&value, sqlite3_column_blob(get_, 1), sizeof(value));
        sqlite3_reset(get_);
        Step(commit_);
        return value;
    }

    void Write(DWORD value) {
        Step(beginWrite_);
        const int64_t key = Walk(true);
        sqlite3_bind_int64(put_, 1, key);
        sqlite3_bind_text(put_, 2, "Written", -1, SQLITE_STATIC);
        sqlite3_bind_text(put_, 3, "WRITTEN", -1, SQLITE_STATIC);
        sqlite3_bind_int64(put_, 4, REG_DWORD);
        sqlite3_bind_blob(put_, 5, &value, sizeof(value), SQLITE_STATIC);
        Step(put_);
        Step(commit_);
    }

private:
    void Prepare(const char* sql, sqlite3_stmt** statement) {
        sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, statement, nullptr);
    }
    void Step(sqlite3_stmt* statement) {
        sqlite3_step(statement);
        sqlite3_reset(statement);
    }
    // The bench key from the root, adding missing keys when create.
    int64_t Walk(bool create) {
        int64_t at = 0;
        sqlite3_bind_int64(find_, 1, 0);
        sqlite3_bind_text(find_, 2, "HKEY_LOCAL_MACHINE", -1, SQLITE_STATIC);
        if (sqlite3_step(find_) == SQLITE_ROW) at = sqlite3_column_int64(find_, 0);
        sqlite3_reset(find_);
        for (const char* name : kKeyNames) {
            sqlite3_bind_int64(find_, 1, at);
            sqlite3_bind_text(find_, 2, name, -1, SQLITE_STATIC);
            const bool found = sqlite3_step(find_) == SQLITE_ROW;
            const int64_t next = found ? sqlite3_column_int64(find_, 0) : 0;
            sqlite3_reset(find_);
            if (!found && create) {
                sqlite3_bind_int64(add_, 1, at);
                sqlite3_bind_text(add_, 2, name, -1, SQLITE_STATIC);
                Step(add_);
                at = sqlite3_last_insert_rowid(db_);
            } else {
                at = next;
            }
        }
        return at;
    }

    sqlite3* db_ = nullptr;
    sqlite3_stmt *begin_ = nullptr, *beginWrite_ = nullptr, *commit_ = nullptr, *find_ = nullptr,
                 *add_ = nullptr, *get_ = nullptr, *put_ = nullptr;
};

void BM_ReadLibrary(benchmark::State& state) {
    BenchHome();
    vek::bench::ReadThroughLibrary(state);
}
BENCHMARK(BM_ReadLibrary)->UseRealTime();

void BM_ReadRawSqlite(benchmark::State& state) {
    RawRegistry raw;
    for (auto _ : state)
        if (raw.Read() != 1000000) state.SkipWithError("read failed");
}
BENCHMARK(BM_ReadRawSqlite)->UseRealTime();

void BM_WriteLibrary(benchmark::State& state) {
    BenchHome();
    vek::bench::WriteThroughLibrary(state);
}
BENCHMARK(BM_WriteLibrary)->UseRealTime();

void BM_WriteRawSqlite(benchmark::State& state) {
    RawRegistry raw;
    DWORD value = 0;
    for (auto _ : state) raw.Write(++value);
}
BENCHMARK(BM_WriteRawSqlite)->UseRealTime();

}  // namespace
