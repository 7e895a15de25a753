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

    void ExpectRejected(const std::function<void(RawFile&)>& damage) {
        Listing listing;
        const HRESULT hr = ReadDamaged(damage, &listing);
        EXPECT_TRUE(IsStorageFailure(hr)) << std::hex << hr;
    }

    void ExpectTolerated(const std::function<void(RawFile&)>& damage) {
        Listing listing;
        ASSERT_EQ(ReadDamaged(damage, &listing), S_OK);
        EXPECT_EQ(listing, Expected(plan_));
    }

    TempHome home_;
    const std::string original_ = home_ / "original.cfg";
    const std::string damaged_ = home_ / "damaged.cfg";
    std::vector<Node> plan_;
};

TEST_F(DamagedFile, FatCycleInAStreamIsCorrupt) {
    ExpectRejected([](RawFile& raw) {
        const auto chain = raw.Chain(raw.Entry(raw.Find(u"big")).start);
        raw.Fat(chain.back()) = chain.front();
        raw.Fat(chain[3]) = chain[1];
    });
}

TEST_F(DamagedFile, FatChainShorterThanSizeIsCorrupt) {
    ExpectRejected([](RawFile& raw) { raw.Fat(raw.Chain(raw.Entry(raw.Find(u"big")).start)[5]) = kEndOfChain; });
}

TEST_F(DamagedFile, ChainLeavingTheFileIsCorrupt) {
    ExpectRejected([](RawFile& raw) { raw.Fat(raw.Chain(raw.Entry(raw.Find(u"big")).start)[2]) = 0x00FFFFF0; });
}

TEST_F(DamagedFile, MiniChainShorterThanSizeIsCorrupt) {
    ExpectRejected([](RawFile& raw) {
        const uint32_t miniFat = raw.header().firstMiniFatSector;
        auto* table = reinterpret_cast<uint32_t*>(&raw.bytes()[raw.SectorOffset(miniFat)]);
        table[raw.Entry(raw.Find(u"small")).start] = kEndOfChain;
    });
}

TEST_F(DamagedFile, SizeBeyondTheFileIsCorruptWithoutAllocatingIt) {
    ExpectRejected([](RawFile& raw) { raw.Entry(raw.Find(u"big")).sizeLow = 0x7FFFFFFF; });
}

TEST_F(DamagedFile, DirectoryCycleIsCorrupt) {
    ExpectRejected([](RawFile& raw) { raw.Entry(raw.Find(u"Sub")).child = 0; });
    ExpectRejected([](RawFile& raw) {
        const uint32_t sub = raw.Find(u"Sub");
        raw.Entry(sub).left = sub;
    });
}

TEST_F(DamagedFile, DamagedStorageIsCorruptWhereReachedAndChangesElsewhereStillLand) {
    // Elements are read as they are reached: a storage whose tree loops is
    // corrupt to whoever enters it, while the rest of the file stays usable.
    RawFile raw(original_);
    raw.Entry(raw.Find(u"inner")).left = raw.Find(u"inner");
    raw.Save(damaged_);
    IStorage* root = nullptr;
    ASSERT_EQ(StgOpenStorage(W(damaged_).c_str(), nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE, nullptr, 0, &root),
              S_OK);
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
    ASSERT_EQ(StgOpenStorage(W(damaged_).c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &reopened),
              S_OK);
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
    EXPECT_TRUE(IsStorageFailure(
        StgOpenStorage(W(damaged_).c_str(), nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE, nullptr, 0, &root)));
    EXPECT_EQ(root, nullptr);
    EXPECT_EQ(RawFile(damaged_).bytes(), raw.bytes());
}

TEST_F(DamagedFile, BadNameLengthIsCorrupt) {
    ExpectRejected([](RawFile& raw) { raw.Entry(raw.Find(u"small")).nameBytes = 0; });
    ExpectRejected([](RawFile& raw) { raw.Entry(raw.Find(u"small")).nameBytes = 66; });
}

TEST_F(DamagedFile, DifatCycleIsCorrupt) {
    ExpectRejected([](RawFile& raw) {
        const uint32_t loop = raw.Chain(raw.Entry(raw.Find(u"inner")).start)[10];
        raw.header().fatSectorCount = 109 + 127 + 1;
        raw.header().firstDifatSector = loop;
        auto* block = reinterpret_cast<uint32_t*>(&raw.bytes()[raw.SectorOffset(loop)]);
        block[127] = loop;
    });
}

