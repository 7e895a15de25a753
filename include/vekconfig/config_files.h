// Names of configuration files, sub-storage access and GUID text.
//
// An object's configuration file is the configuration root (see
// GetConfigLocation), the object ID in braced upper-case GUID text and
// ".cfg", for example $VEK_HOME/config/{ABCDEFAB-CDEF-ABCD-EFAB-CDEFABCDEFAB}.cfg.
// A printer model's attribute file is the root, a base name and ".ATT".
//
// Thread safety: every function may be called from any thread.
#pragma once

#include "vekconfig/storage.h"

// Writes the configuration file path of objectId into out, which holds
// MAX_PATH characters. S_OK; E_FAIL with out empty when the configuration
// root cannot be read or the path would not fit in MAX_PATH characters
// (terminator included).
VEK_API HRESULT ComposeConfigFilePathname(GUID objectId, WCHAR* out);

// Writes root + baseName + ".ATT" into out (MAX_PATH characters). S_OK;
// E_FAIL with out empty as above, or for a null baseName.
VEK_API HRESULT ComposeATTFilePathname(const WCHAR* baseName, WCHAR* out);

// Opens the sub-storage name of parent, or creates it when it cannot be
// opened, in mode STGM_READWRITE | STGM_SHARE_EXCLUSIVE. S_OK with *out
// held for the caller (who releases it); E_FAIL when neither works (for
// example when name is a stream), with *out untouched.
VEK_API HRESULT OpenStorage(const WCHAR* name, IStorage* parent, IStorage** out);

// Writes the braced upper-case text of id (38 characters and terminator)
// into out, which must hold 39 characters; length is not consulted.
VEK_API void CLSIDtoChar(const GUID& id, WCHAR* out, int length);
