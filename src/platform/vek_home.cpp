#include "platform/vek_home.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace vek {
namespace {

std::filesystem::path ChooseHome() {
    if (const char* home = std::getenv("VEK_HOME"); home != nullptr && *home != 0) return home;
    if (geteuid() == 0) return "/var/lib/vek";
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state != 0)
        return std::filesystem::path(state) / "vek";
    const char* user = std::getenv("HOME");
    if (user == nullptr || *user == 0) {
        const passwd* entry = getpwuid(geteuid());
        if (entry == nullptr || entry->pw_dir == nullptr) return {};
        user = entry->pw_dir;
    }
    return std::filesystem::path(user) / ".local" / "state" / "vek";
}

}  // namespace

std::filesystem::path VekHome() {
    std::filesystem::path home = ChooseHome();
    if (home.empty()) return {};
    std::error_code error;
    std::filesystem::create_directories(home, error);
    if (error) return {};
    return home;
}

}  // namespace vek
