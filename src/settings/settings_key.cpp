#include "settings/settings_key.h"

#include "foundation/report.h"
#include "platform/vek_home.h"
#include "settings/open_with_retry.h"
#include "vekconfig/text.h"

namespace vek {

LSTATUS QueryPathValue(HKEY key, const WCHAR* name, WCHAR* out) {
    WCHAR value[MAX_PATH] = {};
    DWORD size = sizeof value;
    DWORD type = REG_NONE;
    const LSTATUS status =
        RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    if (status != ERROR_SUCCESS) return status;
    // The stored bytes need not end with a terminator.
    const DWORD units = size / sizeof(WCHAR);
    value[units < MAX_PATH ? units : MAX_PATH - 1] = 0;
    if (value[0] != 0) WideCopy(out, MAX_PATH, value);
    return ERROR_SUCCESS;
}

HRESULT WriteSettingValue(HKEY root, const WCHAR* name, DWORD type, const void* data,
                          DWORD size) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return E_FAIL;
    const LSTATUS status =
        RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? S_OK : E_FAIL;
}

HRESULT WriteMachineSetting(const WCHAR* machine, const WCHAR* name, DWORD type,
                            const void* data, DWORD size) {
    HKEY root = nullptr;
    if (RegConnectRegistryW(machine, HKEY_LOCAL_MACHINE, &root) != ERROR_SUCCESS) return E_FAIL;
    const HRESULT result = WriteSettingValue(root, name, type, data, size);
    RegCloseKey(root);
    return result;
}

HRESULT WriteLocalText(const WCHAR* name, const WCHAR* text) {
    WCHAR local[MAX_PATH + 1];
    WideCopy(local, std::size(local), text);
    return WriteSettingValue(HKEY_LOCAL_MACHINE, name, REG_SZ, local, TextBytes(local));
}

DWORD TextBytes(const WCHAR* text) {
    return static_cast<DWORD>((WideLength(text) + 1) * sizeof(WCHAR));
}

HRESULT OpenLocalSettings(const WCHAR* failureContext, HKEY* key) {
    *key = nullptr;
    const LSTATUS status =
        VekOpenRegKeyWithRetry(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, key);
    if (status == ERROR_FILE_NOT_FOUND) {
        *key = nullptr;
        return S_OK;
    }
    if (status != ERROR_SUCCESS) {
        *key = nullptr;
        ReportError(failureContext, status);
        return E_FAIL;
    }
    return S_OK;
}

void ReportConnectFailure(const WCHAR* connectContext, LSTATUS status) {
    ReportError(connectContext, status);
}

HRESULT RestoreDefault(const WCHAR* notice, HRESULT (*setter)(const WCHAR*),
                       const WCHAR* failureContext, const WCHAR* path) {
    ReportNotice(notice);
    const HRESULT set = setter(path);
    if (FAILED(set)) {
        ReportError(failureContext, set);
        return E_FAIL;
    }
    return S_OK;
}

void DefaultLocation(const char* leaf, WCHAR* out) {
    out[0] = 0;
    const std::filesystem::path home = VekHome();
    if (home.empty()) return;
    const std::u16string path = Utf8ToUtf16((home / leaf).string() + "/");
    if (path.size() >= kLocationSize) return;
    WideCopy(out, kLocationSize, path.c_str());
}

void AppendSeparator(WCHAR* path) {
    const size_t length = WideLength(path);
    if (length == 0 || path[length - 1] == u'/') return;
    path[length] = u'/';
    path[length + 1] = 0;
}

}  // namespace vek
