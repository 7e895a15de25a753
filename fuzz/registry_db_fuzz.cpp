// Feeds arbitrary bytes to the registry as its database file and runs the
// usual calls on it: each must answer a status, never crash or hang.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "vekconfig/registry.h"

namespace {

const std::filesystem::path& FuzzDir() {
    static const std::filesystem::path dir = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "vekfuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) abort();
        setenv("VEK_HOME", pattern.c_str(), 1);
        return std::filesystem::path(pattern);
    }();
    return dir;
}

bool Allowed(LSTATUS status) {
    switch (status) {
        case ERROR_SUCCESS:
        case ERROR_FILE_NOT_FOUND:
        case ERROR_ACCESS_DENIED:
        case ERROR_INVALID_HANDLE:
        case ERROR_MORE_DATA:
        case ERROR_NO_MORE_ITEMS:
        case ERROR_BADDB:
        case ERROR_REGISTRY_IO_FAILED:
        case ERROR_KEY_DELETED:
        case ERROR_NOT_ENOUGH_MEMORY:
            return true;
        default:
            return false;
    }
}

void Check(LSTATUS status) {
    if (!Allowed(status)) abort();
}

void Exercise() {
    HKEY key = nullptr;
    LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Norvane\\VekConfiguration", 0,
                                   KEY_READ, &key);
    Check(status);
    if (status == ERROR_SUCCESS) {
        BYTE data[64];
        DWORD size = sizeof(data), type = 0;
        Check(RegQueryValueExW(key, u"ConfigurationRoot", nullptr, &type, data, &size));
        RegCloseKey(key);
    }
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT}) {
        for (DWORD index = 0; index < 4; ++index) {
            WCHAR name[MAX_PATH];
            DWORD length = MAX_PATH;
            status = RegEnumKeyExW(root, index, name, &length, nullptr, nullptr, nullptr, nullptr);
            Check(status);
            if (status != ERROR_SUCCESS) break;
        }
    }
    DWORD subKeys = 0, values = 0;
    Check(RegQueryInfoKeyW(HKEY_LOCAL_MACHINE, nullptr, nullptr, nullptr, &subKeys, nullptr,
                           nullptr, &values, nullptr, nullptr, nullptr, nullptr));
    status = RegCreateKeyExW(HKEY_CLASSES_ROOT, u"CLSID\\Fuzz", 0, nullptr, 0, KEY_WRITE, nullptr,
                             &key, nullptr);
    Check(status);
    if (status == ERROR_SUCCESS) {
        const DWORD value = 1;
        Check(RegSetValueExW(key, u"V", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                             sizeof(value)));
        RegCloseKey(key);
        Check(RegDeleteKeyW(HKEY_CLASSES_ROOT, u"CLSID\\Fuzz"));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::filesystem::path& dir = FuzzDir();
    const std::filesystem::path file = dir / "input.sqlite";
    // Moving to another file lets go of every connection to the input file.
    setenv("VEK_REGISTRY", (dir / "other.sqlite").c_str(), 1);
    Check(RegCloseKey(HKEY_LOCAL_MACHINE));
    std::error_code ignored;
    for (const char* suffix : {"-wal", "-shm"})
        std::filesystem::remove(file.string() + suffix, ignored);
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    setenv("VEK_REGISTRY", file.c_str(), 1);
    Exercise();
    return 0;
}
