// Opening a compound file: the header and the DIFAT, checked before they are
// used; and locating stream data.
#include <algorithm>
#include <cstring>

#include "platform/compound/compound_file.h"
#include "platform/compound/names.h"

namespace vek::compound {
namespace {

constexpr uint64_t kShortChain = 256;
constexpr uint64_t kMarkedTableLimit = 1u << 16;

}  // namespace

HRESULT CompoundFile::Create(const std::string& path, bool replace, std::unique_ptr<CompoundFile>* file) {
    std::unique_ptr<LockedFile> locked;
    HRESULT hr = LockedFile::Open(path, LockedFile::Access::kReadWrite,
                                  replace ? LockedFile::Disposition::kCreateOrTruncate
                                          : LockedFile::Disposition::kCreateNew,
                                  &locked);
    if (FAILED(hr)) return hr;
    std::unique_ptr<CompoundFile> created(new CompoundFile(std::move(locked), true));
    hr = created->InitializeEmpty();
    if (FAILED(hr)) return hr;
    *file = std::move(created);
    return S_OK;
}

HRESULT CompoundFile::Open(const std::string& path, bool writable, std::unique_ptr<CompoundFile>* file) {
    std::unique_ptr<LockedFile> locked;
    HRESULT hr = LockedFile::Open(path, writable ? LockedFile::Access::kReadWrite : LockedFile::Access::kRead,
                                  LockedFile::Disposition::kOpenExisting, &locked);
    if (FAILED(hr)) return hr;
    if (writable) {
        if (std::unique_ptr<CompoundFile> parked = TakeParked(*locked)) {
            parked->file_ = std::move(locked);
            *file = std::move(parked);
            return S_OK;
        }
    }
    std::unique_ptr<CompoundFile> opened(new CompoundFile(std::move(locked), writable));
    hr = opened->Load();
    if (FAILED(hr)) {
        // Reading may have corrected table marks in memory: a file that did
        // not load is never written.
        opened->failure_ = hr;
        return hr;
    }
    *file = std::move(opened);
    return S_OK;
}

HRESULT CompoundFile::InitializeEmpty() {
    std::memcpy(header_.signature, kSignature, sizeof kSignature);
    header_.minorVersion = kMinorVersion;
    header_.majorVersion = kVersion3;
    header_.byteOrder = kByteOrderMark;
    header_.sectorShift = kVersion3SectorShift;
    header_.miniSectorShift = kMiniSectorShift;
    header_.miniStreamCutoff = kMiniStreamCutoff;
    Entry root;
    root.name.assign(u"Root Entry");
    root.type = kTypeRoot;
    root.color = kBlack;
    dirPages_.push_back(std::make_unique<Entry[]>(DirEntriesPerSector()));
    At(kRootId) = root;
    dirChain_.push_back(kFreeSector);  // placed by the first commit
    dirtyDir_.insert(0);
    pending_ = true;
    return Commit();
}

uint32_t CompoundFile::FileSectors() const {
    const uint64_t size = file_->size();
    if (size <= sectorSize_) return 0;
    const uint64_t sectors = (size - sectorSize_ + sectorSize_ - 1) >> shift_;
    return static_cast<uint32_t>(std::min<uint64_t>(sectors, kMaxRegularSector));
}

HRESULT CompoundFile::Load() {
    if (file_->size() < kHeaderSize) return STG_E_FILEALREADYEXISTS;
    HRESULT hr = file_->ReadAt(0, &header_, sizeof header_);
    if (FAILED(hr)) return hr;
    if (std::memcmp(header_.signature, kSignature, sizeof kSignature) != 0) return STG_E_FILEALREADYEXISTS;
    const bool v3 = header_.majorVersion == kVersion3 && header_.sectorShift == kVersion3SectorShift;
    const bool v4 = header_.majorVersion == kVersion4 && header_.sectorShift == kVersion4SectorShift;
    if (header_.byteOrder != kByteOrderMark || !(v3 || v4) || header_.miniSectorShift != kMiniSectorShift ||
        header_.miniStreamCutoff != kMiniStreamCutoff)
        return STG_E_INVALIDHEADER;
    shift_ = header_.sectorShift;
    sectorSize_ = 1u << shift_;
    if (file_->size() < sectorSize_) return STG_E_INVALIDHEADER;
    if (FAILED(hr = LoadFatLocations())) return hr;
    // Filled a chunk at a time by ReadTableChunk.
    fat_.Expect(fatSectors_.size() * EntriesPerSector());
    committedFatSize_ = fat_.entries.size();
    // The FAT describes its own sectors and the DIFAT's.
    for (const auto* sectors : {&fatSectors_, &difatSectors_})
        for (uint32_t sector : *sectors)
            if (sector >= fat_.entries.size()) return STG_E_DOCFILECORRUPT;
    if (FAILED(hr = LoadDirectory())) return hr;
    if (header_.firstMiniFatSector != kEndOfChain && header_.firstMiniFatSector != kFreeSector) {
        if (FAILED(hr = WalkChain(false, header_.firstMiniFatSector, 0, true, &miniFatChain_))) return hr;
        miniFat_.Expect(miniFatChain_.size() * EntriesPerSector());
    }
    committedMiniFatSize_ = miniFat_.entries.size();
    Entry& root = At(kRootId);
    if (root.size > 0) {
        const uint64_t needed = (root.size + sectorSize_ - 1) >> shift_;
        if (needed > FileSectors()) return STG_E_DOCFILECORRUPT;
        if (FAILED(hr = WalkChain(false, root.start, needed, false, &miniStreamChain_))) return hr;
    }
    if (FAILED(hr = MarkMetadataSectors())) return hr;
    return SharesMetadataSector(miniStreamChain_) ? STG_E_DOCFILECORRUPT : S_OK;
}

HRESULT CompoundFile::MarkMetadataSectors() const {
    metadataMoved_ = false;
    metadataSectors_.assign(FileSectors(), false);
    for (const auto* chain : {&fatSectors_, &difatSectors_, &dirChain_, &miniFatChain_}) {
        for (uint32_t sector : *chain) {
            if (sector >= metadataSectors_.size()) continue;  // not placed yet
            if (metadataSectors_[sector]) return STG_E_DOCFILECORRUPT;
            metadataSectors_[sector] = true;
        }
    }
    return S_OK;
}

bool CompoundFile::SharesMetadataSector(const std::vector<uint32_t>& chain) const {
    // This engine's own commits lay the chains out without sharing.
    if (metadataMoved_) MarkMetadataSectors();
    for (uint32_t sector : chain)
        if (sector < metadataSectors_.size() && metadataSectors_[sector]) return true;
    return false;
}

HRESULT CompoundFile::LoadFatLocations() {
    const uint32_t fileSectors = FileSectors();
    const uint32_t count = header_.fatSectorCount;
    if (count == 0 || count > fileSectors) return STG_E_DOCFILECORRUPT;
    fatSectors_.reserve(count);
    for (uint32_t i = 0; i < kHeaderDifatEntries && fatSectors_.size() < count; ++i)
        fatSectors_.push_back(header_.difat[i]);
    std::vector<uint32_t> block;  // most files have no DIFAT sector
    uint32_t next = header_.firstDifatSector;
    while (fatSectors_.size() < count) {
        block.resize(EntriesPerSector());
        if (next >= fileSectors || difatSectors_.size() >= fileSectors) return STG_E_DOCFILECORRUPT;
        if (std::find(difatSectors_.begin(), difatSectors_.end(), next) != difatSectors_.end())
            return STG_E_DOCFILECORRUPT;
        difatSectors_.push_back(next);
        HRESULT hr = file_->ReadAt(SectorOffset(next), block.data(), sectorSize_);
        if (FAILED(hr)) return STG_E_DOCFILECORRUPT;
        for (uint32_t i = 0; i < DifatEntriesPerSector() && fatSectors_.size() < count; ++i)
            fatSectors_.push_back(block[i]);
        next = block[DifatEntriesPerSector()];
    }
    // Each table sector with the mark it must carry, in sector order: no two
    // tables may share a sector.
    tableMarks_.reserve(fatSectors_.size() + difatSectors_.size());
    for (uint32_t sector : fatSectors_) tableMarks_.emplace_back(sector, kFatSector);
    for (uint32_t sector : difatSectors_) tableMarks_.emplace_back(sector, kDifatSector);
    std::sort(tableMarks_.begin(), tableMarks_.end());
    const auto sameSector = [](const auto& a, const auto& b) { return a.first == b.first; };
    if (tableMarks_.back().first >= fileSectors ||
        std::adjacent_find(tableMarks_.begin(), tableMarks_.end(), sameSector) != tableMarks_.end())
        return STG_E_DOCFILECORRUPT;
    // Read-only files keep their marks as they are.
    if (!writable_) tableMarks_.clear();
    return S_OK;
}

HRESULT CompoundFile::ReadSectors(const uint32_t* sectors, size_t count, void* out) const {
    auto* bytes = static_cast<uint8_t*>(out);
    for (size_t i = 0; i < count;) {
        size_t run = 1;
        while (i + run < count && sectors[i + run] == sectors[i] + run) ++run;
        HRESULT hr = file_->ReadAt(SectorOffset(sectors[i]), bytes + i * sectorSize_, run * sectorSize_);
        if (FAILED(hr)) return STG_E_DOCFILECORRUPT;
        i += run;
    }
    return S_OK;
}

HRESULT CompoundFile::WalkChain(bool mini, uint32_t start, uint64_t needed, bool untilEnd,
                                std::vector<uint32_t>* chain) const {
    std::vector<uint32_t>& visits = mini ? miniVisits_ : visits_;
    const uint64_t tableSize = mini ? miniFat_.entries.size() : fat_.entries.size();
    const auto next = [&](uint32_t unit) { return mini ? MiniFat(unit) : Fat(unit); };
    uint64_t limit;
    if (mini) {
        limit = std::min<uint64_t>(tableSize, (uint64_t{miniStreamChain_.size()} << shift_) / kMiniSectorSize);
    } else {
        limit = std::min<uint64_t>(tableSize, FileSectors());
    }
    if (!untilEnd && needed > limit) return STG_E_DOCFILECORRUPT;
    chain->clear();
    uint32_t current = start;
    if (untilEnd) {
        // A chain that loops never reaches its end: it is cut off at the
        // number of units there are.
        chain->reserve(std::min<uint64_t>(limit, kShortChain));
        while (current != kEndOfChain) {
            if (current >= limit || chain->size() >= limit) return STG_E_DOCFILECORRUPT;
            chain->push_back(current);
            current = next(current);
        }
        return chain->empty() ? STG_E_DOCFILECORRUPT : S_OK;
    }
    if (needed == 0) return S_OK;
    // Streams are located on every open: this loop reads the table's
    // entries directly once their chunk is in memory.
    chain->resize(needed);
    uint32_t* const units = chain->data();
    const ChunkedTable& table = mini ? miniFat_ : fat_;
    const uint32_t* const entries = table.entries.data();
    // A chain that only moves forward cannot loop; most chains do, and need
    // no further check.
    bool forward = true;
    for (uint64_t i = 0;; ++i) {
        if (current >= limit) return STG_E_DOCFILECORRUPT;
        units[i] = current;
        if (i + 1 == needed) break;
        const uint32_t following = table.IsRead(current) ? entries[current] : next(current);
        forward = forward && following > current;
        current = following;
    }
    if (forward) return S_OK;
    if (needed <= kShortChain && tableSize > kMarkedTableLimit) {
        // Short chains in large tables are checked for loops by sorting a
        // copy, which is cheaper than marks the size of the table.
        uint32_t sorted[kShortChain];
        std::copy(chain->begin(), chain->end(), sorted);
        std::sort(sorted, sorted + needed);
        return std::adjacent_find(sorted, sorted + needed) == sorted + needed ? S_OK : STG_E_DOCFILECORRUPT;
    }
    if (visits.size() < tableSize) visits.resize(tableSize, 0);
    if (++walk_ == 0) {
        std::fill(visits_.begin(), visits_.end(), 0);
        std::fill(miniVisits_.begin(), miniVisits_.end(), 0);
        walk_ = 1;
    }
    for (uint32_t unit : *chain) {
        if (visits[unit] == walk_) return STG_E_DOCFILECORRUPT;
        visits[unit] = walk_;
    }
    return S_OK;
}

uint64_t CompoundFile::MiniSectorOffset(uint32_t mini) const {
    const uint64_t byte = uint64_t{mini} * kMiniSectorSize;
    return SectorOffset(miniStreamChain_[byte >> shift_]) + (byte & (sectorSize_ - 1));
}

HRESULT CompoundFile::LocateStream(uint32_t id, StreamExtents* extents) const {
    const Entry& entry = At(id);
    extents->size = entry.size;
    extents->runs.clear();
    if (entry.size == 0) return S_OK;
    const bool mini = entry.size < kMiniStreamCutoff;
    const uint32_t unit = mini ? kMiniSectorSize : sectorSize_;
    if (!mini && entry.size > (uint64_t{FileSectors()} << shift_)) return STG_E_DOCFILECORRUPT;
    const uint64_t needed = (entry.size + unit - 1) / unit;
    HRESULT hr = WalkChain(mini, entry.start, needed, false, &chainScratch_);
    if (FAILED(hr)) return hr;
    if (!mini && SharesMetadataSector(chainScratch_)) return STG_E_DOCFILECORRUPT;
    // The runs are gathered in scratch space and copied out once, so a
    // stream costs one allocation however many runs it has.
    std::vector<StreamExtents::Run>& runs = runScratch_;
    runs.clear();
    uint64_t position = 0;
    uint64_t runEnd = 0;  // no unit lies at offset 0, where the header is
    for (uint32_t index : chainScratch_) {
        const uint64_t offset = mini ? MiniSectorOffset(index) : SectorOffset(index);
        if (offset != runEnd) runs.push_back({position, offset});
        runEnd = offset + unit;
        position += unit;
    }
    extents->runs.assign(runs.begin(), runs.end());
    return S_OK;
}

HRESULT CompoundFile::ReadStream(const StreamExtents& extents, uint64_t position, void* buffer,
                                 size_t length) const {
    if (length == 0) return S_OK;
    auto* out = static_cast<uint8_t*>(buffer);
    const auto& runs = extents.runs;
    auto run = std::upper_bound(runs.begin(), runs.end(), position,
                                [](uint64_t p, const StreamExtents::Run& r) { return p < r.position; });
    if (run == runs.begin()) return STG_E_DOCFILECORRUPT;
    for (--run; length > 0; ++run) {
        const uint64_t runEnd = run + 1 == runs.end() ? extents.size : run[1].position;
        const size_t take = static_cast<size_t>(std::min<uint64_t>(runEnd - position, length));
        HRESULT hr = file_->ReadCachedAt(run->offset + (position - run->position), out, take);
        if (FAILED(hr)) return STG_E_DOCFILECORRUPT;
        out += take;
        position += take;
        length -= take;
    }
    return S_OK;
}

}  // namespace vek::compound
