// Many processes and threads on one registry at once: every call succeeds and
// every write is there afterwards.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "platform/registry_test_util.h"
#include "support/temp_home.h"
#include "vekconfig/registry.h"
#include "vekconfig/text.h"

namespace vek::test {
namespace {

constexpr int kProcesses = 4;
constexpr int kThreads = 4;
constexpr auto kDuration = std::chrono::seconds(3);

std::u16string WriterKey(int process, int thread) {
    return Utf8ToUtf16("SOFTWARE\\Stress\\P" + std::to_string(process) + "\\T" +
                       std::to_string(thread));
}

std::u16string ItemKey(int process, int thread, uint32_t item) {
    return WriterKey(process, thread) + Utf8ToUtf16("\\Item" + std::to_string(item));
}

std::u16string ItemText(uint32_t item) { return Utf8ToUtf16("value " + std::to_string(item)); }

// One writer: creates keys with a number and a text until the time is up,
// reading each back and reading a neighbour's latest. Returns how many items
// it wrote, or -1 after the first failure.
long RunWriter(int process, int thread, std::chrono::steady_clock::time_point until) {
    uint32_t item = 0;
    const std::u16string shared = u"SOFTWARE\\Stress\\Shared";
    while (std::chrono::steady_clock::now() < until) {
        HKEY key = nullptr;
        if (CreateForWrite(HKEY_LOCAL_MACHINE, ItemKey(process, thread, item).c_str(), &key) != ERROR_SUCCESS)
            return -1;
        const bool written = SetDword(key, u"Number", item) == ERROR_SUCCESS &&
                             SetText(key, u"Text", ItemText(item)) == ERROR_SUCCESS;
        const bool readBack = written && GetDword(key, u"number") == item;
        if (RegCloseKey(key) != ERROR_SUCCESS || !readBack) return -1;
        HKEY common = nullptr;
        if (CreateForWrite(HKEY_LOCAL_MACHINE, shared.c_str(), &common) != ERROR_SUCCESS) return -1;
        const std::u16string name = WriterKey(process, thread).substr(16);
        const bool sharedOk = SetDword(common, name.c_str(), item) == ERROR_SUCCESS;
        RegCloseKey(common);
        if (!sharedOk) return -1;
        ++item;
    }
    return item;
}

// Child process body: runs the writers and reports their counts on fd.
[[noreturn]] void RunProcess(int process, int fd, std::chrono::steady_clock::time_point until) {
    std::vector<long> counts(kThreads, -1);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] { counts[t] = RunWriter(process, t, until); });
    for (std::thread& thread : threads) thread.join();
    const ssize_t size = static_cast<ssize_t>(counts.size() * sizeof(long));
    _exit(write(fd, counts.data(), size) == size ? 0 : 1);
}

// Runs body(fd) in a child process that ends when body returns; the parent
// gets the child's pid (-1 on failure) and in *fd the pipe's read end.
template <typename Body>
pid_t Spawn(int* fd, Body body) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        body(fds[1]);
        _exit(0);
    }
    close(fds[1]);
    *fd = fds[0];
    return pid;
}

void VerifyItem(int process, int thread, uint32_t item) {
    HKEY key = nullptr;
    ASSERT_EQ(OpenForRead(HKEY_LOCAL_MACHINE, ItemKey(process, thread, item).c_str(), &key), ERROR_SUCCESS)
        << process << "/" << thread << "/" << item;
    EXPECT_EQ(GetDword(key, u"Number"), item);
    WCHAR text[32] = {};
    DWORD size = sizeof(text);
    EXPECT_EQ(RegQueryValueExW(key, u"Text", nullptr, nullptr, reinterpret_cast<BYTE*>(text),
                               &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(text), ItemText(item));
    RegCloseKey(key);
}

TEST(RegistryStress, FourProcessesOfFourThreadsLoseNoWrite) {
    TempHome home;
    const auto until = std::chrono::steady_clock::now() + kDuration;
    std::vector<pid_t> children;
    std::vector<int> pipes;
    for (int p = 0; p < kProcesses; ++p) {
        int fd = -1;
        const pid_t pid = Spawn(&fd, [&](int out) { RunProcess(p, out, until); });
        ASSERT_GE(pid, 0);
        children.push_back(pid);
        pipes.push_back(fd);
    }
    std::vector<std::vector<long>> counts(kProcesses, std::vector<long>(kThreads, -1));
    for (int p = 0; p < kProcesses; ++p) {
        const ssize_t want = static_cast<ssize_t>(kThreads * sizeof(long));
        EXPECT_EQ(read(pipes[p], counts[p].data(), want), want);
        close(pipes[p]);
        int status = 0;
        ASSERT_EQ(waitpid(children[p], &status, 0), children[p]);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    long total = 0;
    HKEY shared = nullptr;
    ASSERT_EQ(OpenForRead(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Stress\\Shared", &shared), ERROR_SUCCESS);
    for (int p = 0; p < kProcesses; ++p) {
        for (int t = 0; t < kThreads; ++t) {
            const long written = counts[p][t];
            ASSERT_GT(written, 0) << "writer " << p << "/" << t << " failed";
            total += written;
            for (uint32_t item = 0; item < static_cast<uint32_t>(written); ++item)
                VerifyItem(p, t, item);
            // No item beyond the last one reported.
            HKEY extra = nullptr;
            EXPECT_EQ(OpenForRead(HKEY_LOCAL_MACHINE, ItemKey(p, t, static_cast<uint32_t>(written)).c_str(), &extra),
                      ERROR_FILE_NOT_FOUND);
            const std::u16string name = WriterKey(p, t).substr(16);
            EXPECT_EQ(GetDword(shared, name.c_str()), static_cast<DWORD>(written - 1));
        }
    }
    RegCloseKey(shared);
    std::printf("%ld items written by %d writers\n", total, kProcesses * kThreads);
}

TEST(RegistryStress, WriteSurvivesKillOfWriterRightAfterReturn) {
    TempHome home;
    int fd = -1;
    const pid_t pid = Spawn(&fd, [](int out) {
        HKEY key = nullptr;
        const bool ok = CreateForWrite(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Killed", &key) == ERROR_SUCCESS &&
                        SetDword(key, u"Last", 77) == ERROR_SUCCESS;
        const char done = ok ? 1 : 0;
        if (write(out, &done, 1) != 1) _exit(1);
        pause();  // killed here, holding its connection and handle
    });
    ASSERT_GE(pid, 0);
    char done = 0;
    ASSERT_EQ(read(fd, &done, 1), 1);
    close(fd);
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_EQ(done, 1);
    HKEY key = nullptr;
    ASSERT_EQ(OpenForRead(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Killed", &key), ERROR_SUCCESS);
    EXPECT_EQ(GetDword(key, u"Last"), 77u);
    RegCloseKey(key);
}

}  // namespace
}  // namespace vek::test
