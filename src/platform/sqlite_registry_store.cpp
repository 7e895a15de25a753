#include "platform/sqlite_registry_store.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/connection_pool.h"
#include "platform/sqlite_connection.h"

namespace vek {
namespace {

// How long a call keeps trying while other writers hold the database.
constexpr std::chrono::seconds kBusyDeadline{5};
// How old a shared read transaction may be when a read uses it: a walk that
// shares its reads sees the changes of others at most this late.
constexpr std::chrono::milliseconds kSharedReadAge{10};

// A statement in use; reset when it goes out of scope so that no read stays
// open past the statement.
class Query {
public:
    Query(SqliteConnection& connection, RegSql which) : statement_(connection.Statement(which)) {}
    ~Query() { sqlite3_reset(statement_); }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    int Bind(int index, int64_t value) { return sqlite3_bind_int64(statement_, index, value); }
    int Bind(int index, std::string_view text) {
        return sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                                 SQLITE_STATIC);
    }
    int BindBlob(int index, const BYTE* data, DWORD size) {
        static const BYTE kEmpty = 0;  // a null pointer would bind NULL, not an empty blob
        return sqlite3_bind_blob64(statement_, index, size != 0 ? data : &kEmpty, size,
                                   SQLITE_STATIC);
    }
    int Step() { return sqlite3_step(statement_); }

    int64_t Int(int column) const { return sqlite3_column_int64(statement_, column); }
    std::string_view Text(int column) const {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
        return text != nullptr
                   ? std::string_view(text, static_cast<size_t>(sqlite3_column_bytes(statement_, column)))
                   : std::string_view();
    }
    void Blob(int column, std::vector<BYTE>* out) const {
        const auto* data = static_cast<const BYTE*>(sqlite3_column_blob(statement_, column));
        const auto size = static_cast<size_t>(sqlite3_column_bytes(statement_, column));
        out->assign(data, data + (data != nullptr ? size : 0));
    }

private:
    sqlite3_stmt* statement_;
};

// A key's name from a row of (name, name_upper).
void ReadName(const Query& query, RegName* name) {
    name->text = query.Text(0);
    name->folded = query.Text(1);
}

// The subkeys of one key in folded-name order, listed whole by the first
// enumeration of that key in a shared read transaction and answered from
// here while the transaction lasts: its snapshot does not change. The
// transaction that follows keeps the list when the database's data version
// shows that no other connection committed in between. One key at a time:
// a walk that went back and forth between two keys would list each again.
struct ListedSubkeys {
    RegKeyId parent = 0;  // 0: none listed
    std::vector<RegName> names;
    int64_t dataVersion = 0;  // of the snapshot listed
};

class SqliteTransaction final : public RegistryTransaction {
public:
    // listed: where a shared read transaction keeps the subkeys it listed;
    // null for a transaction of one call.
    explicit SqliteTransaction(SqliteConnection& connection, ListedSubkeys* listed = nullptr)
        : connection_(connection), listed_(listed) {}

    // Begins, runs work, commits on success, rolls back otherwise.
    LSTATUS Execute(RegTxnKind kind, const RegistryStore::Work& work) {
        LSTATUS status = Begin(kind);
        if (status == ERROR_SUCCESS) status = work(*this);
        const LSTATUS ended = End(status == ERROR_SUCCESS);
        return status == ERROR_SUCCESS ? ended : status;
    }

    LSTATUS Begin(RegTxnKind kind) {
        return Exec(kind == RegTxnKind::kRead ? RegSql::kBeginRead : RegSql::kBeginWrite);
    }

    // Commits when asked to and nothing failed; rolls back otherwise.
    LSTATUS End(bool commit) {
        LSTATUS status = commit && failure_ == SQLITE_OK ? Exec(RegSql::kCommit) : ERROR_SUCCESS;
        if (sqlite3_get_autocommit(connection_.db()) == 0) {
            Query rollback(connection_, RegSql::kRollback);
            rollback.Step();
        }
        return status;
    }

    // The first SQLite failure, SQLITE_OK when there was none.
    int failure() const { return failure_; }

    // A number that changes when another connection commits.
    LSTATUS DataVersion(int64_t* version) {
        Query query(connection_, RegSql::kDataVersion);
        return Single(query, [&] { *version = query.Int(0); }, ERROR_BADDB);
    }

