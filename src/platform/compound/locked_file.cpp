// Compound-file I/O on POSIX descriptors with flock.
#include "platform/compound/locked_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vek::compound {
namespace {

// Files up to this size are read whole when opened.
constexpr uint64_t kCacheLimit = 1u << 20;
// The read-ahead window of larger files; reads of up to half of it that
// start at most that far past the previous read go through it.
constexpr uint64_t kWindow = 256u << 10;
// A file replaced between open and lock is retried this often.
constexpr int kReplacedRetries = 8;

HRESULT StatusFromOpenError(int error) {
    switch (error) {
        case ENOENT: return STG_E_FILENOTFOUND;
        case ENOTDIR: return STG_E_PATHNOTFOUND;
        case EACCES:
        case EPERM:
        case EROFS:
        case ETXTBSY:
        case EISDIR: return STG_E_ACCESSDENIED;
        case EMFILE:
        case ENFILE: return STG_E_TOOMANYOPENFILES;
        case ENOMEM: return STG_E_INSUFFICIENTMEMORY;
        default: return STG_E_UNKNOWN;
    }
}

}  // namespace

HRESULT LockedFile::Open(const std::string& path, Access access, Disposition disposition,
                         std::unique_ptr<LockedFile>* file) {
    int flags = O_CLOEXEC | (access == Access::kReadWrite ? O_RDWR : O_RDONLY);
    if (disposition != Disposition::kOpenExisting) flags |= O_CREAT;
    if (disposition == Disposition::kCreateNew) flags |= O_EXCL;
    for (int attempt = 0; attempt < kReplacedRetries; ++attempt) {
        const int fd = ::open(path.c_str(), flags, 0644);
        if (fd < 0) {
            if (errno == EEXIST) return STG_E_FILEALREADYEXISTS;
            // Creating, a missing name can only be a missing directory.
            if (errno == ENOENT && disposition != Disposition::kOpenExisting) return STG_E_PATHNOTFOUND;
            return StatusFromOpenError(errno);
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(fd);
            return error == EWOULDBLOCK ? STG_E_LOCKVIOLATION : STG_E_UNKNOWN;
        }
        struct stat held {}, named {};
        if (::fstat(fd, &held) != 0) {
            ::close(fd);
            return STG_E_UNKNOWN;
        }
        if (!S_ISREG(held.st_mode)) {
            ::close(fd);
            return STG_E_ACCESSDENIED;
        }
        if (::stat(path.c_str(), &named) != 0 || named.st_ino != held.st_ino ||
            named.st_dev != held.st_dev) {
            ::close(fd);  // replaced or removed while we were locking: look again
            continue;
        }
        std::unique_ptr<LockedFile> opened(new LockedFile(fd, static_cast<uint64_t>(held.st_size)));
        if (disposition != Disposition::kOpenExisting) {
            HRESULT hr = opened->Resize(0);
            if (FAILED(hr)) return hr;
        } else if (opened->size_ > 0 && opened->size_ <= kCacheLimit) {
            opened->Fill(0, opened->size_);
        }
        *file = std::move(opened);
        return S_OK;
    }
    return STG_E_LOCKVIOLATION;
}

LockedFile::~LockedFile() { ::close(fd_); }

void LockedFile::Fill(uint64_t offset, uint64_t capacity) const {
    if (capacity_ < capacity) {
        // Filled by the read below, so not zeroed first.
        window_.reset(new uint8_t[capacity]);
        capacity_ = capacity;
    }
    windowStart_ = offset;
    windowSize_ = 0;
    const uint64_t want = std::min<uint64_t>(capacity_, size_ - offset);
    while (windowSize_ < want) {
        const ssize_t n = ::pread(fd_, window_.get() + windowSize_, want - windowSize_,
                                  static_cast<off_t>(offset + windowSize_));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // what is missing is read from the file directly
        windowSize_ += static_cast<uint64_t>(n);
    }
}

HRESULT LockedFile::ReadAt(uint64_t offset, void* buffer, size_t length) const {
    if (offset > size_ || length > size_ - offset) return STG_E_READFAULT;
    auto* out = static_cast<uint8_t*>(buffer);
    const bool sequential = offset >= lastEnd_ && offset - lastEnd_ <= kWindow / 2;
    lastEnd_ = offset + length;
    const auto inWindow = [&] { return offset >= windowStart_ && offset + length <= windowStart_ + windowSize_; };
    if (!inWindow() && sequential && length <= kWindow / 2 && size_ > kCacheLimit) {
        Fill(offset, kWindow);
    }
    if (inWindow()) {
        std::memcpy(out, window_.get() + (offset - windowStart_), length);
        return S_OK;
    }
    return ReadDirect(offset, out, length);
}

HRESULT LockedFile::ReadDirect(uint64_t offset, uint8_t* out, size_t length) const {
    size_t done = 0;
    while (done < length) {
        const ssize_t n = ::pread(fd_, out + done, length - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return STG_E_READFAULT;
        done += static_cast<size_t>(n);
    }
    return S_OK;
}

HRESULT LockedFile::WriteAt(uint64_t offset, const void* buffer, size_t length) {
    const auto* in = static_cast<const uint8_t*>(buffer);
    size_t done = 0;
    while (done < length) {
        const ssize_t n = ::pwrite(fd_, in + done, length - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno == ENOSPC || errno == EDQUOT || errno == EFBIG ? STG_E_MEDIUMFULL : STG_E_WRITEFAULT;
        done += static_cast<size_t>(n);
    }
    const uint64_t windowEnd = windowStart_ + windowSize_;
    const uint64_t from = std::max(offset, windowStart_);
    const uint64_t to = std::min(offset + length, windowEnd);
    if (from < to) std::memcpy(window_.get() + (from - windowStart_), in + (from - offset), to - from);
    size_ = std::max(size_, offset + length);
    return S_OK;
}

HRESULT LockedFile::Resize(uint64_t length) {
    int rc;
    do {
        rc = ::ftruncate(fd_, static_cast<off_t>(length));
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) return errno == ENOSPC || errno == EFBIG ? STG_E_MEDIUMFULL : STG_E_WRITEFAULT;
    size_ = length;
    windowSize_ = length > windowStart_ ? std::min(windowSize_, length - windowStart_) : 0;
    return S_OK;
}

HRESULT LockedFile::Sync() {
    int rc;
    do {
        rc = ::fdatasync(fd_);
    } while (rc != 0 && errno == EINTR);
    return rc == 0 ? S_OK : STG_E_WRITEFAULT;
}

}  // namespace vek::compound
