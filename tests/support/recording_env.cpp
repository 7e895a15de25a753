#include "support/recording_env.h"

#include "platform/event_format.h"
#include "vekconfig/text.h"

namespace vek::test {

RecordingEnv::RecordingEnv() : EnvWrapper(&Env::Default()) {}

bool RecordingEnv::Sink::Write(const EventRecord& event) {
    RecordedEvent recorded;
    recorded.type = event.type;
    recorded.category = event.category;
    recorded.eventId = event.eventId;
    for (int i = 0; i < event.stringCount; ++i) recorded.strings.emplace_back(event.strings[i]);
    AppendEventMessage(recorded.message, event);
    std::lock_guard<std::mutex> hold(owner_->mutex_);
    owner_->events_.push_back(std::move(recorded));
    return true;
}

RegistryApi& RecordingEnv::Registry() {
    {
        std::lock_guard<std::mutex> hold(mutex_);
        if (registry_ != nullptr) return *registry_;
    }
    return EnvWrapper::Registry();
}

void RecordingEnv::SetRegistry(RegistryApi* registry) {
    std::lock_guard<std::mutex> hold(mutex_);
    registry_ = registry;
}

void RecordingEnv::SleepMilliseconds(uint32_t milliseconds) {
    std::lock_guard<std::mutex> hold(mutex_);
    pauses_.push_back(milliseconds);
}

std::chrono::system_clock::time_point RecordingEnv::Now() {
    {
        std::lock_guard<std::mutex> hold(mutex_);
        if (now_) return *now_;
    }
    return EnvWrapper::Now();
}

void RecordingEnv::SetNow(std::optional<std::chrono::system_clock::time_point> now) {
    std::lock_guard<std::mutex> hold(mutex_);
    now_ = now;
}

std::vector<RecordedEvent> RecordingEnv::Recorded() const {
    std::lock_guard<std::mutex> hold(mutex_);
    return events_;
}

std::vector<uint32_t> RecordingEnv::Pauses() const {
    std::lock_guard<std::mutex> hold(mutex_);
    return pauses_;
}

void RecordingEnv::Clear() {
    std::lock_guard<std::mutex> hold(mutex_);
    events_.clear();
    pauses_.clear();
}

}  // namespace vek::test
