// A fresh VEK_HOME for one test: a temporary directory that VEK_HOME (and the
// variables derived from it) point to while the object lives, removed after.
#pragma once

#include <filesystem>
#include <string>

namespace vek::test {

class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // A path inside the home.
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
    std::string previousHome_;
    bool hadPreviousHome_ = false;
};

}  // namespace vek::test
