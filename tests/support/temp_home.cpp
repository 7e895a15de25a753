#include "support/temp_home.h"

#include <cstdlib>
#include <stdexcept>

namespace vek::test {
namespace {

std::string TestRegistry() {
    const char* uri = std::getenv("VEK_TEST_REGISTRY");
    return uri != nullptr ? uri : "";
}

}  // namespace

bool TestStoreIsPostgres() { return !TestRegistry().empty(); }

TempHome::TempHome() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vekhome-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    std::vector<std::pair<const char*, std::string>> settings = {{"VEK_HOME", path_.string()}};
    if (TestStoreIsPostgres()) {
        machine_ = "test-" + path_.filename().string().substr(sizeof("vekhome-") - 1);
        settings.emplace_back("VEK_REGISTRY", TestRegistry());
        settings.emplace_back("VEK_MACHINE", machine_);
    }
    for (const auto& [name, value] : settings) {
        const char* old = std::getenv(name);
        saved_.emplace_back(name, old != nullptr ? std::optional<std::string>(old) : std::nullopt);
        setenv(name, value.c_str(), 1);
    }
}

TempHome::~TempHome() {
    for (const auto& [name, old] : saved_) {
        if (old.has_value())
            setenv(name.c_str(), old->c_str(), 1);
        else
            unsetenv(name.c_str());
    }
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace vek::test
