// The table of open registry keys. A handle is a number the table gave out;
// numbers are never reused, so a closed or made-up handle is recognised as
// invalid instead of reaching another key. The predefined roots are not in
// the table: they are always valid and need no close.
//
// Thread safety: safe for concurrent use.
#pragma once

#include <cstdint>
#include <shared_mutex>
#include <unordered_map>

#include "platform/registry_store.h"
#include "vekconfig/registry.h"

namespace vek {

// What a handle names: a machine's HKEY_LOCAL_MACHINE, its HKEY_CLASSES_ROOT
// view (HKLM\SOFTWARE\Classes, looked up at each use), or a stored key.
struct KeyRef {
    enum class Base : uint8_t { kMachineRoot, kClassesRoot, kKey };
    uint32_t machine = kLocalMachine;
    Base base = Base::kKey;
    RegKeyId key = 0;
};

class HandleTable {
public:
    // A new handle for ref.
    HKEY Add(const KeyRef& ref);
    // ERROR_INVALID_HANDLE unless handle is a predefined root or open here.
    LSTATUS Find(HKEY handle, KeyRef* ref) const;
    // Predefined roots: success, nothing to do. ERROR_INVALID_HANDLE when
    // the handle is not open here.
    LSTATUS Remove(HKEY handle);

private:
    mutable std::shared_mutex mutex_;
    std::unordered_map<uintptr_t, KeyRef> open_;
};

}  // namespace vek
