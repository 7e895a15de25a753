#include "catalogs/catalog_names.h"

#include <gtest/gtest.h>

#include <string>

#include "vekconfig/text.h"

namespace vek::catalogs {
namespace {

std::u16string NameOf(uint32_t id) {
    WCHAR name[kIdNameUnits];
    IdToStorageName(id, name);
    return name;
}

TEST(StorageNames, IdsAboveSignedRangeAreNamedAsNegativeNumbers) {
    EXPECT_EQ(NameOf(0), u"0");
    EXPECT_EQ(NameOf(2147483647u), u"2147483647");
    EXPECT_EQ(NameOf(2147483648u), u"-2147483648");
    EXPECT_EQ(NameOf(4294967295u), u"-1");
}

TEST(StorageNames, EveryIdSurvivesTheRoundTrip) {
    for (uint32_t id : {0u, 1u, 9u, 10u, 2147483647u, 2147483648u, 2147483649u, 4294967294u, 4294967295u})
        EXPECT_EQ(StorageNameToId(NameOf(id).c_str()), id) << id;
}

TEST(StorageNames, ParsingStopsAtTheFirstNonDigit) {
    EXPECT_EQ(StorageNameToId(u"12abc"), 12u);
    EXPECT_EQ(StorageNameToId(u"-3x"), 4294967293u);
    EXPECT_EQ(StorageNameToId(u" +7"), 7u);
}

TEST(StorageNames, NameThatDoesNotBeginWithANumberGivesZero) {
    EXPECT_EQ(StorageNameToId(u"PRINTER_DONOR"), 0u);
    EXPECT_EQ(StorageNameToId(u""), 0u);
    EXPECT_EQ(StorageNameToId(u"-"), 0u);
}

TEST(StorageNames, NumbersBeyondTheSignedRangeAreClampedNotWrapped) {
    EXPECT_EQ(StorageNameToId(u"99999999999999999999"), 2147483647u);
    EXPECT_EQ(StorageNameToId(u"-99999999999999999999"), 2147483648u);
    EXPECT_EQ(StorageNameToId(u"4294967295"), 2147483647u);
}

TEST(BoundedTexts, TextFillingItsBufferIsCopiedWholeWithoutTerminator) {
    WCHAR full[4] = {u'a', u'b', u'c', u'd'};
    WCHAR out[4] = {1, 1, 1, 1};
    CopyBoundedText(out, full, 4);
    EXPECT_EQ(std::u16string(out, 4), u"abcd");
    EXPECT_EQ(BoundedText(full, 4), u"abcd");
}

TEST(BoundedTexts, BytesAfterTheTerminatorAreZeroed) {
    WCHAR source[5] = {u'a', 0, u'x', u'y', u'z'};
    WCHAR out[5] = {7, 7, 7, 7, 7};
    CopyBoundedText(out, source, 5);
    EXPECT_EQ(std::u16string(out, 5), std::u16string(u"a\0\0\0\0", 5));
}

TEST(ElementNames, ModelsThatCannotNameAStreamAreRefused) {
    EXPECT_TRUE(IsValidElementName(std::u16string(31, u'M')));
    EXPECT_FALSE(IsValidElementName(std::u16string(32, u'M')));
    EXPECT_FALSE(IsValidElementName(u""));
    for (const char16_t* bad : {u"a\\b", u"a/b", u"a:b", u"a!b"}) EXPECT_FALSE(IsValidElementName(bad)) << Utf16ToUtf8(bad);
}

}  // namespace
}  // namespace vek::catalogs
