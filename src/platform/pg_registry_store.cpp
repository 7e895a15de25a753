#include "platform/pg_registry_store.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/connection_pool.h"
#include "platform/pg_connection.h"
#include "platform/registry_names.h"
#include "vekconfig/text.h"

namespace vek {
namespace {

// How long a call keeps trying while it conflicts with other writers.
constexpr std::chrono::seconds kBusyDeadline{5};

constexpr const char* kBeginRead = "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY";
// The lock number spells "VEKREG" and a 1: the registry's writer lock.
constexpr const char* kBeginWrite = "BEGIN; SELECT pg_advisory_xact_lock(5649746946766393345)";

// The roots of the other machines' namespaces this store has reached,
// numbered from 1 in the order they were first connected.
class MachineTable {
public:
    uint32_t Add(const std::string& folded, int64_t root) {
        std::lock_guard lock(mutex_);
        auto [at, added] = numbers_.emplace(folded, static_cast<uint32_t>(roots_.size() + 1));
        if (added) roots_.push_back(root);
        return at->second;
    }
    // 0 when machine was never connected.
    int64_t Root(uint32_t machine) const {
        std::lock_guard lock(mutex_);
        return machine >= 1 && machine <= roots_.size() ? roots_[machine - 1] : 0;
    }

private:
    mutable std::mutex mutex_;
    std::map<std::string, uint32_t> numbers_;
    std::vector<int64_t> roots_;
};

// A key's name from the first row of (name, name_upper).
void ReadName(const PgRows& rows, RegName* name) {
    name->text = rows.Text(0, 0);
    name->folded = rows.Text(0, 1);
}

class PgTransaction final : public RegistryTransaction {
public:
    PgTransaction(PgConnection& connection, const MachineTable& machines)
        : connection_(connection), machines_(machines) {}

    // Begins, runs work, commits on success, rolls back otherwise.
    LSTATUS Execute(RegTxnKind kind, const RegistryStore::Work& work) {
        LSTATUS status =
            Check(connection_.Execute(kind == RegTxnKind::kRead ? kBeginRead : kBeginWrite));
        begun_ = status == ERROR_SUCCESS;
        if (begun_) status = work(*this);
        if (status == ERROR_SUCCESS && failure_ == PgOutcome::kOk)
            status = Check(connection_.Execute("COMMIT"));
        if (connection_.usable() && connection_.InTransaction()) connection_.Execute("ROLLBACK");
        return status;
    }

    // The first failure of the server, kOk when there was none.
    PgOutcome failure() const { return failure_; }
    // Whether the transaction began (so work may have reached the server).
    bool begun() const { return begun_; }

    // The root of the namespace of the machine whose folded name is given;
    // ERROR_FILE_NOT_FOUND when the database has none.
    LSTATUS FindRoot(const std::string& folded, int64_t* root) {
        PgRows rows;
        return Single(PgSql::kFindRoot, PgParams().Text(folded), &rows, ERROR_FILE_NOT_FOUND,
                      [&] { *root = rows.Int(0, 0); });
    }

    LSTATUS MachineRoot(uint32_t machine, RegKeyId* root) override {
        *root = machine == kLocalMachine ? connection_.localRoot() : machines_.Root(machine);
        return *root != 0 ? ERROR_SUCCESS : ERROR_BAD_NETPATH;
    }

    LSTATUS FindSubkey(RegKeyId parent, std::string_view folded, RegKeyId* id) override {
        PgRows rows;
        return Single(PgSql::kFindSubkey, PgParams().Int(parent).Text(folded), &rows,
                      ERROR_FILE_NOT_FOUND, [&] { *id = rows.Int(0, 0); });
    }

    LSTATUS AddSubkey(RegKeyId parent, const RegName& name, RegKeyId* id) override {
        PgRows rows;
        return Single(PgSql::kAddSubkey, PgParams().Int(parent).Text(name.text).Text(name.folded),
                      &rows, ERROR_BADDB, [&] { *id = rows.Int(0, 0); });
    }

