#include "platform/env.h"

#include <atomic>

namespace vek {
namespace {

std::atomic<Env*> g_override{nullptr};

}  // namespace

Env& CurrentEnv() {
    Env* env = g_override.load(std::memory_order_acquire);
    return env != nullptr ? *env : Env::Default();
}

ScopedEnvOverride::ScopedEnvOverride(Env* env)
    : previous_(g_override.exchange(env, std::memory_order_acq_rel)) {}

ScopedEnvOverride::~ScopedEnvOverride() { g_override.store(previous_, std::memory_order_release); }

}  // namespace vek
