// Changing a compound file in memory: allocation of sectors and mini
// sectors, stream contents and the elements of storages.
#include <algorithm>
#include <cstring>

#include "platform/compound/compound_file.h"
#include "platform/compound/names.h"

namespace vek::compound {

uint32_t CompoundFile::CommittedFat(uint32_t sector) const {
    auto it = fatCommitted_.find(sector);
    if (it != fatCommitted_.end()) return it->second;
    return sector < committedFatSize_ ? Fat(sector) : kFreeSector;
}

uint32_t CompoundFile::CommittedMiniFat(uint32_t mini) const {
    auto it = miniFatCommitted_.find(mini);
    if (it != miniFatCommitted_.end()) return it->second;
    return mini < committedMiniFatSize_ ? MiniFat(mini) : kFreeSector;
}

bool CompoundFile::IsFresh(uint32_t sector) const {
    return sector != kFreeSector && CommittedFat(sector) == kFreeSector;
}

void CompoundFile::SetFat(uint32_t sector, uint32_t value) {
    const uint32_t old = Fat(sector);
    if (sector < committedFatSize_) fatCommitted_.try_emplace(sector, old);
    fat_.entries[sector] = value;
    if (value == kFreeSector) fat_.NoteFreed(sector);
    dirtyFat_.insert(sector / EntriesPerSector());
    if (value == kFreeSector && CommittedFat(sector) == kFreeSector) sectorHint_ = std::min(sectorHint_, sector);
}

void CompoundFile::SetMiniFat(uint32_t mini, uint32_t value) {
    const uint32_t old = MiniFat(mini);
    if (mini < committedMiniFatSize_) miniFatCommitted_.try_emplace(mini, old);
    miniFat_.entries[mini] = value;
    if (value == kFreeSector) miniFat_.NoteFreed(mini);
    dirtyMiniFat_.insert(mini / EntriesPerSector());
    if (value == kFreeSector && CommittedMiniFat(mini) == kFreeSector) miniHint_ = std::min(miniHint_, mini);
}

uint32_t CompoundFile::AllocateSector() {
    for (uint32_t sector = FindFreeUnit(false, sectorHint_);; sector = FindFreeUnit(false, sector + 1)) {
        if (sector >= fat_.entries.size()) {
            // One more FAT sector, placed when the metadata is relocated.
            dirtyFat_.insert(static_cast<uint32_t>(fatSectors_.size()));
            fatSectors_.push_back(kFreeSector);
            fat_.entries.resize(fat_.entries.size() + EntriesPerSector(), kFreeSector);
        }
        if (fat_.entries[sector] == kFreeSector && CommittedFat(sector) == kFreeSector) {
            sectorHint_ = sector + 1;
            SetFat(sector, kEndOfChain);
            return sector;
        }
    }
}

uint32_t CompoundFile::AllocateMiniSector() {
    for (uint32_t mini = FindFreeUnit(true, miniHint_);; mini = FindFreeUnit(true, mini + 1)) {
        if (mini >= miniFat_.entries.size()) {
            dirtyMiniFat_.insert(static_cast<uint32_t>(miniFatChain_.size()));
            miniFatChain_.push_back(kFreeSector);
            miniFat_.entries.resize(miniFat_.entries.size() + EntriesPerSector(), kFreeSector);
        }
        if (miniFat_.entries[mini] == kFreeSector && CommittedMiniFat(mini) == kFreeSector) {
            miniHint_ = mini + 1;
            SetMiniFat(mini, kEndOfChain);
            // The mini stream grows a sector at a time.
            const uint64_t end = (uint64_t{mini} + 1) * kMiniSectorSize;
            while ((uint64_t{miniStreamChain_.size()} << shift_) < end) {
                const uint32_t sector = AllocateSector();
                if (miniStreamChain_.empty())
                    At(kRootId).start = sector;
                else
                    SetFat(miniStreamChain_.back(), sector);
                miniStreamChain_.push_back(sector);
                MarkEntryDirty(kRootId);
            }
            return mini;
        }
    }
}

void CompoundFile::FreeChain(bool mini, uint32_t start, uint64_t size) {
    if (size == 0) return;
    const uint64_t unit = mini ? kMiniSectorSize : sectorSize_;
    std::vector<uint32_t> chain;
    // A chain that does not check out is left allocated rather than freeing
    // sectors that may belong to something else.
    if (FAILED(WalkChain(mini, start, (size + unit - 1) / unit, false, &chain))) return;
    if (!mini && SharesMetadataSector(chain)) return;
    for (uint32_t unitIndex : chain) {
        if (mini)
            SetMiniFat(unitIndex, kFreeSector);
        else if (Fat(unitIndex) != kFatSector && Fat(unitIndex) != kDifatSector)  // a damaged chain's end
            SetFat(unitIndex, kFreeSector);
    }
}

void CompoundFile::FreeElementData(uint32_t id) {
    // Depth first without recursion: nesting can be as deep as the file has
    // entries.
    std::vector<uint32_t> pending = {id};
    while (!pending.empty()) {
        const uint32_t current = pending.back();
        pending.pop_back();
        Entry& entry = At(current);
        if (entry.type == kTypeStream) FreeChain(entry.size < kMiniStreamCutoff, entry.start, entry.size);
        pending.insert(pending.end(), entry.children.begin(), entry.children.end());
        if (current == id) {
            entry.start = kEndOfChain;
            entry.size = 0;
            entry.children.clear();
            entry.child = kNoStream;
        } else {
            entry = Entry{};
            MarkEntryDirty(current);
            entryHint_ = std::min(entryHint_, current);
        }
    }
}

HRESULT CompoundFile::WriteStream(uint32_t id, const std::vector<uint8_t>& data) {
    if (FAILED(failure_)) return failure_;
    Entry& entry = At(id);
    FreeChain(entry.size < kMiniStreamCutoff, entry.start, entry.size);
    entry.start = kEndOfChain;
    entry.size = data.size();
    MarkEntryDirty(id);
    pending_ = true;
    if (data.empty()) return S_OK;
    const bool mini = data.size() < kMiniStreamCutoff;
    const uint32_t unit = mini ? kMiniSectorSize : sectorSize_;
    const size_t count = (data.size() + unit - 1) / unit;
    std::vector<uint64_t> offsets;
    offsets.reserve(count);
    uint32_t previous = kEndOfChain;
    for (size_t i = 0; i < count; ++i) {
        const uint32_t allocated = mini ? AllocateMiniSector() : AllocateSector();
        if (previous == kEndOfChain)
            entry.start = allocated;
        else if (mini)
            SetMiniFat(previous, allocated);
        else
            SetFat(previous, allocated);
        previous = allocated;
        offsets.push_back(mini ? MiniSectorOffset(allocated) : SectorOffset(allocated));
    }
    for (size_t i = 0; i < count;) {
        size_t run = 1;
        while (i + run < count && offsets[i + run] == offsets[i] + run * unit) ++run;
        const size_t begin = i * unit;
        const size_t length = std::min<size_t>(run * unit, data.size() - begin);
        HRESULT hr = file_->WriteAt(offsets[i], data.data() + begin, length);
        if (FAILED(hr)) {
            failure_ = hr;
            return hr;
        }
        i += run;
    }
    return S_OK;
}

uint32_t CompoundFile::NewEntryId() {
    // Unused entries are taken from the directory sectors read so far; the
    // others are not read for this.
    const uint32_t perSector = DirEntriesPerSector();
    for (uint32_t id = entryHint_; id < EntryCount(); ++id) {
        if (!dirPages_[id / perSector]) {
            id = (id / perSector + 1) * perSector - 1;
            continue;
        }
        if (At(id).type == kTypeUnused) {
            entryHint_ = id + 1;
            return id;
        }
    }
    const uint32_t id = EntryCount();
    dirPages_.push_back(std::make_unique<Entry[]>(perSector));
    dirChain_.push_back(kFreeSector);  // placed when the metadata is relocated
    entryHint_ = id + 1;
    return id;
}

void CompoundFile::InsertChild(uint32_t storage, uint32_t id) {
    std::vector<uint32_t>& children = At(storage).children;
    auto it = std::lower_bound(children.begin(), children.end(), id, [this](uint32_t a, uint32_t b) {
        return CompareNames(At(a).name, At(b).name) < 0;
    });
    children.insert(it, id);
    At(id).parent = storage;
    dirtyTrees_.insert(storage);
}

void CompoundFile::RemoveChild(uint32_t id) {
    const uint32_t storage = At(id).parent;
    std::vector<uint32_t>& children = At(storage).children;
    children.erase(std::find(children.begin(), children.end(), id));
    dirtyTrees_.insert(storage);
}

HRESULT CompoundFile::AddElement(uint32_t storage, std::u16string_view name, uint8_t type, uint32_t* id) {
    if (FAILED(failure_)) return failure_;
    HRESULT hr = ListChildren(storage);
    if (FAILED(hr)) return hr;
    const uint32_t created = NewEntryId();
    Entry& entry = At(created);
    entry = Entry{};
    entry.name.assign(name);
    entry.type = type;
    entry.listed = true;  // nothing inside yet
    InsertChild(storage, created);
    MarkEntryDirty(created);
    pending_ = true;
    *id = created;
    return S_OK;
}

HRESULT CompoundFile::ResetElement(uint32_t id, uint8_t type) {
    HRESULT hr = ListBelow(id);
    if (FAILED(hr)) return hr;
    FreeElementData(id);
    Entry& entry = At(id);
    if (entry.type != type) dirtyTrees_.insert(id);
    entry.type = type;
    entry.clsid = GUID_NULL;
    entry.stateBits = 0;
    MarkEntryDirty(id);
    pending_ = true;
    return S_OK;
}

HRESULT CompoundFile::DestroyElement(uint32_t id) {
    HRESULT hr = ListBelow(id);
    if (SUCCEEDED(hr)) hr = ListChildren(At(id).parent);
    if (FAILED(hr)) return hr;
    FreeElementData(id);
    RemoveChild(id);
    At(id) = Entry{};
    entryHint_ = std::min(entryHint_, id);
    MarkEntryDirty(id);
    pending_ = true;
    return S_OK;
}

HRESULT CompoundFile::RenameElement(uint32_t id, std::u16string_view name) {
    const uint32_t storage = At(id).parent;
    HRESULT hr = ListChildren(storage);
    if (FAILED(hr)) return hr;
    RemoveChild(id);
    At(id).name.assign(name);
    InsertChild(storage, id);
    MarkEntryDirty(id);
    pending_ = true;
    return S_OK;
}

void CompoundFile::SetClass(uint32_t id, const GUID& clsid) {
    At(id).clsid = clsid;
    MarkEntryDirty(id);
    pending_ = true;
}

bool CompoundFile::IsOpenBelow(uint32_t id) const {
    std::vector<uint32_t> pending = {id};
    while (!pending.empty()) {
        const uint32_t current = pending.back();
        pending.pop_back();
        if (IsOpen(current)) return true;
        pending.insert(pending.end(), At(current).children.begin(), At(current).children.end());
    }
    return false;
}

}  // namespace vek::compound