    LSTATUS CheckKey(RegKeyId key) override {
        PgRows rows;
        return Single(PgSql::kCheckKey, PgParams().Int(key), &rows, ERROR_KEY_DELETED, [] {});
    }

    LSTATUS SubkeyAt(RegKeyId parent, DWORD index, RegName* name) override {
        PgRows rows;
        return Single(PgSql::kSubkeyAt, PgParams().Int(parent).Int(index), &rows,
                      ERROR_NO_MORE_ITEMS, [&] { ReadName(rows, name); });
    }

    LSTATUS SubkeyAfter(RegKeyId parent, std::string_view folded, RegName* name) override {
        PgRows rows;
        return Single(PgSql::kSubkeyAfter, PgParams().Int(parent).Text(folded), &rows,
                      ERROR_NO_MORE_ITEMS, [&] { ReadName(rows, name); });
    }

    LSTATUS HasSubkeys(RegKeyId key, bool* any) override {
        PgRows rows;
        *any = false;
        const LSTATUS status = Single(PgSql::kHasSubkeys, PgParams().Int(key), &rows,
                                      ERROR_FILE_NOT_FOUND, [&] { *any = true; });
        return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
    }

    LSTATUS RemoveKey(RegKeyId key) override {
        LSTATUS status = Check(connection_.Run(PgSql::kRemoveKeyValues, PgParams().Int(key)));
        if (status == ERROR_SUCCESS)
            status = Check(connection_.Run(PgSql::kRemoveKey, PgParams().Int(key)));
        return status;
    }

    LSTATUS GetValue(RegKeyId key, std::string_view folded, RegValue* value) override {
        PgRows rows;
        return Single(PgSql::kGetValue, PgParams().Int(key).Text(folded), &rows,
                      ERROR_FILE_NOT_FOUND, [&] { ReadValue(rows, 0, value); });
    }

    LSTATUS PutValue(RegKeyId key, const RegName& name, DWORD type, const BYTE* data,
                     DWORD size) override {
        return Check(connection_.Run(
            PgSql::kPutValue,
            PgParams().Int(key).Text(name.text).Text(name.folded).Int(type).Bytes(data, size)));
    }

    LSTATUS RemoveValue(RegKeyId key, std::string_view folded) override {
        PgRows rows;
        const LSTATUS status =
            Check(connection_.Run(PgSql::kRemoveValue, PgParams().Int(key).Text(folded), &rows));
        if (status != ERROR_SUCCESS) return status;
        return rows.affected() == 0 ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS;
    }

    LSTATUS ValueAt(RegKeyId key, DWORD index, std::string* name, RegValue* value) override {
        PgRows rows;
        return Single(PgSql::kValueAt, PgParams().Int(key).Int(index), &rows, ERROR_NO_MORE_ITEMS,
                      [&] {
                          *name = rows.Text(0, 0);
                          ReadValue(rows, 1, value);
                      });
    }

    LSTATUS VisitSubkeys(RegKeyId key,
                         const std::function<void(std::string_view name)>& visit) override {
        PgRows rows;
        const LSTATUS status = Check(connection_.Run(PgSql::kListSubkeys, PgParams().Int(key), &rows));
        for (int row = 0; status == ERROR_SUCCESS && row < rows.count(); ++row)
            visit(rows.Text(row, 0));
        return status;
    }

    LSTATUS VisitValues(
        RegKeyId key,
        const std::function<void(std::string_view name, size_t size)>& visit) override {
        PgRows rows;
        const LSTATUS status = Check(connection_.Run(PgSql::kListValues, PgParams().Int(key), &rows));
        for (int row = 0; status == ERROR_SUCCESS && row < rows.count(); ++row)
            visit(rows.Text(row, 0), static_cast<size_t>(rows.Int(row, 1)));
        return status;
    }

private:
    static void ReadValue(const PgRows& rows, int column, RegValue* value) {
        value->type = static_cast<DWORD>(rows.Int(0, column));
        const std::string_view data = rows.Text(0, column + 1);
        value->data.assign(data.begin(), data.end());
    }

