// STATSTG for elements, and the mode checks of the storage calls.
#include <algorithm>
#include <cstring>

#include "platform/compound/com_objects.h"

namespace vek::compound {

HRESULT FillStat(const Entry& entry, uint64_t size, DWORD mode, DWORD flags, STATSTG* stat) {
    std::memset(stat, 0, sizeof *stat);
    if ((flags & STATFLAG_NONAME) == 0) {
        auto* name = static_cast<WCHAR*>(CoTaskMemAlloc((entry.name.size() + 1) * sizeof(WCHAR)));
        if (name == nullptr) return E_OUTOFMEMORY;
        std::copy(entry.name.begin(), entry.name.end(), name);
        name[entry.name.size()] = 0;
        stat->pwcsName = name;
    }
    stat->type = entry.type == kTypeStream ? STGTY_STREAM : STGTY_STORAGE;
    stat->cbSize.QuadPart = size;
    stat->mtime = entry.modified;
    stat->ctime = entry.created;
    stat->grfMode = mode;
    stat->clsid = entry.clsid;
    stat->grfStateBits = entry.stateBits;
    return S_OK;
}

bool ModeWrites(DWORD mode) { return (mode & (STGM_WRITE | STGM_READWRITE)) != 0; }

bool ModeIsExclusiveDirect(DWORD mode) {
    constexpr DWORD kShareMask = 0x70;
    return (mode & kShareMask) == STGM_SHARE_EXCLUSIVE && (mode & STGM_TRANSACTED) == 0;
}

}  // namespace vek::compound
