#include "platform/pg_connection.h"

#include <endian.h>
#include <poll.h>

#include <cstring>
#include <iterator>

#include "platform/registry_names.h"

namespace vek {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kLayoutVersion = 1;

// PostgreSQL type numbers of the parameters.
constexpr Oid kInt8 = 20;
constexpr Oid kText = 25;
constexpr Oid kBytea = 17;

struct StatementText {
    const char* sql;
    int parameters;
    Oid types[5];
};

// Indexed by PgSql. Roots (parent 0) are the machines' HKEY_LOCAL_MACHINE
// keys, named after their machines.
const StatementText kStatements[] = {
    {"SELECT id FROM vek_registry.keys WHERE parent = 0 AND name_upper = $1", 1, {kText}},
    {"INSERT INTO vek_registry.keys(parent, name, name_upper) VALUES(0, $1, $2) "
     "ON CONFLICT (parent, name_upper) DO NOTHING",
     2, {kText, kText}},
    {"SELECT id FROM vek_registry.keys WHERE parent = $1 AND name_upper = $2", 2, {kInt8, kText}},
    {"INSERT INTO vek_registry.keys(parent, name, name_upper) VALUES($1, $2, $3) RETURNING id", 3,
     {kInt8, kText, kText}},
    {"SELECT 1 FROM vek_registry.keys WHERE id = $1", 1, {kInt8}},
    {"SELECT name, name_upper FROM vek_registry.keys WHERE parent = $1 "
     "ORDER BY name_upper LIMIT 1 OFFSET $2",
     2, {kInt8, kInt8}},
    {"SELECT name, name_upper FROM vek_registry.keys WHERE parent = $1 AND name_upper > $2 "
     "ORDER BY name_upper LIMIT 1",
     2, {kInt8, kText}},
    {"SELECT 1 FROM vek_registry.keys WHERE parent = $1 LIMIT 1", 1, {kInt8}},
    {"DELETE FROM vek_registry.keys WHERE id = $1", 1, {kInt8}},
    {"DELETE FROM vek_registry.\"values\" WHERE key = $1", 1, {kInt8}},
    {"SELECT type, data FROM vek_registry.\"values\" WHERE key = $1 AND name_upper = $2", 2,
     {kInt8, kText}},
    {"INSERT INTO vek_registry.\"values\"(key, name, name_upper, type, data) "
     "VALUES($1, $2, $3, $4, $5) ON CONFLICT (key, name_upper) "
     "DO UPDATE SET type = excluded.type, data = excluded.data",
     5, {kInt8, kText, kText, kInt8, kBytea}},
    {"DELETE FROM vek_registry.\"values\" WHERE key = $1 AND name_upper = $2", 2, {kInt8, kText}},
    {"SELECT name, type, data FROM vek_registry.\"values\" WHERE key = $1 "
     "ORDER BY name_upper LIMIT 1 OFFSET $2",
     2, {kInt8, kInt8}},
    {"SELECT name FROM vek_registry.keys WHERE parent = $1", 1, {kInt8}},
    {"SELECT name, octet_length(data)::int8 FROM vek_registry.\"values\" WHERE key = $1", 1,
     {kInt8}},
};
static_assert(std::size(kStatements) == static_cast<size_t>(PgSql::kCount),
              "one text per statement");

// Names order by the bytes of their folded UTF-8 text, as in the SQLite store.
// The tables are made only in a schema that has none of them: one that holds
// any (ours, or another program's of the same name) is left as it is, and
// its layout is checked afterwards.
constexpr const char* kCreateSchema =
    "CREATE SCHEMA IF NOT EXISTS vek_registry;"
    "DO $$ BEGIN"
    "  IF to_regclass('vek_registry.layout') IS NULL AND to_regclass('vek_registry.keys') IS NULL"
    "     AND to_regclass('vek_registry.\"values\"') IS NULL THEN"
    "    CREATE TABLE vek_registry.layout(version integer NOT NULL);"
    "    CREATE TABLE vek_registry.keys("
    "      id bigserial PRIMARY KEY,"
    "      parent bigint NOT NULL,"
    "      name text NOT NULL,"
    "      name_upper text COLLATE \"C\" NOT NULL,"
    "      UNIQUE(parent, name_upper));"
    "    CREATE TABLE vek_registry.\"values\"("
    "      key bigint NOT NULL,"
    "      name text NOT NULL,"
    "      name_upper text COLLATE \"C\" NOT NULL,"
    "      type bigint NOT NULL,"
    "      data bytea NOT NULL,"
    "      PRIMARY KEY(key, name_upper));"
    "    INSERT INTO vek_registry.layout VALUES (1);"
    "  END IF;"
    "END $$;";

// Session rules: durable commits, bounded lock waits, and no transaction
// left open by a stalled client holding others up for long.
constexpr const char* kSessionSettings =
    "SET synchronous_commit = on;"
    "SET client_encoding = 'UTF8';"
    "SET lock_timeout = '5s';"
    "SET idle_in_transaction_session_timeout = '30s'";

bool StartsWith(const char* text, const char* prefix) {
    return text != nullptr && std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

PgOutcome Classify(PGconn* conn, const PGresult* result) {
    const ExecStatusType status = Pq()->PQresultStatus(result);
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) return PgOutcome::kOk;
    if (Pq()->PQstatus(conn) != CONNECTION_OK) return PgOutcome::kLost;
    const char* state = Pq()->PQresultErrorField(result, PG_DIAG_SQLSTATE);
    if (state == nullptr || StartsWith(state, "08") || StartsWith(state, "57P"))
        return PgOutcome::kLost;
    // Serialization failure, deadlock, a key another writer added first, a
    // lock wait or statement that ran out of time.
    for (const char* busy : {"40001", "40P01", "23505", "55P03", "57014"})
        if (std::strcmp(state, busy) == 0) return PgOutcome::kBusy;
    return PgOutcome::kDamaged;
}

// Waits until fd is ready for events or the deadline passes.
bool WaitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        pollfd entry{fd, events, 0};
        const int rc = poll(&entry, 1, static_cast<int>(left));
        if (rc > 0) return true;
        if (rc == 0) return false;
        if (errno != EINTR) return false;
    }
}

}  // namespace

