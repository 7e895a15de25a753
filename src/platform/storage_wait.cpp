#include "platform/storage_wait.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "platform/env.h"
#include "vekconfig/text.h"

namespace vek {
namespace {

// Longest sleep between checks when no close wakes us.
constexpr int kSliceMilliseconds = 2;

HRESULT OpenNow(const WCHAR* path, DWORD mode, IStorage** storage) {
    return StgOpenStorage(path, nullptr, mode, nullptr, 0, storage);
}

// Watches one file for being closed by anyone, and probes its lock through a
// descriptor of our own that stays open for the whole wait, so that probing
// produces no close events of its own.
class ReleaseWatch {
public:
    explicit ReleaseWatch(const std::string& path) {
        notify_ = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        if (notify_ >= 0) inotify_add_watch(notify_, path.c_str(), IN_CLOSE_WRITE | IN_CLOSE_NOWRITE);
        probe_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    }
    ~ReleaseWatch() {
        if (probe_ >= 0) ::close(probe_);
        if (notify_ >= 0) ::close(notify_);
    }
    ReleaseWatch(const ReleaseWatch&) = delete;
    ReleaseWatch& operator=(const ReleaseWatch&) = delete;

    // True when nobody holds the lock now (or it cannot be probed).
    bool LooksFree() const {
        if (probe_ < 0) return true;
        if (::flock(probe_, LOCK_EX | LOCK_NB) != 0) return false;
        ::flock(probe_, LOCK_UN);
        return true;
    }
    // Sleeps until the file is closed by someone or the time is up.
    void Sleep(int milliseconds) const {
        if (notify_ < 0) {
            ::poll(nullptr, 0, milliseconds);
            return;
        }
        pollfd watch{notify_, POLLIN, 0};
        if (::poll(&watch, 1, milliseconds) > 0) {
            char events[4096];
            while (::read(notify_, events, sizeof events) > 0) {
            }
        }
    }

private:
    int notify_ = -1;
    int probe_ = -1;
};

}  // namespace

HRESULT OpenStorageWaiting(const WCHAR* path, DWORD mode, uint32_t waitMilliseconds,
                           IStorage** storage) {
    HRESULT hr = OpenNow(path, mode, storage);
    if (hr != STG_E_LOCKVIOLATION || waitMilliseconds == 0) return hr;

    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(waitMilliseconds);
    const ReleaseWatch watch(Utf16ToUtf8(path));
    for (;;) {
        if (watch.LooksFree()) {
            hr = OpenNow(path, mode, storage);
            if (hr != STG_E_LOCKVIOLATION) return hr;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return OpenNow(path, mode, storage);
        watch.Sleep(static_cast<int>(std::min<int64_t>(left, kSliceMilliseconds)));
    }
}

HRESULT Env::OpenStorageWaiting(const WCHAR* path, DWORD mode, uint32_t waitMilliseconds,
                                IStorage** storage) {
    return vek::OpenStorageWaiting(path, mode, waitMilliseconds, storage);
}

}  // namespace vek
