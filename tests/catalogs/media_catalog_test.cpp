#include <cstddef>
#include <vector>

#include "catalog_fixture.h"

namespace vek::test {
namespace {

class MediaCatalog : public CatalogTest {
protected:
    void SetUp() override { ASSERT_EQ(catalog_.Create(), S_OK); }
    CVekMediaConfig catalog_;
};

template <class T>
T At(const void* entry, size_t offset) {
    T value;
    std::memcpy(&value, static_cast<const BYTE*>(entry) + offset, sizeof value);
    return value;
}

TEST_F(MediaCatalog, ListingPutsTheGlobalValuesInTheEntrysOwnOrder) {
    const auto medium = Medium(3);  // Value1..Value4 = 1, 2, 3, 4
    ASSERT_EQ(catalog_.SetMediaCharacteristics(&medium), S_OK);
    VEK_MEDIA_ARRAY media = {};
    ASSERT_EQ(catalog_.GetMedia(&media), S_OK);
    ASSERT_EQ(media.Count, 1u);
    EXPECT_EQ(media.ByteSize, sizeof(MEDIA_ARRAY_ENTRY));
    const void* entry = &media.Media[0];
    EXPECT_EQ(At<uint32_t>(entry, 0), 3u);
    EXPECT_EQ(std::u16string(reinterpret_cast<const WCHAR*>(static_cast<const BYTE*>(entry) + 4)), u"medium");
    EXPECT_EQ(At<int32_t>(entry, 1028), 1);
    EXPECT_EQ(At<int32_t>(entry, 1032), 4);
    EXPECT_EQ(At<float>(entry, 1036), 0.5f);
    EXPECT_EQ(At<float>(entry, 1040), 8.75f);
    EXPECT_EQ(At<int32_t>(entry, 1044), 2);
    EXPECT_EQ(At<int32_t>(entry, 1048), 3);
    // The printer-model part of a plain listing is zero.
    const std::vector<BYTE> tail(static_cast<const BYTE*>(entry) + 1052,
                                 static_cast<const BYTE*>(entry) + sizeof(MEDIA_ARRAY_ENTRY));
    EXPECT_EQ(tail, std::vector<BYTE>(tail.size(), 0));
    CoTaskMemFree(media.Media);
}

// The alignment fill and reserved bytes are written as passed; read back,
// the reserved bytes are zero.
TEST_F(MediaCatalog, PotentialMediaCarryPrinterText3FillingAll513UnitsAndTheFileTheRecordAsPassed) {
    const std::u16string full(VEK_CATALOG_TEXT3_UNITS, u'3');
    const auto medium = Medium(1);
    auto printer = PrinterMedium(u"P-200", full);
    printer.AlignmentFill[0] = 0x5A;
    printer.AlignmentFill[1] = 0xA5;
    std::memset(printer.Reserved, 0x77, sizeof printer.Reserved);
    ASSERT_EQ(catalog_.SetMediaCharacteristics(&medium), S_OK);
    ASSERT_EQ(catalog_.SetPrinterMediaCharacteristics(1, &printer), S_OK);
    EXPECT_EQ(Tree(MediaPath()).at("1/PRINTER_MEDIA/P-200"), AsString(BytesOf(printer)));
    PRINTER_MEDIA_CHARACTERISTICS read = {};
    ASSERT_EQ(catalog_.GetPrinterMediaCharacteristics(1, u"P-200", &read), S_OK);
    EXPECT_EQ(std::vector<BYTE>(read.Reserved, read.Reserved + sizeof read.Reserved),
              std::vector<BYTE>(sizeof read.Reserved, 0));
    ASSERT_EQ(catalog_.Refresh(), S_OK);

    VEK_MEDIA_ARRAY media = {};
    ASSERT_EQ(catalog_.GetPotentialMedia(u"P-200", &media), S_OK);
    ASSERT_EQ(media.Count, 1u);
    const MEDIA_ARRAY_ENTRY& entry = media.Media[0];
    EXPECT_EQ(std::u16string(entry.PrinterText3, VEK_CATALOG_TEXT3_UNITS), full);
    EXPECT_EQ(std::u16string(entry.PrinterText4), u"four");  // not overrun by PrinterText3
    EXPECT_EQ(std::u16string(entry.PrinterText1), u"one");
    EXPECT_EQ(entry.PrinterReal1, 3.25f);
    EXPECT_EQ(entry.PrinterReal2, -1.0f);
    EXPECT_EQ(entry.PrinterValue1, 41);
    EXPECT_EQ(entry.PrinterValue2, 42);
    EXPECT_EQ(entry.Value4, 4);
    CoTaskMemFree(media.Media);
}

TEST_F(MediaCatalog, PrinterRecordForUnknownMediumIsListedWithZeroGlobalFields) {
    MEDIA_ARRAY_ENTRY entry = {};
    VEK_MEDIA_ARRAY empty = {5, 1, &entry};  // an empty catalog lists nothing, all fields zero
    ASSERT_EQ(catalog_.GetMedia(&empty), S_OK);
    EXPECT_EQ(empty.ByteSize, 0u);
    EXPECT_EQ(empty.Count, 0u);
    EXPECT_EQ(empty.Media, nullptr);
    const auto printer = PrinterMedium(u"M", u"x");
    ASSERT_EQ(catalog_.SetPrinterMediaCharacteristics(4294967295u, &printer), S_OK);
    for (int pass = 0; pass < 2; ++pass) {
        VEK_MEDIA_ARRAY media = {};
        ASSERT_EQ(catalog_.GetMedia(&media), S_OK);
        ASSERT_EQ(media.Count, 1u);
        MEDIA_ARRAY_ENTRY expected = {};
        expected.MediaID = 4294967295u;
        EXPECT_EQ(BytesOf(media.Media[0]), BytesOf(expected));
        CoTaskMemFree(media.Media);
        ASSERT_EQ(catalog_.Refresh(), S_OK);
    }
    EXPECT_EQ(Tree(MediaPath()).count("-1/MEDIA_CHARACTERISTICS_V1"), 0u);
}

TEST_F(MediaCatalog, ReplacedAndRemovedPrinterRecordsReachTheFile) {
    const auto a = PrinterMedium(u"A", u"a1");
    const auto b = PrinterMedium(u"B", u"b");
    const auto a2 = PrinterMedium(u"A", u"a2");
    for (const auto* record : {&a, &b, &a2}) ASSERT_EQ(catalog_.SetPrinterMediaCharacteristics(6, record), S_OK);
    ASSERT_EQ(catalog_.DeletePrinterMediaCharacteristics(6, u"B"), S_OK);
    EXPECT_EQ(catalog_.DeletePrinterMediaCharacteristics(6, u"B"), E_FAIL);
    const auto tree = Tree(MediaPath());
    EXPECT_EQ(tree.at("6/PRINTER_MEDIA/A"), AsString(BytesOf(a2)));
    EXPECT_EQ(tree.count("6/PRINTER_MEDIA/B"), 0u);
    ASSERT_EQ(catalog_.DeleteMediaCharacteristics(6), S_OK);
    EXPECT_TRUE(Tree(MediaPath()).empty());
}

}  // namespace
}  // namespace vek::test
