// One connection to the registry's PostgreSQL database with its prepared
// statements. Every round trip is bounded: a server that stops answering
// ends the statement (and the connection) after kStatementDeadline, never a
// hang. Connecting is bounded by connect_timeout (5 s unless the URI says
// otherwise). Parameters and results travel in binary form.
//
// Thread safety: a connection is used by one thread at a time.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/libpq_api.h"
#include "vekconfig/types.h"

namespace vek {

constexpr std::chrono::seconds kStatementDeadline{10};

// The statements the registry runs; the text of each is in pg_connection.cpp.
enum class PgSql {
    kFindRoot,
    kAddRoot,
    kFindSubkey,
    kAddSubkey,
    kCheckKey,
    kSubkeyAt,
    kSubkeyAfter,
    kHasSubkeys,
    kRemoveKey,
    kRemoveKeyValues,
    kGetValue,
    kPutValue,
    kRemoveValue,
    kValueAt,
    kListSubkeys,
    kListValues,
    kCount
};

// How a statement ended.
enum class PgOutcome {
    kOk,
    kBusy,     // a conflict with another transaction: running the call again may succeed
    kLost,     // the server cannot be reached; the connection is unusable
    kDamaged,  // the tables are not what this layout expects
};

// The Win32 code for an outcome: busy ERROR_INVALID_HANDLE (transient), lost
// ERROR_REGISTRY_IO_FAILED, damaged ERROR_BADDB.
LSTATUS StatusFromPg(PgOutcome outcome);

// Binary parameters of one statement (at most four).
class PgParams {
public:
    PgParams& Int(int64_t value);
    PgParams& Text(std::string_view text);
    PgParams& Bytes(const BYTE* data, size_t size);

    int count() const { return count_; }
    const char* const* values() const { return values_.data(); }
    const int* lengths() const { return lengths_.data(); }
    const int* formats() const { return formats_.data(); }

private:
    static constexpr int kMax = 5;
    int count_ = 0;
    std::array<const char*, kMax> values_{};
    std::array<int, kMax> lengths_{};
    std::array<int, kMax> formats_{};
    std::array<std::array<char, 8>, kMax> integers_{};
};

// A statement's result rows, freed with the object.
class PgRows {
public:
    PgRows() = default;
    explicit PgRows(PGresult* result) : result_(result) {}

    int count() const { return result_ != nullptr ? Pq()->PQntuples(result_.get()) : 0; }
    int64_t Int(int row, int column) const;
    std::string_view Text(int row, int column) const;
    // Rows a DELETE or INSERT touched.
    int64_t affected() const;
    PGresult* get() const { return result_.get(); }

private:
    struct Clear {
        void operator()(PGresult* result) const { Pq()->PQclear(result); }
    };
    std::unique_ptr<PGresult, Clear> result_;
};

class PgConnection {
public:
    // Connects to uri, creates the tables when the database has none, makes
    // sure the namespace of machine (the local machine's name) exists and
    // prepares the statements. ERROR_REGISTRY_IO_FAILED when the server
    // cannot be reached (or libpq cannot be loaded), ERROR_BADDB for tables
    // of another layout version.
    static LSTATUS Open(const std::string& uri, std::string_view machine,
                        std::unique_ptr<PgConnection>* out);
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // Runs a prepared statement; rows (optional) receives its result.
    PgOutcome Run(PgSql which, const PgParams& params, PgRows* rows = nullptr);
    // Runs SQL text without parameters (one or more statements).
    PgOutcome Execute(const char* sql);

    // Whether a transaction is open (or aborted) on the connection.
    bool InTransaction() const;
    // False once the server was lost; such a connection is never used again.
    bool usable() const { return usable_; }

    // The root key of the local machine's namespace.
    int64_t localRoot() const { return localRoot_; }

private:
    explicit PgConnection(PGconn* conn) : conn_(conn) {}
    PgOutcome Await(PgRows* rows);
    PgOutcome Prepare();

    PGconn* conn_;
    bool usable_ = true;
    int64_t localRoot_ = 0;
};

}  // namespace vek
