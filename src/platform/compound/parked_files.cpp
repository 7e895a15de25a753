// Keeping the state of a large file from one open to the next.
//
// A process that changes a large file in many short opens, one record at a
// time, would otherwise read the file's directory chain, mini FAT and mini
// stream chains, and with them most of its FAT, on every open. When the
// last user of a large file opened for writing lets go, its state after the
// final commit is parked here instead of being dropped; the next writable
// open of the same file in this process takes it over, provided the file
// still holds exactly that state.
//
// The check: the file's device, inode and birth time, its length and
// change times, its header and its root entry must all be as they were when
// the state was parked. Every commit gives the root entry a later modified
// time, so a change made in between by any process using this engine shows
// even when it leaves the header, the length and the (coarse) file times
// unchanged.
#include <chrono>
#include <cstring>
#include <list>
#include <mutex>

#include "platform/compound/compound_file.h"

namespace vek::compound {
namespace {

// A few files at a time: the catalogs and whatever large file is being
// worked on. Each holds its tables and the directory entries read so far.
constexpr size_t kParkedFiles = 4;

struct Parked {
    LockedFile::Identity identity;
    std::unique_ptr<CompoundFile> file;
};

std::mutex& ParkedLock() {
    static std::mutex lock;
    return lock;
}

// Most recently parked first. Never destroyed: a storage released by a
// static destructor at exit may still park its file.
std::list<Parked>& ParkedFiles() {
    static auto* files = new std::list<Parked>;
    return *files;
}

uint64_t FileTimeValue(const FILETIME& time) {
    return (uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

// 100-nanosecond intervals since 1601-01-01.
uint64_t FileTimeNow() {
    constexpr uint64_t kUnixEpoch = 116'444'736'000'000'000;
    const auto since1970 = std::chrono::system_clock::now().time_since_epoch();
    return kUnixEpoch + static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(since1970).count() / 100);
}

}  // namespace

void CompoundFile::StampRoot() {
    Entry& root = At(kRootId);
    const uint64_t stamp = std::max(FileTimeNow(), FileTimeValue(root.modified) + 1);
    root.modified.dwLowDateTime = static_cast<uint32_t>(stamp);
    root.modified.dwHighDateTime = static_cast<uint32_t>(stamp >> 32);
    MarkEntryDirty(kRootId);
}

void CompoundFile::Close(CompoundFile* file) {
    std::unique_ptr<CompoundFile> closing(file);
    if (closing->writable_ && closing->pending_) closing->Commit();
    const bool keep = closing->writable_ && SUCCEEDED(closing->failure_) && !closing->pending_ &&
                      closing->open_.empty() && !closing->file_->readWhole();
    if (keep) Park(std::move(closing));
}

void CompoundFile::Park(std::unique_ptr<CompoundFile> file) {
    Parked parked;
    if (FAILED(file->file_->Identify(&parked.identity))) return;
    // Closing the descriptor lets go of the lock: from here on, any process
    // may change the file, which the next open checks for.
    file->file_.reset();
    parked.file = std::move(file);
    // A state let go of is freed after the lock: freeing a large one takes
    // a while, and other threads' opens wait for the lock.
    std::unique_ptr<CompoundFile> dropped;
    std::lock_guard<std::mutex> hold(ParkedLock());
    std::list<Parked>& files = ParkedFiles();
    for (auto it = files.begin(); it != files.end(); ++it) {
        if (it->identity.device == parked.identity.device && it->identity.inode == parked.identity.inode) {
            dropped = std::move(it->file);
            files.erase(it);
            break;
        }
    }
    files.push_front(std::move(parked));
    if (files.size() > kParkedFiles) {
        dropped = std::move(files.back().file);
        files.pop_back();
    }
}

std::unique_ptr<CompoundFile> CompoundFile::TakeParked(const LockedFile& file) {
    if (file.readWhole()) return nullptr;
    LockedFile::Identity identity;
    if (FAILED(file.Identify(&identity))) return nullptr;
    std::unique_ptr<CompoundFile> parked;
    {
        std::lock_guard<std::mutex> hold(ParkedLock());
        std::list<Parked>& files = ParkedFiles();
        for (auto it = files.begin(); it != files.end(); ++it) {
            if (it->identity.device != identity.device || it->identity.inode != identity.inode) continue;
            // Taken out either way: a state that does not match is stale.
            if (it->identity == identity) parked = std::move(it->file);
            files.erase(it);
            break;
        }
    }
    if (!parked) return nullptr;
    Header header;
    if (FAILED(file.ReadAt(0, &header, sizeof header)) || std::memcmp(&header, &parked->header_, sizeof header) != 0)
        return nullptr;
    DirEntryRecord root;
    DirEntryRecord expected;
    EncodeEntry(parked->At(kRootId), parked->header_.majorVersion == kVersion3, &expected);
    if (FAILED(file.ReadAt(parked->SectorOffset(header.firstDirectorySector), &root, sizeof root)) ||
        std::memcmp(&root, &expected, sizeof root) != 0)
        return nullptr;
    return parked;
}

}  // namespace vek::compound
