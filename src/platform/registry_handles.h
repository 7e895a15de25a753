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
#include <thread>
#include <unordered_map>
#include <vector>

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

// Where a thread's last subkey walk on a handle stood: the key walked, the
// index it returned and that subkey's folded name. The thread's next index
// continues after the name instead of counting the subkeys before it again.
// Marks are the thread's own, so that threads walking one handle at once do
// not continue from each other's places.
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

    // The mark of the calling thread's last subkey walk on the handle; false
    // when it has none.
    bool FindMark(HKEY handle, WalkMark* mark) const;
    // Records where the calling thread's walk on the handle stands; ignored
    // for a handle that is not open here (closed meanwhile).
    void SetMark(HKEY handle, WalkMark mark);

private:
    struct ThreadMark {
        std::thread::id thread;
        WalkMark mark;
    };

    mutable std::shared_mutex mutex_;
    std::unordered_map<uintptr_t, KeyRef> open_;
    // Per handle, the marks of the threads that walked it last, most recent
    // first and a few at most: a thread whose mark was dropped counts again.
    std::unordered_map<uintptr_t, std::vector<ThreadMark>> marks_;
};

}  // namespace vek
