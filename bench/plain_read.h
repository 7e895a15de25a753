// The reference most benchmarks are measured against: a plain open and read
// of a file's bytes.
//
// Its buffer starts on a page boundary, as the file's pages do. On some
// processors the kernel copies a file's bytes many times slower into a buffer
// that lies just past the file offset modulo 4 KB (a heap block of 128 KB or
// more starts 16 bytes past a page boundary); a reference read that way would
// flatter whatever is compared with it.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

namespace vek::bench {

class PageAlignedBuffer {
public:
    PageAlignedBuffer() = default;
    explicit PageAlignedBuffer(size_t size) { Reserve(size); }
    // At least size bytes; the contents are not kept.
    void Reserve(size_t size) {
        if (size <= size_) return;
        bytes_.reset(static_cast<char*>(std::aligned_alloc(4096, (size + 4095) / 4096 * 4096)));
        if (!bytes_) std::abort();
        size_ = size;
    }
    char* data() const { return bytes_.get(); }
    size_t size() const { return size_; }

private:
    struct Free {
        void operator()(char* bytes) const { std::free(bytes); }
    };
    std::unique_ptr<char, Free> bytes_;
    size_t size_ = 0;
};

// Opens path, reads it into buffer until its end or the buffer's, closes it;
// the bytes read. Aborts when the file cannot be opened: a reference that
// did less than its work would mislead.
inline size_t ReadPlain(const char* path, PageAlignedBuffer& buffer) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) std::abort();
    size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t n = ::read(fd, buffer.data() + done, buffer.size() - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    ::close(fd);
    return done;
}

}  // namespace vek::bench
