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
    settings_.push_back(std::make_unique<ScopedVariable>("VEK_HOME", path_.string()));
    if (TestStoreIsPostgres()) {
        machine_ = "test-" + path_.filename().string().substr(sizeof("vekhome-") - 1);
        settings_.push_back(std::make_unique<ScopedVariable>("VEK_REGISTRY", TestRegistry()));
        settings_.push_back(std::make_unique<ScopedVariable>("VEK_MACHINE", machine_));
    }
}

TempHome::~TempHome() {
    settings_.clear();
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace vek::test
