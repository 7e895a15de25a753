// Where a machine's registry lives: a VEK_REGISTRY setting (a postgresql://
// URI, a SQLite file path, or empty for $VEK_HOME/registry.sqlite) turned
// into a store.
//
// Thread safety: pure functions.
#pragma once

#include <memory>
#include <string>

#include "platform/registry_store.h"

namespace vek {

// The setting made canonical: a URI as it is, a file path made absolute, an
// empty setting the default file in VEK_HOME ("" when there is no home).
std::string RegistryLocation(const std::string& setting);

// A store on location whose local namespace is machine (used by the
// PostgreSQL store only). Nothing is opened until the first call.
std::unique_ptr<RegistryStore> MakeRegistryStore(const std::string& location,
                                                 const std::string& machine);

}  // namespace vek