LSTATUS StatusFromPg(PgOutcome outcome) {
    switch (outcome) {
        case PgOutcome::kOk:
            return ERROR_SUCCESS;
        case PgOutcome::kBusy:
            return ERROR_INVALID_HANDLE;
        case PgOutcome::kDamaged:
            return ERROR_BADDB;
        case PgOutcome::kLost:
            break;
    }
    return ERROR_REGISTRY_IO_FAILED;
}

PgParams& PgParams::Int(int64_t value) {
    const uint64_t wire = htobe64(static_cast<uint64_t>(value));
    std::memcpy(integers_[count_].data(), &wire, sizeof(wire));
    values_[count_] = integers_[count_].data();
    lengths_[count_] = sizeof(wire);
    formats_[count_] = 1;
    ++count_;
    return *this;
}

PgParams& PgParams::Text(std::string_view text) {
    static const char kEmpty = 0;  // a null pointer would pass NULL, not empty text
    values_[count_] = text.empty() ? &kEmpty : text.data();
    lengths_[count_] = static_cast<int>(text.size());
    formats_[count_] = 1;
    ++count_;
    return *this;
}

PgParams& PgParams::Bytes(const BYTE* data, size_t size) {
    return Text(std::string_view(reinterpret_cast<const char*>(data), data != nullptr ? size : 0));
}

int64_t PgRows::Int(int row, int column) const {
    uint64_t wire = 0;
    if (Pq()->PQgetlength(result_.get(), row, column) != sizeof(wire)) return 0;
    std::memcpy(&wire, Pq()->PQgetvalue(result_.get(), row, column), sizeof(wire));
    return static_cast<int64_t>(be64toh(wire));
}

std::string_view PgRows::Text(int row, int column) const {
    return std::string_view(Pq()->PQgetvalue(result_.get(), row, column),
                            static_cast<size_t>(Pq()->PQgetlength(result_.get(), row, column)));
}

int64_t PgRows::affected() const {
    const char* count = result_ != nullptr ? Pq()->PQcmdTuples(result_.get()) : "";
    return *count != 0 ? std::strtoll(count, nullptr, 10) : 0;
}

