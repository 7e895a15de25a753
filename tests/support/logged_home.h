// The usual setting of a library test: a fresh VEK_HOME, a RecordingEnv
// installed, and the library attached (its logger created and its event
// source registered) as if it had just been loaded; detached at the end.
#pragma once

#include "support/recording_env.h"
#include "support/temp_home.h"

namespace vek::test {

class LoggedHome {
public:
    LoggedHome();
    ~LoggedHome();
    LoggedHome(const LoggedHome&) = delete;
    LoggedHome& operator=(const LoggedHome&) = delete;

    const TempHome& home() const { return home_; }
    RecordingEnv& env() { return env_; }
    // The events recorded so far.
    std::vector<RecordedEvent> events() const { return env_.Recorded(); }

private:
    TempHome home_;
    RecordingEnv env_;
    ScopedEnvOverride override_{&env_};
};

}  // namespace vek::test
