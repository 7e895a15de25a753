#include <type_traits>
#include <vector>

#include "catalog_fixture.h"

// An instance owns its records alone: a copy would free them twice.
static_assert(!std::is_copy_constructible_v<CVekDonorConfig> && !std::is_copy_assignable_v<CVekDonorConfig>);
static_assert(!std::is_copy_constructible_v<CVekMediaConfig> && !std::is_copy_assignable_v<CVekMediaConfig>);

namespace vek::test {
namespace {

constexpr DWORD kReadWrite = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;

class DonorCatalog : public CatalogTest {
protected:
    void SetUp() override { ASSERT_EQ(catalog_.Create(), S_OK); }
    void SetDonors(std::initializer_list<uint32_t> ids) {
        for (uint32_t id : ids) {
            const auto donor = Donor(id);
            ASSERT_EQ(catalog_.SetDonorCharacteristics(&donor), S_OK);
        }
    }
    CVekDonorConfig catalog_;
};

TEST_F(DonorCatalog, ExtremeIdsAreNamedSignedAndListedAscendingUnsigned) {
    SetDonors({4294967295u, 0u, 2147483648u});
    EXPECT_EQ(ListedIds(catalog_), (std::vector<uint32_t>{0u, 2147483648u, 4294967295u}));
    const auto tree = Tree(DonorPath());
    for (const char* name : {"0", "-2147483648", "-1"})
        EXPECT_TRUE(tree.count(std::string(name) + "/DONOR_CHARACTERISTICS_V1")) << name;

    CVekDonorConfig reader;
    ASSERT_EQ(reader.Open(), S_OK);
    EXPECT_EQ(ListedIds(reader), (std::vector<uint32_t>{0u, 2147483648u, 4294967295u}));
    DONOR_CHARACTERISTICS read = {};
    ASSERT_EQ(reader.GetDonorCharacteristics(4294967295u, &read), S_OK);
    EXPECT_EQ(BytesOf(read), BytesOf(Donor(4294967295u)));
}

TEST_F(DonorCatalog, PrinterRecordWithoutGlobalRecordMakesAnEmptyOneThatASetReplacesKeepingTheRecord) {
    const auto printer = PrinterDonor(u"P-7", u"seven");
    ASSERT_EQ(catalog_.SetPrinterDonorCharacteristics(7, &printer), S_OK);
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass == 0 ? "before Refresh" : "after Refresh");
        VEK_DONOR_ARRAY donors = {};
        ASSERT_EQ(catalog_.GetDonor(&donors), S_OK);
        ASSERT_EQ(donors.Count, 1u);
        DONOR_ARRAY_ENTRY expected = {};
        expected.DonorID = 7;
        EXPECT_EQ(BytesOf(donors.Donors[0]), BytesOf(expected));
        CoTaskMemFree(donors.Donors);
        PRINTER_DONOR_CHARACTERISTICS read = {};
        ASSERT_EQ(catalog_.GetPrinterDonorCharacteristics(7, u"P-7", &read), S_OK);
        EXPECT_EQ(BytesOf(read), BytesOf(printer));
        ASSERT_EQ(catalog_.Refresh(), S_OK);
    }
    const auto tree = Tree(DonorPath());
    EXPECT_EQ(tree, (std::map<std::string, std::string>{{"7", "<storage>"},
                                                        {"7/PRINTER_DONOR", "<storage>"},
                                                        {"7/PRINTER_DONOR/P-7", AsString(BytesOf(printer))}}));
    const auto global = Donor(7, u"second");
    ASSERT_EQ(catalog_.SetDonorCharacteristics(&global), S_OK);
    EXPECT_EQ(ListedIds(catalog_), (std::vector<uint32_t>{7u}));
    DONOR_CHARACTERISTICS read = {};
    ASSERT_EQ(catalog_.GetDonorCharacteristics(7, &read), S_OK);
    EXPECT_EQ(std::u16string(read.Text), u"second");
    PRINTER_DONOR_CHARACTERISTICS readPrinter = {};
    EXPECT_EQ(catalog_.GetPrinterDonorCharacteristics(7, u"P-7", &readPrinter), S_OK);
}

