// An environment for tests: the real registry, with the events that the
// library reports recorded instead of written, pauses counted instead of
// slept, and (optionally) a clock that stands still.
#pragma once

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/env.h"

namespace vek::test {

struct RecordedEvent {
    WORD type = 0;
    WORD category = 0;
    DWORD eventId = 0;
    std::vector<std::u16string> strings;
    std::string message;  // the text as the log shows it, e.g. "X function FAILED (0x5)."
};

class RecordingEnv : public EnvWrapper {
public:
    RecordingEnv();

    EventSink& Events() override { return sink_; }
    RegistryApi& Registry() override;
    void SleepMilliseconds(uint32_t milliseconds) override;
    std::chrono::system_clock::time_point Now() override;

    // Puts registry (usually a RegistryApiWrapper that breaks one call) in
    // place of the real one; null restores the real one.
    void SetRegistry(RegistryApi* registry);
    // Makes Now() answer this time until cleared.
    void SetNow(std::optional<std::chrono::system_clock::time_point> now);
    std::vector<RecordedEvent> Recorded() const;
    std::vector<uint32_t> Pauses() const;
    void Clear();

private:
    class Sink : public EventSink {
    public:
        explicit Sink(RecordingEnv* owner) : owner_(owner) {}
        bool Write(const EventRecord& event) override;

    private:
        RecordingEnv* owner_;
    };

    mutable std::mutex mutex_;
    Sink sink_{this};
    std::vector<RecordedEvent> events_;
    std::vector<uint32_t> pauses_;
    std::optional<std::chrono::system_clock::time_point> now_;
    RegistryApi* registry_ = nullptr;
};

}  // namespace vek::test
