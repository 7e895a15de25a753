// The compound-file engine: the allocation tables, the directory and the
// sibling trees of one open file, changed in memory and made durable by
// Commit.
//
// The directory is read as it is reached: a storage's elements
// are found by searching its sibling tree, and its whole list of elements is
// made only when it is enumerated or changes. The FAT is read a chunk at a time, when an entry in the chunk is first
// needed, and new sectors are taken only from chunks already read (or from
// the end of the file): a change to a large file reads the parts of the
// table its chains run through, not the whole table. So does the mini FAT.
//
// Crash safety: committed sectors are never overwritten. Changed stream data,
// directory, mini FAT, FAT and DIFAT sectors go to sectors that the committed
// state holds free; after they are flushed, one write of the header switches
// to the new state and a second flush makes it durable. A crash at any
// instant leaves the file at its last committed state.
//
// Thread safety: one thread at a time per object.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/compound/format.h"
#include "platform/compound/locked_file.h"
#include "platform/compound/names.h"

namespace vek::compound {

// Allocation table entries. Growing a table without a value leaves the new
// entries uninitialised: they are filled from the file straight after.
template <typename T>
struct UninitializedAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = UninitializedAllocator<U>;
    };
    template <typename U>
    void construct(U* place) noexcept {
        ::new (static_cast<void*>(place)) U;
    }
    template <typename U, typename... Args>
    void construct(U* place, Args&&... args) {
        ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
    }
};
using Table = std::vector<uint32_t, UninitializedAllocator<uint32_t>>;

// An allocation table (the FAT or the mini FAT) read from the file a chunk of
// 1024 entries at a time, when an entry in the chunk is first needed.
struct ChunkedTable {
    static constexpr unsigned kChunkShift = 10;
    // Flags of a chunk: read from the file; and, once read, that it may hold
    // a free entry below readLimit (chunks without one are passed over when
    // looking for free units).
    static constexpr uint8_t kChunkRead = 1;
    static constexpr uint8_t kChunkMayBeFree = 2;
    Table entries;
    std::vector<uint8_t> chunks;  // the flags of each chunk
    uint32_t readLimit = 0;  // entries from here on were added in memory

    bool IsRead(uint32_t index) const {
        return index >= readLimit || (chunks[index >> kChunkShift] & kChunkRead) != 0;
    }
    bool MayBeFree(uint32_t index) const { return (chunks[index >> kChunkShift] & kChunkMayBeFree) != 0; }
    void NoteFreed(uint32_t index) {
        if (index < readLimit) chunks[index >> kChunkShift] |= kChunkMayBeFree;
    }
    void NoteRead(size_t chunk, bool mayBeFree) { chunks[chunk] = kChunkRead | (mayBeFree ? kChunkMayBeFree : 0); }
    // Sizes the table for a file's entries, none of them read yet, with room
    // to grow by an eighth without moving.
    void Expect(size_t size) {
        entries.reserve(size + size / 8);
        entries.resize(size);
        readLimit = static_cast<uint32_t>(size);
        chunks.assign(size == 0 ? 0 : ((size - 1) >> kChunkShift) + 1, 0);
    }
};

struct Entry {
    ElementName name;
    uint8_t type = kTypeUnused;
    uint8_t color = kBlack;
    uint32_t left = kNoStream;
    uint32_t right = kNoStream;
    uint32_t child = kNoStream;
    GUID clsid{};
    uint32_t stateBits = 0;
    FILETIME created{};
    FILETIME modified{};
    uint32_t start = kEndOfChain;
    uint64_t size = 0;
    // In memory only: the containing storage and, for storages once listed,
    // the elements inside in sibling order.
    uint32_t parent = kNoStream;
    bool listed = false;
    std::vector<uint32_t> children;
    uint32_t walk = 0;  // the last tree walk that passed here
};

// Where the bytes of a stream lie: runs of units (sectors or mini sectors)
// that are adjacent in the file, in stream order. A run lasts until the next
// one starts, the last one until the end of the stream.
struct StreamExtents {
    struct Run {
        uint64_t position;  // in the stream
        uint64_t offset;    // in the file
    };
    uint64_t size = 0;
    std::vector<Run> runs;
};

