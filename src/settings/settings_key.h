// The pieces shared by the installation-setting getters and setters: the
// key, reading and writing its values, the default directories.
//
// Thread safety: safe; nothing is shared between calls.
#pragma once

#include "platform/env.h"
#include "settings/open_with_retry.h"
#include "vekconfig/registry.h"

namespace vek {

inline constexpr const WCHAR* kSettingsKey = u"SOFTWARE\\Norvane\\VekConfiguration";

// Size of a directory getter's output: 259 characters, "/" and terminator.
constexpr int kLocationSize = MAX_PATH + 1;

// Queries a string value into a buffer of MAX_PATH characters and, when it
// is not empty, copies it (at most 259 characters) over out. Returns the
// query's status: 2 missing, 234 longer than 259 characters.
LSTATUS QueryPathValue(HKEY key, const WCHAR* name, WCHAR* out);

// Creates (or opens) the settings key under root for writing and stores one
// value. S_OK, or E_FAIL when the key or the value cannot be written.
HRESULT WriteSettingValue(HKEY root, const WCHAR* name, DWORD type, const void* data,
                          DWORD size);
// The same on machine (null: this one), reached with RegConnectRegistryW;
// E_FAIL when it cannot be reached.
HRESULT WriteMachineSetting(const WCHAR* machine, const WCHAR* name, DWORD type,
                            const void* data, DWORD size);
// Text on this machine: at most 260 characters, stored as REG_SZ with its
// terminator.
HRESULT WriteLocalText(const WCHAR* name, const WCHAR* text);
// Bytes of a terminated text as REG_SZ stores it.
DWORD TextBytes(const WCHAR* text);

// Opens the settings key under root with retry and runs query(key) on it.
// The open's status when it failed, else query's.
template <typename Query>
LSTATUS ReadSetting(HKEY root, Query&& query) {
    HKEY key = nullptr;
    LSTATUS status = VekOpenRegKeyWithRetry(root, kSettingsKey, 0, KEY_READ, &key);
    if (status != ERROR_SUCCESS) return status;
    status = query(key);
    RegCloseKey(key);
    return status;
}

// ReadSetting on machine (null: this one). A failed connection is reported
// with connectContext and its status returned.
void ReportConnectFailure(const WCHAR* connectContext, LSTATUS status);
template <typename Query>
LSTATUS ReadMachineSetting(const WCHAR* machine, const WCHAR* connectContext, Query&& query) {
    // Connect, open and query: one read transaction rather than three.
    const auto sharedReads = CurrentEnv().Registry().ShareReads();
    HKEY root = nullptr;
    const LSTATUS status = RegConnectRegistryW(machine, HKEY_LOCAL_MACHINE, &root);
    if (status != ERROR_SUCCESS) {
        ReportConnectFailure(connectContext, status);
        return status;
    }
    const LSTATUS result = ReadSetting(root, query);
    RegCloseKey(root);
    return result;
}

// Opens the settings key of this machine for reading, with retry. S_OK with
// *key open, or with *key null when the key is missing; E_FAIL after
// reporting failureContext with the open's status.
HRESULT OpenLocalSettings(const WCHAR* failureContext, HKEY* key);

// Reports notice, then stores path through setter. S_OK, or E_FAIL after
// reporting failureContext with the setter's status.
HRESULT RestoreDefault(const WCHAR* notice, HRESULT (*setter)(const WCHAR*),
                       const WCHAR* failureContext, const WCHAR* path);

// $VEK_HOME/<leaf>/ into out (kLocationSize characters); empty when the
// home cannot be found or the path does not fit.
void DefaultLocation(const char* leaf, WCHAR* out);

// Appends "/" to a non-empty path that does not end with one.
void AppendSeparator(WCHAR* path);

}  // namespace vek
