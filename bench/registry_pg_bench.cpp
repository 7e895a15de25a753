// Registry reads and writes through the library on the PostgreSQL store,
// each beside the plain libpq statements that do the same work (the same
// tables, one transaction, durable commit) on the same server. Targets: a
// read at most 2x the raw statements, a write at most 1.2x.
//
// The server is VEK_BENCH_REGISTRY when set (a postgresql:// URI), else a
// private cluster started here with scripts/pg_cluster.sh and stopped at exit.
// Run with --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true
// so that the pairs share the machine's ups and downs.
#include <benchmark/benchmark.h>
#include <endian.h>
#include <libpq-fe.h>
#include <stdlib.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

#include "registry_calls.h"
#include "vekconfig/registry.h"

namespace {

constexpr const char* kKeyNames[] = {"SOFTWARE", "NORVANE", "VEKCONFIGURATION", "BENCH"};
constexpr const char* kMachine = "BENCH-MACHINE";

std::filesystem::path g_clusterDir;

void StopCluster() {
    const std::string command =
        std::string(VEK_SOURCE_DIR "/scripts/pg_cluster.sh stop ") + g_clusterDir.string();
    if (std::system(command.c_str()) == 0) std::filesystem::remove_all(g_clusterDir);
}

// The server's URI, with a key holding a value to read, for the whole run.
const std::string& BenchRegistry() {
    static const std::string uri = [] {
        std::string location;
        if (const char* given = std::getenv("VEK_BENCH_REGISTRY")) {
            location = given;
        } else {
            std::string pattern =
                (std::filesystem::temp_directory_path() / "vekpgbench-XXXXXX").string();
            if (mkdtemp(pattern.data()) == nullptr) std::abort();
            g_clusterDir = pattern;
            const std::string command =
                std::string(VEK_SOURCE_DIR "/scripts/pg_cluster.sh start ") + pattern;
            if (std::system(command.c_str()) != 0) std::abort();
            std::atexit(StopCluster);
            location = "postgresql:///postgres?host=" + pattern + "&user=vek";
        }
        setenv("VEK_REGISTRY", location.c_str(), 1);
        setenv("VEK_MACHINE", kMachine, 1);
        vek::bench::MakeBenchKey();
        return location;
    }();
    return uri;
}

// A connection of the benchmark's own with the statements a registry read and
// write need, prepared once.
class RawRegistry {
public:
    RawRegistry() {
        conn_ = PQconnectdb(BenchRegistry().c_str());
        Exec("SET synchronous_commit = on");
        Prepare("find", "SELECT id FROM vek_registry.keys WHERE parent = $1::int8 AND name_upper = $2");
        Prepare("add", "INSERT INTO vek_registry.keys(parent, name, name_upper) "
                       "VALUES($1::int8, $2, $2) RETURNING id");
        Prepare("get", "SELECT type, data FROM vek_registry.\"values\" "
                       "WHERE key = $1::int8 AND name_upper = $2");
        Prepare("put", "INSERT INTO vek_registry.\"values\"(key, name, name_upper, type, data) "
                       "VALUES($1::int8, $2, $3, $4::int8, $5::bytea) ON CONFLICT (key, name_upper) "
                       "DO UPDATE SET type = excluded.type, data = excluded.data");
    }
    ~RawRegistry() { PQfinish(conn_); }

    DWORD Read() {
        Exec("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
        const std::string key = Walk(false);
        const char* params[] = {key.c_str(), "LOGFILELENGTH"};
        PGresult* result = PQexecPrepared(conn_, "get", 2, params, nullptr, nullptr, 1);
        DWORD value = 0;
        if (PQntuples(result) == 1 && PQgetlength(result, 0, 1) == sizeof(value))
            std::memcpy(&value, PQgetvalue(result, 0, 1), sizeof(value));
        PQclear(result);
        Exec("COMMIT");
        return value;
    }

    void Write(DWORD value) {
        Exec("BEGIN");
        const std::string key = Walk(true);
        char data[2 * sizeof(value) + 3] = "\\x";
        for (size_t i = 0; i < sizeof(value); ++i)
            std::snprintf(data + 2 + 2 * i, 3, "%02x", reinterpret_cast<const BYTE*>(&value)[i]);
        const std::string type = std::to_string(REG_DWORD);
        const char* params[] = {key.c_str(), "Written", "WRITTEN", type.c_str(), data};
        PQclear(PQexecPrepared(conn_, "put", 5, params, nullptr, nullptr, 0));
        Exec("COMMIT");
    }

private:
    void Exec(const char* sql) { PQclear(PQexec(conn_, sql)); }
    void Prepare(const char* name, const char* sql) {
        PQclear(PQprepare(conn_, name, sql, 0, nullptr));
    }
    // The first column of the one row a statement answers, "" for none.
    std::string One(const char* statement, int count, const char* const* params) {
        PGresult* result = PQexecPrepared(conn_, statement, count, params, nullptr, nullptr, 0);
        std::string value = PQntuples(result) == 1 ? PQgetvalue(result, 0, 0) : "";
        PQclear(result);
        return value;
    }
    // The bench key from the machine's root, adding missing keys when create.
    std::string Walk(bool create) {
        const char* root[] = {"0", kMachine};
        std::string at = One("find", 2, root);
        for (const char* name : kKeyNames) {
            const char* params[] = {at.c_str(), name};
            std::string next = One("find", 2, params);
            if (next.empty() && create) next = One("add", 2, params);
            at = next;
        }
        return at;
    }

    PGconn* conn_ = nullptr;
};

void BM_ReadLibrary(benchmark::State& state) {
    BenchRegistry();
    vek::bench::ReadThroughLibrary(state);
}
BENCHMARK(BM_ReadLibrary)->UseRealTime();

void BM_ReadRawLibpq(benchmark::State& state) {
    RawRegistry raw;
    for (auto _ : state)
        if (raw.Read() != 1000000) state.SkipWithError("read failed");
}
BENCHMARK(BM_ReadRawLibpq)->UseRealTime();

void BM_WriteLibrary(benchmark::State& state) {
    BenchRegistry();
    vek::bench::WriteThroughLibrary(state);
}
BENCHMARK(BM_WriteLibrary)->UseRealTime();

void BM_WriteRawLibpq(benchmark::State& state) {
    RawRegistry raw;
    DWORD value = 0;
    for (auto _ : state) raw.Write(++value);
}
BENCHMARK(BM_WriteRawLibpq)->UseRealTime();

}  // namespace
