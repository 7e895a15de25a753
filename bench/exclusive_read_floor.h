// What any exclusive reader of a small file must do at least, whatever the
// format: open, lock, check the locked file, read it whole and copy the
// payload out to its caller. The benchmarks that compare an open of our files
// with a plain read show this beside it, so that the part of the cost that is
// the sharing rules can be told from the part that is the format.
#pragma once

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "late_lock_release.h"
#include "plain_read.h"
#include "vekconfig/storage.h"

namespace vek::bench {

// One exclusive read of path (opened read-only or read-write, as the open
// being measured does); copies payloadBytes of it to out. Aborts on failure:
// a floor that did less than its work would mislead.
inline void ExclusiveReadFloor(const char* path, bool writable, size_t payloadBytes,
                               PageAlignedBuffer& file, PageAlignedBuffer& out) {
    const int fd = ::open(path, (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK);
    struct stat held {};
    const auto lock = [fd] { return ::flock(fd, LOCK_EX | LOCK_NB); };
    const auto locked = [](int status) { return status != 0 && errno == EWOULDBLOCK; };
    if (fd < 0 || RetryWhileLocked(lock, locked) != 0 || ::fstat(fd, &held) != 0 || held.st_nlink == 0)
        std::abort();
    const size_t size = static_cast<size_t>(held.st_size);
    file.Reserve(size);
    out.Reserve(payloadBytes);
    if (::pread(fd, file.data(), size, 0) != static_cast<ssize_t>(size) || payloadBytes > size) std::abort();
    std::memcpy(out.data(), file.data(), payloadBytes);
    ::close(fd);
}

// The bytes of every stream in the root of a compound file: what an open
// that reads them all hands to its caller.
inline size_t RootStreamBytes(const std::u16string& path) {
    IStorage* root = nullptr;
    IEnumSTATSTG* elements = nullptr;
    if (StgOpenStorage(path.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &root) != S_OK ||
        root->EnumElements(0, nullptr, 0, &elements) != S_OK)
        std::abort();
    size_t bytes = 0;
    STATSTG stat;
    while (elements->Next(1, &stat, nullptr) == S_OK) {
        if (stat.type == STGTY_STREAM) bytes += stat.cbSize.QuadPart;
        CoTaskMemFree(stat.pwcsName);
    }
    elements->Release();
    root->Release();
    return bytes;
}

}  // namespace vek::bench
