// The registry store in one SQLite database file per machine (the default
// store). Connections are pooled and kept open between calls; each call is
// one transaction (BEGIN for reads, BEGIN IMMEDIATE for writes), run again
// while other writers keep the database busy, for up to a few seconds.
// Layout of the file: docs/formats.md, "Registry database".
//
// Thread safety: safe for concurrent use by many threads and processes.
#pragma once

#include <memory>
#include <string>

#include "platform/registry_store.h"

namespace vek {

// A store on the database at path, created on first use when missing.
// Nothing is opened here: failures to open come back from each call.
std::unique_ptr<RegistryStore> MakeSqliteRegistryStore(std::string path);

}  // namespace vek
