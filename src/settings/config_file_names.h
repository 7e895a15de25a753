// Configuration file paths composed from a configuration root already read,
// for walks over many objects: the root is read from the registry once per
// walk instead of once per object.
//
// Thread safety: ComposeConfigFilePathIn is safe; a ConfigRootOfWalk belongs
// to the one walk that uses it.
#pragma once

#include "settings/settings_key.h"
#include "vekconfig/types.h"

namespace vek {

// root + the object ID's braced text + ".cfg" into out (MAX_PATH
// characters), as ComposeConfigFilePathname composes it. S_OK; E_FAIL with
// out empty when the whole would not fit.
HRESULT ComposeConfigFilePathIn(const WCHAR* root, GUID objectId, WCHAR* out);

// The configuration root of one walk, read at the first object that needs it
// and kept for the rest of the walk; a root that could not be read is asked
// for again at the next object.
class ConfigRootOfWalk {
public:
    // The object's configuration file path into out (MAX_PATH characters).
    // S_OK; E_FAIL with out empty when the root cannot be read or the path
    // would not fit.
    HRESULT ComposePath(GUID objectId, WCHAR* out);

private:
    bool known_ = false;
    WCHAR root_[kLocationSize] = {};
};

}  // namespace vek
