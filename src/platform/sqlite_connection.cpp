#include "platform/sqlite_connection.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace vek {
namespace {

// Polls of another connection's lock before a statement gives up with
// SQLITE_BUSY (about a second); the store then runs the call again.
constexpr int kBusyPolls = 1000;
constexpr int kSchemaVersion = 1;

// Indexed by RegSql.
constexpr const char* kStatementText[] = {
    "BEGIN",
    "BEGIN IMMEDIATE",
    "COMMIT",
    "ROLLBACK",
    "SELECT id FROM keys WHERE parent = 0 AND name_upper = 'HKEY_LOCAL_MACHINE'",
    "SELECT id FROM keys WHERE parent = ?1 AND name_upper = ?2",
    "INSERT INTO keys(parent, name, name_upper) VALUES(?1, ?2, ?3)",
    "SELECT 1 FROM keys WHERE id = ?1",
    "SELECT name, name_upper FROM keys WHERE parent = ?1 ORDER BY name_upper LIMIT 1 OFFSET ?2",
    "SELECT name, name_upper FROM keys WHERE parent = ?1 AND name_upper > ?2 "
    "ORDER BY name_upper LIMIT 1",
    "SELECT 1 FROM keys WHERE parent = ?1 LIMIT 1",
    "DELETE FROM keys WHERE id = ?1",
    "DELETE FROM \"values\" WHERE key = ?1",
    "SELECT type, data FROM \"values\" WHERE key = ?1 AND name_upper = ?2",
    ("INSERT INTO \"values\"(key, name, name_upper, type, data) VALUES(?1, ?2, ?3, ?4, ?5) "
     "ON CONFLICT(key, name_upper) DO UPDATE SET type = excluded.type, data = excluded.data"),
    "DELETE FROM \"values\" WHERE key = ?1 AND name_upper = ?2",
    "SELECT name, type, data FROM \"values\" WHERE key = ?1 ORDER BY name_upper LIMIT 1 OFFSET ?2",
    "SELECT name FROM keys WHERE parent = ?1",
    "SELECT name, name_upper FROM keys WHERE parent = ?1 ORDER BY name_upper",
    "PRAGMA data_version",
    "SELECT name, length(data) FROM \"values\" WHERE key = ?1",
};
static_assert(std::size(kStatementText) == static_cast<size_t>(RegSql::kCount),
              "one text per statement");

// Roots have parent 0 rather than NULL: UNIQUE accepts repeated NULLs.
constexpr const char* kCreateSchema =
    "CREATE TABLE IF NOT EXISTS keys("
    "  id INTEGER PRIMARY KEY AUTOINCREMENT,"
    "  parent INTEGER NOT NULL,"
    "  name TEXT NOT NULL,"
    "  name_upper TEXT NOT NULL,"
    "  UNIQUE(parent, name_upper));"
    "CREATE TABLE IF NOT EXISTS \"values\"("
    "  key INTEGER NOT NULL,"
    "  name TEXT NOT NULL,"
    "  name_upper TEXT NOT NULL,"
    "  type INTEGER NOT NULL,"
    "  data BLOB NOT NULL,"
    "  PRIMARY KEY(key, name_upper)) WITHOUT ROWID;"
    "INSERT OR IGNORE INTO keys(parent, name, name_upper)"
    "  VALUES(0, 'HKEY_LOCAL_MACHINE', 'HKEY_LOCAL_MACHINE');"
    "PRAGMA user_version = 1;";

// Waits for another connection's lock in short steps: SQLite's own timeout
// sleeps up to 100 ms at a time, long after the lock is free again.
int WaitWhileBusy(void*, int polls) {
    if (polls >= kBusyPolls) return 0;
    std::this_thread::sleep_for(std::chrono::microseconds(std::min(50 << std::min(polls, 5), 1000)));
    return 1;
}

int Exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

// The single integer a statement answers, e.g. a pragma.
int QueryInt(sqlite3* db, const char* sql, int* value) {
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    if (rc != SQLITE_OK) return rc;
    rc = sqlite3_step(statement);
    if (rc == SQLITE_ROW) {
        *value = sqlite3_column_int(statement, 0);
        rc = SQLITE_OK;
    }
    sqlite3_finalize(statement);
    return rc;
}

// Creates the tables in a database that has none yet; a file that holds
// tables of another program is left alone.
int CreateSchema(sqlite3* db) {
    int rc = Exec(db, "BEGIN IMMEDIATE");
    int tables = 0, version = 0;
    if (rc == SQLITE_OK) rc = QueryInt(db, "SELECT count(*) FROM sqlite_master", &tables);
    if (rc == SQLITE_OK) rc = QueryInt(db, "PRAGMA user_version", &version);
    if (rc == SQLITE_OK && tables == 0 && version == 0) rc = Exec(db, kCreateSchema);
    if (rc == SQLITE_OK) rc = Exec(db, "COMMIT");
    if (rc != SQLITE_OK && sqlite3_get_autocommit(db) == 0)
        Exec(db, "ROLLBACK");
    return rc;
}

int SetUpDatabase(sqlite3* db) {
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_handler(db, WaitWhileBusy, nullptr);
    // A file of another program, or of a later version of this one, is
    // refused before anything in it changes, its journal mode included.
    // One statement, so that both are read from the same state while another
    // process may be creating the tables: a file with tables but no version
    // reads as -1.
    int version = 0;
    int rc = QueryInt(db,
                      "SELECT CASE WHEN user_version = 0 AND EXISTS (SELECT 1 FROM sqlite_master) THEN -1 "
                      "ELSE user_version END FROM pragma_user_version",
                      &version);
    if (rc == SQLITE_OK && version != 0 && version != kSchemaVersion) return SQLITE_NOTADB;
    if (rc == SQLITE_OK) rc = Exec(db, "PRAGMA journal_mode = WAL");
    if (rc == SQLITE_OK) rc = Exec(db, "PRAGMA synchronous = FULL");
    if (rc == SQLITE_OK && version == 0) {
        rc = CreateSchema(db);
        if (rc == SQLITE_OK) rc = QueryInt(db, "PRAGMA user_version", &version);
    }
    if (rc == SQLITE_OK && version != kSchemaVersion) rc = SQLITE_NOTADB;
    return rc;
}

}  // namespace

