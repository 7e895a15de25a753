// The FAT and mini FAT of an open file, read a chunk at a time as their
// entries are needed.
#include <algorithm>
#include <cstring>

#include "platform/compound/compound_file.h"

namespace vek::compound {

void CompoundFile::ReadTableChunk(bool mini, size_t chunk) const {
    ChunkedTable& table = mini ? miniFat_ : fat_;
    const std::vector<uint32_t>& sectors = mini ? miniFatChain_ : fatSectors_;
    const uint32_t perSector = EntriesPerSector();
    const size_t chunkSectors = (size_t{1} << ChunkedTable::kChunkShift) / perSector;
    const size_t first = chunk * chunkSectors;
    const size_t count = std::min(chunkSectors, size_t{table.readLimit} / perSector - first);
    uint32_t* entries = table.entries.data() + first * perSector;
    // Only sectors read at open are in this chunk's range: later ones were
    // added in memory, and moved sectors were read before they moved.
    if (FAILED(ReadSectors(&sectors[first], count, entries)))
        std::fill(entries, entries + count * perSector, kEndOfChain);
    table.NoteRead(chunk, std::find(entries, entries + count * perSector, kFreeSector) != entries + count * perSector);
    if (mini) return;
    const uint32_t begin = static_cast<uint32_t>(chunk << ChunkedTable::kChunkShift);
    const uint32_t end = begin + static_cast<uint32_t>(count * perSector);
    auto mark = std::lower_bound(tableMarks_.begin(), tableMarks_.end(), std::make_pair(begin, uint32_t{0}));
    for (; mark != tableMarks_.end() && mark->first < end; ++mark) {
        // Sectors that hold the tables must never be handed out while they
        // are in use, whatever the file's own marks say.
        if (fat_.entries[mark->first] == mark->second) continue;
        fat_.entries[mark->first] = mark->second;
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

uint32_t CompoundFile::FindFreeUnit(bool mini, uint32_t from) {
    const ChunkedTable& table = mini ? miniFat_ : fat_;
    const uint32_t size = static_cast<uint32_t>(table.entries.size());
    // The end of the table always takes part: a table that grows, grows there.
    if (size > 0) mini ? MiniFat(size - 1) : Fat(size - 1);
    const uint32_t chunkEntries = uint32_t{1} << ChunkedTable::kChunkShift;
    for (uint32_t start = from; start < size;) {
        const uint32_t chunkEnd = std::min(size, (start / chunkEntries + 1) * chunkEntries);
        if (table.IsRead(start)) {
            // A chunk read without free entries is scanned only where it
            // holds entries added in memory.
            if (start < table.readLimit && !table.MayBeFree(start))
                start = std::min(chunkEnd, table.readLimit);
            const uint32_t found = FindFree(table.entries, start, chunkEnd);
            if (found < chunkEnd) return found;
        }
        start = chunkEnd;
    }
    return size;
}

}  // namespace vek::compound
