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
    void SetUp() override { ASSERT_EQ(StgCreateDocfile(DonorPath().c_str(), kCreate, 0, root_.put()), S_OK); }

    ComPtr<IStorage> Storage(IStorage* parent, const std::u16string& name) {
        ComPtr<IStorage> storage;
        EXPECT_EQ(parent->CreateStorage(name.c_str(), kReadWrite, 0, 0, storage.put()), S_OK);
        return storage;
    }
    template <class Record>
    void Stream(IStorage* parent, const std::u16string& name, const Record& record, size_t size = sizeof(Record)) {
        ComPtr<IStream> stream;
        ASSERT_EQ(parent->CreateStream(name.c_str(), kCreate, 0, 0, stream.put()), S_OK);
        ULONG written = 0;
        ASSERT_EQ(stream->Write(&record, static_cast<ULONG>(size), &written), S_OK);
    }
    // Releases the file, then opens it.
    HRESULT Open(CVekDonorConfig& catalog) {
        root_.reset();
        return catalog.Open();
    }

    ComPtr<IStorage> root_;
};

TEST_F(HandWrittenCatalog, RootHoldingAStreamStopsTheReadAndKeepsTheDonorsBeforeIt) {
    Stream(Storage(root_.get(), u"5").get(), u"DONOR_CHARACTERISTICS_V1", Donor(5));
    Stream(Storage(root_.get(), u"100").get(), u"DONOR_CHARACTERISTICS_V1", Donor(100));
    Stream(root_.get(), u"ZZ", "junk");  // walked after "5", before "100"
    CVekDonorConfig catalog;
    EXPECT_EQ(Open(catalog), E_FAIL);
    VEK_DONOR_ARRAY donors = {};
    EXPECT_EQ(catalog.GetDonor(&donors), E_FAIL);  // closed: nothing is listed
    // The donors read before the stream are still held: a Create opens the
    // catalog with them (and an empty file).
    ASSERT_EQ(catalog.Create(), S_OK);
    EXPECT_EQ(ListedIds(catalog), (std::vector<uint32_t>{5u}));
}

TEST_F(HandWrittenCatalog, EntriesAreReadByWhatTheyHoldNotByHowTheyAreNamed) {
    Stream(Storage(root_.get(), u"1").get(), u"DONOR_CHARACTERISTICS_V1", Donor(1));
    // Without its global stream the entry is skipped.
    Stream(Storage(root_.get(), u"2").get(), u"OTHER_STREAM", "other");
    // A short stream leaves the rest of the record zero.
    const auto shortDonor = Donor(9, u"short");
    Stream(Storage(root_.get(), u"9").get(), u"DONOR_CHARACTERISTICS_V1", shortDonor, 100);
    // The global record is keyed by its own id, printer records by the
    // storage name and their own model, not the stream name.
    auto forty = Storage(root_.get(), u"40");
    const auto donor = Donor(41);
    Stream(forty.get(), u"DONOR_CHARACTERISTICS_V1", donor);
    Stream(Storage(forty.get(), u"PRINTER_DONOR").get(), u"Stream-Name", PrinterDonor(u"Real-Model", u"p"));
    forty.reset();
    // A name that is not a number reads as id 0; its printer records come
    // newest first, in reverse walk order ("A" is walked before "BB").
    auto printers = Storage(Storage(root_.get(), u"abc").get(), u"ANY_NAME");
    Stream(printers.get(), u"BB", PrinterDonor(u"BB", u"bb"));
    Stream(printers.get(), u"A", PrinterDonor(u"A", u"a"));
    printers.reset();

    CVekDonorConfig catalog;
    ASSERT_EQ(Open(catalog), S_OK);
    EXPECT_EQ(ListedIds(catalog), (std::vector<uint32_t>{0u, 1u, 9u, 40u, 41u}));
    DONOR_CHARACTERISTICS read = {}, expected = {};
    ASSERT_EQ(catalog.GetDonorCharacteristics(9, &read), S_OK);
    std::memcpy(&expected, &shortDonor, 100);
    EXPECT_EQ(BytesOf(read), BytesOf(expected));
    ASSERT_EQ(catalog.GetDonorCharacteristics(41, &read), S_OK);
    EXPECT_EQ(BytesOf(read), BytesOf(donor));
    ASSERT_EQ(catalog.GetDonorCharacteristics(40, &read), S_OK);
    expected = {};
    expected.DonorID = 40;
    EXPECT_EQ(BytesOf(read), BytesOf(expected));
    EXPECT_EQ(FindPrinter(catalog, 40, u"Real-Model"), S_OK);
    EXPECT_EQ(FindPrinter(catalog, 40, u"Stream-Name"), E_FAIL);
    const auto records = PrinterRecordsOf(catalog, 0);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(std::u16string(records[0].PrinterModel), u"BB");
    EXPECT_EQ(std::u16string(records[1].PrinterModel), u"A");
}

}  // namespace
}  // namespace vek::test
