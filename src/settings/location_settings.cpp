// The three directory settings: configuration root, spool and temporary files.
#include "foundation/report.h"
#include "platform/files.h"
#include "settings/open_with_retry.h"
#include "settings/settings_key.h"
#include "vekconfig/settings.h"
#include "vekconfig/text.h"

namespace vek {
namespace {

using LocalPath = WCHAR[MAX_PATH + 1];

// Cuts the path at 260 characters into local and creates that directory
// (its last component only) on this machine. An existing one is fine.
bool MakeDirectory(const WCHAR* path, LocalPath& local) {
    WideCopy(local, std::size(local), path);
    const LSTATUS made = CreateDirectoryW(local);
    return made == ERROR_SUCCESS || made == ERROR_ALREADY_EXISTS;
}

// A local directory setting: the directory, then the value.
HRESULT SetLocalLocation(const WCHAR* path, const WCHAR* valueName) {
    if (path == nullptr) return E_POINTER;
    LocalPath local;
    if (!MakeDirectory(path, local)) return E_FAIL;
    return WriteLocalText(valueName, local);
}

// Reads one path value of the settings key under root into out.
LSTATUS ReadLocation(HKEY root, const WCHAR* valueName, WCHAR* out) {
    return ReadSetting(root, [&](HKEY key) { return QueryPathValue(key, valueName, out); });
}

HRESULT SetLocalConfigLocation(const WCHAR* path) { return SetConfigLocation(path, nullptr); }

}  // namespace
}  // namespace vek

HRESULT SetConfigLocation(const WCHAR* path, const WCHAR* machine) {
    if (path == nullptr) return E_POINTER;
    vek::LocalPath local;
    if (!vek::MakeDirectory(path, local)) return E_FAIL;
    return vek::WriteMachineSetting(machine, u"ConfigurationRoot", REG_SZ, local,
                                    vek::TextBytes(local));
}

HRESULT GetConfigLocation(WCHAR* out, const WCHAR* machine) {
    if (out == nullptr) return E_POINTER;
    const LSTATUS status = vek::ReadMachineSetting(
        machine, u"GetConfigLocation-->RegConnectRegistry",
        [&](HKEY key) { return vek::QueryPathValue(key, u"ConfigurationRoot", out); });
    if (status == ERROR_FILE_NOT_FOUND) {
        // The default goes to this machine, whichever machine was asked.
        WCHAR fallback[vek::kLocationSize];
        vek::DefaultLocation("config", fallback);
        if (FAILED(vek::RestoreDefault(
                u"VEK config location not found in Registry -- set config path to default value",
                vek::SetLocalConfigLocation, u"GetConfigLocation-->SetConfigLocation",
                fallback))) {
            out[0] = 0;
            return E_FAIL;
        }
        vek::WideCopy(out, vek::kLocationSize, fallback);
    } else if (status != ERROR_SUCCESS) {
        vek::ReportError(
            u"GetConfigLocation function FAILED, retrying did not eliminate the problem", status);
        out[0] = 0;
        return E_FAIL;
    }
    vek::AppendSeparator(out);
    return S_OK;
}

HRESULT SetSpoolLocation(const WCHAR* path) { return vek::SetLocalLocation(path, u"SpoolRoot"); }

HRESULT GetSpoolLocation(WCHAR* out) {
    if (out == nullptr) return E_POINTER;
    vek::DefaultLocation("spool", out);
    // A missing or unreadable value leaves the default, unwritten.
    const LSTATUS status = vek::ReadSetting(HKEY_LOCAL_MACHINE, [&](HKEY key) {
        vek::QueryPathValue(key, u"SpoolRoot", out);
        return ERROR_SUCCESS;
    });
    if (status == ERROR_FILE_NOT_FOUND) {
        if (FAILED(vek::RestoreDefault(u"VEK SPOOL location not found in Registry -- setting VEK "
                                       u"SPOOL path to default value",
                                       SetSpoolLocation,
                                       u"GetVekSpoolLocation-->SetVekSpoolLocation", out)))
            return E_FAIL;
    } else if (status != ERROR_SUCCESS) {
        vek::ReportError(
            u"GetVekSpoolLocation function FAILED, retrying did not eliminate the problem",
            status);
        return E_FAIL;
    }
    vek::AppendSeparator(out);
    return S_OK;
}

HRESULT SetVekTempLocation(const WCHAR* path) { return vek::SetLocalLocation(path, u"TempRoot"); }

HRESULT GetVekTempLocation(WCHAR* out) {
    if (out == nullptr) return E_POINTER;
    vek::DefaultLocation("temp", out);
    const LSTATUS status = vek::ReadLocation(HKEY_LOCAL_MACHINE, u"TempRoot", out);
    if (status == ERROR_FILE_NOT_FOUND) {
        if (FAILED(vek::RestoreDefault(u"VEK TEMP location not found in Registry -- setting VEK "
                                       u"TEMP path to default value",
                                       SetVekTempLocation,
                                       u"GetVekTempLocation-->SetVekTempLocation", out)))
            return E_FAIL;
    } else if (status != ERROR_SUCCESS) {
        vek::ReportError(u"GetVekTempLocation-->Registry", status);
        return E_FAIL;
    }
    vek::AppendSeparator(out);
    return S_OK;
}
