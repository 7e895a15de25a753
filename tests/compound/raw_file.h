// Test helper: a compound file's bytes in memory, with the header, FAT and
// directory entries addressable for inspection and for damage on purpose.
#pragma once

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/compound/format.h"

namespace vek::test {

class RawFile {
public:
    explicit RawFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        bytes_.assign(std::istreambuf_iterator<char>(in), {});
    }
    void Save(const std::string& path) const {
        std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes_.data(), static_cast<std::streamsize>(bytes_.size()));
    }

    std::string& bytes() { return bytes_; }
    compound::Header& header() { return *reinterpret_cast<compound::Header*>(bytes_.data()); }
    uint32_t sectorSize() { return 1u << header().sectorShift; }
    size_t SectorOffset(uint32_t sector) { return (size_t{sector} + 1) * sectorSize(); }

    uint32_t& Fat(uint32_t sector) {
        const uint32_t perSector = sectorSize() / 4;
        const uint32_t fatSector = header().difat[sector / perSector];  // first 109 FAT sectors
        return *reinterpret_cast<uint32_t*>(&bytes_[SectorOffset(fatSector) + (sector % perSector) * 4]);
    }

    std::vector<uint32_t> Chain(uint32_t start) {
        std::vector<uint32_t> chain;
        for (uint32_t s = start; s != compound::kEndOfChain && chain.size() < 100000; s = Fat(s)) chain.push_back(s);
        return chain;
    }

    size_t EntryCount() { return Chain(header().firstDirectorySector).size() * (sectorSize() / compound::kDirEntrySize); }

    compound::DirEntryRecord& Entry(uint32_t id) {
        const uint32_t perSector = sectorSize() / compound::kDirEntrySize;
        const uint32_t sector = Chain(header().firstDirectorySector)[id / perSector];
        return *reinterpret_cast<compound::DirEntryRecord*>(&bytes_[SectorOffset(sector) + (id % perSector) * compound::kDirEntrySize]);
    }

    // The id of the entry with this name, or kNoStream.
    uint32_t Find(const std::u16string& name) {
        for (uint32_t id = 0; id < EntryCount(); ++id) {
            const auto& e = Entry(id);
            if (e.type != 0 && e.nameBytes == (name.size() + 1) * 2 &&
                std::memcmp(e.name, name.data(), name.size() * 2) == 0)
                return id;
        }
        return compound::kNoStream;
    }

private:
    std::string bytes_;
};

}  // namespace vek::test
