// Key paths of the configured-object layout below HKEY_CLASSES_ROOT, and the
// steps shared by every walk over a class's "Devices" key.
#pragma once

#include <memory>
#include <string>

#include "platform/env.h"
#include "platform/scoped_key.h"
#include "settings/config_file_names.h"
#include "vekconfig/objectconfig.h"

namespace vek {

// "CLSID\{class}"
inline std::u16string ClassKeyPath(REFCLSID clsid) { return u"CLSID\\" + GuidText(clsid); }
// "CLSID\{class}\Devices"
inline std::u16string DevicesKeyPath(REFCLSID clsid) { return ClassKeyPath(clsid) + u"\\Devices"; }
// "CLSID\{class}\Devices\{object}"
inline std::u16string ObjectKeyPath(REFCLSID clsid, REFGUID objectID) {
    return DevicesKeyPath(clsid) + u"\\" + GuidText(objectID);
}

// Taken by a walk at its start: the walk's registry reads share read
// transactions while the result lives (see SharedReads).
inline std::unique_ptr<SharedReads> ShareWalkReads() { return CurrentEnv().Registry().ShareReads(); }

// Subkey names are enumerated into a buffer of this many wide characters.
constexpr DWORD kSubkeyNameChars = MAX_PATH;

// Enumerates the subkey at index and converts its name to an object ID (a
// name that is no GUID gives GUID_NULL; the conversion is not examined).
// Returns the enumeration's code.
inline LSTATUS EnumObjectID(HKEY devices, DWORD index, GUID& objectID) {
    WCHAR name[kSubkeyNameChars];
    DWORD length = kSubkeyNameChars;
    const LSTATUS status =
        RegEnumKeyExW(devices, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_SUCCESS) CLSIDFromString(name, &objectID);
    return status;
}

// Opens an enumerated object's configuration file in the walk's
// configuration root into config. S_OK; E_FAIL when the path cannot be
// composed; else as CVekObjectConfig::Open.
inline HRESULT OpenObjectOfWalk(CVekObjectConfig& config, ConfigRootOfWalk& root,
                                REFGUID objectID) {
    WCHAR path[MAX_PATH];
    if (FAILED(root.ComposePath(objectID, path))) return E_FAIL;
    return config.Open(path);
}

}  // namespace vek
