// A throwaway CUPS scheduler for one test: its own configuration, spool, log
// and state directories under a short temporary path, a Unix socket, an open
// policy and stand-in backends for the URI schemes Debian's scheduler package
// does not ship. While the object lives, CUPS_SERVER and CUPS_SERVERROOT point
// libcups at it; the destructor stops the scheduler and removes everything.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>

#include "support/scoped_variable.h"

namespace vek::test {

class PrivateCupsd {
public:
    PrivateCupsd();
    ~PrivateCupsd();
    PrivateCupsd(const PrivateCupsd&) = delete;
    PrivateCupsd& operator=(const PrivateCupsd&) = delete;

    // Starts the scheduler and waits until its socket accepts connections.
    // false, with the reason in why(), when it cannot start.
    bool Start();
    // Adds an enabled raw queue with lpadmin; false with the reason in why().
    bool AddQueue(const std::string& name, const std::string& deviceUri);

    const std::string& why() const { return why_; }
    std::filesystem::path socket() const { return dir_ / "cups.sock"; }

private:
    bool WriteConfiguration();
    void Stop();

    std::filesystem::path dir_;
    pid_t pid_ = -1;
    std::string why_;
    // CUPS_SERVER and CUPS_SERVERROOT naming this server, once it runs.
    std::optional<ScopedVariable> server_;
    std::optional<ScopedVariable> serverRoot_;
};

}  // namespace vek::test