// The directory record of an entry, as the file holds it.
void EncodeEntry(const Entry& entry, bool version3, DirEntryRecord* record);

class CompoundFile {
public:
    // Creates an empty file of version 3. With replace, any file at path is
    // replaced; without, an existing file is STG_E_FILEALREADYEXISTS.
    static HRESULT Create(const std::string& path, bool replace, std::unique_ptr<CompoundFile>* file);
    // Opens and checks an existing file. Not a compound file:
    // STG_E_FILEALREADYEXISTS; damaged: STG_E_INVALIDHEADER or
    // STG_E_DOCFILECORRUPT; file errors as LockedFile::Open.
    static HRESULT Open(const std::string& path, bool writable, std::unique_ptr<CompoundFile>* file);

    // Lets go of a file whose last user is done with it: what is pending is
    // committed, and the state of a large file opened for writing is kept
    // for its next open in this process, which takes it over if the file
    // has not changed since (parked_files.cpp).
    static void Close(CompoundFile* file);

    // Commits what is pending; a failure leaves the last committed state.
    ~CompoundFile();
    CompoundFile(const CompoundFile&) = delete;
    CompoundFile& operator=(const CompoundFile&) = delete;

    bool writable() const { return writable_; }
    // An element found through FindChild or Children (the root always).
    const Entry& entry(uint32_t id) const { return At(id); }

    // The child of storage with this name: kNoStream when there is none.
    // A damaged directory is STG_E_DOCFILECORRUPT.
    HRESULT FindChild(uint32_t storage, std::u16string_view name, uint32_t* id);
    // The elements of storage in sibling order.
    HRESULT Children(uint32_t storage, std::vector<uint32_t>* ids);
    // Lists every storage at or below id, as removing or emptying it needs.
    HRESULT ListBelow(uint32_t id);

    // Adds an empty stream or storage to storage; the name must be valid and
    // unused.
    HRESULT AddElement(uint32_t storage, std::u16string_view name, uint8_t type, uint32_t* id);
    // Empties an element and makes it a stream or storage of the same name.
    HRESULT ResetElement(uint32_t id, uint8_t type);
    // Removes an element and everything below it.
    HRESULT DestroyElement(uint32_t id);
    // Renames an element; the new name must be valid and unused.
    HRESULT RenameElement(uint32_t id, std::u16string_view name);
    void SetClass(uint32_t id, const GUID& clsid);

    // The units of a stream, checked against the tables: a chain that loops,
    // leaves the file or ends early is STG_E_DOCFILECORRUPT.
    HRESULT LocateStream(uint32_t id, StreamExtents* extents) const;
    // Reads length bytes at position of a located stream (within its size).
    HRESULT ReadStream(const StreamExtents& extents, uint64_t position, void* buffer, size_t length) const;
    // Gives a stream new contents, written to free sectors at once.
    HRESULT WriteStream(uint32_t id, const std::vector<uint8_t>& data);

    // Makes every change so far durable in one step. After a failure the file
    // keeps its last committed state and this object refuses further changes.
    HRESULT Commit();
    bool HasPendingChanges() const { return pending_; }

    // Elements held open by a stream or storage object. IsOpenBelow looks
    // through the storages ListBelow has listed.
    bool IsOpenBelow(uint32_t id) const;
    void MarkOpen(uint32_t id) { open_.push_back(id); }
    void MarkClosed(uint32_t id) {
        auto it = std::find(open_.begin(), open_.end(), id);
        if (it != open_.end()) open_.erase(it);
    }
    bool IsOpen(uint32_t id) const { return std::find(open_.begin(), open_.end(), id) != open_.end(); }

private:
    explicit CompoundFile(std::unique_ptr<LockedFile> file, bool writable)
        : file_(std::move(file)), writable_(writable) {}

