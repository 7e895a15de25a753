#include "platform/registry_location.h"

#include <filesystem>

#include "platform/pg_registry_store.h"
#include "platform/sqlite_registry_store.h"
#include "platform/vek_home.h"

namespace vek {

std::string RegistryLocation(const std::string& setting) {
    if (IsPgRegistryLocation(setting)) return setting;
    if (!setting.empty()) {
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(setting, error);
        return error ? setting : absolute.lexically_normal().string();
    }
    const std::filesystem::path home = VekHome();
    return home.empty() ? std::string() : (home / "registry.sqlite").string();
}

std::unique_ptr<RegistryStore> MakeRegistryStore(const std::string& location,
                                                 const std::string& machine) {
    if (IsPgRegistryLocation(location)) return MakePgRegistryStore(location, machine);
    return MakeSqliteRegistryStore(location);
}

}  // namespace vek
