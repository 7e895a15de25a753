#include "foundation/library_entry.h"

#include <new>

#include "vekconfig/registry.h"
#include "vekconfig/text.h"

namespace vek {

void AttachLibrary(const WCHAR* modulePath) {
    // Errors and warnings only.
    constexpr DWORD kTypeMask = 3;
    auto* logger = new (std::nothrow) CEventLogger(kEventSourceName, modulePath, kTypeMask);
    if (logger == nullptr) return;
    g_pEventLogger = logger;
    InstallEventSource(logger);
}

void DetachLibrary() {
    // Cleared as well, so that a late report from a thread that outlives the
    // unload is dropped instead of reaching freed memory.
    CEventLogger* logger = g_pEventLogger;
    g_pEventLogger = nullptr;
    delete logger;
}

}  // namespace vek

bool InstallEventSource(CEventLogger* logger) {
    if (logger == nullptr) return false;
    WCHAR keyPath[MAX_PATH * 2];
    const size_t prefix = vek::WideLength(vek::kEventSourceKeyPrefix);
    vek::WideCopy(keyPath, std::size(keyPath), vek::kEventSourceKeyPrefix);
    vek::WideCopy(keyPath + prefix, std::size(keyPath) - prefix, logger->SourceName());

    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const WCHAR* file = logger->MessageFile();
    const auto fileBytes = static_cast<DWORD>((vek::WideLength(file) + 1) * sizeof(WCHAR));
    if (RegSetValueExW(key, u"EventMessageFile", 0, REG_EXPAND_SZ,
                       reinterpret_cast<const BYTE*>(file), fileBytes) != ERROR_SUCCESS) {
        RegCloseKey(key);
        return false;
    }
    const DWORD types = 7;  // error, warning and information events
    if (RegSetValueExW(key, u"TypesSupported", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&types),
                       sizeof types) != ERROR_SUCCESS) {
        RegCloseKey(key);
        return false;
    }
    RegCloseKey(key);
    return true;
}
