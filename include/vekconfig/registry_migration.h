// Moving a machine's registry between stores: from its SQLite file into its
// namespace in a PostgreSQL database shared by several machines, and back.
//
// Thread safety: safe to call from any thread; the copy is one transaction
// on each store, so other processes see all of it or none.
#pragma once

#include "vekconfig/types.h"

// Copies every key and value of one machine's registry at location from into
// the same machine's registry at location to. A location is a SQLite file
// path or a postgresql:// connection URI; machine (UTF-8) names the
// namespace in a PostgreSQL database, null or empty for this machine
// (VEK_MACHINE, else the host name). Existing keys are kept and values of the
// same name replaced; nothing is deleted. keys and values (optional) receive
// the numbers copied.
// Returns ERROR_SUCCESS; ERROR_INVALID_PARAMETER for a null or empty
// location or the same location twice; otherwise the failing store's status
// (ERROR_REGISTRY_IO_FAILED unreachable, ERROR_BADDB damaged or foreign,
// ERROR_INVALID_HANDLE kept busy by other writers), with the target unchanged.
VEK_API LSTATUS VekCopyRegistry(const char* from, const char* to, const char* machine,
                                DWORD* keys, DWORD* values);
