// The table of open registry keys. A handle is a number the table gave out;
// numbers are never reused, so a closed or made-up handle is recognised as
// invalid instead of reaching another key. The predefined roots are not in
// the table: they are always valid and need no close.
//
// Thread safety: safe for concurrent use.
#pragma once

#include <cstdint>
#include <shared_mutex>
#include <string>
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

// Where the last subkey walk on a handle stood: the key walked, the index it
// returned and that subkey's folded name. The next index continues after the
// name instead of counting the subkeys before it again.
struct WalkMark {
    RegKeyId key = 0;
    DWORD index = 0;
    std::string folded;
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

    // The mark of the handle's last subkey walk; false when it has none.
    bool FindMark(HKEY handle, WalkMark* mark) const;
    // Records where a walk on the handle stands; ignored for a handle that is
    // not open here (closed meanwhile).
    void SetMark(HKEY handle, WalkMark mark);

private:
    mutable std::shared_mutex mutex_;
    std::unordered_map<uintptr_t, KeyRef> open_;
    std::unordered_map<uintptr_t, WalkMark> marks_;
};

}  // namespace vek