TEST_F(DonorCatalog, ModelThatCannotNameAStreamStaysInMemoryButNeverTouchesTheFile) {
    const auto before = ReadFileBytes(DonorPath());
    const auto longModel = PrinterDonor(std::u16string(32, u'L'), u"long");
    const auto fortyModel = PrinterDonor(std::u16string(40, u'F'), u"forty");
    const auto slash = PrinterDonor(u"A/B", u"x");
    for (const auto* bad : {&longModel, &fortyModel, &slash})
        EXPECT_EQ(catalog_.SetPrinterDonorCharacteristics(1, bad), E_FAIL);
    EXPECT_EQ(ReadFileBytes(DonorPath()), before);
    PRINTER_DONOR_CHARACTERISTICS read = {};
    EXPECT_EQ(catalog_.GetPrinterDonorCharacteristics(1, longModel.PrinterModel, &read), S_OK);
    const auto fits = PrinterDonor(std::u16string(31, u'S'), u"fits");
    EXPECT_EQ(catalog_.SetPrinterDonorCharacteristics(1, &fits), S_OK);

    ASSERT_EQ(catalog_.Refresh(), S_OK);
    EXPECT_EQ(catalog_.GetPrinterDonorCharacteristics(1, longModel.PrinterModel, &read), E_FAIL);
    EXPECT_EQ(catalog_.GetPrinterDonorCharacteristics(1, fortyModel.PrinterModel, &read), E_FAIL);
    EXPECT_EQ(catalog_.GetPrinterDonorCharacteristics(1, fits.PrinterModel, &read), S_OK);
}

TEST_F(DonorCatalog, NewestPrinterRecordFirstReplacedOneKeepsItsPlaceUnknownDonorHasNone) {
    const auto a1 = PrinterDonor(u"A", u"a1");
    const auto b = PrinterDonor(u"B", u"b");
    const auto a2 = PrinterDonor(u"A", u"a2");
    for (const auto* record : {&a1, &b, &a2}) ASSERT_EQ(catalog_.SetPrinterDonorCharacteristics(9, record), S_OK);
    uint32_t count = 0;
    PRINTER_DONOR_CHARACTERISTICS* records = nullptr;
    ASSERT_EQ(catalog_.GetPrinterDonorCharacteristics(9, count, &records), S_OK);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(BytesOf(records[0]), BytesOf(b));
    EXPECT_EQ(BytesOf(records[1]), BytesOf(a2));
    CoTaskMemFree(records);

    count = 5;
    records = reinterpret_cast<PRINTER_DONOR_CHARACTERISTICS*>(&count);
    EXPECT_EQ(catalog_.GetPrinterDonorCharacteristics(404, count, &records), S_OK);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(records, nullptr);
}

TEST_F(DonorCatalog, PotentialDonorsMatchTheModelExactlyInAscendingOrder) {
    SetDonors({20u, 10u, 30u});
    const auto at20 = PrinterDonor(u"P-200", u"twenty");
    const auto at10 = PrinterDonor(u"P-200", u"ten");
    const auto other = PrinterDonor(u"P-300", u"other");
    ASSERT_EQ(catalog_.SetPrinterDonorCharacteristics(20, &at20), S_OK);
    ASSERT_EQ(catalog_.SetPrinterDonorCharacteristics(10, &other), S_OK);
    ASSERT_EQ(catalog_.SetPrinterDonorCharacteristics(10, &at10), S_OK);

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
    auto donor = Donor(4, std::u16string(VEK_CATALOG_TEXT_UNITS, u'T'));
    std::memset(donor.Reserved, 0xAB, sizeof donor.Reserved);
    ASSERT_EQ(catalog_.SetDonorCharacteristics(&donor), S_OK);
    EXPECT_EQ(Tree(DonorPath()).at("4/DONOR_CHARACTERISTICS_V1"), AsString(BytesOf(donor)));
    DONOR_CHARACTERISTICS read = {};
    ASSERT_EQ(catalog_.GetDonorCharacteristics(4, &read), S_OK);
    EXPECT_EQ(BytesOf(read), BytesOf(Donor(4, std::u16string(VEK_CATALOG_TEXT_UNITS, u'T'))));
    VEK_DONOR_ARRAY donors = {};
    ASSERT_EQ(catalog_.GetDonor(&donors), S_OK);
    ASSERT_EQ(donors.Count, 1u);
    EXPECT_EQ(std::u16string(donors.Donors[0].Text, VEK_CATALOG_TEXT_UNITS), std::u16string(donor.Text, VEK_CATALOG_TEXT_UNITS));
    EXPECT_EQ(donors.Donors[0].Value2, 22);
    CoTaskMemFree(donors.Donors);
}

