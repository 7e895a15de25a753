// A fresh VEK_HOME for one test: a temporary directory that VEK_HOME (and the
// variables derived from it) point to while the object lives, removed after.
//
// When VEK_TEST_REGISTRY names a PostgreSQL database (the suites' second run,
// set by ctest), the registry lives there instead: VEK_REGISTRY points to it
// and VEK_MACHINE names a fresh namespace, the home's own machine.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/scoped_variable.h"

namespace vek::test {

class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The machine name of this home's registry namespace ("" on SQLite).
    const std::string& machine() const { return machine_; }
    // A path inside the home.
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
    std::string machine_;
    std::vector<std::unique_ptr<ScopedVariable>> settings_;
};

// Whether the registry tests run on the PostgreSQL store.
bool TestStoreIsPostgres();

}  // namespace vek::test
