#include <type_traits>
#include <vector>

#include "catalog_fixture.h"

// An instance owns its records alone: a copy would free them twice.
static_assert(!std::is_copy_constructible_v<CVekDonorConfig> && !std::is_copy_assignable_v<CVekDonorConfig>);
static_assert(!std::is_copy_constructible_v<CVekMediaConfig> && !std::is_copy_assignable_v<CVekMediaConfig>);

namespace vek::test {
namespace {

using Ids = std::vector<uint32_t>;

class DonorCatalog : public CatalogTest {
protected:
    void SetUp() override { ASSERT_EQ(catalog_.Create(), S_OK); }
    CVekDonorConfig catalog_;
};

TEST_F(DonorCatalog, ExtremeIdsAreNamedSignedAndListedAscendingUnsigned) {
    for (uint32_t id : {4294967295u, 0u, 2147483648u}) ASSERT_EQ(Set(catalog_, Donor(id)), S_OK);
    EXPECT_EQ(ListedIds(catalog_), (Ids{0u, 2147483648u, 4294967295u}));
    const auto tree = Tree(DonorPath());
    for (const char* name : {"0", "-2147483648", "-1"})
        EXPECT_TRUE(tree.count(std::string(name) + "/DONOR_CHARACTERISTICS_V1")) << name;

    CVekDonorConfig reader;
    ASSERT_EQ(reader.Open(), S_OK);
    EXPECT_EQ(ListedIds(reader), (Ids{0u, 2147483648u, 4294967295u}));
    DONOR_CHARACTERISTICS read = {};
    ASSERT_EQ(reader.GetDonorCharacteristics(4294967295u, &read), S_OK);
    EXPECT_EQ(BytesOf(read), BytesOf(Donor(4294967295u)));
}

TEST_F(DonorCatalog, PrinterRecordWithoutGlobalRecordMakesAnEmptyOneThatASetReplacesKeepingTheRecord) {
    const auto printer = PrinterDonor(u"P-7", u"seven");
    ASSERT_EQ(Set(catalog_, 7, printer), S_OK);
    for (const char* pass : {"before Refresh", "after Refresh"}) {
        SCOPED_TRACE(pass);
        VEK_DONOR_ARRAY donors = {};
        ASSERT_EQ(catalog_.GetDonor(&donors), S_OK);
        ASSERT_EQ(donors.Count, 1u);
        DONOR_ARRAY_ENTRY expected = {};
        expected.DonorID = 7;
        EXPECT_EQ(BytesOf(donors.Donors[0]), BytesOf(expected));
        CoTaskMemFree(donors.Donors);
        const auto records = PrinterRecordsOf(catalog_, 7);
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(BytesOf(records[0]), BytesOf(printer));
        ASSERT_EQ(catalog_.Refresh(), S_OK);
    }
    EXPECT_EQ(Tree(DonorPath()), (std::map<std::string, std::string>{{"7", "<storage>"},
                                                                     {"7/PRINTER_DONOR", "<storage>"},
                                                                     {"7/PRINTER_DONOR/P-7", AsString(BytesOf(printer))}}));
    ASSERT_EQ(Set(catalog_, Donor(7, u"second")), S_OK);
    EXPECT_EQ(ListedIds(catalog_), (Ids{7u}));
    DONOR_CHARACTERISTICS read = {};
    ASSERT_EQ(catalog_.GetDonorCharacteristics(7, &read), S_OK);
    EXPECT_EQ(std::u16string(read.Text), u"second");
    EXPECT_EQ(FindPrinter(catalog_, 7, u"P-7"), S_OK);
}

TEST_F(DonorCatalog, ModelThatCannotNameAStreamStaysInMemoryButNeverTouchesTheFile) {
    const auto before = ReadFileBytes(DonorPath());
    const std::u16string longModel(32, u'L'), fortyModel(40, u'F'), fits(31, u'S');
    for (const auto& bad : {longModel, fortyModel, std::u16string(u"A/B")})
        EXPECT_EQ(Set(catalog_, 1, PrinterDonor(bad, u"x")), E_FAIL) << Utf16ToUtf8(bad);
    EXPECT_EQ(ReadFileBytes(DonorPath()), before);
    const auto held = PrinterDonor(longModel, u"x");  // the model as the catalog keeps it
    EXPECT_EQ(FindPrinter(catalog_, 1, held.PrinterModel), S_OK);
    EXPECT_EQ(Set(catalog_, 1, PrinterDonor(fits, u"fits")), S_OK);

    ASSERT_EQ(catalog_.Refresh(), S_OK);
    EXPECT_EQ(FindPrinter(catalog_, 1, held.PrinterModel), E_FAIL);
    EXPECT_EQ(FindPrinter(catalog_, 1, PrinterDonor(fortyModel, u"x").PrinterModel), E_FAIL);
    EXPECT_EQ(FindPrinter(catalog_, 1, fits.c_str()), S_OK);
}

TEST_F(DonorCatalog, NewestPrinterRecordFirstReplacedOneKeepsItsPlaceUnknownDonorHasNone) {
    const auto b = PrinterDonor(u"B", u"b");
    const auto a2 = PrinterDonor(u"A", u"a2");
    for (const auto& record : {PrinterDonor(u"A", u"a1"), b, a2}) ASSERT_EQ(Set(catalog_, 9, record), S_OK);
    const auto records = PrinterRecordsOf(catalog_, 9);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(BytesOf(records[0]), BytesOf(b));
    EXPECT_EQ(BytesOf(records[1]), BytesOf(a2));

    uint32_t count = 5;
    auto* none = reinterpret_cast<PRINTER_DONOR_CHARACTERISTICS*>(&count);
    EXPECT_EQ(catalog_.GetPrinterDonorCharacteristics(404, count, &none), S_OK);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(none, nullptr);
}

TEST_F(DonorCatalog, PotentialDonorsMatchTheModelExactlyInAscendingOrder) {
    for (uint32_t id : {20u, 10u, 30u}) ASSERT_EQ(Set(catalog_, Donor(id)), S_OK);
    ASSERT_EQ(Set(catalog_, 20, PrinterDonor(u"P-200", u"twenty")), S_OK);
    ASSERT_EQ(Set(catalog_, 10, PrinterDonor(u"P-300", u"other")), S_OK);
    ASSERT_EQ(Set(catalog_, 10, PrinterDonor(u"P-200", u"ten")), S_OK);

    VEK_DONOR_ARRAY donors = {};
    ASSERT_EQ(catalog_.GetPotentialDonor(u"P-200", &donors), S_OK);
    ASSERT_EQ(donors.Count, 2u);
    EXPECT_EQ(donors.ByteSize, 2 * sizeof(DONOR_ARRAY_ENTRY));
    EXPECT_EQ(donors.Donors[0].DonorID, 10u);
    EXPECT_EQ(std::u16string(donors.Donors[0].PrinterText), u"ten");
    EXPECT_EQ(donors.Donors[1].DonorID, 20u);
    EXPECT_EQ(std::u16string(donors.Donors[1].PrinterText), u"twenty");
    EXPECT_EQ(donors.Donors[1].Value3, 33);
    CoTaskMemFree(donors.Donors);

    ASSERT_EQ(catalog_.GetPotentialDonor(u"p-200", &donors), S_OK);
    EXPECT_EQ(donors.Count, 0u);
    EXPECT_EQ(donors.ByteSize, 0u);
    EXPECT_EQ(donors.Donors, nullptr);
}

TEST_F(DonorCatalog, ReservedBytesReachTheFileButAreReturnedAsZeroAndFullTextIsListedWhole) {
    const std::u16string full(VEK_CATALOG_TEXT_UNITS, u'T');
    auto donor = Donor(4, full);
    std::memset(donor.Reserved, 0xAB, sizeof donor.Reserved);
    ASSERT_EQ(Set(catalog_, donor), S_OK);
    EXPECT_EQ(Tree(DonorPath()).at("4/DONOR_CHARACTERISTICS_V1"), AsString(BytesOf(donor)));
    DONOR_CHARACTERISTICS read = {};
    ASSERT_EQ(catalog_.GetDonorCharacteristics(4, &read), S_OK);
    EXPECT_EQ(BytesOf(read), BytesOf(Donor(4, full)));
    VEK_DONOR_ARRAY donors = {};
    ASSERT_EQ(catalog_.GetDonor(&donors), S_OK);
    ASSERT_EQ(donors.Count, 1u);
    EXPECT_EQ(std::u16string(donors.Donors[0].Text, VEK_CATALOG_TEXT_UNITS), full);
    EXPECT_EQ(donors.Donors[0].Value2, 22);
    CoTaskMemFree(donors.Donors);
}

TEST_F(DonorCatalog, DeletingADonorRemovesItsStorageWithItsPrinterRecordsButOnlyWhenHeldInMemory) {
    CVekDonorConfig other;
    ASSERT_EQ(other.Open(), S_OK);
    ASSERT_EQ(Set(other, Donor(8)), S_OK);
    EXPECT_EQ(catalog_.DeleteDonorCharacteristics(8), E_FAIL);  // not in this instance's memory

    const auto printer = PrinterDonor(u"M", u"m");
    ASSERT_EQ(Set(catalog_, Donor(2)), S_OK);
    ASSERT_EQ(Set(catalog_, 2, printer), S_OK);
    ASSERT_EQ(Set(catalog_, 3, printer), S_OK);
    ASSERT_EQ(catalog_.DeletePrinterDonorCharacteristics(3, u"M"), S_OK);
    ASSERT_EQ(catalog_.DeleteDonorCharacteristics(2), S_OK);
    EXPECT_EQ(catalog_.DeleteDonorCharacteristics(2), E_FAIL);
    const auto tree = Tree(DonorPath());
    EXPECT_TRUE(tree.count("8/DONOR_CHARACTERISTICS_V1"));
    EXPECT_EQ(tree.count("2"), 0u);
    EXPECT_EQ(tree.count("3/PRINTER_DONOR/M"), 0u);
    EXPECT_EQ(ListedIds(catalog_), (Ids{3u}));
}

TEST_F(DonorCatalog, RemovalMissingFromTheFileIsKeptInMemoryWithTheStorageStatus) {
    ASSERT_EQ(Set(catalog_, 6, PrinterDonor(u"M", u"m")), S_OK);
    CVekDonorConfig replacer;
    ASSERT_EQ(replacer.Create(), S_OK);  // the file no longer holds donor 6
    EXPECT_EQ(catalog_.DeletePrinterDonorCharacteristics(6, u"M"), STG_E_FILENOTFOUND);
    EXPECT_EQ(FindPrinter(catalog_, 6, u"M"), E_FAIL);
    EXPECT_EQ(catalog_.DeleteDonorCharacteristics(6), STG_E_FILENOTFOUND);
    EXPECT_TRUE(Tree(DonorPath()).empty());
}

TEST_F(DonorCatalog, TwoInstancesOnOneFileKeepEachOthersRecordsAndSeeThemOnRefresh) {
    EXPECT_EQ(catalog_.Open(), E_FAIL);  // already open
    EXPECT_EQ(catalog_.Create(), E_FAIL);
    CVekDonorConfig other;
    ASSERT_EQ(other.Open(), S_OK);
    const auto mine = Donor(1);
    ASSERT_EQ(Set(catalog_, mine), S_OK);
    ASSERT_EQ(Set(other, Donor(2)), S_OK);
    ASSERT_EQ(Set(other, 1, PrinterDonor(u"X", u"x")), S_OK);
    // Each instance sees only its own changes until it refreshes.
    EXPECT_EQ(ListedIds(catalog_), (Ids{1u}));
    EXPECT_EQ(ListedIds(other), (Ids{1u, 2u}));
    ASSERT_EQ(catalog_.Refresh(), S_OK);
    EXPECT_EQ(ListedIds(catalog_), (Ids{1u, 2u}));
    DONOR_CHARACTERISTICS read = {};
    ASSERT_EQ(catalog_.GetDonorCharacteristics(1, &read), S_OK);
    EXPECT_EQ(BytesOf(read), BytesOf(mine));
}

TEST_F(DonorCatalog, FileHeldByAnotherOpenerFailsAtOnceAndIsNotReplaced) {
    ASSERT_EQ(Set(catalog_, Donor(1)), S_OK);
    ComPtr<IStorage> holder;
    ASSERT_EQ(StgOpenStorage(DonorPath().c_str(), nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE, nullptr, 0,
                             holder.put()),
              S_OK);
    CVekDonorConfig blocked;
    EXPECT_EQ(blocked.Open(), STG_E_LOCKVIOLATION);
    EXPECT_EQ(Set(catalog_, Donor(2)), STG_E_LOCKVIOLATION);
    EXPECT_EQ(ListedIds(catalog_), (Ids{1u, 2u}));
    holder.reset();
    const auto tree = Tree(DonorPath());
    EXPECT_TRUE(tree.count("1/DONOR_CHARACTERISTICS_V1"));
    EXPECT_FALSE(tree.count("2"));
}

TEST_F(DonorCatalog, DamagedFileIsNeitherReadNorReplacedByASet) {
    ASSERT_EQ(Set(catalog_, Donor(1)), S_OK);
    std::string damaged = ReadFileBytes(DonorPath());
    ASSERT_GT(damaged.size(), 512u);
    std::memset(damaged.data(), 'X', 512);  // the header is gone
    std::ofstream(FilePath(DonorPath()), std::ios::binary | std::ios::trunc) << damaged;

    CVekDonorConfig reader;
    const HRESULT opened = reader.Open();
    EXPECT_TRUE(FAILED(opened));
    VEK_DONOR_ARRAY donors = {};
    EXPECT_EQ(reader.GetDonor(&donors), E_FAIL);
    EXPECT_EQ(Set(catalog_, Donor(2)), opened);
    EXPECT_EQ(Set(catalog_, 1, PrinterDonor(u"M", u"m")), opened);
    EXPECT_EQ(ListedIds(catalog_), (Ids{1u, 2u}));
    EXPECT_EQ(ReadFileBytes(DonorPath()), damaged);
}

TEST_F(DonorCatalog, MissingFileIsCreatedByASetAndCreateEmptiesAnExistingOne) {
    std::filesystem::remove(FilePath(DonorPath()));
    ASSERT_EQ(Set(catalog_, Donor(1)), S_OK);
    EXPECT_TRUE(Tree(DonorPath()).count("1/DONOR_CHARACTERISTICS_V1"));
    CVekDonorConfig fresh;
    ASSERT_EQ(fresh.Create(), S_OK);
    EXPECT_TRUE(ListedIds(fresh).empty());
    EXPECT_TRUE(Tree(DonorPath()).empty());
}

TEST_F(CatalogTest, ClosedCatalogsRefuseEverythingDonorsEmptyingTheListingMediaLeavingIt) {
    CVekDonorConfig catalog;
    EXPECT_EQ(catalog.Open(), STG_E_FILENOTFOUND);  // a missing file leaves it closed
    DONOR_ARRAY_ENTRY entry = {};
    VEK_DONOR_ARRAY donors = {7, 1, &entry};
    EXPECT_EQ(catalog.GetDonor(&donors), E_FAIL);
    EXPECT_EQ(donors.ByteSize, 0u);
    EXPECT_EQ(donors.Count, 0u);
    EXPECT_EQ(donors.Donors, nullptr);
    donors = {7, 1, &entry};
    EXPECT_EQ(catalog.GetPotentialDonor(u"M", &donors), E_FAIL);
    EXPECT_EQ(donors.Donors, &entry);
    DONOR_CHARACTERISTICS record = {};
    EXPECT_EQ(catalog.GetDonorCharacteristics(0, &record), E_FAIL);
    EXPECT_EQ(FindPrinter(catalog, 0, u"M"), E_FAIL);
    uint32_t count = 0;
    PRINTER_DONOR_CHARACTERISTICS* printers = nullptr;
    EXPECT_EQ(catalog.GetPrinterDonorCharacteristics(0, count, &printers), E_FAIL);
    EXPECT_EQ(catalog.DeleteDonorCharacteristics(0), E_FAIL);
    EXPECT_EQ(catalog.DeletePrinterDonorCharacteristics(0, u"M"), E_FAIL);
    EXPECT_EQ(Set(catalog, Donor(1)), E_FAIL);
    EXPECT_FALSE(std::filesystem::exists(FilePath(DonorPath())));

    CVekMediaConfig media;
    MEDIA_ARRAY_ENTRY mediaEntry = {};
    VEK_MEDIA_ARRAY listing = {5, 1, &mediaEntry};
    EXPECT_EQ(media.GetMedia(&listing), E_FAIL);
    EXPECT_EQ(listing.ByteSize, 5u);
    EXPECT_EQ(listing.Count, 1u);
    EXPECT_EQ(listing.Media, &mediaEntry);
    EXPECT_EQ(media.GetPotentialMedia(u"M", &listing), E_FAIL);
    EXPECT_EQ(listing.Media, &mediaEntry);
    const auto medium = Medium(1);
    EXPECT_EQ(media.SetMediaCharacteristics(&medium), E_FAIL);
}

}  // namespace
}  // namespace vek::test
