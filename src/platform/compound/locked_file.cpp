// Compound-file I/O on POSIX descriptors with flock.
#include "platform/compound/locked_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "platform/copy_bytes.h"

namespace vek::compound {
namespace {

// Files up to this size are read whole when opened.
constexpr uint64_t kWholeLimit = 1u << 20;
// Cached reads of at least this many bytes go straight to the file.
constexpr size_t kDirectRead = 32768;
// The block cache of larger files: 256 blocks of 32 KB.
constexpr unsigned kBlockShift = 15;
constexpr uint64_t kBlockSize = uint64_t{1} << kBlockShift;
constexpr size_t kSlots = 256;
// Slots are found by block index through chained hash buckets.
constexpr size_t kBuckets = 2 * kSlots;
constexpr uint16_t kNoSlot = 0xffff;
// Blocks read at once when a file is read front to back: 128 KB.
constexpr size_t kGroupSlots = 4;
constexpr uint64_t kNoBlock = ~uint64_t{0};
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
    // O_NONBLOCK: opening a FIFO or a device must not wait for a peer; such
    // files are refused below. Reads and writes of regular files ignore it.
    int flags = O_CLOEXEC | O_NONBLOCK | (access == Access::kReadWrite ? O_RDWR : O_RDONLY);
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
        std::unique_ptr<LockedFile> opened(new LockedFile(fd, 0));
        PageBuffer firstRead;  // a first read that filled its buffer
        if (disposition == Disposition::kOpenExisting && opened->ReadShortFileWhole(&firstRead)) {
            *file = std::move(opened);
            return S_OK;
        }
        struct stat held {};
        if (::fstat(fd, &held) != 0) return STG_E_UNKNOWN;
        if (!S_ISREG(held.st_mode)) return STG_E_ACCESSDENIED;
        // A created file removed or replaced while we were locking it: create
        // it again (an opened one needs no such check, see ReadShortFileWhole).
        if (disposition != Disposition::kOpenExisting && held.st_nlink == 0) continue;
        opened->size_ = static_cast<uint64_t>(held.st_size);
        if (disposition != Disposition::kOpenExisting) {
            HRESULT hr = opened->Resize(0);
            if (FAILED(hr)) return hr;
        } else if (opened->size_ > 0 && opened->size_ <= kWholeLimit) {
            opened->ReadWhole(std::move(firstRead));
        }
        if (firstRead) GiveBackFirstReadBuffer(std::move(firstRead));
        *file = std::move(opened);
        return S_OK;
    }
    return STG_E_LOCKVIOLATION;
}

// Most files we open are far shorter than the first read's buffer: that
// read ending short gives their size without asking the file's status.
//
// Without that status, two checks are not made. Whether the file still has
// a name after locking: nothing removes or replaces a file of ours while
// holding its lock, so a file removed between our open and our lock is no
// different from one removed just after we locked it; only a created file
// must be checked, or what we write into it would be lost. And whether it
// is a regular file: a pipe refuses positioned reads, but a device with
// bytes to give passes for a short file, which then fails to load as a
// damaged one.
bool LockedFile::ReadShortFileWhole(PageBuffer* fullRead) {
    PageBuffer buffer = TakeFirstReadBuffer();
    ssize_t n;
    do {
        n = ::pread(fd_, buffer.get(), kFirstRead, 0);
    } while (n < 0 && errno == EINTR);
    if (static_cast<size_t>(n) == kFirstRead) {
        *fullRead = std::move(buffer);
        return false;
    }
    if (n <= 0) {
        GiveBackFirstReadBuffer(std::move(buffer));
        return false;
    }
    size_ = wholeSize_ = static_cast<uint64_t>(n);
    whole_ = std::move(buffer);
    firstReadBuffer_ = true;
    return true;
}

void LockedFile::ReadWhole(PageBuffer firstRead) {
    whole_ = NewPageBuffer(size_);
    // The bytes the first read got are not read again.
    const uint64_t have = firstRead ? std::min<uint64_t>(size_, kFirstRead) : 0;
    if (have > 0) std::memcpy(whole_.get(), firstRead.get(), have);
    if (firstRead) GiveBackFirstReadBuffer(std::move(firstRead));
    if (SUCCEEDED(ReadDirect(have, whole_.get() + have, size_ - have))) wholeSize_ = size_;
}

LockedFile::~LockedFile() {
    ::close(fd_);
    if (firstReadBuffer_) GiveBackFirstReadBuffer(std::move(whole_));
}

constexpr std::align_val_t kPageAlignment{4096};

// Filled by file reads, so not zeroed first.
LockedFile::PageBuffer LockedFile::NewPageBuffer(size_t bytes) {
    return PageBuffer(static_cast<uint8_t*>(::operator new[](bytes, kPageAlignment)));
}

