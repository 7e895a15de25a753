// The descriptor layer under compound files: reads through the block cache
// of a large file must always return what was last written, however reads
// that jump about and reads front to back fill the cache.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/compound/locked_file.h"
#include "support/temp_home.h"

namespace vek::test {
namespace {

using compound::LockedFile;

constexpr size_t kBlock = 32 * 1024;
// Four times what the cache holds (256 blocks), so that blocks are pushed
// out of it; far beyond what is read whole at open.
constexpr size_t kBlocks = 1024;
constexpr size_t kFileSize = kBlocks * kBlock;

std::vector<uint8_t> Bytes(size_t size, uint32_t seed) {
    std::vector<uint8_t> bytes(size);
    std::mt19937 random(seed);
    for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random());
    return bytes;
}

std::unique_ptr<LockedFile> OpenWith(const std::string& path, const std::vector<uint8_t>& content) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(content.data()), content.size());
    std::unique_ptr<LockedFile> file;
    EXPECT_EQ(LockedFile::Open(path, LockedFile::Access::kReadWrite, LockedFile::Disposition::kOpenExisting, &file),
              S_OK);
    return file;
}

std::vector<uint8_t> CachedRead(const LockedFile& file, uint64_t offset, size_t length) {
    std::vector<uint8_t> out(length);
    EXPECT_EQ(file.ReadCachedAt(offset, out.data(), length), S_OK);
    return out;
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, uint64_t offset, size_t length) {
    return {bytes.begin() + offset, bytes.begin() + offset + length};
}

TEST(LockedFileCache, ABlockReadAloneAndAgainWithItsPredecessorsTakesWrites) {
    TempHome home;
    std::vector<uint8_t> shadow = Bytes(kFileSize, 1);
    std::unique_ptr<LockedFile> file = OpenWith(home / "large.bin", shadow);
    ASSERT_TRUE(file && !file->readWhole());
    const auto readBlock = [&](uint64_t block) {
        return CachedRead(*file, block * kBlock + 100, 200) == Slice(shadow, block * kBlock + 100, 200);
    };
    // Block 12 read on its own, then a few others; then 10 and 11, front to
    // back, which reads the blocks after 11 with them, block 12 among them.
    for (uint64_t block : {12, 50, 60, 70, 80, 10, 11}) EXPECT_TRUE(readBlock(block)) << block;
    const std::vector<uint8_t> written = Bytes(1000, 2);
    ASSERT_EQ(file->WriteAt(12 * kBlock + 50, written.data(), written.size()), S_OK);
    std::memcpy(shadow.data() + 12 * kBlock + 50, written.data(), written.size());
    // Blocks read while others are pushed out of the cache, whichever copy
    // of block 12 goes first.
    for (uint64_t k = 0; k < 1000; ++k) {
        ASSERT_TRUE(readBlock(30 + k * 37 % (kBlocks - 30))) << k;
        ASSERT_TRUE(readBlock(12)) << "after " << k << " reads elsewhere";
    }
}

TEST(LockedFileCache, LongReadsReturnTheFileBytesWhereverTheBufferLies) {
    // A buffer that lies just past the file offset modulo 4 KB is read into
    // through pages of the library's own: every placement must give the
    // same bytes.
    TempHome home;
    const std::vector<uint8_t> content = Bytes(kFileSize, 5);
    std::unique_ptr<LockedFile> file = OpenWith(home / "large.bin", content);
    ASSERT_TRUE(file && !file->readWhole());
    constexpr size_t kLongest = 300000;
    std::vector<uint8_t> arena(kLongest + 2 * 4096);
    for (uint64_t offset : {uint64_t{0}, uint64_t{4090}, uint64_t{100000}}) {
        for (size_t length : {size_t{40000}, kLongest}) {
            for (uintptr_t ahead : {0, 1, 16, 63, 64, 2000}) {
                const uintptr_t base = reinterpret_cast<uintptr_t>(arena.data());
                const uintptr_t at = (base + 4095) / 4096 * 4096 + (offset + ahead) % 4096;
                auto* out = reinterpret_cast<uint8_t*>(at);
                std::fill(out, out + length, 0);
                ASSERT_EQ(file->ReadCachedAt(offset, out, length), S_OK);
                EXPECT_TRUE(std::equal(out, out + length, content.begin() + offset))
                    << "offset " << offset << ", length " << length << ", " << ahead << " bytes ahead";
            }
        }
    }
}

TEST(LockedFileCache, RandomReadsAndWritesAlwaysSeeTheLatestBytes) {
    TempHome home;
    std::vector<uint8_t> shadow = Bytes(kFileSize, 3);
    std::unique_ptr<LockedFile> file = OpenWith(home / "large.bin", shadow);
    ASSERT_TRUE(file && !file->readWhole());
    std::mt19937 random(4);
    uint64_t cursor = 0;  // where the front-to-back reader is
    for (int step = 0; step < 8000; ++step) {
        const unsigned kind = random() % 10;
        const size_t length = 1 + random() % 9000;
        uint64_t offset;
        if (kind < 5) {  // reading on from the last read, wrapping at the end
            offset = cursor + length <= shadow.size() ? cursor : 0;
            cursor = offset + length;
        } else {
            offset = random() % (shadow.size() - length);
        }
        if (kind < 8) {
            ASSERT_EQ(CachedRead(*file, offset, length), Slice(shadow, offset, length)) << "step " << step;
            continue;
        }
        // Writes now and then grow the file.
        if (kind == 9) offset = shadow.size() - random() % 4096;
        const std::vector<uint8_t> bytes = Bytes(length, 100 + step);
        ASSERT_EQ(file->WriteAt(offset, bytes.data(), bytes.size()), S_OK);
        if (offset + length > shadow.size()) shadow.resize(offset + length);
        std::memcpy(shadow.data() + offset, bytes.data(), length);
    }
    EXPECT_EQ(CachedRead(*file, 0, shadow.size()), shadow);
}

}  // namespace
}  // namespace vek::test
