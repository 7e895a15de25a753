// Making changes durable: sibling trees are rebuilt balanced, every changed
// table and directory sector moves to a sector the committed state holds
// free, and one header write switches to the new state.
#include <algorithm>
#include <bit>
#include <cstring>
#include <map>

#include "platform/compound/compound_file.h"

namespace vek::compound {
namespace {

constexpr uint64_t kKeptFreeTail = 64u << 10;

}  // namespace

uint32_t CompoundFile::BuildTree(const std::vector<uint32_t>& ids, size_t lo, size_t hi, unsigned depth,
                                 unsigned redDepth) {
    if (lo >= hi) return kNoStream;
    const size_t middle = lo + (hi - lo) / 2;
    const uint32_t id = ids[middle];
    Entry& entry = At(id);
    const uint32_t left = BuildTree(ids, lo, middle, depth + 1, redDepth);
    const uint32_t right = BuildTree(ids, middle + 1, hi, depth + 1, redDepth);
    // Every level above the deepest is full, so colouring only the deepest
    // level red gives each path the same number of black entries.
    const uint8_t color = depth == redDepth ? kRed : kBlack;
    if (entry.left != left || entry.right != right || entry.color != color) {
        entry.left = left;
        entry.right = right;
        entry.color = color;
        MarkEntryDirty(id);
    }
    return id;
}

void CompoundFile::RebuildTrees() {
    for (uint32_t storage : dirtyTrees_) {
        Entry& parent = At(storage);
        if (parent.type == kTypeUnused) continue;
        const std::vector<uint32_t>& ids = parent.children;
        const unsigned redDepth = static_cast<unsigned>(std::bit_width(ids.size() + 1) - 1);
        const uint32_t top = BuildTree(ids, 0, ids.size(), 0, redDepth);
        if (parent.child != top) {
            parent.child = top;
            MarkEntryDirty(storage);
        }
    }
    dirtyTrees_.clear();
}

void CompoundFile::TrimMiniStream() {
    // The root's size covers the highest mini sector in use, the mini FAT and
    // the mini stream hold no more sectors than that needs.
    size_t used = miniFat_.entries.size();
    while (used > 0 && MiniFat(static_cast<uint32_t>(used - 1)) == kFreeSector) --used;
    Entry& root = At(kRootId);
    const uint64_t rootSize = uint64_t{used} * kMiniSectorSize;
    if (root.size != rootSize) {
        root.size = rootSize;
        MarkEntryDirty(kRootId);
    }
    const size_t streamSectors = static_cast<size_t>((rootSize + sectorSize_ - 1) >> shift_);
    if (streamSectors < miniStreamChain_.size()) {
        for (size_t i = streamSectors; i < miniStreamChain_.size(); ++i) SetFat(miniStreamChain_[i], kFreeSector);
        miniStreamChain_.resize(streamSectors);
        if (streamSectors > 0) SetFat(miniStreamChain_.back(), kEndOfChain);
    }
    if (miniStreamChain_.empty() && root.start != kEndOfChain) {
        root.start = kEndOfChain;
        MarkEntryDirty(kRootId);
    }
    const size_t tableSectors = (used + EntriesPerSector() - 1) / EntriesPerSector();
    if (tableSectors < miniFatChain_.size()) {
        for (size_t i = tableSectors; i < miniFatChain_.size(); ++i) {
            if (miniFatChain_[i] != kFreeSector) SetFat(miniFatChain_[i], kFreeSector);
            dirtyMiniFat_.erase(static_cast<uint32_t>(i));
        }
        miniFatChain_.resize(tableSectors);
        if (tableSectors > 0 && miniFatChain_.back() != kFreeSector) SetFat(miniFatChain_.back(), kEndOfChain);
        for (size_t mini = tableSectors * EntriesPerSector(); mini < miniFat_.entries.size(); ++mini)
            if (mini < committedMiniFatSize_)
                miniFatCommitted_.try_emplace(static_cast<uint32_t>(mini), MiniFat(static_cast<uint32_t>(mini)));
        miniFat_.entries.resize(tableSectors * EntriesPerSector());
        // Entries added again later start free, not as the file had them.
        miniFat_.readLimit = std::min<uint32_t>(miniFat_.readLimit, static_cast<uint32_t>(miniFat_.entries.size()));
    }
}

void CompoundFile::RelocateChainSector(std::vector<uint32_t>& chain, size_t index, uint32_t* first) {
    const uint32_t old = chain[index];
    const uint32_t moved = AllocateSector();
    if (index == 0)
        *first = moved;
    else if (chain[index - 1] != kFreeSector)
        SetFat(chain[index - 1], moved);
    // A following sector not yet placed links itself when it is.
    const bool linked = index + 1 < chain.size() && chain[index + 1] != kFreeSector;
    SetFat(moved, linked ? chain[index + 1] : kEndOfChain);
    if (old != kFreeSector) SetFat(old, kFreeSector);
    chain[index] = moved;
}

void CompoundFile::RelocateMetadata() {
    // Moving one sector changes FAT entries, which may move FAT and DIFAT
    // sectors in turn; a sector moved once is fresh and stays put, so this
    // settles after a few rounds.
    bool moved = true;
    while (moved) {
        moved = false;
        for (uint32_t index : std::vector<uint32_t>(dirtyDir_.begin(), dirtyDir_.end())) {
            if (!IsFresh(dirChain_[index])) {
                RelocateChainSector(dirChain_, index, &header_.firstDirectorySector);
                moved = true;
            }
        }
        for (uint32_t index : std::vector<uint32_t>(dirtyMiniFat_.begin(), dirtyMiniFat_.end())) {
            if (!IsFresh(miniFatChain_[index])) {
                RelocateChainSector(miniFatChain_, index, &header_.firstMiniFatSector);
                moved = true;
            }
        }
        for (uint32_t index : std::vector<uint32_t>(dirtyFat_.begin(), dirtyFat_.end())) {
            const uint32_t old = fatSectors_[index];
            if (IsFresh(old)) continue;
            const uint32_t placed = AllocateSector();
            SetFat(placed, kFatSector);
            if (old != kFreeSector) SetFat(old, kFreeSector);
            fatSectors_[index] = placed;
            if (index >= kHeaderDifatEntries)
                dirtyDifat_.insert((index - kHeaderDifatEntries) / DifatEntriesPerSector());
            moved = true;
        }
        const size_t overflow = fatSectors_.size() > kHeaderDifatEntries ? fatSectors_.size() - kHeaderDifatEntries : 0;
        const size_t difatCount = (overflow + DifatEntriesPerSector() - 1) / DifatEntriesPerSector();
        while (difatSectors_.size() < difatCount) {
            if (!difatSectors_.empty()) dirtyDifat_.insert(static_cast<uint32_t>(difatSectors_.size() - 1));
            dirtyDifat_.insert(static_cast<uint32_t>(difatSectors_.size()));
            difatSectors_.push_back(kFreeSector);
        }
        for (uint32_t index : std::vector<uint32_t>(dirtyDifat_.rbegin(), dirtyDifat_.rend())) {
            const uint32_t old = difatSectors_[index];
            if (IsFresh(old)) continue;
            const uint32_t placed = AllocateSector();
            SetFat(placed, kDifatSector);
            if (old != kFreeSector) SetFat(old, kFreeSector);
            difatSectors_[index] = placed;
            if (index > 0) dirtyDifat_.insert(index - 1);  // its link to this one changed
            moved = true;
        }
    }
}

void CompoundFile::EncodeHeader(Header* header) const {
    *header = header_;
    header->minorVersion = kMinorVersion;
    header->transactionSignature = 0;
    header->fatSectorCount = static_cast<uint32_t>(fatSectors_.size());
    for (uint32_t i = 0; i < kHeaderDifatEntries; ++i)
        header->difat[i] = i < fatSectors_.size() ? fatSectors_[i] : kFreeSector;
    header->difatSectorCount = static_cast<uint32_t>(difatSectors_.size());
    header->firstDifatSector = difatSectors_.empty() ? kEndOfChain : difatSectors_[0];
    header->directorySectorCount =
        header_.majorVersion == kVersion3 ? 0 : static_cast<uint32_t>(dirChain_.size());
    header->firstDirectorySector = dirChain_[0];
    header->miniFatSectorCount = static_cast<uint32_t>(miniFatChain_.size());
    header->firstMiniFatSector = miniFatChain_.empty() ? kEndOfChain : miniFatChain_[0];
}

void EncodeEntry(const Entry& entry, bool version3, DirEntryRecord* record) {
    std::memset(record, 0, sizeof *record);
    record->left = record->right = record->child = kNoStream;
    if (entry.type == kTypeUnused) return;
    std::copy(entry.name.begin(), entry.name.end(), record->name);
    record->nameBytes = static_cast<uint16_t>((entry.name.size() + 1) * 2);
    record->type = entry.type;
    record->color = entry.color;
    record->left = entry.left;
    record->right = entry.right;
    record->child = entry.child;
    record->stateBits = entry.stateBits;
    if (entry.type == kTypeStream) {
        record->start = entry.size == 0 ? kEndOfChain : entry.start;
    } else {
        record->clsid = entry.clsid;
        if (entry.type == kTypeStorage) {
            record->created = entry.created;
            record->modified = entry.modified;
        } else {
            record->modified = entry.modified;
            record->start = entry.start;
        }
    }
    if (entry.type != kTypeStorage) {
        record->sizeLow = static_cast<uint32_t>(entry.size);
        record->sizeHigh = version3 ? 0 : static_cast<uint32_t>(entry.size >> 32);
    }
}

HRESULT CompoundFile::WriteMetadata() {
    std::map<uint32_t, std::vector<uint8_t>> sectors;
    const bool version3 = header_.majorVersion == kVersion3;
    for (uint32_t index : dirtyDir_) {
        std::vector<uint8_t>& bytes = sectors[dirChain_[index]];
        bytes.resize(sectorSize_);
        auto* records = reinterpret_cast<DirEntryRecord*>(bytes.data());
        for (uint32_t i = 0; i < DirEntriesPerSector(); ++i)
            EncodeEntry(At(index * DirEntriesPerSector() + i), version3, &records[i]);
    }
    auto encodeTable = [&](const Table& table, uint32_t index, uint32_t location) {
        std::vector<uint8_t>& bytes = sectors[location];
        bytes.resize(sectorSize_);
        auto* out = reinterpret_cast<uint32_t*>(bytes.data());
        for (uint32_t i = 0; i < EntriesPerSector(); ++i) {
            const size_t at = size_t{index} * EntriesPerSector() + i;
            out[i] = at < table.size() ? table[at] : kFreeSector;
        }
    };
    for (uint32_t index : dirtyMiniFat_) encodeTable(miniFat_.entries, index, miniFatChain_[index]);
    for (uint32_t index : dirtyFat_) encodeTable(fat_.entries, index, fatSectors_[index]);
    for (uint32_t index : dirtyDifat_) {
        std::vector<uint8_t>& bytes = sectors[difatSectors_[index]];
        bytes.resize(sectorSize_);
        auto* out = reinterpret_cast<uint32_t*>(bytes.data());
        for (uint32_t i = 0; i < DifatEntriesPerSector(); ++i) {
            const size_t at = kHeaderDifatEntries + size_t{index} * DifatEntriesPerSector() + i;
            out[i] = at < fatSectors_.size() ? fatSectors_[at] : kFreeSector;
        }
        out[DifatEntriesPerSector()] = index + 1 < difatSectors_.size() ? difatSectors_[index + 1] : kEndOfChain;
    }
    // Neighbouring sectors go out in one write.
    std::vector<uint8_t> run;
    for (auto it = sectors.begin(); it != sectors.end();) {
        const uint32_t first = it->first;
        run.clear();
        uint32_t next = first;
        while (it != sectors.end() && it->first == next) {
            run.insert(run.end(), it->second.begin(), it->second.end());
            ++it;
            ++next;
        }
        HRESULT hr = file_->WriteAt(SectorOffset(first), run.data(), run.size());
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

CompoundFile::~CompoundFile() {
    if (writable_ && pending_) Commit();
}

HRESULT CompoundFile::Commit() {
    if (FAILED(failure_)) return failure_;
    if (!pending_) return S_OK;
    StampRoot();
    RebuildTrees();
    TrimMiniStream();
    RelocateMetadata();
    uint32_t used = static_cast<uint32_t>(fat_.entries.size());
    while (used > 0 && Fat(used - 1) == kFreeSector) --used;
    const uint64_t length = SectorOffset(used);
    if (header_.majorVersion == kVersion3 && length > kVersion3MaxStreamSize) {
        failure_ = STG_E_MEDIUMFULL;
        return failure_;
    }
    HRESULT hr = WriteMetadata();
    if (SUCCEEDED(hr) && file_->size() < length) hr = file_->Resize(length);
    if (SUCCEEDED(hr)) hr = file_->Sync();
    Header header;
    EncodeHeader(&header);
    if (SUCCEEDED(hr)) hr = file_->WriteAt(0, &header, sizeof header);
    if (SUCCEEDED(hr)) hr = file_->Sync();
    if (FAILED(hr)) {
        failure_ = hr;
        return hr;
    }
    header_ = header;
    // Sectors past the last one in use are free in the state just committed.
    // A short free tail is kept: the next change fills it without changing
    // the file's length, which would make its flushes write the inode too.
    if (file_->size() > length + kKeptFreeTail) file_->Resize(length);
    for (const auto& [sector, committed] : fatCommitted_)
        if (fat_.entries[sector] == kFreeSector) sectorHint_ = std::min(sectorHint_, sector);
    for (const auto& [mini, committed] : miniFatCommitted_)
        if (mini < miniFat_.entries.size() && miniFat_.entries[mini] == kFreeSector) miniHint_ = std::min(miniHint_, mini);
    fatCommitted_.clear();
    miniFatCommitted_.clear();
    committedFatSize_ = fat_.entries.size();
    committedMiniFatSize_ = miniFat_.entries.size();
    dirtyFat_.clear();
    dirtyDifat_.clear();
    dirtyDir_.clear();
    dirtyMiniFat_.clear();
    pending_ = false;
    metadataMoved_ = true;
    return S_OK;
}

}  // namespace vek::compound
