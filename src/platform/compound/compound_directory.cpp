// The directory of an open file, read as it is reached: elements
// are found by searching their storage's sibling tree, and a storage's list
// of elements is made when it is enumerated or changed.
#include <algorithm>
#include <iterator>

#include "platform/compound/compound_file.h"
#include "platform/compound/names.h"

namespace vek::compound {
namespace {

constexpr size_t kDirectoryGroupSectors = 64;

}  // namespace

HRESULT CompoundFile::LoadDirectory() {
    HRESULT hr = WalkChain(false, header_.firstDirectorySector, 0, true, &dirChain_);
    if (FAILED(hr)) return hr;
    dirPages_.resize(dirChain_.size());
    if (FAILED(hr = ReadEntry(kRootId))) return hr;
    return At(kRootId).type == kTypeRoot ? S_OK : STG_E_DOCFILECORRUPT;
}

HRESULT CompoundFile::ReadEntryPage(uint32_t id) const {
    if (id >= EntryCount()) return STG_E_DOCFILECORRUPT;
    const size_t wanted = id / DirEntriesPerSector();
    if (dirPages_[wanted]) return S_OK;
    // With it, its unread neighbours in the chain that lie next to it in the
    // file: one read, of up to a group. Pages added in memory are never
    // unread, so every one of these is where the file put it.
    const size_t groupStart = wanted - wanted % kDirectoryGroupSectors;
    const size_t groupEnd = std::min(groupStart + kDirectoryGroupSectors, dirPages_.size());
    size_t first = wanted;
    while (first > groupStart && !dirPages_[first - 1] && dirChain_[first - 1] + 1 == dirChain_[first]) --first;
    size_t last = wanted + 1;
    while (last < groupEnd && !dirPages_[last] && dirChain_[last] == dirChain_[last - 1] + 1) ++last;
    const uint32_t perSector = DirEntriesPerSector();
    // A group of a few sectors, as small files have, is read onto the stack.
    DirEntryRecord nearby[32];
    std::vector<DirEntryRecord> more;
    DirEntryRecord* records = nearby;
    if ((last - first) * perSector > std::size(nearby)) {
        more.resize((last - first) * perSector);
        records = more.data();
    }
    if (FAILED(ReadSectors(&dirChain_[first], last - first, records))) return STG_E_DOCFILECORRUPT;
    for (size_t i = 0; i < last - first; ++i) {
        auto page = std::make_unique<Entry[]>(perSector);
        bool valid = true;
        for (uint32_t slot = 0; slot < perSector && valid; ++slot) {
            const DirEntryRecord& record = records[i * perSector + slot];
            Entry& entry = page[slot];
            entry.type = record.type;
            if (record.type == kTypeUnused) continue;
            if (record.nameBytes < 2 || record.nameBytes > 2 * kNameUnits || record.nameBytes % 2 != 0) {
                valid = false;
                break;
            }
            const size_t units = record.nameBytes / 2 - 1;
            entry.name.assign(std::u16string_view(record.name, std::find(record.name, record.name + units, u'\0')));
            entry.color = record.color;
            entry.left = record.left;
            entry.right = record.right;
            entry.child = record.child;
            entry.clsid = record.clsid;
            entry.stateBits = record.stateBits;
            entry.created = record.created;
            entry.modified = record.modified;
            entry.start = record.start;
            // Old writers left garbage in the high half of version 3 sizes.
            entry.size = header_.majorVersion == kVersion3 ? record.sizeLow
                                                           : (uint64_t{record.sizeHigh} << 32 | record.sizeLow);
        }
        // A page with a damaged entry stays unread: whatever reaches into it
        // finds the file corrupt.
        if (valid) dirPages_[first + i] = std::move(page);
    }
    return dirPages_[wanted] ? S_OK : STG_E_DOCFILECORRUPT;
}

HRESULT CompoundFile::ReadTreeEntry(uint32_t storage, uint32_t id) const {
    if (id == kRootId) return STG_E_DOCFILECORRUPT;
    HRESULT hr = ReadEntry(id);
    if (FAILED(hr)) return hr;
    Entry& entry = At(id);
    if ((entry.type != kTypeStorage && entry.type != kTypeStream) || entry.name.empty()) return STG_E_DOCFILECORRUPT;
    // An element belongs to one storage only; as storages are reached from
    // the root down, this also rules out a storage inside itself.
    if (entry.parent != kNoStream && entry.parent != storage) return STG_E_DOCFILECORRUPT;
    entry.parent = storage;
    return S_OK;
}

HRESULT CompoundFile::ListChildren(uint32_t storage) {
    Entry& parent = At(storage);
    if (parent.listed) return S_OK;
    if (++treeWalk_ == 0) {
        for (auto& page : dirPages_)
            if (page)
                for (uint32_t slot = 0; slot < DirEntriesPerSector(); ++slot) page[slot].walk = 0;
        treeWalk_ = 1;
    }
    // In order: a tree that is ordered as it should be needs no sorting.
    // Collected in scratch space, so that the list costs one allocation.
    std::vector<uint32_t>& order = chainScratch_;
    std::vector<uint32_t> pending;
    pending.reserve(32);  // room for the depth of the trees this engine writes
    order.clear();
    uint32_t id = parent.child;
    while (id != kNoStream || !pending.empty()) {
        if (id != kNoStream) {
            HRESULT hr = ReadTreeEntry(storage, id);
            if (FAILED(hr)) return hr;
            Entry& entry = At(id);
            if (entry.walk == treeWalk_) return STG_E_DOCFILECORRUPT;  // the tree loops
            entry.walk = treeWalk_;
            pending.push_back(id);
            id = entry.left;
            continue;
        }
        const uint32_t next = pending.back();
        pending.pop_back();
        order.push_back(next);
        id = At(next).right;
    }
    auto inOrder = [this](uint32_t a, uint32_t b) { return CompareNames(At(a).name, At(b).name) < 0; };
    if (!std::is_sorted(order.begin(), order.end(), inOrder)) std::stable_sort(order.begin(), order.end(), inOrder);
    parent.children.assign(order.begin(), order.end());
    parent.listed = true;
    return S_OK;
}

HRESULT CompoundFile::FindChild(uint32_t storage, std::u16string_view name, uint32_t* id) {
    const Entry& parent = At(storage);
    if (!parent.listed) {
        // The sibling tree is a search tree: most names are found reading
        // only the entries on their path.
        uint32_t current = parent.child;
        for (uint32_t steps = 0; current != kNoStream; ++steps) {
            if (steps >= EntryCount()) return STG_E_DOCFILECORRUPT;
            HRESULT hr = ReadTreeEntry(storage, current);
            if (FAILED(hr)) return hr;
            const int order = CompareNames(name, At(current).name);
            if (order == 0) {
                *id = current;
                return S_OK;
            }
            current = order < 0 ? At(current).left : At(current).right;
        }
        // Not on its path: a tree out of order may still hold it elsewhere.
        HRESULT hr = ListChildren(storage);
        if (FAILED(hr)) return hr;
    }
    const std::vector<uint32_t>& children = parent.children;
    if (findStorage_ == storage && findNext_ < children.size() &&
        CompareNames(At(children[findNext_]).name, name) == 0) {
        *id = children[findNext_++];
        return S_OK;
    }
    auto it = std::lower_bound(children.begin(), children.end(), name, [this](uint32_t child, std::u16string_view n) {
        return CompareNames(At(child).name, n) < 0;
    });
    if (it == children.end() || CompareNames(At(*it).name, name) != 0) {
        *id = kNoStream;
        return S_OK;
    }
    findStorage_ = storage;
    findNext_ = static_cast<size_t>(it - children.begin()) + 1;
    *id = *it;
    return S_OK;
}

HRESULT CompoundFile::Children(uint32_t storage, std::vector<uint32_t>* ids) {
    HRESULT hr = ListChildren(storage);
    if (FAILED(hr)) return hr;
    *ids = At(storage).children;
    return S_OK;
}

HRESULT CompoundFile::ListBelow(uint32_t id) {
    // Depth first without recursion: nesting can be as deep as the file has
    // entries.
    std::vector<uint32_t> pending = {id};
    while (!pending.empty()) {
        const uint32_t current = pending.back();
        pending.pop_back();
        if (At(current).type == kTypeStream) continue;
        HRESULT hr = ListChildren(current);
        if (FAILED(hr)) return hr;
        const std::vector<uint32_t>& children = At(current).children;
        pending.insert(pending.end(), children.begin(), children.end());
    }
    return S_OK;
}

}  // namespace vek::compound