    // The state a commit of this process left behind, when the locked file
    // still holds exactly that state; null otherwise.
    static std::unique_ptr<CompoundFile> TakeParked(const LockedFile& file);
    static void Park(std::unique_ptr<CompoundFile> file);
    // Gives the root entry a modified time later than the one it has, so
    // that every commit leaves a mark that a kept state is checked against.
    void StampRoot();

    HRESULT InitializeEmpty();
    HRESULT Load();
    HRESULT LoadFatLocations();
    // Reads whole sectors into out, one read per run of adjacent sectors.
    HRESULT ReadSectors(const uint32_t* sectors, size_t count, void* out) const;
    HRESULT LoadDirectory();
    // Marks the sectors that hold the tables and the directory; a sector
    // that two of them claim is STG_E_DOCFILECORRUPT.
    HRESULT MarkMetadataSectors() const;
    // Whether a chain of the FAT (a stream's, or the mini stream's when the
    // file is loaded) runs through one of those sectors.
    bool SharesMetadataSector(const std::vector<uint32_t>& chain) const;
    // Directory entries per sector are 1 << DirEntryShift() (128-byte entries).
    unsigned DirEntryShift() const { return shift_ - 7; }
    Entry& At(uint32_t id) const {
        return dirPages_[id >> DirEntryShift()][id & ((1u << DirEntryShift()) - 1)];
    }
    uint32_t EntryCount() const { return static_cast<uint32_t>(dirPages_.size() << DirEntryShift()); }
    // Reads the directory sector that holds id, if not read yet, with the
    // neighbours that lie next to it in the file.
    HRESULT ReadEntry(uint32_t id) const {
        return id < EntryCount() && dirPages_[id >> DirEntryShift()] ? S_OK : ReadEntryPage(id);
    }
    HRESULT ReadEntryPage(uint32_t id) const;
    // Reads an element reached from storage's sibling tree and checks that it
    // can be there.
    HRESULT ReadTreeEntry(uint32_t storage, uint32_t id) const;
    HRESULT ListChildren(uint32_t storage);

    uint64_t SectorOffset(uint32_t sector) const { return (uint64_t{sector} + 1) << shift_; }
    uint32_t FileSectors() const;
    uint32_t EntriesPerSector() const { return sectorSize_ / 4; }
    uint32_t DirEntriesPerSector() const { return sectorSize_ / kDirEntrySize; }
    uint32_t DifatEntriesPerSector() const { return sectorSize_ / 4 - 1; }

    // The FAT or mini FAT entry of a unit, its chunk read first if need be.
    // A chunk that cannot be read reads as chain ends: nothing is allocated
    // or freed there and chains through it are corrupt.
    uint32_t Fat(uint32_t sector) const {
        if (!fat_.IsRead(sector)) ReadTableChunk(false, sector >> ChunkedTable::kChunkShift);
        return fat_.entries[sector];
    }
    uint32_t MiniFat(uint32_t mini) const {
        if (!miniFat_.IsRead(mini)) ReadTableChunk(true, mini >> ChunkedTable::kChunkShift);
        return miniFat_.entries[mini];
    }
    void ReadTableChunk(bool mini, size_t chunk) const;
    // The first unit at or after from that is free in the chunks read so far
    // (the chunk at the end of the table is read for this), or the table's
    // size.
    uint32_t FindFreeUnit(bool mini, uint32_t from);

    // Follows a chain of the FAT (or, with mini, of the mini FAT) from start.
    // With needed set, stops after that many units; else at the end of chain.
    HRESULT WalkChain(bool mini, uint32_t start, uint64_t needed, bool untilEnd,
                      std::vector<uint32_t>* chain) const;
    uint64_t MiniSectorOffset(uint32_t mini) const;

    // Working-state table changes; the committed value is remembered.
    void SetFat(uint32_t sector, uint32_t value);
    void SetMiniFat(uint32_t mini, uint32_t value);
    uint32_t CommittedFat(uint32_t sector) const;
    uint32_t CommittedMiniFat(uint32_t mini) const;
    bool IsFresh(uint32_t sector) const;
    uint32_t AllocateSector();
    uint32_t AllocateMiniSector();
    void FreeChain(bool mini, uint32_t start, uint64_t size);
    void FreeElementData(uint32_t id);
    uint32_t NewEntryId();
    void MarkEntryDirty(uint32_t id) { dirtyDir_.insert(id / DirEntriesPerSector()); }
    void InsertChild(uint32_t storage, uint32_t id);
    void RemoveChild(uint32_t id);

