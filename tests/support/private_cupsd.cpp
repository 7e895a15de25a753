#include "support/private_cupsd.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>
#include <vector>

#include "support/run_tool.h"

namespace vek::test {

namespace fs = std::filesystem;

namespace {

constexpr const char* kCupsd = "/usr/sbin/cupsd";
constexpr const char* kLpadmin = "/usr/sbin/lpadmin";
constexpr const char* kServerBin = "/usr/lib/cups";
// Schemes the stand-in backend accepts (the scheduler rejects a queue whose
// scheme has no backend).
constexpr const char* kStandInSchemes[] = {"socket", "usb", "lpd"};

bool WriteText(const fs::path& path, const std::string& text, mode_t mode = 0644) {
    {
        std::ofstream out(path, std::ios::trunc);
        out << text;
        if (!out) return false;
    }
    return ::chmod(path.c_str(), mode) == 0;
}

std::string Tail(const fs::path& path) {
    const std::string all = Slurp(path);
    return all.size() > 2000 ? all.substr(all.size() - 2000) : all;
}

bool SocketAccepts(const fs::path& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

// Starts a program in a session of its own, reading nothing, with stdout and
// stderr appended to logPath; its pid, or -1.
pid_t Spawn(const std::vector<std::string>& argv, const fs::path& logPath) {
    const pid_t child = ::fork();
    if (child != 0) return child;
    ::setsid();
    const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    const int null = ::open("/dev/null", O_RDONLY);
    ::dup2(null, 0);
    ::dup2(log, 1);
    ::dup2(log, 2);
    std::vector<char*> args;
    for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
}

// Runs a program to its end; its exit status, or -1.
int Run(const std::vector<std::string>& argv, const fs::path& logPath) {
    const pid_t child = Spawn(argv, logPath);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

PrivateCupsd::PrivateCupsd() {
    char pattern[] = "/tmp/vkcups-XXXXXX";  // short: socket paths hold 108 bytes
    if (::mkdtemp(pattern) != nullptr) dir_ = pattern;
}

PrivateCupsd::~PrivateCupsd() {
    Stop();
    serverRoot_.reset();
    server_.reset();
    std::error_code ignored;
    if (!dir_.empty()) fs::remove_all(dir_, ignored);
}

bool PrivateCupsd::WriteConfiguration() {
    std::error_code error;
    for (const char* sub : {"etc", "run", "spool/tmp", "cache", "log", "serverbin/backend"})
        fs::create_directories(dir_ / sub, error);
    // The scheduler runs its helpers as user lp, who must get through.
    ::chmod(dir_.c_str(), 0755);
    for (const auto& entry : fs::directory_iterator(kServerBin, error)) {
        const auto name = entry.path().filename();
        if (name != "backend") fs::create_symlink(entry.path(), dir_ / "serverbin" / name, error);
    }
    for (const auto& entry : fs::directory_iterator(fs::path(kServerBin) / "backend", error))
        fs::create_symlink(entry.path(), dir_ / "serverbin/backend" / entry.path().filename(), error);
    for (const char* scheme : kStandInSchemes)
        if (!WriteText(dir_ / "serverbin/backend" / scheme,
                       "#!/bin/sh\n# Stand-in backend: finds no device and prints nothing.\n"
                       "[ $# -eq 0 ] && exit 0\nexit 1\n",
                       0755))
            return false;
    const std::string d = dir_.string();
    const bool files = WriteText(dir_ / "etc/cups-files.conf",
                                 "ServerRoot " + d + "/etc\nServerBin " + d + "/serverbin\n"
                                 "RequestRoot " + d + "/spool\nTempDir " + d + "/spool/tmp\n"
                                 "StateDir " + d + "/run\nCacheDir " + d + "/cache\n"
                                 "AccessLog " + d + "/log/access_log\nErrorLog " + d + "/log/error_log\n"
                                 "PageLog " + d + "/log/page_log\nPrintcap " + d + "/run/printcap\n"
                                 "FileDevice Yes\n");
    const bool daemon = WriteText(dir_ / "etc/cupsd.conf",
                                  "LogLevel debug\nMaxLogSize 0\nDirtyCleanInterval 0\n"
                                  "Listen " + d + "/cups.sock\n"
                                  "Browsing No\nBrowseLocalProtocols none\nWebInterface No\n"
                                  "DefaultShared No\n"
                                  "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                                  "<Policy default>\n  <Limit All>\n    Order deny,allow\n"
                                  "  </Limit>\n</Policy>\n");
    return files && daemon && WriteText(dir_ / "etc/client.conf", "ServerName " + d + "/cups.sock\n");
}

bool PrivateCupsd::Start() {
    if (dir_.empty()) return why_ = "cannot create a temporary directory", false;
    if (::access(kCupsd, X_OK) != 0) return why_ = std::string(kCupsd) + " is not installed", false;
    if (!WriteConfiguration()) return why_ = "cannot write the configuration in " + dir_.string(), false;
    const std::string conf = (dir_ / "etc/cupsd.conf").string();
    const std::string files = (dir_ / "etc/cups-files.conf").string();
    if (Run({kCupsd, "-t", "-c", conf, "-s", files}, dir_ / "log/cupsd.out") != 0)
        return why_ = "cupsd rejects its configuration: " + Tail(dir_ / "log/cupsd.out"), false;

    pid_ = Spawn({kCupsd, "-f", "-c", conf, "-s", files}, dir_ / "log/cupsd.out");
    if (pid_ < 0) return why_ = "fork failed", false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!SocketAccepts(socket())) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return why_ = "cupsd exited at start: " + Tail(dir_ / "log/error_log") +
                          Tail(dir_ / "log/cupsd.out"),
                   false;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            Stop();
            return why_ = "cupsd did not listen within 10 s: " + Tail(dir_ / "log/error_log"), false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    server_.emplace("CUPS_SERVER", socket().string());
    serverRoot_.emplace("CUPS_SERVERROOT", (dir_ / "etc").string());
    return true;
}

bool PrivateCupsd::AddQueue(const std::string& name, const std::string& deviceUri) {
    const fs::path log = dir_ / "log/lpadmin.out";
    if (Run({kLpadmin, "-h", socket().string(), "-p", name, "-E", "-v", deviceUri}, log) == 0)
        return true;
    why_ = "lpadmin could not add " + name + ": " + Tail(log);
    return false;
}

void PrivateCupsd::Stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int status = 0;
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid_ = -1;
}

}  // namespace vek::test
