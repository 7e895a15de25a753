// What any exclusive reader of a small file must do at least, whatever the
// format: open, lock, check the locked file, then bring each stream's bytes
// into the buffer its caller names. A stream is read into its caller's
// buffer only once the file is open, so the bytes get there one of two ways,
// and each has its floor here:
// - the file read whole at open, each stream copied out of memory;
// - the file's header read at open, then its allocation tables and
//   directory (one read, as if they lay together), then each stream from the
//   file straight into its buffer, one read call per stream.
// The benchmarks that compare an open of our files with a plain read show
// these beside it, so that the part of the cost that is the sharing rules and
// the stream-at-a-time reads can be told from the part that is the format.
#pragma once

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "late_lock_release.h"
#include "plain_read.h"
#include "vekconfig/storage.h"

namespace vek::bench {

inline size_t Total(const std::vector<size_t>& sizes) {
    size_t total = 0;
    for (size_t size : sizes) total += size;
    return total;
}

// Opens and locks path (read-only or read-write, as the open being measured
// does) and checks that the locked file still has a name; its size. The
// floors abort on any failure: a floor that did less than its work would
// mislead.
inline size_t OpenLockedChecked(const char* path, bool writable, int* fd) {
    *fd = ::open(path, (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK);
    struct stat held {};
    const auto lock = [fd] { return ::flock(*fd, LOCK_EX | LOCK_NB); };
    const auto locked = [](int status) { return status != 0 && errno == EWOULDBLOCK; };
    if (*fd < 0 || RetryWhileLocked(lock, locked) != 0 || ::fstat(*fd, &held) != 0 || held.st_nlink == 0)
        std::abort();
    return static_cast<size_t>(held.st_size);
}

// The whole-read floor: copies payloadBytes of the file to out.
inline void ExclusiveReadFloor(const char* path, bool writable, size_t payloadBytes,
                               PageAlignedBuffer& file, PageAlignedBuffer& out) {
    int fd = -1;
    const size_t size = OpenLockedChecked(path, writable, &fd);
    file.Reserve(size);
    out.Reserve(payloadBytes);
    if (::pread(fd, file.data(), size, 0) != static_cast<ssize_t>(size) || payloadBytes > size) std::abort();
    std::memcpy(out.data(), file.data(), payloadBytes);
    ::close(fd);
}

// The read-per-stream floor: the 512-byte header; then, in one read, as
// many sectors as the header gives for the allocation tables (the sector
// counts at 0x2C and 0x40) and as a root directory of these streams takes
// (four entries to a sector); then one read per stream, of its size, into
// its own place in out. The streams are read from where they would lie end
// to end after the header.
inline void ExclusiveReadPerStreamFloor(const char* path, bool writable, const std::vector<size_t>& streamSizes,
                                        PageAlignedBuffer& out) {
    constexpr size_t kSector = 512;
    const size_t streamBytes = Total(streamSizes);
    const size_t directorySectors = (streamSizes.size() + 1 + 3) / 4;
    out.Reserve(kSector + streamBytes);
    int fd = -1;
    if (OpenLockedChecked(path, writable, &fd) < kSector + streamBytes ||
        ::pread(fd, out.data(), kSector, 0) != static_cast<ssize_t>(kSector))
        std::abort();
    uint32_t fatSectors = 0, miniFatSectors = 0;
    std::memcpy(&fatSectors, out.data() + 0x2C, sizeof fatSectors);
    std::memcpy(&miniFatSectors, out.data() + 0x40, sizeof miniFatSectors);
    const size_t tableBytes = (size_t{fatSectors} + miniFatSectors + directorySectors) * kSector;
    if (tableBytes > streamBytes ||
        ::pread(fd, out.data() + kSector, tableBytes, kSector) != static_cast<ssize_t>(tableBytes))
        std::abort();
    size_t at = kSector;
    for (size_t size : streamSizes) {
        if (::pread(fd, out.data() + at, size, static_cast<off_t>(at)) != static_cast<ssize_t>(size)) std::abort();
        at += size;
    }
    ::close(fd);
}

// The sizes of the streams in the root of a compound file: what an open
// that reads them all hands to its caller.
inline std::vector<size_t> RootStreamSizes(const std::u16string& path) {
    IStorage* root = nullptr;
    IEnumSTATSTG* elements = nullptr;
    if (StgOpenStorage(path.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &root) != S_OK ||
        root->EnumElements(0, nullptr, 0, &elements) != S_OK)
        std::abort();
    std::vector<size_t> sizes;
    STATSTG stat;
    while (elements->Next(1, &stat, nullptr) == S_OK) {
        if (stat.type == STGTY_STREAM) sizes.push_back(stat.cbSize.QuadPart);
        CoTaskMemFree(stat.pwcsName);
    }
    elements->Release();
    root->Release();
    return sizes;
}

}  // namespace vek::bench