LSTATUS StatusFromSqlite(int rc) {
    switch (rc & 0xFF) {
        case SQLITE_OK:
        case SQLITE_DONE:
        case SQLITE_ROW:
            return ERROR_SUCCESS;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
        case SQLITE_PROTOCOL:
            return ERROR_INVALID_HANDLE;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
        case SQLITE_FORMAT:
            return ERROR_BADDB;
        case SQLITE_NOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case SQLITE_TOOBIG:
            return ERROR_INVALID_PARAMETER;
        default:
            return ERROR_REGISTRY_IO_FAILED;
    }
}

bool IsBusySqlite(int rc) {
    const int primary = rc & 0xFF;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED || primary == SQLITE_PROTOCOL;
}

bool IsDamageSqlite(int rc) { return StatusFromSqlite(rc) == ERROR_BADDB; }

int SqliteConnection::Open(const std::string& path, std::unique_ptr<SqliteConnection>* out) {
    if (path.empty()) return SQLITE_CANTOPEN;
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                             nullptr);
    std::unique_ptr<SqliteConnection> connection(new SqliteConnection(db));
    if (rc == SQLITE_OK) rc = SetUpDatabase(db);
    if (rc == SQLITE_OK) rc = connection->Prepare();
    if (rc == SQLITE_OK) *out = std::move(connection);
    return rc;
}

SqliteConnection::~SqliteConnection() {
    for (sqlite3_stmt* statement : statements_) sqlite3_finalize(statement);
    sqlite3_close_v2(db_);
}

int SqliteConnection::Prepare() {
    for (size_t i = 0; i < statements_.size(); ++i) {
        const int rc = sqlite3_prepare_v3(db_, kStatementText[i], -1, SQLITE_PREPARE_PERSISTENT,
                                          &statements_[i], nullptr);
        // Tables that are not ours: the file belongs to something else.
        if (rc != SQLITE_OK) return IsBusySqlite(rc) ? rc : SQLITE_NOTADB;
    }
    return SQLITE_OK;
}

sqlite3_stmt* SqliteConnection::Statement(RegSql which) {
    return statements_[static_cast<size_t>(which)];
}

}  // namespace vek
