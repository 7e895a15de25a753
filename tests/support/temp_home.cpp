#include "support/temp_home.h"

#include <cstdlib>
#include <stdexcept>

namespace vek::test {

TempHome::TempHome() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vekhome-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    if (const char* old = std::getenv("VEK_HOME")) {
        hadPreviousHome_ = true;
        previousHome_ = old;
    }
    setenv("VEK_HOME", path_.c_str(), 1);
}

TempHome::~TempHome() {
    if (hadPreviousHome_)
        setenv("VEK_HOME", previousHome_.c_str(), 1);
    else
        unsetenv("VEK_HOME");
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace vek::test
