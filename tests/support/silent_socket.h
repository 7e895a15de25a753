// A server that hangs: a Unix socket that accepts connections and never
// answers, listening at the given path while the object lives.
#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>

namespace vek::test {

class SilentSocket {
public:
    explicit SilentSocket(const std::filesystem::path& path) : path_(path) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.string().copy(address.sun_path, sizeof address.sun_path - 1);
        listening_ = fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                     ::listen(fd_, 16) == 0;
    }
    ~SilentSocket() {
        ::close(fd_);
        ::unlink(path_.c_str());
    }
    SilentSocket(const SilentSocket&) = delete;
    SilentSocket& operator=(const SilentSocket&) = delete;

    bool listening() const { return listening_; }
    // Whether anyone connected (the connection waits to be accepted).
    bool contacted() const {
        pollfd waiting{fd_, POLLIN, 0};
        return ::poll(&waiting, 1, 0) == 1;
    }

private:
    std::filesystem::path path_;
    int fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    bool listening_ = false;
};

}  // namespace vek::test