    LSTATUS MachineRoot(uint32_t machine, RegKeyId* root) override {
        if (machine != kLocalMachine) return ERROR_BAD_NETPATH;
        if (connection_.cachedRoot() == 0) {
            Query query(connection_, RegSql::kMachineRoot);
            const LSTATUS status =
                Single(query, [&] { connection_.setCachedRoot(query.Int(0)); }, ERROR_BADDB);
            if (status != ERROR_SUCCESS) return status;
        }
        *root = connection_.cachedRoot();
        return ERROR_SUCCESS;
    }

    LSTATUS FindSubkey(RegKeyId parent, std::string_view folded, RegKeyId* id) override {
        Query query(connection_, RegSql::kFindSubkey);
        query.Bind(1, parent);
        query.Bind(2, folded);
        return Single(query, [&] { *id = query.Int(0); }, ERROR_FILE_NOT_FOUND);
    }

    LSTATUS AddSubkey(RegKeyId parent, const RegName& name, RegKeyId* id) override {
        Query query(connection_, RegSql::kAddSubkey);
        query.Bind(1, parent);
        query.Bind(2, name.text);
        query.Bind(3, name.folded);
        if (LSTATUS status = Done(query.Step()); status != ERROR_SUCCESS) return status;
        *id = sqlite3_last_insert_rowid(connection_.db());
        return ERROR_SUCCESS;
    }

    LSTATUS CheckKey(RegKeyId key) override {
        Query query(connection_, RegSql::kCheckKey);
        query.Bind(1, key);
        return Single(query, [] {}, ERROR_KEY_DELETED);
    }

    LSTATUS SubkeyAt(RegKeyId parent, DWORD index, RegName* name) override {
        if (listed_ != nullptr) {
            if (LSTATUS status = List(parent); status != ERROR_SUCCESS) return status;
            if (index >= listed_->names.size()) return ERROR_NO_MORE_ITEMS;
            *name = listed_->names[index];
            return ERROR_SUCCESS;
        }
        Query query(connection_, RegSql::kSubkeyAt);
        query.Bind(1, parent);
        query.Bind(2, static_cast<int64_t>(index));
        return Single(query, [&] { ReadName(query, name); }, ERROR_NO_MORE_ITEMS);
    }

    LSTATUS SubkeyAfter(RegKeyId parent, std::string_view folded, RegName* name) override {
        if (listed_ != nullptr) {
            if (LSTATUS status = List(parent); status != ERROR_SUCCESS) return status;
            // Byte order, as SQLite orders the folded names.
            const auto next = std::upper_bound(
                listed_->names.begin(), listed_->names.end(), folded,
                [](std::string_view wanted, const RegName& listed) { return wanted < listed.folded; });
            if (next == listed_->names.end()) return ERROR_NO_MORE_ITEMS;
            *name = *next;
            return ERROR_SUCCESS;
        }
        Query query(connection_, RegSql::kSubkeyAfter);
        query.Bind(1, parent);
        query.Bind(2, folded);
        return Single(query, [&] { ReadName(query, name); }, ERROR_NO_MORE_ITEMS);
    }

    LSTATUS HasSubkeys(RegKeyId key, bool* any) override {
        Query query(connection_, RegSql::kHasSubkeys);
        query.Bind(1, key);
        *any = false;
        const LSTATUS status = Single(query, [&] { *any = true; }, ERROR_FILE_NOT_FOUND);
        return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
    }

    LSTATUS RemoveKey(RegKeyId key) override {
        Query values(connection_, RegSql::kRemoveKeyValues);
        values.Bind(1, key);
        if (LSTATUS status = Done(values.Step()); status != ERROR_SUCCESS) return status;
        Query keys(connection_, RegSql::kRemoveKey);
        keys.Bind(1, key);
        return Done(keys.Step());
    }

    LSTATUS GetValue(RegKeyId key, std::string_view folded, RegValue* value) override {
        Query query(connection_, RegSql::kGetValue);
        query.Bind(1, key);
        query.Bind(2, folded);
        return Single(
            query,
            [&] {
                value->type = static_cast<DWORD>(query.Int(0));
                query.Blob(1, &value->data);
            },
            ERROR_FILE_NOT_FOUND);
    }

    LSTATUS PutValue(RegKeyId key, const RegName& name, DWORD type, const BYTE* data,
                     DWORD size) override {
        Query query(connection_, RegSql::kPutValue);
        query.Bind(1, key);
        query.Bind(2, name.text);
        query.Bind(3, name.folded);
        query.Bind(4, static_cast<int64_t>(type));
        if (int rc = query.BindBlob(5, data, size); rc != SQLITE_OK) return Fail(rc);
        return Done(query.Step());
    }

