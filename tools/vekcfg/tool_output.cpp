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

std::string StatusString(HRESULT status) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(status));
    return text;
}

std::string StorageStatusText(HRESULT status) {
    const std::string code = StatusString(status);
    const char* words = nullptr;
    switch (static_cast<uint32_t>(status)) {
        case 0x80030002: words = "no such file"; break;
        case 0x80030003: words = "no such path"; break;
        case 0x80030005: words = "access denied"; break;
        case 0x80030020: case 0x80030021: words = "the file is in use"; break;
        case 0x80030050: case 0x800300FB: case 0x80030104: words = "not a compound file"; break;
        case 0x8003001D: case 0x8003001E: words = "the file cannot be read"; break;
        case 0x80030109: words = "the file is damaged"; break;
        default: break;
    }
    return words != nullptr ? std::string(words) + " (" + code + ")" : std::string("error ") + code;
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
