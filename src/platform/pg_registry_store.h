// The registry store on a PostgreSQL server shared by several machines. Each
// machine's registry is a namespace of its own in the database, named by the
// machine (VEK_MACHINE, else the host name); RegConnectRegistryW reaches the
// namespace of another machine by its name. Connections are pooled; each
// call is one transaction (REPEATABLE READ for reads; writes take the
// registry's advisory lock first, so writers follow one another as in the
// SQLite store) and is run again while it conflicts with other writers, for
// up to a few seconds. A server that is gone gives ERROR_REGISTRY_IO_FAILED
// within the connect and statement time-outs, and the next call connects
// again. Layout: docs/formats.md, "Registry on PostgreSQL".
//
// Thread safety: safe for concurrent use by many threads, processes and hosts.
#pragma once

#include <memory>
#include <string>

#include "platform/registry_store.h"

namespace vek {

// A store on the database named by uri (a postgresql:// connection URI)
// whose local namespace is machine. Nothing is opened here: failures to
// connect come back from each call.
std::unique_ptr<RegistryStore> MakePgRegistryStore(std::string uri, std::string machine);

// Whether a VEK_REGISTRY setting names a PostgreSQL database.
bool IsPgRegistryLocation(const std::string& setting);

}  // namespace vek