TEST_F(DonorCatalog, DeletingADonorRemovesItsStorageWithItsPrinterRecordsButOnlyWhenHeldInMemory) {
    CVekDonorConfig other;
    ASSERT_EQ(other.Open(), S_OK);
    const auto elsewhere = Donor(8);
    ASSERT_EQ(other.SetDonorCharacteristics(&elsewhere), S_OK);
    EXPECT_EQ(catalog_.DeleteDonorCharacteristics(8), E_FAIL);  // not in this instance's memory

    SetDonors({2u});
    const auto printer = PrinterDonor(u"M", u"m");
    ASSERT_EQ(catalog_.SetPrinterDonorCharacteristics(2, &printer), S_OK);
    ASSERT_EQ(catalog_.SetPrinterDonorCharacteristics(3, &printer), S_OK);
    ASSERT_EQ(catalog_.DeletePrinterDonorCharacteristics(3, u"M"), S_OK);
    ASSERT_EQ(catalog_.DeleteDonorCharacteristics(2), S_OK);
    EXPECT_EQ(catalog_.DeleteDonorCharacteristics(2), E_FAIL);
    const auto tree = Tree(DonorPath());
    EXPECT_TRUE(tree.count("8/DONOR_CHARACTERISTICS_V1"));
    EXPECT_EQ(tree.count("2"), 0u);
    EXPECT_EQ(tree.count("3/PRINTER_DONOR/M"), 0u);
    EXPECT_EQ(ListedIds(catalog_), (std::vector<uint32_t>{3u}));
}

TEST_F(DonorCatalog, RemovalMissingFromTheFileIsKeptInMemoryWithTheStorageStatus) {
    const auto printer = PrinterDonor(u"M", u"m");
    ASSERT_EQ(catalog_.SetPrinterDonorCharacteristics(6, &printer), S_OK);
    CVekDonorConfig replacer;
    ASSERT_EQ(replacer.Create(), S_OK);  // the file no longer holds donor 6
    EXPECT_EQ(catalog_.DeletePrinterDonorCharacteristics(6, u"M"), STG_E_FILENOTFOUND);
    PRINTER_DONOR_CHARACTERISTICS read = {};
    EXPECT_EQ(catalog_.GetPrinterDonorCharacteristics(6, u"M", &read), E_FAIL);
    EXPECT_EQ(catalog_.DeleteDonorCharacteristics(6), STG_E_FILENOTFOUND);
    EXPECT_TRUE(Tree(DonorPath()).empty());
}

