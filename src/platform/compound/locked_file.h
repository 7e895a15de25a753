// The operating-system side of a compound file: one descriptor holding an
// exclusive lock on the file for the life of the object, with positioned
// reads and writes, durable flushes and resizing.
//
// The lock is an open-file-description lock (flock), so a second open in the
// same process is refused as well as one in another process. After locking,
// the descriptor and the path must still name the same file; a file replaced
// or removed meanwhile is opened again.
//
// Small files are read whole at open and served from memory. In larger files,
// a read that follows on from the one before fills a read-ahead window, so
// many small reads in file order cost few system calls. Writes keep both
// copies current.
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

    // Reads exactly length bytes at offset; bytes past the end of the file
    // are STG_E_READFAULT.
    HRESULT ReadAt(uint64_t offset, void* buffer, size_t length) const;
    // Writes length bytes at offset, growing the file as needed.
    HRESULT WriteAt(uint64_t offset, const void* buffer, size_t length);
    // Sets the file's length; new bytes read as zero.
    HRESULT Resize(uint64_t length);
    // Returns once everything written so far is on stable storage.
    HRESULT Sync();

private:
    LockedFile(int fd, uint64_t size) : fd_(fd), size_(size) {}
    // Reads up to capacity bytes at offset into the window (fewer at the end
    // of the file or after a read error).
    void Fill(uint64_t offset, uint64_t capacity) const;
    HRESULT ReadDirect(uint64_t offset, uint8_t* out, size_t length) const;

    int fd_;
    uint64_t size_;
    // The file's bytes [windowStart_, windowStart_ + windowSize_).
    mutable std::unique_ptr<uint8_t[]> window_;
    mutable uint64_t capacity_ = 0;
    mutable uint64_t windowStart_ = 0;
    mutable uint64_t windowSize_ = 0;
    mutable uint64_t lastEnd_ = 0;  // where the last read ended
};

}  // namespace vek::compound
