#include "platform/registry_handles.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <utility>

namespace vek {
namespace {

// Handles of every table come from one counter, above the 32-bit range where
// the predefined roots live, so a handle of one registry is never valid in
// another.
std::atomic<uintptr_t> g_nextHandle{uintptr_t{1} << 32};
constexpr uintptr_t kHandleStep = 8;
// Threads whose walk marks a handle keeps.
constexpr size_t kMarksPerHandle = 8;

bool IsPredefined(HKEY handle, KeyRef* ref) {
    if (handle == HKEY_LOCAL_MACHINE) {
        *ref = KeyRef{kLocalMachine, KeyRef::Base::kMachineRoot, 0};
        return true;
    }
    if (handle == HKEY_CLASSES_ROOT) {
        *ref = KeyRef{kLocalMachine, KeyRef::Base::kClassesRoot, 0};
        return true;
    }
    return false;
}

}  // namespace

static_assert(sizeof(uintptr_t) == 8, "handles are numbered above the 32-bit range");

HKEY HandleTable::Add(const KeyRef& ref) {
    const uintptr_t value = g_nextHandle.fetch_add(kHandleStep, std::memory_order_relaxed);
    std::unique_lock lock(mutex_);
    open_.emplace(value, ref);
    return reinterpret_cast<HKEY>(value);
}

LSTATUS HandleTable::Find(HKEY handle, KeyRef* ref) const {
    if (IsPredefined(handle, ref)) return ERROR_SUCCESS;
    std::shared_lock lock(mutex_);
    const auto it = open_.find(reinterpret_cast<uintptr_t>(handle));
    if (it == open_.end()) return ERROR_INVALID_HANDLE;
    *ref = it->second;
    return ERROR_SUCCESS;
}

LSTATUS HandleTable::Remove(HKEY handle) {
    KeyRef ignored;
    if (IsPredefined(handle, &ignored)) return ERROR_SUCCESS;
    std::unique_lock lock(mutex_);
    marks_.erase(reinterpret_cast<uintptr_t>(handle));
    return open_.erase(reinterpret_cast<uintptr_t>(handle)) == 1 ? ERROR_SUCCESS
                                                                 : ERROR_INVALID_HANDLE;
}

bool HandleTable::FindMark(HKEY handle, WalkMark* mark) const {
    const std::thread::id self = std::this_thread::get_id();
    std::shared_lock lock(mutex_);
    const auto it = marks_.find(reinterpret_cast<uintptr_t>(handle));
    if (it == marks_.end()) return false;
    for (const ThreadMark& kept : it->second) {
        if (kept.thread != self) continue;
        *mark = kept.mark;
        return true;
    }
    return false;
}

void HandleTable::SetMark(HKEY handle, WalkMark mark) {
    KeyRef ignored;
    const auto value = reinterpret_cast<uintptr_t>(handle);
    const std::thread::id self = std::this_thread::get_id();
    std::unique_lock lock(mutex_);
    if (!IsPredefined(handle, &ignored) && open_.count(value) == 0) return;
    std::vector<ThreadMark>& kept = marks_[value];
    auto mine = std::find_if(kept.begin(), kept.end(), [&](const ThreadMark& m) { return m.thread == self; });
    if (mine == kept.end()) {
        if (kept.size() == kMarksPerHandle) kept.pop_back();
        mine = kept.insert(kept.begin(), ThreadMark{self, {}});
    } else {
        std::rotate(kept.begin(), mine, mine + 1);
        mine = kept.begin();
    }
    mine->mark = std::move(mark);
}

}  // namespace vek
