// Idle database connections kept between registry calls, shared by the
// threads of a process.
//
// Thread safety: safe for concurrent use.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

namespace vek {

template <typename Connection>
class ConnectionPool {
public:
    // An idle connection, or null when there is none.
    std::unique_ptr<Connection> Take() {
        std::lock_guard lock(mutex_);
        if (idle_.empty()) return nullptr;
        std::unique_ptr<Connection> connection = std::move(idle_.back());
        idle_.pop_back();
        return connection;
    }

    void Give(std::unique_ptr<Connection> connection) {
        std::lock_guard lock(mutex_);
        idle_.push_back(std::move(connection));
    }

    // Closes every idle connection (outside the lock).
    void Clear() {
        std::vector<std::unique_ptr<Connection>> closing;
        std::lock_guard lock(mutex_);
        closing.swap(idle_);
    }

private:
    std::mutex mutex_;
    std::vector<std::unique_ptr<Connection>> idle_;
};

}  // namespace vek