    LSTATUS Check(PgOutcome outcome) {
        if (outcome != PgOutcome::kOk && failure_ == PgOutcome::kOk) failure_ = outcome;
        return StatusFromPg(outcome);
    }

    // One row expected: read takes it; no row gives `missing`.
    template <typename Read>
    LSTATUS Single(PgSql which, const PgParams& params, PgRows* rows, LSTATUS missing, Read read) {
        const LSTATUS status = Check(connection_.Run(which, params, rows));
        if (status != ERROR_SUCCESS) return status;
        if (rows->count() == 0) return missing;
        read();
        return ERROR_SUCCESS;
    }

    PgConnection& connection_;
    const MachineTable& machines_;
    PgOutcome failure_ = PgOutcome::kOk;
    bool begun_ = false;
};

class PgRegistryStore final : public RegistryStore {
public:
    PgRegistryStore(std::string uri, std::string machine)
        : uri_(std::move(uri)), machine_(std::move(machine)) {}

    LSTATUS Run(RegTxnKind kind, const Work& work) override {
        const auto deadline = std::chrono::steady_clock::now() + kBusyDeadline;
        for (int attempt = 1;; ++attempt) {
            std::unique_ptr<PgConnection> connection;
            bool pooled = false;
            LSTATUS status = Acquire(&connection, &pooled);
            if (status != ERROR_SUCCESS) return status;
            PgTransaction transaction(*connection, machines_);
            status = transaction.Execute(kind, work);
            const PgOutcome failure = transaction.failure();
            const bool begun = transaction.begun();
            if (connection->usable()) pool_.Give(std::move(connection));
            if (failure == PgOutcome::kOk) return status;
            if (failure == PgOutcome::kLost) {
                // Pooled connections may all predate a restart of the server:
                // one that fails before its transaction began is replaced once.
                Trim();
                if (pooled && !begun && attempt == 1) continue;
                return status;
            }
            if (failure != PgOutcome::kBusy || std::chrono::steady_clock::now() >= deadline)
                return status;
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(attempt, 20)));
        }
    }

    LSTATUS ConnectMachine(std::u16string_view name, uint32_t* machine) override {
        const std::string text = Utf16ToUtf8(name);
        const std::string folded = FoldName(text);
        int64_t root = 0;
        const LSTATUS status = Run(RegTxnKind::kRead, [&](RegistryTransaction& txn) {
            return static_cast<PgTransaction&>(txn).FindRoot(folded, &root);
        });
        if (status == ERROR_FILE_NOT_FOUND) return ERROR_BAD_NETPATH;
        if (status != ERROR_SUCCESS) return status;
        *machine = machines_.Add(folded, root);
        return ERROR_SUCCESS;
    }

    void Trim() override { pool_.Clear(); }

private:
    LSTATUS Acquire(std::unique_ptr<PgConnection>* connection, bool* pooled) {
        *connection = pool_.Take();
        *pooled = *connection != nullptr;
        return *pooled ? ERROR_SUCCESS : PgConnection::Open(uri_, machine_, connection);
    }

    const std::string uri_;
    const std::string machine_;
    MachineTable machines_;
    ConnectionPool<PgConnection> pool_;
};

}  // namespace

std::unique_ptr<RegistryStore> MakePgRegistryStore(std::string uri, std::string machine) {
    return std::make_unique<PgRegistryStore>(std::move(uri), std::move(machine));
}

bool IsPgRegistryLocation(const std::string& setting) {
    return setting.starts_with("postgresql://") || setting.starts_with("postgres://");
}

}  // namespace vek
