// Copies one machine's registry into another store, e.g. from the SQLite
// file of a machine into its namespace on a PostgreSQL server, and back.
//
// Thread safety: safe; the copy is one read transaction on the source and,
// inside it, one write transaction on the target.
#pragma once

#include "platform/registry_store.h"

namespace vek {

struct RegistryCopyCount {
    size_t keys = 0;
    size_t values = 0;
};

// Copies every key and value of from's local machine into to's local
// machine. Keys that exist already are kept and values of the same name are
// replaced; nothing in the target is deleted. All or nothing: the target is
// unchanged unless the whole copy succeeds. Returns the first failure of
// either store (see RegistryStore::Run).
LSTATUS CopyRegistry(RegistryStore& from, RegistryStore& to, RegistryCopyCount* count);

}  // namespace vek
