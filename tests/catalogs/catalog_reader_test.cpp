// Catalog files written element by element, as another writer might leave
// them, and what Open makes of them.
#include <string>
#include <vector>

#include "catalog_fixture.h"

namespace vek::test {
namespace {

constexpr DWORD kReadWrite = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
constexpr DWORD kCreate = STGM_CREATE | kReadWrite;

// Builds a donor catalog file by hand.
class HandWrittenCatalog : public CatalogTest {
protected:
    void SetUp() override {
        ASSERT_EQ(StgCreateDocfile(DonorPath().c_str(), kCreate, 0, root_.put()), S_OK);
    }

    ComPtr<IStorage> Storage(IStorage* parent, const std::u16string& name) {
        ComPtr<IStorage> storage;
        EXPECT_EQ(parent->CreateStorage(name.c_str(), kReadWrite, 0, 0, storage.put()), S_OK);
        return storage;
    }

    void Stream(IStorage* parent, const std::u16string& name, const void* bytes, size_t size) {
        ComPtr<IStream> stream;
        ASSERT_EQ(parent->CreateStream(name.c_str(), kCreate, 0, 0, stream.put()), S_OK);
        ULONG written = 0;
        ASSERT_EQ(stream->Write(bytes, static_cast<ULONG>(size), &written), S_OK);
    }

    void GlobalRecord(const std::u16string& storageName, const DONOR_CHARACTERISTICS& donor) {
        auto storage = Storage(root_.get(), storageName);
        Stream(storage.get(), u"DONOR_CHARACTERISTICS_V1", &donor, sizeof donor);
    }

    // Releases the file so that a catalog can open it.
    void Close() { root_.reset(); }

    std::vector<uint32_t> OpenAndList(CVekDonorConfig& catalog, HRESULT expected = S_OK) {
        Close();
        EXPECT_EQ(catalog.Open(), expected);
        std::vector<uint32_t> ids;
        VEK_DONOR_ARRAY donors = {};
        if (catalog.GetDonor(&donors) != S_OK) return ids;
        for (uint32_t i = 0; i < donors.Count; ++i) ids.push_back(donors.Donors[i].DonorID);
        CoTaskMemFree(donors.Donors);
        return ids;
    }

