// Damaged and hostile files give a structured-storage failure status, never
// a crash, a hang or wrong bytes; harmless deviations found in real files
// read as if they were not there.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "compound/raw_file.h"
#include "compound/tree_io.h"
#include "support/temp_home.h"

namespace vek::test {
namespace {

using compound::kEndOfChain;

bool IsStorageFailure(HRESULT hr) { return (static_cast<uint32_t>(hr) & 0xFFFF0000u) == 0x80030000u; }

class DamagedFile : public ::testing::Test {
protected:
    void SetUp() override {
        plan_ = {Stream("small", Pattern(300, 1)), Stream("big", Pattern(9308, 2)), Stream("empty", ""),
                 Storage("Sub", {Stream("inner", Pattern(130000, 3))})};
        ASSERT_EQ(WriteTree(original_, plan_), S_OK);
    }

    // Damages a copy of the file and reads it whole.
    HRESULT ReadDamaged(const std::function<void(RawFile&)>& damage, Listing* listing) {
        RawFile raw(original_);
        damage(raw);
        raw.Save(damaged_);
        return ReadTree(damaged_, listing);
    }

    TempHome home_;
    const std::string original_ = home_ / "original.cfg";
    const std::string damaged_ = home_ / "damaged.cfg";
    std::vector<Node> plan_;
};

TEST_F(DamagedFile, BrokenChainsSizesNamesAndTreesAreCorrupt) {
    using Damage = void (*)(RawFile&);
    const std::pair<const char*, Damage> damages[] = {
        {"FAT cycle in a stream",
         [](RawFile& raw) {
             const auto chain = raw.Chain(raw.Entry(raw.Find(u"big")).start);
             raw.Fat(chain.back()) = chain.front();
             raw.Fat(chain[3]) = chain[1];
         }},
        {"FAT chain shorter than the size",
         [](RawFile& raw) { raw.Fat(raw.Chain(raw.Entry(raw.Find(u"big")).start)[5]) = kEndOfChain; }},
        {"chain leaving the file",
         [](RawFile& raw) { raw.Fat(raw.Chain(raw.Entry(raw.Find(u"big")).start)[2]) = 0x00FFFFF0; }},
        {"mini chain shorter than the size",
         [](RawFile& raw) {
             auto* table = reinterpret_cast<uint32_t*>(&raw.bytes()[raw.SectorOffset(raw.header().firstMiniFatSector)]);
             table[raw.Entry(raw.Find(u"small")).start] = kEndOfChain;
         }},
        // Rejected without allocating the size first.
        {"size beyond the file", [](RawFile& raw) { raw.Entry(raw.Find(u"big")).sizeLow = 0x7FFFFFFF; }},
        {"storage that is its own child", [](RawFile& raw) { raw.Entry(raw.Find(u"Sub")).child = 0; }},
        {"entry that is its own sibling",
         [](RawFile& raw) {
             const uint32_t sub = raw.Find(u"Sub");
             raw.Entry(sub).left = sub;
         }},
        {"name length 0", [](RawFile& raw) { raw.Entry(raw.Find(u"small")).nameBytes = 0; }},
        {"name length 66", [](RawFile& raw) { raw.Entry(raw.Find(u"small")).nameBytes = 66; }},
        {"DIFAT cycle",
         [](RawFile& raw) {
             const uint32_t loop = raw.Chain(raw.Entry(raw.Find(u"inner")).start)[10];
             raw.header().fatSectorCount = 109 + 127 + 1;
             raw.header().firstDifatSector = loop;
             reinterpret_cast<uint32_t*>(&raw.bytes()[raw.SectorOffset(loop)])[127] = loop;
         }},
        {"directory chain loop",
         [](RawFile& raw) {
             const uint32_t first = raw.header().firstDirectorySector;
             raw.Fat(raw.Chain(first).back()) = first;
         }},
        {"last sector cut off", [](RawFile& raw) { raw.bytes().resize(raw.bytes().size() - 512); }},
        // Sectors claimed twice: the directory's bytes must not be handed
        // out as a stream's, nor be freed with it.
        {"stream chain running on through the directory",
         [](RawFile& raw) {
             const auto chain = raw.Chain(raw.Entry(raw.Find(u"big")).start);
             const auto directory = raw.Chain(raw.header().firstDirectorySector);
             raw.Fat(chain[chain.size() - directory.size() - 1]) = directory.front();
         }},
        {"mini stream inside the directory",
         [](RawFile& raw) { raw.Entry(0).start = raw.header().firstDirectorySector; }},
    };
    for (const auto& [what, damage] : damages) {
        Listing listing;
        const HRESULT hr = ReadDamaged(damage, &listing);
        EXPECT_TRUE(IsStorageFailure(hr)) << what << ": " << std::hex << hr;
    }
}

TEST_F(DamagedFile, DamagedStorageIsCorruptWhereReachedAndChangesElsewhereStillLand) {
    // Elements are read as they are reached: a storage whose tree loops is
    // corrupt to whoever enters it, while the rest of the file stays usable.
    RawFile raw(original_);
    raw.Entry(raw.Find(u"inner")).left = raw.Find(u"inner");
    raw.Save(damaged_);
    IStorage* root = nullptr;
    ASSERT_EQ(OpenFile(damaged_, &root), S_OK);
    IStorage* sub = nullptr;
    ASSERT_EQ(root->OpenStorage(W("Sub").c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &sub), S_OK);
    IEnumSTATSTG* elements = nullptr;
    EXPECT_EQ(sub->EnumElements(0, nullptr, 0, &elements), STG_E_DOCFILECORRUPT);
    sub->Release();
    EXPECT_EQ(root->DestroyElement(W("Sub").c_str()), STG_E_DOCFILECORRUPT);
    const Node added = Stream("added", Pattern(5000, 9));
    ASSERT_EQ(WriteChildren(root, {added}), S_OK);
    root->Release();
    IStorage* reopened = nullptr;
    ASSERT_EQ(OpenFile(damaged_, &reopened, STGM_READ | STGM_SHARE_EXCLUSIVE), S_OK);
    EXPECT_EQ(ReadOne(reopened, "added"), added.bytes);
    EXPECT_EQ(ReadOne(reopened, "big"), plan_[1].bytes);
    reopened->Release();
}

TEST_F(DamagedFile, WritableOpenThatFailsLeavesTheFileByteForByte) {
    // Reading the allocation table corrects a table sector's wrong mark in
    // memory before the damaged root is met; the failed open must not write
    // that correction, or anything else, when it is dropped.
    RawFile raw(original_);
    raw.Fat(raw.header().difat[0]) = compound::kFreeSector;
    raw.Entry(compound::kRootId).type = compound::kTypeStorage;
    raw.Save(damaged_);
    IStorage* root = nullptr;
    EXPECT_TRUE(IsStorageFailure(OpenFile(damaged_, &root)));
    EXPECT_EQ(root, nullptr);
    EXPECT_EQ(RawFile(damaged_).bytes(), raw.bytes());
}

TEST_F(DamagedFile, TruncationAtAnyLengthOrRandomByteDamageGivesAStatusNotACrash) {
    const size_t size = RawFile(original_).bytes().size();
    Listing listing;
    for (size_t length = 0; length < size; length += 509) {
        const HRESULT hr = ReadDamaged([&](RawFile& raw) { raw.bytes().resize(length); }, &listing);
        EXPECT_TRUE(hr == S_OK || IsStorageFailure(hr)) << length;
    }
    std::mt19937 random(42);
    for (int round = 0; round < 300; ++round) {
        const HRESULT hr = ReadDamaged(
            [&](RawFile& raw) {
                for (int i = 0; i < 4; ++i) {
                    // Most damage in the header and metadata sectors at the end.
                    const size_t at = i % 2 ? random() % 512 : size - 1 - random() % 4096;
                    raw.bytes()[at] = static_cast<char>(random());
                }
            },
            &listing);
        EXPECT_TRUE(hr == S_OK || IsStorageFailure(hr)) << round;
    }
}

TEST_F(DamagedFile, HarmlessDeviationsOfRealFilesReadAsIfAbsent) {
    Listing listing;
    ASSERT_EQ(ReadDamaged(
                  [](RawFile& raw) {
                      raw.header().minorVersion = 0x3B;
                      raw.header().headerClsid[3] = 7;
                      raw.bytes().append(100, 'j');
                      raw.Entry(raw.Find(u"Sub")).start = 5;
                      raw.Entry(raw.Find(u"empty")).start = 0;
                      auto& big = raw.Entry(raw.Find(u"big"));
                      big.created = {1, 2};
                      big.modified = {3, 4};
                      big.clsid.Data1 = 9;
                      big.sizeHigh = 1;
                      for (uint32_t id = 1; id < raw.EntryCount(); ++id) raw.Entry(id).color = compound::kRed;
                      std::memcpy(raw.Entry(0).name, u"R", 4);
                      raw.Entry(0).nameBytes = 4;
                  },
                  &listing),
              S_OK);
    EXPECT_EQ(listing, Expected(plan_));
}

TEST_F(DamagedFile, WriterOnAChainEndingOnATableSectorKeepsEveryStream) {
    RawFile raw(original_);
    const auto chain = raw.Chain(raw.Entry(raw.Find(u"big")).start);
    raw.Fat(chain[chain.size() - 2]) = raw.header().difat[0];
    raw.Save(damaged_);
    std::vector<Node> changes = {Stream("big", "short now")};
    for (int i = 0; i < 20; ++i) changes.push_back(Stream("more" + std::to_string(i), Pattern(5000, 50 + i)));
    ASSERT_EQ(ChangeTree(damaged_, changes), S_OK);
    plan_[1] = changes[0];
    plan_.insert(plan_.end(), changes.begin() + 1, changes.end());
    EXPECT_TRUE(TreeOf(damaged_) == Expected(plan_));
}

TEST_F(DamagedFile, ReplacingAStreamWhoseChainRunsThroughTheDirectoryKeepsTheDirectory) {
    RawFile raw(original_);
    const auto chain = raw.Chain(raw.Entry(raw.Find(u"big")).start);
    const auto directory = raw.Chain(raw.header().firstDirectorySector);
    raw.Fat(chain[chain.size() - directory.size() - 1]) = directory.front();
    raw.Save(damaged_);
    // The directory sector the change leaves in place must stay allocated.
    const Node replaced = Stream("big", "short now");
    ASSERT_EQ(ChangeTree(damaged_, {replaced}), S_OK);
    plan_[1] = replaced;
    EXPECT_TRUE(TreeOf(damaged_) == Expected(plan_));
}

TEST_F(DamagedFile, WritingToAToleratedFileLeavesAStrictFile) {
    RawFile raw(original_);
    raw.header().minorVersion = 0x3B;
    raw.Entry(raw.Find(u"empty")).start = 0;
    raw.Save(damaged_);
    ASSERT_EQ(ChangeTree(damaged_, {Stream("empty", "")}), S_OK);
    RawFile written(damaged_);
    EXPECT_EQ(written.header().minorVersion, compound::kMinorVersion);
    EXPECT_EQ(written.Entry(written.Find(u"empty")).start, kEndOfChain);
}

}  // namespace
}  // namespace vek::test
