#include "tool_output.h"

#include <cstdio>
#include <cstdlib>
#include <random>

#include "vekconfig/vekconfig.h"

namespace vekcfg {

int Fail(const char* command, const std::string& message) {
    std::fprintf(stderr, "vekcfg: %s: %s\n", command, message.c_str());
    return 1;
}

int Usage(const char* command, const std::string& message) {
    std::fprintf(stderr, "vekcfg: %s: %s (see 'vekcfg %s --help')\n", command, message.c_str(),
                 command);
    return 2;
}

std::string DescribeRegistryTrouble() {
    HKEY key = nullptr;
    const LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE", 0, KEY_READ, &key);
    if (status == ERROR_SUCCESS) {
        RegCloseKey(key);
        return "";
    }
    const char* registry = std::getenv("VEK_REGISTRY");
    const char* home = std::getenv("VEK_HOME");
    const std::string database =
        registry != nullptr && *registry != 0 ? std::string("the registry ") + registry
        : home != nullptr && *home != 0 ? std::string("the registry ") + home + "/registry.sqlite"
                                        : std::string("the registry database");
    switch (status) {
        case ERROR_FILE_NOT_FOUND: return "";  // a fresh registry has no keys yet
        case ERROR_BADDB: return database + " is damaged or is not a registry database";
        case ERROR_REGISTRY_IO_FAILED: return database + " cannot be opened or read";
        case ERROR_ACCESS_DENIED: return "access to " + database + " is denied";
        default: return database + " answered error " + std::to_string(status);
    }
}

GUID NewGuid() {
    std::random_device random;
    GUID id{};
    id.Data1 = random();
    id.Data2 = static_cast<uint16_t>(random());
    id.Data3 = static_cast<uint16_t>((random() & 0x0FFF) | 0x4000);
    for (auto& byte : id.Data4) byte = static_cast<uint8_t>(random());
    id.Data4[0] = static_cast<uint8_t>((id.Data4[0] & 0x3F) | 0x80);
    return id;
}

}  // namespace vekcfg
