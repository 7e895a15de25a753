// The database server going away under a run of writes, and a server that
// accepts connections but never answers.
#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <sstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "postgres/private_cluster.h"
#include "platform/registry_test_util.h"
#include "support/scoped_variable.h"
#include "support/silent_socket.h"
#include "support/temp_home.h"
#include "vekconfig/registry.h"
#include "vekconfig/text.h"

namespace vek::test {
namespace {

std::u16string RunPath(int i) { return u"SOFTWARE\\Run\\" + Utf8ToUtf16(std::to_string(i)); }

bool KeyExists(const std::u16string& path) {
    HKEY key = nullptr;
    const LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key);
    if (status == ERROR_SUCCESS) RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

struct WriteLog {
    std::mutex mutex;
    std::vector<LSTATUS> statuses;  // of each write, in order
    std::vector<int> written;       // runs whose key and value both went in
    int Count(bool success) {
        std::lock_guard lock(mutex);
        int n = 0;
        for (LSTATUS status : statuses) n += (status == ERROR_SUCCESS) == success;
        return n;
    }
};

// Each run creates four nested keys in one call, then sets a value on the deepest.
void WriteRuns(std::atomic<bool>* stop, WriteLog* log) {
    for (int i = 0; !stop->load(); ++i) {
        HKEY key = nullptr;
        LSTATUS status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, (RunPath(i) + u"\\A\\B\\C").c_str(), 0,
                                         nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key,
                                         nullptr);
        if (status == ERROR_SUCCESS) {
            status = SetDword(key, u"Run", static_cast<DWORD>(i));
            RegCloseKey(key);
        }
        std::lock_guard lock(log->mutex);
        log->statuses.push_back(status);
        if (status == ERROR_SUCCESS) log->written.push_back(i);
    }
}

void WaitUntil(const std::function<bool()>& done) {
    while (!done()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

TEST(ServerFault, StoppedServerFailsCallsCleanlyAndTheyRecoverOnRestart) {
    PrivateCluster cluster;
    ASSERT_TRUE(cluster.Start());
    TempHome home;
    ScopedVariable registry("VEK_REGISTRY", cluster.uri());
    WriteLog log;
    std::atomic<bool> stop{false};
    std::thread writer(WriteRuns, &stop, &log);
    WaitUntil([&] { return log.Count(true) >= 30; });
    ASSERT_TRUE(cluster.Stop());
    WaitUntil([&] { return log.Count(false) >= 5; });
    const int successesWhileDown = log.Count(true);
    ASSERT_TRUE(cluster.Start());
    WaitUntil([&] { return log.Count(true) >= successesWhileDown + 30; });
    stop = true;
    writer.join();

    // Failures say the registry cannot be reached, and calls work again after.
    bool sawFailure = false, recovered = false;
    for (LSTATUS status : log.statuses) {
        if (status != ERROR_SUCCESS) {
            EXPECT_EQ(status, ERROR_REGISTRY_IO_FAILED);
            sawFailure = true;
        } else if (sawFailure) {
            recovered = true;
        }
    }
    EXPECT_TRUE(sawFailure);
    EXPECT_TRUE(recovered);
    // Every run is whole or absent; every reported write is there.
    for (int i = 0; i < static_cast<int>(log.statuses.size()); ++i) {
        if (KeyExists(RunPath(i))) {
            EXPECT_TRUE(KeyExists(RunPath(i) + u"\\A\\B\\C")) << "run " << i;
        }
    }
    for (int i : log.written) {
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, (RunPath(i) + u"\\A\\B\\C").c_str(), 0,
                                KEY_READ, &key),
                  ERROR_SUCCESS)
            << "run " << i;
        EXPECT_EQ(GetDword(key, u"Run"), static_cast<DWORD>(i));
        RegCloseKey(key);
    }
}

// The server's processes (the postmaster and its children), stopped with
// SIGSTOP while the object lives: connections stay open and nothing answers.
class FrozenServer {
public:
    explicit FrozenServer(const PrivateCluster& cluster) {
        std::ifstream pidFile(cluster.dir() / "data" / "postmaster.pid");
        pid_t postmaster = 0;
        pidFile >> postmaster;
        if (postmaster <= 0) return;
        pids_.push_back(postmaster);
        for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
            std::ifstream stat(entry.path() / "stat");
            std::string line;
            if (!std::getline(stat, line)) continue;
            // pid (comm) state ppid ...: the name may hold spaces, so read after ")".
            std::istringstream rest(line.substr(line.rfind(')') + 1));
            char state = 0;
            pid_t parent = 0;
            if (rest >> state >> parent && parent == postmaster)
                pids_.push_back(std::stoi(entry.path().filename().string()));
        }
        for (pid_t pid : pids_) kill(pid, SIGSTOP);
    }
    ~FrozenServer() {
        for (pid_t pid : pids_) kill(pid, SIGCONT);
    }
    bool frozen() const { return !pids_.empty(); }

private:
    std::vector<pid_t> pids_;
};

TEST(ServerFault, FrozenServerGivesIoFailureAfterTheDeadlineNotAHang) {
    PrivateCluster cluster;
    ASSERT_TRUE(cluster.Start());
    TempHome home;
    ScopedVariable registry("VEK_REGISTRY", cluster.uri());
    RegCloseKey(MustCreate(HKEY_LOCAL_MACHINE, u"SOFTWARE\\BeforeFreeze"));
    HKEY key = nullptr;
    {
        FrozenServer frozen(cluster);
        ASSERT_TRUE(frozen.frozen());
        EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\BeforeFreeze", 0, KEY_READ, &key),
                  ERROR_REGISTRY_IO_FAILED);
    }
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\BeforeFreeze", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST(ServerFault, ServerThatNeverAnswersGivesIoFailureNotAHang) {
    TempHome home;
    SilentSocket server(home / ".s.PGSQL.5432");
    ASSERT_TRUE(server.listening());
    ScopedVariable registry("VEK_REGISTRY", "postgresql:///postgres?host=" + home.path().string() +
                                                "&user=vek&connect_timeout=2");
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE", 0, KEY_READ, &key),
              ERROR_REGISTRY_IO_FAILED);
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\X", 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_REGISTRY_IO_FAILED);
}

}  // namespace
}  // namespace vek::test