// Each thread that opens compound files keeps one first-read buffer (128 KB)
// for its next open until it ends: a buffer this large would otherwise be
// mapped and unmapped by the allocator every time.
LockedFile::PageBuffer& LockedFile::SpareFirstReadBuffer() {
    thread_local PageBuffer spare;
    return spare;
}

LockedFile::PageBuffer LockedFile::TakeFirstReadBuffer() {
    if (PageBuffer& spare = SpareFirstReadBuffer()) return std::move(spare);
    return NewPageBuffer(kFirstRead);
}

void LockedFile::GiveBackFirstReadBuffer(PageBuffer buffer) {
    if (PageBuffer& spare = SpareFirstReadBuffer(); !spare) spare = std::move(buffer);
}

void LockedFile::PageAlignedDelete::operator()(uint8_t* bytes) const { ::operator delete[](bytes, kPageAlignment); }

HRESULT LockedFile::Identify(Identity* identity) const {
    struct statx held {};
    if (::statx(fd_, "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &held) != 0) return STG_E_UNKNOWN;
    const auto nanoseconds = [](const statx_timestamp& t) { return t.tv_sec * 1'000'000'000 + t.tv_nsec; };
    identity->device = (uint64_t{held.stx_dev_major} << 32) | held.stx_dev_minor;
    identity->inode = held.stx_ino;
    identity->size = held.stx_size;
    identity->born = (held.stx_mask & STATX_BTIME) != 0 ? nanoseconds(held.stx_btime) : 0;
    identity->modified = nanoseconds(held.stx_mtime);
    identity->changed = nanoseconds(held.stx_ctime);
    return S_OK;
}

HRESULT LockedFile::ReadAt(uint64_t offset, void* buffer, size_t length) const {
    if (offset > size_ || length > size_ - offset) return STG_E_READFAULT;
    auto* out = static_cast<uint8_t*>(buffer);
    if (offset + length <= wholeSize_) {
        CopyBytes(out, whole_.get() + offset, length);
        return S_OK;
    }
    return ReadDirect(offset, out, length);
}

HRESULT LockedFile::ReadCachedAt(uint64_t offset, void* buffer, size_t length) const {
    if (offset > size_ || length > size_ - offset) return STG_E_READFAULT;
    auto* out = static_cast<uint8_t*>(buffer);
    if (offset + length <= wholeSize_ || length >= kDirectRead) return ReadAt(offset, out, length);
    while (length > 0) {
        const uint64_t index = offset >> kBlockShift;
        const uint64_t within = offset & (kBlockSize - 1);
        const size_t take = static_cast<size_t>(std::min<uint64_t>(length, kBlockSize - within));
        const size_t slot = CachedSlot(index);
        if (slot == kSlots || within + take > blockBytes_[slot]) return ReadDirect(offset, out, length);
        CopyBytes(out, blocks_.get() + slot * kBlockSize + within, take);
        out += take;
        offset += take;
        length -= take;
    }
    return S_OK;
}

size_t LockedFile::FindSlot(uint64_t index) const {
    if (!tags_) return kSlots;
    if (lastSlot_ < kSlots && tags_[lastSlot_] == index) return lastSlot_;
    for (uint16_t slot = bucketHead_[index & (kBuckets - 1)]; slot != kNoSlot; slot = nextInBucket_[slot])
        if (tags_[slot] == index) return slot;
    return kSlots;
}

void LockedFile::SetTag(size_t slot, uint64_t index) const {
    if (tags_[slot] != kNoBlock) {
        uint16_t* link = &bucketHead_[tags_[slot] & (kBuckets - 1)];
        while (*link != slot) link = &nextInBucket_[*link];
        *link = nextInBucket_[slot];
    }
    tags_[slot] = index;
    if (index == kNoBlock) {
        lastUse_[slot] = 0;  // an empty slot is the first to make room
        return;
    }
    uint16_t& head = bucketHead_[index & (kBuckets - 1)];
    nextInBucket_[slot] = head;
    head = static_cast<uint16_t>(slot);
}

size_t LockedFile::CachedSlot(uint64_t index) const {
    if (!blocks_) {
        blocks_ = NewPageBuffer(kSlots * kBlockSize);
        tags_.reset(new uint64_t[kSlots]);
        bucketHead_.reset(new uint16_t[kBuckets]);
        nextInBucket_.reset(new uint16_t[kSlots]);
        blockBytes_.reset(new uint32_t[kSlots]);
        lastUse_.reset(new uint64_t[kSlots]);
        Forget();
    }
    size_t slot = FindSlot(index);
    if (slot < kSlots) {
        lastUse_[slot] = ++useClock_;
        return slot;
    }
    // A block that follows the one read last is read together with the
    // blocks after it, into a group of adjacent slots: a file read front to
    // back takes a quarter of the reads. While such reads follow each other,
    // they cycle through one group, which stays in the processor's cache.
    // Otherwise the blocks least recently used make room: a catalog's
    // elements lie interleaved over a window of the file that fits the
    // cache, and must stay there until each has been reached.
    const bool follows = lastSlot_ < kSlots && tags_[lastSlot_] != kNoBlock && tags_[lastSlot_] + 1 == index;
    const size_t blocks = follows ? kGroupSlots : 1;
    if (follows && lastFillWasGroup_) {
        slot = lastSlot_ / kGroupSlots * kGroupSlots;
    } else {
        slot = LeastRecentlyUsed(blocks);
    }
    const uint64_t start = index << kBlockShift;
    const uint64_t want = std::min<uint64_t>(blocks * kBlockSize, size_ - start);
    uint8_t* group = blocks_.get() + slot * kBlockSize;
    uint64_t got = 0;
    while (got < want) {
        const ssize_t n = ::pread(fd_, group + got, want - got, static_cast<off_t>(start + got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<uint64_t>(n);
    }
    if (got == 0) {
        SetTag(slot, kNoBlock);
        return kSlots;
    }
    ++useClock_;
    for (uint64_t i = 0; i < blocks; ++i) {
        const uint64_t at = i * kBlockSize;
        // A block is never held twice: writes keep only one copy current.
        if (i > 0) {
            const size_t held = FindSlot(index + i);
            if (held < kSlots) SetTag(held, kNoBlock);
        }
        SetTag(slot + i, at < got ? index + i : kNoBlock);
        if (at < got) {
            lastUse_[slot + i] = useClock_;
            blockBytes_[slot + i] = static_cast<uint32_t>(std::min<uint64_t>(kBlockSize, got - at));
            lastSlot_ = slot + i;
        }
    }
    lastFillWasGroup_ = blocks > 1;
    return slot;
}

size_t LockedFile::LeastRecentlyUsed(size_t slots) const {
    size_t oldest = 0;
    uint64_t oldestUse = ~uint64_t{0};
    for (size_t first = 0; first < kSlots; first += slots) {
        const uint64_t use = *std::max_element(lastUse_.get() + first, lastUse_.get() + first + slots);
        if (use < oldestUse) {
            oldestUse = use;
            oldest = first;
        }
    }
    return oldest;
}

void LockedFile::Forget() const {
    if (!tags_) return;
    std::fill(tags_.get(), tags_.get() + kSlots, kNoBlock);
    std::fill(bucketHead_.get(), bucketHead_.get() + kBuckets, kNoSlot);
    std::fill(lastUse_.get(), lastUse_.get() + kSlots, 0);
}

HRESULT LockedFile::ReadDirect(uint64_t offset, uint8_t* out, size_t length) const {
    if (SlowCopyPlacement(reinterpret_cast<uintptr_t>(out), offset)) return ReadThroughPages(offset, out, length);
    size_t done = 0;
    while (done < length) {
        const ssize_t n = ::pread(fd_, out + done, length - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return STG_E_READFAULT;
        done += static_cast<size_t>(n);
    }
    return S_OK;
}

// The kernel would copy into out at a fraction of its speed: the bytes go
// through a buffer placed as the file's pages are, a first-read buffer's
// worth at a time, and are then copied out.
HRESULT LockedFile::ReadThroughPages(uint64_t offset, uint8_t* out, size_t length) const {
    PageBuffer pages = TakeFirstReadBuffer();
    HRESULT hr = S_OK;
    while (length > 0 && SUCCEEDED(hr)) {
        const size_t within = offset & 4095;
        const size_t piece = std::min<size_t>(length, kFirstRead - within);
        if (SUCCEEDED(hr = ReadDirect(offset, pages.get() + within, piece))) {
            CopyBytes(out, pages.get() + within, piece);
            out += piece;
            offset += piece;
            length -= piece;
        }
    }
    GiveBackFirstReadBuffer(std::move(pages));
    return hr;
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
    if (offset < wholeSize_) {
        const uint64_t to = std::min<uint64_t>(offset + length, wholeSize_);
        CopyBytes(whole_.get() + offset, in, to - offset);
    }
    if (tags_ && length > 0) {
        for (uint64_t index = offset >> kBlockShift; index <= (offset + length - 1) >> kBlockShift; ++index) {
            const size_t slot = FindSlot(index);
            if (slot == kSlots) continue;
            const uint64_t start = index << kBlockShift;
            const uint64_t from = std::max(offset, start);
            const uint64_t to = std::min(offset + length, start + blockBytes_[slot]);
            if (offset + length > start + blockBytes_[slot] && blockBytes_[slot] < kBlockSize) {
                SetTag(slot, kNoBlock);  // the write grows the block's valid part: read it again
            } else if (from < to) {
                CopyBytes(blocks_.get() + slot * kBlockSize + (from - start), in + (from - offset), to - from);
            }
        }
    }
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
    wholeSize_ = std::min(wholeSize_, length);
    Forget();
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
