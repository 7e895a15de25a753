// The storage behind the registry: the few statements on keys and values that
// differ between backends, run inside one transaction per registry call.
// Everything else (handles, paths, case folding, buffer rules, result codes
// of the Reg* calls) is common and lives in StoreRegistry.
//
// Names reach a store as UTF-8 text plus its folded twin (ASCII letters
// upper-cased), which is the comparison and ordering key; the text keeps the
// case the name was created with.
//
// Thread safety: a RegistryStore is safe for concurrent use; a
// RegistryTransaction belongs to the one call that runs it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/shared_reads.h"
#include "vekconfig/types.h"

namespace vek {

using RegKeyId = int64_t;

// The local machine's namespace; a store that holds several machines numbers
// the others from 1.
constexpr uint32_t kLocalMachine = 0;

struct RegName {
    std::string text;    // UTF-8, case as given
    std::string folded;  // ASCII letters upper-cased
};

struct RegValue {
    DWORD type = 0;
    std::vector<BYTE> data;
};

// Statements of one transaction. Each returns 0, the Win32 code named in its
// comment, or the code of a storage failure (after which the transaction is
// rolled back whatever the work returns).
class RegistryTransaction {
public:
    virtual ~RegistryTransaction() = default;

    // The root key (HKEY_LOCAL_MACHINE) of a machine's namespace.
    virtual LSTATUS MachineRoot(uint32_t machine, RegKeyId* root) = 0;
    // ERROR_FILE_NOT_FOUND when parent has no such subkey.
    virtual LSTATUS FindSubkey(RegKeyId parent, std::string_view folded, RegKeyId* id) = 0;
    virtual LSTATUS AddSubkey(RegKeyId parent, const RegName& name, RegKeyId* id) = 0;
    // ERROR_KEY_DELETED when the key no longer exists.
    virtual LSTATUS CheckKey(RegKeyId key) = 0;
    // The index-th subkey in folded-name order; ERROR_NO_MORE_ITEMS past the end.
    virtual LSTATUS SubkeyAt(RegKeyId parent, DWORD index, RegName* name) = 0;
    // The first subkey whose folded name orders after `folded`, so a walk
    // goes on from the name it last returned without counting from the start;
    // ERROR_NO_MORE_ITEMS when there is none.
    virtual LSTATUS SubkeyAfter(RegKeyId parent, std::string_view folded, RegName* name) = 0;
    virtual LSTATUS HasSubkeys(RegKeyId key, bool* any) = 0;
    // Removes the key and its values (the caller has checked it has no subkeys).
    virtual LSTATUS RemoveKey(RegKeyId key) = 0;
    // ERROR_FILE_NOT_FOUND when the key has no such value.
    virtual LSTATUS GetValue(RegKeyId key, std::string_view folded, RegValue* value) = 0;
    // Adds or replaces a value; a replaced value keeps its name's case.
    virtual LSTATUS PutValue(RegKeyId key, const RegName& name, DWORD type, const BYTE* data,
                             DWORD size) = 0;
    // ERROR_FILE_NOT_FOUND when the key has no such value.
    virtual LSTATUS RemoveValue(RegKeyId key, std::string_view folded) = 0;
    // The index-th value in folded-name order; ERROR_NO_MORE_ITEMS past the end.
    virtual LSTATUS ValueAt(RegKeyId key, DWORD index, std::string* name, RegValue* value) = 0;
    // Calls visit for every subkey name.
    virtual LSTATUS VisitSubkeys(RegKeyId key,
                                 const std::function<void(std::string_view name)>& visit) = 0;
    // Calls visit for every value's name and data size.
    virtual LSTATUS VisitValues(
        RegKeyId key, const std::function<void(std::string_view name, size_t size)>& visit) = 0;
};

enum class RegTxnKind { kRead, kWrite };

class RegistryStore {
public:
    using Work = std::function<LSTATUS(RegistryTransaction&)>;

    virtual ~RegistryStore() = default;

    // Runs work as one transaction, committed (durably) when work returns 0
    // and rolled back otherwise. A store busy with other writers is waited
    // for and work is run again from the start, so work must keep its results
    // in locals until Run returns. Returns work's status, or: ERROR_BADDB
    // for a damaged database, ERROR_INVALID_HANDLE when the store stayed
    // busy (transient), ERROR_REGISTRY_IO_FAILED when it cannot be reached.
    virtual LSTATUS Run(RegTxnKind kind, const Work& work) = 0;

    // The namespace of a machine that is not this one; ERROR_BAD_NETPATH
    // when this store cannot reach it.
    virtual LSTATUS ConnectMachine(std::u16string_view name, uint32_t* machine) = 0;

    // Lets go of resources held between calls (idle connections).
    virtual void Trim() = 0;

    // Shares the calling thread's reads (see SharedReads); null where the
    // store gains nothing by it or the thread already shares its reads.
    virtual std::unique_ptr<SharedReads> ShareReads() { return nullptr; }
};

}  // namespace vek