LSTATUS PgConnection::Open(const std::string& uri, std::string_view machine,
                           std::unique_ptr<PgConnection>* out) {
    // Earlier entries are defaults that the URI's own parameters override.
    const char* const keywords[] = {"connect_timeout", "application_name", "dbname", nullptr};
    const char* const values[] = {"5", "vekconfig", uri.c_str(), nullptr};
    if (Pq() == nullptr) return ERROR_REGISTRY_IO_FAILED;
    PGconn* conn = Pq()->PQconnectdbParams(keywords, values, 1);
    if (conn == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
    std::unique_ptr<PgConnection> connection(new PgConnection(conn));
    if (Pq()->PQstatus(conn) != CONNECTION_OK || Pq()->PQsetnonblocking(conn, 1) != 0)
        return ERROR_REGISTRY_IO_FAILED;
    // The server's notices ("already exists, skipping") are not for the caller's stderr.
    Pq()->PQsetNoticeProcessor(conn, [](void*, const char*) {}, nullptr);
    PgOutcome outcome = connection->Execute(kSessionSettings);
    PgRows layout;
    if (outcome == PgOutcome::kOk) {
        // Concurrent first users create the tables one after the other.
        outcome = connection->Execute(
            "BEGIN; SELECT pg_advisory_xact_lock(5649746946766393345);");
        if (outcome == PgOutcome::kOk) outcome = connection->Execute(kCreateSchema);
        if (outcome == PgOutcome::kOk) outcome = connection->Execute("COMMIT");
        if (connection->InTransaction()) connection->Execute("ROLLBACK");
    }
    if (outcome == PgOutcome::kOk) {
        if (Pq()->PQsendQueryParams(conn, "SELECT version::int8 FROM vek_registry.layout", 0, nullptr,
                              nullptr, nullptr, nullptr, 1) != 1)
            outcome = PgOutcome::kLost;
        else
            outcome = connection->Await(&layout);
    }
    if (outcome == PgOutcome::kOk && (layout.count() != 1 || layout.Int(0, 0) != kLayoutVersion))
        outcome = PgOutcome::kDamaged;
    if (outcome == PgOutcome::kOk) outcome = connection->Prepare();
    const std::string folded = FoldName(machine);
    if (outcome == PgOutcome::kOk)
        outcome = connection->Run(PgSql::kAddRoot, PgParams().Text(machine).Text(folded));
    PgRows root;
    if (outcome == PgOutcome::kOk)
        outcome = connection->Run(PgSql::kFindRoot, PgParams().Text(folded), &root);
    if (outcome == PgOutcome::kOk && root.count() != 1) outcome = PgOutcome::kDamaged;
    if (outcome != PgOutcome::kOk) return StatusFromPg(outcome);
    connection->localRoot_ = root.Int(0, 0);
    *out = std::move(connection);
    return ERROR_SUCCESS;
}

PgConnection::~PgConnection() { Pq()->PQfinish(conn_); }

PgOutcome PgConnection::Prepare() {
    for (size_t i = 0; i < std::size(kStatements); ++i) {
        const std::string name = "vek" + std::to_string(i);
        const StatementText& text = kStatements[i];
        if (Pq()->PQsendPrepare(conn_, name.c_str(), text.sql, text.parameters, text.types) != 1)
            return PgOutcome::kLost;
        if (PgOutcome outcome = Await(nullptr); outcome != PgOutcome::kOk) return outcome;
    }
    return PgOutcome::kOk;
}

PgOutcome PgConnection::Run(PgSql which, const PgParams& params, PgRows* rows) {
    if (!usable_) return PgOutcome::kLost;
    char name[16];
    std::snprintf(name, sizeof(name), "vek%d", static_cast<int>(which));
    if (Pq()->PQsendQueryPrepared(conn_, name, params.count(), params.values(), params.lengths(),
                            params.formats(), 1) != 1) {
        usable_ = false;
        return PgOutcome::kLost;
    }
    return Await(rows);
}

PgOutcome PgConnection::Execute(const char* sql) {
    if (!usable_) return PgOutcome::kLost;
    if (Pq()->PQsendQuery(conn_, sql) != 1) {
        usable_ = false;
        return PgOutcome::kLost;
    }
    return Await(nullptr);
}

bool PgConnection::InTransaction() const {
    const PGTransactionStatusType status = Pq()->PQtransactionStatus(conn_);
    return status == PQTRANS_INTRANS || status == PQTRANS_INERROR || status == PQTRANS_ACTIVE;
}

// Reads every result of what was sent; the first failure decides the outcome.
PgOutcome PgConnection::Await(PgRows* rows) {
    const Clock::time_point deadline = Clock::now() + kStatementDeadline;
    const int fd = Pq()->PQsocket(conn_);
    int flushed;
    while ((flushed = Pq()->PQflush(conn_)) == 1) {
        if (!WaitFor(fd, POLLIN | POLLOUT, deadline)) flushed = -1;
        if (flushed == -1 || Pq()->PQconsumeInput(conn_) != 1) break;
    }
    PgOutcome outcome = flushed == 0 ? PgOutcome::kOk : PgOutcome::kLost;
    while (outcome != PgOutcome::kLost) {
        while (Pq()->PQisBusy(conn_) == 1) {
            if (!WaitFor(fd, POLLIN, deadline) || Pq()->PQconsumeInput(conn_) != 1) {
                outcome = PgOutcome::kLost;
                break;
            }
        }
        if (outcome == PgOutcome::kLost) break;
        PGresult* result = Pq()->PQgetResult(conn_);
        if (result == nullptr) break;
        const PgOutcome step = Classify(conn_, result);
        if (step == PgOutcome::kOk && rows != nullptr)
            *rows = PgRows(result);
        else
            Pq()->PQclear(result);
        if (outcome == PgOutcome::kOk) outcome = step;
    }
    if (outcome == PgOutcome::kLost) usable_ = false;
    return outcome;
}

}  // namespace vek
