// The text log's name and size limit, and the scheduler's selection method.
#include "foundation/report.h"
#include "settings/open_with_retry.h"
#include "settings/settings_key.h"
#include "vekconfig/settings.h"

namespace {

constexpr DWORD kDefaultLogLength = 1000000;

}  // namespace

HRESULT SetLogFileName(const WCHAR* name) {
    if (name == nullptr) return E_POINTER;
    return vek::WriteLocalText(u"LogFileName", name);
}

HRESULT GetLogFileName(WCHAR* out) {
    if (out == nullptr) return E_POINTER;
    out[0] = 0;
    HKEY key = nullptr;
    if (FAILED(vek::OpenLocalSettings(u"GetLogFileName-->Registry", &key))) return E_FAIL;
    if (key == nullptr) return S_OK;
    // A missing or unreadable value is an empty name.
    vek::QueryPathValue(key, u"LogFileName", out);
    RegCloseKey(key);
    return S_OK;
}

HRESULT SetConfigLogLength(DWORD length, const WCHAR* machine) {
    return vek::WriteMachineSetting(machine, u"LogLength", REG_DWORD, &length, sizeof length);
}

HRESULT GetConfigLogLength(DWORD* out, const WCHAR* machine) {
    if (out == nullptr) return E_POINTER;
    const LSTATUS status = vek::ReadMachineSetting(
        machine, u"GetConfigLogLength->RegConnectRegistry", [&](HKEY key) {
            DWORD size = sizeof *out;
            return RegQueryValueExW(key, u"LogLength", nullptr, nullptr,
                                    reinterpret_cast<BYTE*>(out), &size);
        });
    if (status == ERROR_FILE_NOT_FOUND) {
        vek::ReportNotice(u"VEK log length not found in Registry -- set log length to default value");
        const HRESULT set = SetConfigLogLength(kDefaultLogLength, nullptr);
        if (FAILED(set)) {
            vek::ReportError(u"GetConfigLogLength->SetConfigLogLength", set);
            return E_FAIL;
        }
        *out = kDefaultLogLength;
        return S_OK;
    }
    if (status != ERROR_SUCCESS) {
        vek::ReportError(
            u"GetConfigLogLength function FAILED, retrying did not eliminate the problem", status);
        return E_FAIL;
    }
    return S_OK;
}

HRESULT SetSchedulerSelectionMethod(PP_SELECTION_METHOD method) {
    const uint32_t stored = method;
    return vek::WriteSettingValue(HKEY_LOCAL_MACHINE, u"SchedulerSelectionMethod", REG_BINARY,
                                  &stored, sizeof stored);
}

HRESULT GetSchedulerSelectionMethod(PP_SELECTION_METHOD& method) {
    method = PP_SELECTION_DEFAULT;
    HKEY key = nullptr;
    if (FAILED(vek::OpenLocalSettings(u"GetSchedulerSelectionMethod-->Registry", &key)))
        return E_FAIL;
    if (key == nullptr) return S_OK;
    // Exactly 4 bytes, whatever the stored type; anything else keeps 1.
    uint32_t stored = 0;
    DWORD size = sizeof stored;
    if (RegQueryValueExW(key, u"SchedulerSelectionMethod", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(&stored), &size) == ERROR_SUCCESS &&
        size == sizeof stored)
        method = static_cast<PP_SELECTION_METHOD>(stored);
    RegCloseKey(key);
    return S_OK;
}