TEST_F(DonorCatalog, TwoInstancesOnOneFileKeepEachOthersRecordsAndSeeThemOnRefresh) {
    EXPECT_EQ(catalog_.Open(), E_FAIL);  // already open
    EXPECT_EQ(catalog_.Create(), E_FAIL);
    CVekDonorConfig other;
    ASSERT_EQ(other.Open(), S_OK);
    const auto mine = Donor(1);
    const auto theirs = Donor(2);
    const auto theirPrinter = PrinterDonor(u"X", u"x");
    ASSERT_EQ(catalog_.SetDonorCharacteristics(&mine), S_OK);
    ASSERT_EQ(other.SetDonorCharacteristics(&theirs), S_OK);
    ASSERT_EQ(other.SetPrinterDonorCharacteristics(1, &theirPrinter), S_OK);
    // Each instance sees only its own changes until it refreshes.
    EXPECT_EQ(ListedIds(catalog_), (std::vector<uint32_t>{1u}));
    EXPECT_EQ(ListedIds(other), (std::vector<uint32_t>{1u, 2u}));
    ASSERT_EQ(catalog_.Refresh(), S_OK);
    EXPECT_EQ(ListedIds(catalog_), (std::vector<uint32_t>{1u, 2u}));
    DONOR_CHARACTERISTICS read = {};
    ASSERT_EQ(catalog_.GetDonorCharacteristics(1, &read), S_OK);
    EXPECT_EQ(BytesOf(read), BytesOf(mine));
}

TEST_F(DonorCatalog, FileHeldByAnotherOpenerFailsAtOnceAndIsNotReplaced) {
    SetDonors({1u});
    ComPtr<IStorage> holder;
    ASSERT_EQ(StgOpenStorage(DonorPath().c_str(), nullptr, kReadWrite, nullptr, 0, holder.put()), S_OK);
    CVekDonorConfig blocked;
    EXPECT_EQ(blocked.Open(), STG_E_LOCKVIOLATION);
    const auto second = Donor(2);
    EXPECT_EQ(catalog_.SetDonorCharacteristics(&second), STG_E_LOCKVIOLATION);
    EXPECT_EQ(ListedIds(catalog_), (std::vector<uint32_t>{1u, 2u}));
    holder.reset();
    const auto tree = Tree(DonorPath());
    EXPECT_TRUE(tree.count("1/DONOR_CHARACTERISTICS_V1"));
    EXPECT_FALSE(tree.count("2"));
}

TEST_F(DonorCatalog, DamagedFileIsNeitherReadNorReplacedByASet) {
    SetDonors({1u});
    std::string damaged = ReadFileBytes(DonorPath());
    ASSERT_GT(damaged.size(), 512u);
    std::memset(damaged.data(), 'X', 512);  // the header is gone
    WriteFileBytes(DonorPath(), damaged);

    CVekDonorConfig reader;
    const HRESULT opened = reader.Open();
    EXPECT_TRUE(FAILED(opened));
    VEK_DONOR_ARRAY donors = {};
    EXPECT_EQ(reader.GetDonor(&donors), E_FAIL);
    const auto second = Donor(2);
    EXPECT_EQ(catalog_.SetDonorCharacteristics(&second), opened);
    const auto printer = PrinterDonor(u"M", u"m");
    EXPECT_EQ(catalog_.SetPrinterDonorCharacteristics(1, &printer), opened);
    EXPECT_EQ(ListedIds(catalog_), (std::vector<uint32_t>{1u, 2u}));
    EXPECT_EQ(ReadFileBytes(DonorPath()), damaged);
}

TEST_F(DonorCatalog, MissingFileIsCreatedByASetAndCreateEmptiesAnExistingOne) {
    std::filesystem::remove(FilePath(DonorPath()));
    SetDonors({1u});
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
    PRINTER_DONOR_CHARACTERISTICS printer = {};
    EXPECT_EQ(catalog.GetDonorCharacteristics(0, &record), E_FAIL);
    EXPECT_EQ(catalog.GetPrinterDonorCharacteristics(0, u"M", &printer), E_FAIL);
    uint32_t count = 0;
    PRINTER_DONOR_CHARACTERISTICS* printers = nullptr;
    EXPECT_EQ(catalog.GetPrinterDonorCharacteristics(0, count, &printers), E_FAIL);
    EXPECT_EQ(catalog.DeleteDonorCharacteristics(0), E_FAIL);
    EXPECT_EQ(catalog.DeletePrinterDonorCharacteristics(0, u"M"), E_FAIL);
    const auto donor = Donor(1);
    EXPECT_EQ(catalog.SetDonorCharacteristics(&donor), E_FAIL);
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
