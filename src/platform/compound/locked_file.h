// The operating-system side of a compound file: one descriptor holding an
// exclusive lock on the file for the life of the object, with positioned
// reads and writes, durable flushes and resizing.
//
// The lock is an open-file-description lock (flock), so a second open in the
// same process is refused as well as one in another process. After locking,
// a created file must still have a name: one replaced or removed while we
// were locking it is created again.
//
// Small files are read whole at open and served from memory. In larger files,
// ReadAt goes straight to the file, into the caller's buffer, while
// ReadCachedAt serves reads shorter than a block (32 KB) from a cache of 256
// aligned blocks (8 MB, allocated when first needed), for data read in small
// pieces with neighbours likely to follow (mini sectors, small streams). The
// blocks least recently used make room; blocks read front to back are read
// four at a time. Writes keep the cached copies current.
//
// Thread safety: one object is used by one thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "vekconfig/types.h"

namespace vek::compound {

class LockedFile {
public:
    enum class Access { kRead, kReadWrite };
    enum class Disposition { kOpenExisting, kCreateOrTruncate, kCreateNew };

    // Opens and locks path. kCreateNew on an existing file:
    // STG_E_FILEALREADYEXISTS. Missing file: STG_E_FILENOTFOUND (or
    // STG_E_PATHNOTFOUND when a directory is missing). Locked by another
    // opener: STG_E_LOCKVIOLATION. Not permitted: STG_E_ACCESSDENIED.
    static HRESULT Open(const std::string& path, Access access, Disposition disposition,
                        std::unique_ptr<LockedFile>* file);
    ~LockedFile();
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

    uint64_t size() const { return size_; }
    // Whether the file was small enough to be read whole at open.
    bool readWhole() const { return wholeSize_ != 0; }

    // What tells one state of one file from any other: the file (device,
    // inode, birth) and its length and times as they stand now.
    struct Identity {
        uint64_t device = 0;
        uint64_t inode = 0;
        uint64_t size = 0;
        int64_t born = 0;  // nanoseconds, all three
        int64_t modified = 0;
        int64_t changed = 0;
        bool operator==(const Identity&) const = default;
    };
    HRESULT Identify(Identity* identity) const;

    // Reads exactly length bytes at offset; bytes past the end of the file
    // are STG_E_READFAULT.
    HRESULT ReadAt(uint64_t offset, void* buffer, size_t length) const;
    // The same, through the block cache.
    HRESULT ReadCachedAt(uint64_t offset, void* buffer, size_t length) const;
    // Writes length bytes at offset, growing the file as needed.
    HRESULT WriteAt(uint64_t offset, const void* buffer, size_t length);
    // Sets the file's length; new bytes read as zero.
    HRESULT Resize(uint64_t length);
    // Returns once everything written so far is on stable storage.
    HRESULT Sync();

private:
    LockedFile(int fd, uint64_t size) : fd_(fd), size_(size) {}
    HRESULT ReadDirect(uint64_t offset, uint8_t* out, size_t length) const;
    HRESULT ReadThroughPages(uint64_t offset, uint8_t* out, size_t length) const;
    // The slot holding block index, read from the file if need be; the
    // slot count after a read error.
    size_t CachedSlot(uint64_t index) const;
    // The slot holding block index, or the slot count.
    size_t FindSlot(uint64_t index) const;
    // Gives a slot a new block index (or kNoBlock), keeping the buckets current.
    void SetTag(size_t slot, uint64_t index) const;
    // The first of the aligned run of slots whose latest use is oldest.
    size_t LeastRecentlyUsed(size_t slots) const;
    void Forget() const;

    // Buffers that file reads fill start on a page boundary, as the page
    // cache's pages do: the kernel copies between equally aligned addresses
    // several times faster.
    struct PageAlignedDelete {
        void operator()(uint8_t* bytes) const;
    };
    using PageBuffer = std::unique_ptr<uint8_t[], PageAlignedDelete>;
    static PageBuffer NewPageBuffer(size_t bytes);
    // The buffer of an open's first read, kFirstRead bytes.
    static constexpr size_t kFirstRead = 128 * 1024;
    static PageBuffer TakeFirstReadBuffer();
    static void GiveBackFirstReadBuffer(PageBuffer buffer);
    static PageBuffer& SpareFirstReadBuffer();
    // Reads a file shorter than kFirstRead whole, learning its size; false
    // for any other file, with *fullRead holding the first kFirstRead bytes
    // when the file has that many.
    bool ReadShortFileWhole(PageBuffer* fullRead);
    // Reads the file whole (size_ bytes), taking its start from firstRead
    // when given.
    void ReadWhole(PageBuffer firstRead);

    int fd_;
    uint64_t size_;
    // A small file's bytes, read whole at open; empty for larger files.
    PageBuffer whole_;
    uint64_t wholeSize_ = 0;  // how much of whole_ holds the file's bytes
    bool firstReadBuffer_ = false;  // whole_ is a first-read buffer
    // Block cache: slot i holds the block whose index is tags_[i] (kNoBlock
    // when empty), the first blockBytes_[i] bytes of it valid.
    mutable PageBuffer blocks_;
    mutable std::unique_ptr<uint64_t[]> tags_;
    mutable std::unique_ptr<uint32_t[]> blockBytes_;
    // Each bucket heads a chain of the slots whose index falls in it.
    mutable std::unique_ptr<uint16_t[]> bucketHead_;
    mutable std::unique_ptr<uint16_t[]> nextInBucket_;
    mutable std::unique_ptr<uint64_t[]> lastUse_;  // useClock_ at each slot's latest use; 0 when empty
    mutable uint64_t useClock_ = 0;
    mutable size_t lastSlot_ = ~size_t{0};  // the slot filled last
    mutable bool lastFillWasGroup_ = false;
};

}  // namespace vek::compound