    void RebuildTrees();
    uint32_t BuildTree(const std::vector<uint32_t>& ids, size_t lo, size_t hi, unsigned depth,
                       unsigned redDepth);
    void TrimMiniStream();
    void RelocateChainSector(std::vector<uint32_t>& chain, size_t index, uint32_t* first);
    void RelocateMetadata();
    HRESULT WriteMetadata();
    void EncodeHeader(Header* header) const;

    std::unique_ptr<LockedFile> file_;
    bool writable_;
    HRESULT failure_ = S_OK;  // the write that failed; no changes after it
    mutable bool pending_ = false;  // mutable: reading a FAT chunk may correct marks
    Header header_{};
    unsigned shift_ = kVersion3SectorShift;
    uint32_t sectorSize_ = 1u << kVersion3SectorShift;

    mutable ChunkedTable fat_;
    // Writable files: where the file keeps its FAT and DIFAT sectors, and the
    // mark each must carry, in sector order; a chunk read with a wrong mark is
    // corrected.
    std::vector<std::pair<uint32_t, uint32_t>> tableMarks_;
    std::vector<uint32_t> fatSectors_;    // location of each FAT sector
    std::vector<uint32_t> difatSectors_;  // location of each DIFAT sector
    std::vector<uint32_t> dirChain_;
    mutable ChunkedTable miniFat_;
    std::vector<uint32_t> miniFatChain_;
    std::vector<uint32_t> miniStreamChain_;
    // The sectors of the tables and the directory. A stream's sectors may
    // not be among them: a hostile chain through the directory would hand
    // out its bytes as the stream's, and freeing the stream would free them
    // under the directory. Marked again, after a commit moved them, when
    // next needed; the mini stream, often the largest chain, is checked
    // against them only when the file is loaded, to keep that cheap.
    mutable std::vector<bool> metadataSectors_;
    mutable bool metadataMoved_ = false;
    // One page of entries per directory sector; null until read.
    mutable std::vector<std::unique_ptr<Entry[]>> dirPages_;
    mutable uint32_t treeWalk_ = 0;

    // Committed values of table entries changed since the last commit.
    std::unordered_map<uint32_t, uint32_t> fatCommitted_;
    std::unordered_map<uint32_t, uint32_t> miniFatCommitted_;
    size_t committedFatSize_ = 0;
    size_t committedMiniFatSize_ = 0;
    uint32_t sectorHint_ = 0;
    uint32_t miniHint_ = 0;
    uint32_t entryHint_ = 1;

    mutable std::set<uint32_t> dirtyFat_;  // FAT sector indexes
    std::set<uint32_t> dirtyDifat_;    // DIFAT sector indexes
    std::set<uint32_t> dirtyDir_;      // directory chain indexes
    std::set<uint32_t> dirtyMiniFat_;  // mini FAT chain indexes
    std::set<uint32_t> dirtyTrees_;    // storages whose sibling tree changes

    std::vector<uint32_t> open_;  // a handful at a time
    // Visit marks for chain walks: a unit is visited when its mark equals the
    // current walk's number.
    mutable std::vector<uint32_t> visits_;
    mutable std::vector<uint32_t> miniVisits_;
    mutable uint32_t walk_ = 0;
    // Scratch space of chain walks and tree listings, kept so that their
    // results are copied out with one allocation.
    mutable std::vector<uint32_t> chainScratch_;
    mutable std::vector<StreamExtents::Run> runScratch_;
    // Where FindChild looks first: the sibling after the one it found last,
    // as elements are mostly opened in sibling order.
    mutable uint32_t findStorage_ = kNoStream;
    mutable size_t findNext_ = 0;
};

}  // namespace vek::compound
