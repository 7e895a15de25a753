// One connection to the registry database with its prepared statements. The
// database runs in WAL mode with synchronous=FULL, so a committed change is
// on disk when COMMIT returns; other processes and connections wait for the
// write lock up to the busy timeout.
//
// Thread safety: a connection is used by one thread at a time.
#pragma once

#include <sqlite3.h>

#include <array>
#include <memory>
#include <string>

#include "vekconfig/types.h"

namespace vek {

// The statements the registry runs; the text of each is in sqlite_connection.cpp.
enum class RegSql {
    kBeginRead,
    kBeginWrite,
    kCommit,
    kRollback,
    kMachineRoot,
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
    kListSubkeysInOrder,
    kDataVersion,
    kListValues,
    kCount
};

// The Win32 code for an SQLite result: damage gives ERROR_BADDB, a store
// that stays busy ERROR_INVALID_HANDLE (transient), I/O and open failures
// ERROR_REGISTRY_IO_FAILED.
LSTATUS StatusFromSqlite(int rc);

// Whether an SQLite result means the whole transaction may succeed if run again.
bool IsBusySqlite(int rc);
// Whether an SQLite result means the database file is damaged.
bool IsDamageSqlite(int rc);

class SqliteConnection {
public:
    // Opens path (created when missing), sets the journal and durability
    // modes, creates the tables when the file is new, prepares the
    // statements. Returns an SQLite result code.
    static int Open(const std::string& path, std::unique_ptr<SqliteConnection>* out);
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    sqlite3* db() const { return db_; }
    // A prepared statement; the user resets it when done with it.
    sqlite3_stmt* Statement(RegSql which);

    // The local machine's root key, once looked up (0 before); roots are
    // never deleted, so it holds for the connection's life.
    int64_t cachedRoot() const { return cachedRoot_; }
    void setCachedRoot(int64_t root) { cachedRoot_ = root; }

private:
    explicit SqliteConnection(sqlite3* db) : db_(db) {}
    int Prepare();

    sqlite3* db_;
    int64_t cachedRoot_ = 0;
    std::array<sqlite3_stmt*, static_cast<size_t>(RegSql::kCount)> statements_{};
};

}  // namespace vek
