#include "catalogs/printer_records.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vek::catalogs {
namespace {

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

TEST(PrinterRecords, NewRecordGoesToTheFrontAndAReplacedOneKeepsItsPlace) {
    PrinterRecords<PRINTER_DONOR_CHARACTERISTICS> records;
    records.Store(Record(u"A", u"a1"));
    records.Store(Record(u"B", u"b1"));
    records.Store(Record(u"A", u"a2"));
    EXPECT_EQ(Texts(records), (std::vector<std::u16string>{u"b1", u"a2"}));
}

TEST(PrinterRecords, ModelsDifferingOnlyInCaseAreDifferentRecords) {
    PrinterRecords<PRINTER_DONOR_CHARACTERISTICS> records;
    records.Store(Record(u"Model", u"upper"));
    records.Store(Record(u"model", u"lower"));
    EXPECT_EQ(records.size(), 2u);
    EXPECT_EQ(std::u16string(records.Find(u"Model")->PrinterText), u"upper");
    EXPECT_EQ(records.Find(u"MODEL"), nullptr);
}

TEST(PrinterRecords, BytesAfterTheModelTerminatorDoNotMakeANewKey) {
    PrinterRecords<PRINTER_DONOR_CHARACTERISTICS> records;
    auto first = Record(u"M", u"one");
    auto second = Record(u"M", u"two");
    second.PrinterModel[5] = u'x';
    records.Store(first);
    records.Store(second);
    EXPECT_EQ(Texts(records), (std::vector<std::u16string>{u"two"}));
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

TEST(PrinterRecords, ModelFillingAllUnitsIsAKeyOfItsOwn) {
    PrinterRecords<PRINTER_DONOR_CHARACTERISTICS> records;
    const std::u16string full(VEK_CATALOG_TEXT_UNITS, u'F');
    records.Store(Record(full, u"full"));
    ASSERT_NE(records.Find(full), nullptr);
    EXPECT_EQ(records.Find(full + u"F"), nullptr);
    EXPECT_EQ(records.Find(full.substr(1)), nullptr);
}

}  // namespace
}  // namespace vek::catalogs
