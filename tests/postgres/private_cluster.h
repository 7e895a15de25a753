// A PostgreSQL cluster of a test's own, in a temporary folder, run with
// scripts/pg_cluster.sh so that the test can stop and start its server.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace vek::test {

class PrivateCluster {
public:
    PrivateCluster() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vekpg-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) dir_ = pattern;
    }
    ~PrivateCluster() {
        Stop();
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    PrivateCluster(const PrivateCluster&) = delete;
    PrivateCluster& operator=(const PrivateCluster&) = delete;

    bool Start() { return Script("start"); }
    bool Stop() { return Script("stop"); }
    const std::filesystem::path& dir() const { return dir_; }
    std::string uri() const { return "postgresql:///postgres?host=" + dir_.string() + "&user=vek"; }

private:
    bool Script(const char* action) {
        if (dir_.empty()) return false;
        const std::string command = std::string(VEK_TEST_SOURCE_DIR "/scripts/pg_cluster.sh ") +
                                    action + " " + dir_.string() + " >/dev/null";
        return std::system(command.c_str()) == 0;
    }

    std::filesystem::path dir_;
};

}  // namespace vek::test
