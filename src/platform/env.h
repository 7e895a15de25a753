// The environment: every operating-system service the logic uses, reached
// through one replaceable object. Env::Default() is the real Linux
// environment; a test installs its own (usually wrapping the default and
// breaking one call) with ScopedEnvOverride.
//
// Thread safety: the services are safe for concurrent use. Installing an
// override is not synchronised with calls in flight: tests install it before
// they start threads.
#pragma once

#include <chrono>
#include <cstdint>

#include "platform/event_sink.h"
#include "platform/registry_api.h"

struct IStorage;

namespace vek {

class ScsiBus;
class PrintSpooler;

class Env {
public:
    virtual ~Env() = default;

    // The real environment, created on first use and never destroyed.
    static Env& Default();

    virtual RegistryApi& Registry() = 0;

    // Blocks the calling thread.
    virtual void SleepMilliseconds(uint32_t milliseconds) = 0;
    // Wall-clock time, for timestamps and file ages.
    virtual std::chrono::system_clock::time_point Now() = 0;
    // Where reported events go; by default DefaultEventSink().
    virtual EventSink& Events() { return DefaultEventSink(); }

    // The machine's SCSI hosts and units; by default SystemScsiBus().
    virtual ScsiBus& Scsi();
    // The machine's print queues; by default SystemPrintSpooler().
    virtual PrintSpooler& Spooler();
    // Opens a compound file as StgOpenStorage does (mode 0x10 or 0x12); while
    // another opener holds it, waits up to waitMilliseconds for the holder to
    // let go before answering STG_E_LOCKVIOLATION.
    virtual HRESULT OpenStorageWaiting(const WCHAR* path, DWORD mode, uint32_t waitMilliseconds,
                                       IStorage** storage);
};

// Forwards every service to another Env.
class EnvWrapper : public Env {
public:
    explicit EnvWrapper(Env* target) : target_(target) {}

    RegistryApi& Registry() override { return target_->Registry(); }
    void SleepMilliseconds(uint32_t milliseconds) override {
        target_->SleepMilliseconds(milliseconds);
    }
    std::chrono::system_clock::time_point Now() override { return target_->Now(); }
    EventSink& Events() override { return target_->Events(); }
    ScsiBus& Scsi() override { return target_->Scsi(); }
    PrintSpooler& Spooler() override { return target_->Spooler(); }
    HRESULT OpenStorageWaiting(const WCHAR* path, DWORD mode, uint32_t waitMilliseconds,
                               IStorage** storage) override {
        return target_->OpenStorageWaiting(path, mode, waitMilliseconds, storage);
    }

protected:
    Env* target() const { return target_; }

private:
    Env* target_;
};

// The environment the library uses now: the override if one is installed,
// else Env::Default().
Env& CurrentEnv();

// Installs env for its lifetime and restores the previous one afterwards.
class ScopedEnvOverride {
public:
    explicit ScopedEnvOverride(Env* env);
    ~ScopedEnvOverride();
    ScopedEnvOverride(const ScopedEnvOverride&) = delete;
    ScopedEnvOverride& operator=(const ScopedEnvOverride&) = delete;

private:
    Env* previous_;
};

}  // namespace vek
