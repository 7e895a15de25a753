// The Linux environment. The registry is the PostgreSQL store when
// VEK_REGISTRY is a postgresql:// URI (this machine's namespace named by
// VEK_MACHINE, else the host name), else the SQLite store named by
// VEK_REGISTRY, else $VEK_HOME/registry.sqlite. The choice is made again
// whenever one of these inputs changes, and each database (and namespace)
// keeps its own registry (handles, pooled connections), so a process that
// moves to another VEK_HOME, as each test does, never writes into the
// previous one. Every registry call asks for the choice, so the check that it
// still holds only compares the variables' values with those it was made
// from; the machine name (a system call) is looked at only where it names
// the namespace.
#include <pthread.h>

#include <atomic>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/env.h"
#include "platform/machine_name.h"
#include "platform/pg_registry_store.h"
#include "platform/registry_location.h"
#include "platform/store_registry.h"

namespace vek {
namespace {

// Bumped in a forked child: connections inherited from the parent must not be used there.
std::atomic<uint64_t> g_forkGeneration{0};
// Held across fork() so that the child never inherits it locked.
std::mutex g_registryChoice;

void BeforeFork() { g_registryChoice.lock(); }
void AfterForkInParent() { g_registryChoice.unlock(); }
void AfterForkInChild() {
    g_forkGeneration.fetch_add(1, std::memory_order_relaxed);
    g_registryChoice.unlock();
}

// Whether an environment variable's value (null when unset) is the one
// remembered ("" for unset).
bool SameSetting(const char* value, const std::string& remembered) {
    return remembered == (value != nullptr ? value : "");
}

class PosixEnv final : public Env {
public:
    PosixEnv() { pthread_atfork(BeforeFork, AfterForkInParent, AfterForkInChild); }

    RegistryApi& Registry() override {
        const char* registrySetting = std::getenv("VEK_REGISTRY");
        const char* homeSetting = std::getenv("VEK_HOME");
        const uint64_t generation = g_forkGeneration.load(std::memory_order_relaxed);
        std::lock_guard lock(g_registryChoice);
        if (current_ != nullptr && generation == generation_ &&
            SameSetting(registrySetting, registrySetting_) &&
            SameSetting(homeSetting, homeSetting_) &&
            (!namespaced_ || LocalMachineName() == machine_))
            return *current_;
        return Choose(registrySetting != nullptr ? registrySetting : "",
                      homeSetting != nullptr ? homeSetting : "", generation);
    }

    void SleepMilliseconds(uint32_t milliseconds) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }

    std::chrono::system_clock::time_point Now() override {
        return std::chrono::system_clock::now();
    }

private:
    // Makes the choice again from the variables' values; the caller holds
    // g_registryChoice.
    RegistryApi& Choose(std::string registrySetting, std::string homeSetting,
                        uint64_t generation) {
        if (generation != generation_) {
            // The parent still uses these; closing them here would disturb it.
            for (auto& [path, registry] : registries_) static_cast<void>(registry.release());
            registries_.clear();
            generation_ = generation;
        }
        std::string machine = LocalMachineName();
        const std::string location = RegistryLocation(registrySetting);
        namespaced_ = IsPgRegistryLocation(location);
        // A database shared by machines holds a registry per namespace.
        const std::string path = namespaced_ ? location + "#" + machine : location;
        std::unique_ptr<StoreRegistry>& registry = registries_[path];
        if (registry == nullptr)
            registry = std::make_unique<StoreRegistry>(MakeRegistryStore(location, machine));
        // Connections to the other files are not needed now; those to this one
        // may reach a file that was deleted and made again since they opened.
        for (auto& [otherPath, other] : registries_) other->store().Trim();
        current_ = registry.get();
        registrySetting_ = std::move(registrySetting);
        homeSetting_ = std::move(homeSetting);
        machine_ = std::move(machine);
        return *current_;
    }

    StoreRegistry* current_ = nullptr;
    // Whether the machine name picks the registry (a namespace of a shared database).
    bool namespaced_ = false;
    std::string registrySetting_;
    std::string homeSetting_;
    std::string machine_;
    uint64_t generation_ = 0;
    std::map<std::string, std::unique_ptr<StoreRegistry>> registries_;
};

}  // namespace

Env& Env::Default() {
    static Env* const env = new PosixEnv();
    return *env;
}

}  // namespace vek