TEST_F(DamagedFile, DirectoryChainLoopIsCorrupt) {
    ExpectRejected([](RawFile& raw) {
        const uint32_t first = raw.header().firstDirectorySector;
        raw.Fat(raw.Chain(first).back()) = first;
    });
}

TEST_F(DamagedFile, CutOffLastSectorIsCorrupt) {
    ExpectRejected([](RawFile& raw) { raw.bytes().resize(raw.bytes().size() - 512); });
}

TEST_F(DamagedFile, TruncationAtAnyLengthGivesAStatusNotACrash) {
    const size_t size = RawFile(original_).bytes().size();
    for (size_t length = 0; length < size; length += 509) {
        Listing listing;
        const HRESULT hr = ReadDamaged([&](RawFile& raw) { raw.bytes().resize(length); }, &listing);
        EXPECT_TRUE(hr == S_OK || IsStorageFailure(hr)) << length;
    }
}

TEST_F(DamagedFile, RandomByteDamageGivesAStatusNotACrash) {
    std::mt19937 random(42);
    const size_t size = RawFile(original_).bytes().size();
    for (int round = 0; round < 300; ++round) {
        Listing listing;
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

TEST_F(DamagedFile, ToleratesMinorVersionHeaderClassAndTrailingBytes) {
    ExpectTolerated([](RawFile& raw) {
        raw.header().minorVersion = 0x3B;
        raw.header().headerClsid[3] = 7;
        raw.bytes().append(100, 'j');
    });
}

TEST_F(DamagedFile, ToleratesStorageStartAndEmptyStreamStartZero) {
    ExpectTolerated([](RawFile& raw) {
        raw.Entry(raw.Find(u"Sub")).start = 5;
        raw.Entry(raw.Find(u"empty")).start = 0;
    });
}

TEST_F(DamagedFile, ToleratesStreamTimestampsClassAndHighSizeDword) {
    ExpectTolerated([](RawFile& raw) {
        auto& big = raw.Entry(raw.Find(u"big"));
        big.created = {1, 2};
        big.modified = {3, 4};
        big.clsid.Data1 = 9;
        big.sizeHigh = 1;
    });
}

TEST_F(DamagedFile, ToleratesRedRedAndUnbalancedTreesAndOtherRootName) {
    ExpectTolerated([](RawFile& raw) {
        for (uint32_t id = 1; id < raw.EntryCount(); ++id) raw.Entry(id).color = compound::kRed;
        auto& root = raw.Entry(0);
        std::memcpy(root.name, u"R", 4);
        root.nameBytes = 4;
    });
}

TEST_F(DamagedFile, WriterOnAChainEndingOnATableSectorKeepsEveryStream) {
    RawFile raw(original_);
    const auto chain = raw.Chain(raw.Entry(raw.Find(u"big")).start);
    raw.Fat(chain[chain.size() - 2]) = raw.header().difat[0];
    raw.Save(damaged_);
    IStorage* root = nullptr;
    ASSERT_EQ(StgOpenStorage(W(damaged_).c_str(), nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE, nullptr, 0, &root), S_OK);
    std::vector<Node> changes = {Stream("big", "short now")};
    for (int i = 0; i < 20; ++i) changes.push_back(Stream("more" + std::to_string(i), Pattern(5000, 50 + i)));
    ASSERT_EQ(WriteChildren(root, changes), S_OK);
    root->Release();
    plan_[1] = changes[0];
    plan_.insert(plan_.end(), changes.begin() + 1, changes.end());
    Listing listing;
    ASSERT_EQ(ReadTree(damaged_, &listing), S_OK);
    EXPECT_TRUE(listing == Expected(plan_));
}

TEST_F(DamagedFile, WritingToAToleratedFileLeavesAStrictFile) {
    RawFile raw(original_);
    raw.header().minorVersion = 0x3B;
    raw.Entry(raw.Find(u"empty")).start = 0;
    raw.Save(damaged_);
    IStorage* root = nullptr;
    ASSERT_EQ(StgOpenStorage(W(damaged_).c_str(), nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE, nullptr, 0, &root), S_OK);
    ASSERT_EQ(WriteChildren(root, {Stream("empty", "")}), S_OK);
    root->Release();
    RawFile written(damaged_);
    EXPECT_EQ(written.header().minorVersion, compound::kMinorVersion);
    EXPECT_EQ(written.Entry(written.Find(u"empty")).start, kEndOfChain);
}

}  // namespace
}  // namespace vek::test