    ComPtr<IStorage> root_;
};

TEST_F(HandWrittenCatalog, RootHoldingAStreamStopsTheReadAndKeepsTheDonorsBeforeIt) {
    GlobalRecord(u"5", Donor(5));
    GlobalRecord(u"100", Donor(100));
    const char junk[] = "junk";
    Stream(root_.get(), u"ZZ", junk, sizeof junk);  // walked after "5", before "100"
    CVekDonorConfig catalog;
    EXPECT_TRUE(OpenAndList(catalog, E_FAIL).empty());  // closed: nothing is listed
    // The donors read before the stream are still held: a Create opens the
    // catalog with them (and an empty file).
    ASSERT_EQ(catalog.Create(), S_OK);
    VEK_DONOR_ARRAY donors = {};
    ASSERT_EQ(catalog.GetDonor(&donors), S_OK);
    ASSERT_EQ(donors.Count, 1u);
    EXPECT_EQ(donors.Donors[0].DonorID, 5u);
    CoTaskMemFree(donors.Donors);
}

TEST_F(HandWrittenCatalog, DonorStorageWithoutItsGlobalStreamIsSkippedAndTheRestIsRead) {
    GlobalRecord(u"1", Donor(1));
    auto odd = Storage(root_.get(), u"2");
    const char bytes[] = "other";
    Stream(odd.get(), u"OTHER_STREAM", bytes, sizeof bytes);
    odd.reset();
    GlobalRecord(u"3", Donor(3));
    CVekDonorConfig catalog;
    EXPECT_EQ(OpenAndList(catalog), (std::vector<uint32_t>{1u, 3u}));
}

TEST_F(HandWrittenCatalog, GlobalRecordIsKeyedByItsOwnIdAndPrinterRecordsByTheStorageName) {
    auto storage = Storage(root_.get(), u"40");
    const auto donor = Donor(41);
    Stream(storage.get(), u"DONOR_CHARACTERISTICS_V1", &donor, sizeof donor);
    auto printers = Storage(storage.get(), u"PRINTER_DONOR");
    const auto printer = PrinterDonor(u"Real-Model", u"p");
    Stream(printers.get(), u"Stream-Name", &printer, sizeof printer);
    printers.reset();
    storage.reset();
    CVekDonorConfig catalog;
    EXPECT_EQ(OpenAndList(catalog), (std::vector<uint32_t>{40u, 41u}));
    DONOR_CHARACTERISTICS read = {};
    ASSERT_EQ(catalog.GetDonorCharacteristics(41, &read), S_OK);
    EXPECT_EQ(BytesOf(read), BytesOf(donor));
    ASSERT_EQ(catalog.GetDonorCharacteristics(40, &read), S_OK);
    DONOR_CHARACTERISTICS empty = {};
    empty.DonorID = 40;
    EXPECT_EQ(BytesOf(read), BytesOf(empty));
    PRINTER_DONOR_CHARACTERISTICS readPrinter = {};
    EXPECT_EQ(catalog.GetPrinterDonorCharacteristics(40, u"Real-Model", &readPrinter), S_OK);
    EXPECT_EQ(catalog.GetPrinterDonorCharacteristics(40, u"Stream-Name", &readPrinter), E_FAIL);
}

TEST_F(HandWrittenCatalog, ShortStreamLeavesTheUnreadPartOfTheRecordZero) {
    auto storage = Storage(root_.get(), u"9");
    const auto donor = Donor(9, u"short");
    Stream(storage.get(), u"DONOR_CHARACTERISTICS_V1", &donor, 100);
    storage.reset();
    CVekDonorConfig catalog;
    EXPECT_EQ(OpenAndList(catalog), (std::vector<uint32_t>{9u}));
    DONOR_CHARACTERISTICS read = {};
    ASSERT_EQ(catalog.GetDonorCharacteristics(9, &read), S_OK);
    DONOR_CHARACTERISTICS expected = {};
    std::memcpy(&expected, &donor, 100);
    EXPECT_EQ(BytesOf(read), BytesOf(expected));
}

TEST_F(HandWrittenCatalog, StorageNameThatIsNotANumberReadsAsIdZero) {
    auto storage = Storage(root_.get(), u"abc");
    auto printers = Storage(storage.get(), u"ANY_NAME");
    const auto printer = PrinterDonor(u"M", u"m");
    Stream(printers.get(), u"M", &printer, sizeof printer);
    printers.reset();
    storage.reset();
    CVekDonorConfig catalog;
    EXPECT_EQ(OpenAndList(catalog), (std::vector<uint32_t>{0u}));
    PRINTER_DONOR_CHARACTERISTICS read = {};
    EXPECT_EQ(catalog.GetPrinterDonorCharacteristics(0, u"M", &read), S_OK);
}

TEST_F(HandWrittenCatalog, PrinterRecordsAreReadNewestFirstInReverseWalkOrder) {
    auto storage = Storage(root_.get(), u"1");
    auto printers = Storage(storage.get(), u"PRINTER_DONOR");
    const auto a = PrinterDonor(u"A", u"a");
    const auto bb = PrinterDonor(u"BB", u"bb");
    Stream(printers.get(), u"BB", &bb, sizeof bb);
    Stream(printers.get(), u"A", &a, sizeof a);
    printers.reset();
    storage.reset();
    CVekDonorConfig catalog;
    OpenAndList(catalog);
    uint32_t count = 0;
    PRINTER_DONOR_CHARACTERISTICS* records = nullptr;
    ASSERT_EQ(catalog.GetPrinterDonorCharacteristics(1, count, &records), S_OK);
    ASSERT_EQ(count, 2u);
    // Elements are walked in the file's name order ("A" before "BB").
    EXPECT_EQ(std::u16string(records[0].PrinterModel), u"BB");
    EXPECT_EQ(std::u16string(records[1].PrinterModel), u"A");
    CoTaskMemFree(records);
}

}  // namespace
}  // namespace vek::test
