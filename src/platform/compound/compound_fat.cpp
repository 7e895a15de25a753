// The FAT of an open file, read a chunk at a time as its entries are needed.
#include <algorithm>
#include <cstring>

#include "platform/compound/compound_file.h"

namespace vek::compound {

void CompoundFile::ReadFatChunk(size_t chunk) const {
    const uint32_t perSector = EntriesPerSector();
    const size_t chunkSectors = (size_t{1} << kFatChunkShift) / perSector;
    const size_t first = chunk * chunkSectors;
    const size_t count = std::min(chunkSectors, size_t{fatReadLimit_} / perSector - first);
    uint32_t* entries = fat_.data() + first * perSector;
    // Only sectors read at open are in this chunk's range: later ones were
    // added in memory, and moved sectors were read before they moved.
    if (FAILED(ReadSectors(&fatSectors_[first], count, entries)))
        std::fill(entries, entries + count * perSector, kEndOfChain);
    fatChunkRead_[chunk] = true;
    const uint32_t begin = static_cast<uint32_t>(chunk << kFatChunkShift);
    const uint32_t end = begin + static_cast<uint32_t>(count * perSector);
    auto mark = std::lower_bound(tableMarks_.begin(), tableMarks_.end(), std::make_pair(begin, uint32_t{0}));
    for (; mark != tableMarks_.end() && mark->first < end; ++mark) {
        // Sectors that hold the tables must never be handed out while they
        // are in use, whatever the file's own marks say.
        if (fat_[mark->first] == mark->second) continue;
        fat_[mark->first] = mark->second;
        dirtyFat_.insert(mark->first / perSector);
        pending_ = true;
    }
}

namespace {

// The first free entry of table in [from, to), or to. A free entry is four
// 0xFF bytes; memchr finds candidates fast, and the few other entries with
// an 0xFF byte (chain ends, table marks) are stepped over.
uint32_t FindFree(const Table& table, uint32_t from, uint32_t to) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(table.data());
    const size_t end = size_t{to} * sizeof(uint32_t);
    size_t at = size_t{from} * sizeof(uint32_t);
    while (at < end) {
        const void* hit = std::memchr(bytes + at, 0xFF, end - at);
        if (hit == nullptr) break;
        const size_t index = static_cast<size_t>(static_cast<const unsigned char*>(hit) - bytes) / sizeof(uint32_t);
        if (table[index] == kFreeSector) return static_cast<uint32_t>(index);
        at = (index + 1) * sizeof(uint32_t);
    }
    return to;
}

}  // namespace

uint32_t CompoundFile::FindFreeSector(uint32_t from) {
    const uint32_t size = static_cast<uint32_t>(fat_.size());
    // The end of the table always takes part: a file that grows, grows there.
    if (size > 0) Fat(size - 1);
    const uint32_t chunkEntries = uint32_t{1} << kFatChunkShift;
    for (uint32_t start = from; start < size;) {
        const size_t chunk = start >> kFatChunkShift;
        const uint32_t chunkEnd = std::min<uint32_t>(size, static_cast<uint32_t>((chunk + 1) * chunkEntries));
        if (start >= fatReadLimit_ || fatChunkRead_[chunk]) {
            const uint32_t found = FindFree(fat_, start, chunkEnd);
            if (found < chunkEnd) return found;
        }
        start = chunkEnd;
    }
    return size;
}

}  // namespace vek::compound