    LSTATUS RemoveValue(RegKeyId key, std::string_view folded) override {
        Query query(connection_, RegSql::kRemoveValue);
        query.Bind(1, key);
        query.Bind(2, folded);
        if (LSTATUS status = Done(query.Step()); status != ERROR_SUCCESS) return status;
        return sqlite3_changes(connection_.db()) == 0 ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS;
    }

    LSTATUS ValueAt(RegKeyId key, DWORD index, std::string* name, RegValue* value) override {
        Query query(connection_, RegSql::kValueAt);
        query.Bind(1, key);
        query.Bind(2, static_cast<int64_t>(index));
        return Single(
            query,
            [&] {
                *name = query.Text(0);
                value->type = static_cast<DWORD>(query.Int(1));
                query.Blob(2, &value->data);
            },
            ERROR_NO_MORE_ITEMS);
    }

    LSTATUS VisitSubkeys(RegKeyId key,
                         const std::function<void(std::string_view name)>& visit) override {
        if (listed_ != nullptr) {
            // A walk counts the subkeys before it enumerates them: one listing serves both.
            if (LSTATUS status = List(key); status != ERROR_SUCCESS) return status;
            for (const RegName& name : listed_->names) visit(name.text);
            return ERROR_SUCCESS;
        }
        Query query(connection_, RegSql::kListSubkeys);
        query.Bind(1, key);
        return Rows(query, [&] { visit(query.Text(0)); });
    }

    LSTATUS VisitValues(
        RegKeyId key,
        const std::function<void(std::string_view name, size_t size)>& visit) override {
        Query query(connection_, RegSql::kListValues);
        query.Bind(1, key);
        return Rows(query, [&] { visit(query.Text(0), static_cast<size_t>(query.Int(1))); });
    }

private:
    LSTATUS List(RegKeyId parent) {
        if (listed_->parent == parent) return ERROR_SUCCESS;
        listed_->parent = 0;
        listed_->names.clear();
        Query query(connection_, RegSql::kListSubkeysInOrder);
        query.Bind(1, parent);
        LSTATUS status = Rows(query, [&] { ReadName(query, &listed_->names.emplace_back()); });
        if (status == ERROR_SUCCESS) status = DataVersion(&listed_->dataVersion);
        if (status == ERROR_SUCCESS) listed_->parent = parent;
        return status;
    }

    LSTATUS Fail(int rc) {
        if (failure_ == SQLITE_OK) failure_ = rc;
        return StatusFromSqlite(rc);
    }
    LSTATUS Done(int rc) { return rc == SQLITE_DONE ? ERROR_SUCCESS : Fail(rc); }
    LSTATUS Exec(RegSql which) {
        Query query(connection_, which);
        return Done(query.Step());
    }
    // One row expected: read calls take it; no row gives `missing`.
    template <typename Read>
    LSTATUS Single(Query& query, Read read, LSTATUS missing) {
        const int rc = query.Step();
        if (rc == SQLITE_ROW) {
            read();
            return ERROR_SUCCESS;
        }
        return rc == SQLITE_DONE ? missing : Fail(rc);
    }
    template <typename Read>
    LSTATUS Rows(Query& query, Read read) {
        int rc;
        while ((rc = query.Step()) == SQLITE_ROW) read();
        return Done(rc);
    }

    SqliteConnection& connection_;
    ListedSubkeys* listed_;
    int failure_ = SQLITE_OK;
};

// A thread's shared read transaction (see SharedReads), on a connection of
// its own for as long as the sharing lasts.
struct SharedRead {
    const RegistryStore* store = nullptr;
    std::unique_ptr<SqliteConnection> connection;
    bool open = false;
    std::chrono::steady_clock::time_point begun;
    ListedSubkeys listed;  // in this transaction or one of the same data version
};

thread_local SharedRead* tSharedRead = nullptr;

class SqliteRegistryStore final : public RegistryStore {
public:
    explicit SqliteRegistryStore(std::string path) : path_(std::move(path)) {}

