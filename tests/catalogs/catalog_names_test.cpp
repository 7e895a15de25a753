#include "catalogs/catalog_names.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "catalogs/printer_records.h"
#include "vekconfig/text.h"

namespace vek::catalogs {
namespace {

std::u16string NameOf(uint32_t id) {
    WCHAR name[kIdNameUnits];
    IdToStorageName(id, name);
    return name;
}

TEST(StorageNames, IdsAboveSignedRangeAreNamedNegativeAndEveryIdSurvivesTheRoundTrip) {
    for (const auto& [id, name] : {std::pair{0u, u"0"}, {2147483647u, u"2147483647"},
                                   {2147483648u, u"-2147483648"}, {4294967295u, u"-1"}})
        EXPECT_EQ(NameOf(id), name);
    for (uint32_t id : {0u, 1u, 9u, 10u, 2147483647u, 2147483648u, 2147483649u, 4294967294u, 4294967295u})
        EXPECT_EQ(StorageNameToId(NameOf(id).c_str()), id) << id;
}

TEST(StorageNames, NamesAreReadUpToTheFirstNonDigitAndClampedNotWrapped) {
    const std::pair<const char16_t*, uint32_t> cases[] = {
        {u"12abc", 12u}, {u"-3x", 4294967293u}, {u" +7", 7u},
        {u"PRINTER_DONOR", 0u}, {u"", 0u}, {u"-", 0u},  // no number at the start
        {u"99999999999999999999", 2147483647u}, {u"-99999999999999999999", 2147483648u},
        {u"4294967295", 2147483647u}};
    for (const auto& [name, id] : cases) EXPECT_EQ(StorageNameToId(name), id) << Utf16ToUtf8(name);
}

TEST(BoundedTexts, FullBufferIsCopiedWholeAndBytesAfterTheTerminatorAreZeroed) {
    WCHAR full[4] = {u'a', u'b', u'c', u'd'};
    WCHAR out[5] = {1, 1, 1, 1, 1};
    CopyBoundedText(out, full, 4);
    EXPECT_EQ(std::u16string(out, 5), std::u16string(u"abcd\1", 5));
    EXPECT_EQ(BoundedText(full, 4), u"abcd");
    WCHAR source[5] = {u'a', 0, u'x', u'y', u'z'};
    CopyBoundedText(out, source, 5);
    EXPECT_EQ(std::u16string(out, 5), std::u16string(u"a\0\0\0\0", 5));
}

TEST(ElementNames, ModelsThatCannotNameAStreamAreRefused) {
    EXPECT_TRUE(IsValidElementName(std::u16string(31, u'M')));
    EXPECT_FALSE(IsValidElementName(std::u16string(32, u'M')));
    EXPECT_FALSE(IsValidElementName(u""));
    for (const char16_t* bad : {u"a\\b", u"a/b", u"a:b", u"a!b"}) EXPECT_FALSE(IsValidElementName(bad)) << Utf16ToUtf8(bad);
}

PRINTER_DONOR_CHARACTERISTICS Record(const std::u16string& model, const std::u16string& text) {
    PRINTER_DONOR_CHARACTERISTICS record = {};
    model.copy(record.PrinterModel, VEK_CATALOG_TEXT_UNITS);
    text.copy(record.PrinterText, VEK_CATALOG_TEXT_UNITS);
    return record;
}

std::vector<std::u16string> Texts(const PrinterRecords<PRINTER_DONOR_CHARACTERISTICS>& records) {
    std::vector<std::u16string> texts;
    for (const auto& record : records) texts.emplace_back(record.PrinterText);
    return texts;
}

TEST(PrinterRecords, KeyIsTheModelUpToItsTerminatorCaseIncludedEvenWhenItFillsTheBuffer) {
    PrinterRecords<PRINTER_DONOR_CHARACTERISTICS> records;
    records.Store(Record(u"Model", u"upper"));
    records.Store(Record(u"model", u"lower"));
    auto tail = Record(u"M", u"one");
    records.Store(tail);
    tail.PrinterModel[5] = u'x';  // after the terminator: the same key
    std::u16string(u"two").copy(tail.PrinterText, 4);
    records.Store(tail);
    const std::u16string full(VEK_CATALOG_TEXT_UNITS, u'F');
    records.Store(Record(full, u"full"));
    EXPECT_EQ(Texts(records), (std::vector<std::u16string>{u"full", u"two", u"lower", u"upper"}));
    EXPECT_EQ(records.Find(u"MODEL"), nullptr);
    ASSERT_NE(records.Find(full), nullptr);
    EXPECT_EQ(records.Find(full + u"F"), nullptr);
    EXPECT_EQ(records.Find(full.substr(1)), nullptr);
}

TEST(PrinterRecords, RemovedRecordIsNoLongerFoundAndOthersStay) {
    PrinterRecords<PRINTER_DONOR_CHARACTERISTICS> records;
    records.Store(Record(u"A", u"a"));
    records.Store(Record(u"B", u"b"));
    EXPECT_TRUE(records.Remove(u"A"));
    EXPECT_FALSE(records.Remove(u"A"));
    EXPECT_EQ(records.Find(u"A"), nullptr);
    EXPECT_EQ(Texts(records), (std::vector<std::u16string>{u"b"}));
}

}  // namespace
}  // namespace vek::catalogs