    LSTATUS Run(RegTxnKind kind, const Work& work) override {
        if (SharedRead* shared = tSharedRead; shared != nullptr && shared->store == this) {
            LSTATUS status = ERROR_SUCCESS;
            if (kind == RegTxnKind::kWrite)
                EndShared(*shared, true);
            else if (RunShared(*shared, work, &status))
                return status;
        }
        const auto deadline = std::chrono::steady_clock::now() + kBusyDeadline;
        for (int attempt = 1;; ++attempt) {
            // Writers of this process queue here, where a waiter is woken as soon
            // as the lock is free, rather than polling the database's lock.
            std::unique_lock writing(writeMutex_, std::defer_lock);
            if (kind == RegTxnKind::kWrite) writing.lock();
            std::unique_ptr<SqliteConnection> connection;
            int rc = Acquire(&connection);
            LSTATUS status = ERROR_SUCCESS;
            if (rc == SQLITE_OK) {
                SqliteTransaction transaction(*connection);
                status = transaction.Execute(kind, work);
                rc = transaction.failure();
                // After any other failure a fresh connection is the safe start.
                if (rc == SQLITE_OK || IsBusySqlite(rc)) pool_.Give(std::move(connection));
            }
            if (rc == SQLITE_OK) return status;
            if (!IsBusySqlite(rc) || std::chrono::steady_clock::now() >= deadline)
                return StatusFromSqlite(rc);
            if (writing.owns_lock()) writing.unlock();
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(attempt, 20)));
        }
    }

    LSTATUS ConnectMachine(std::u16string_view name, uint32_t* machine) override {
        return ERROR_BAD_NETPATH;
    }

    void Trim() override { pool_.Clear(); }

    std::unique_ptr<SharedReads> ShareReads() override {
        if (tSharedRead != nullptr) return nullptr;
        return std::make_unique<Sharing>(*this);
    }

private:
    class Sharing final : public SharedReads {
    public:
        explicit Sharing(SqliteRegistryStore& store) : store_(store) {
            shared_.store = &store;
            tSharedRead = &shared_;
        }
        ~Sharing() override {
            tSharedRead = nullptr;
            store_.EndShared(shared_, true);
            if (shared_.connection) store_.pool_.Give(std::move(shared_.connection));
        }

    private:
        SqliteRegistryStore& store_;
        SharedRead shared_;
    };

    int Acquire(std::unique_ptr<SqliteConnection>* connection) {
        *connection = pool_.Take();
        return *connection != nullptr ? SQLITE_OK : SqliteConnection::Open(path_, connection);
    }

    // Runs a read in the shared transaction, begun afresh when it has grown
    // too old. False when that fails: the shared transaction is then ended
    // and the read is left to the usual path, which waits out a busy
    // database.
    bool RunShared(SharedRead& shared, const Work& work, LSTATUS* status) {
        const auto now = std::chrono::steady_clock::now();
        if (shared.open && now - shared.begun > kSharedReadAge) EndShared(shared, false);
        if (!shared.connection && Acquire(&shared.connection) != SQLITE_OK) return false;
        SqliteTransaction transaction(*shared.connection, &shared.listed);
        if (!shared.open) {
            int64_t version = 0;
            if (transaction.Begin(RegTxnKind::kRead) != ERROR_SUCCESS ||
                (shared.listed.parent != 0 && transaction.DataVersion(&version) != ERROR_SUCCESS)) {
                transaction.End(false);
                shared.listed = ListedSubkeys{};
                shared.connection.reset();
                return false;
            }
            if (version != shared.listed.dataVersion) shared.listed = ListedSubkeys{};
            shared.open = true;
            shared.begun = now;
        }
        *status = work(transaction);
        if (transaction.failure() == SQLITE_OK) return true;
        transaction.End(false);
        shared.open = false;
        shared.listed = ListedSubkeys{};
        shared.connection.reset();
        return false;
    }

    // Ends the shared transaction; a write of the thread (forget) also drops
    // what was listed in it.
    void EndShared(SharedRead& shared, bool forget) {
        if (forget) shared.listed = ListedSubkeys{};
        if (!shared.open) return;
        shared.open = false;
        SqliteTransaction transaction(*shared.connection);
        if (transaction.End(true) != ERROR_SUCCESS) {
            shared.listed = ListedSubkeys{};  // data versions are the connection's own
            shared.connection.reset();
        }
    }

    const std::string path_;
    std::mutex writeMutex_;
    ConnectionPool<SqliteConnection> pool_;
};

}  // namespace

std::unique_ptr<RegistryStore> MakeSqliteRegistryStore(std::string path) {
    return std::make_unique<SqliteRegistryStore>(std::move(path));
}

}  // namespace vek
