// Device address texts: writing, reading back with either separator, and the
// odd readings of hyphens that are minus signs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>

#include "support/logged_home.h"
#include "vekconfig/discovery.h"
#include "vekconfig/text.h"

namespace vek::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class DeviceAddress : public ::testing::Test {
protected:
    // The failures reported so far as "context|status".
    std::vector<std::string> Reports() {
        std::vector<std::string> reports;
        for (const auto& event : logged_.events()) {
            EXPECT_EQ(event.type, 1);
            EXPECT_EQ(event.eventId, 0x40001001u);
            std::string line;
            for (const auto& text : event.strings) line += (line.empty() ? "" : "|") + Utf16ToUtf8(text);
            reports.push_back(line);
        }
        return reports;
    }

    LoggedHome logged_;
};

std::string Scsi(int port, int bus, int target, int unit) {
    WCHAR text[259];
    EXPECT_EQ(SCSItowcs(port, bus, target, unit, text), S_OK);
    return Utf16ToUtf8(text);
}

std::string Aspi(int adapter, int target, int unit) {
    WCHAR text[259];
    EXPECT_EQ(ASPItowcs(adapter, target, unit, text), S_OK);
    return Utf16ToUtf8(text);
}

TEST_F(DeviceAddress, WritersJoinNumbersWithHyphens) {
    EXPECT_EQ(Scsi(1, 0, 4, 0), "1-0-4-0");
    EXPECT_EQ(Aspi(0, 5, 0), "0-5-0");
}

TEST_F(DeviceAddress, LongestTextHoldsFourMostNegativeNumbers) {
    EXPECT_EQ(Scsi(INT_MIN, INT_MIN, INT_MIN, INT_MIN),
              "-2147483648--2147483648--2147483648--2147483648");
    EXPECT_EQ(Scsi(INT_MIN, INT_MIN, INT_MIN, INT_MIN).size(), 47u);
}

TEST_F(DeviceAddress, WriterIntoNullTextIsPointerErrorWithoutReport) {
    EXPECT_EQ(SCSItowcs(1, 0, 4, 0, nullptr), E_POINTER);
    EXPECT_EQ(ASPItowcs(0, 5, 0, nullptr), E_POINTER);
    EXPECT_THAT(Reports(), IsEmpty());
}

TEST_F(DeviceAddress, UnderscoresSeparateAsWellAsHyphens) {
    int n[4] = {9, 9, 9, 9};
    EXPECT_EQ(wcstoSCSI(u"1_0_4_0", n[0], n[1], n[2], n[3]), S_OK);
    EXPECT_THAT(n, ElementsAre(1, 0, 4, 0));
    EXPECT_EQ(wcstoASPI(u"0_5-0", n[0], n[1], n[2]), S_OK);
    EXPECT_THAT(n, ElementsAre(0, 5, 0, 0));
    EXPECT_THAT(Reports(), IsEmpty());
}

TEST_F(DeviceAddress, MissingFourthNumberFailsOnceWithFirstThreeStored) {
    int n[4] = {9, 9, 9, 9};
    EXPECT_EQ(wcstoSCSI(u"1-0-4", n[0], n[1], n[2], n[3]), E_FAIL);
    EXPECT_THAT(n, ElementsAre(1, 0, 4, 9));
    EXPECT_THAT(Reports(), ElementsAre("wcstoSCSI-->wcspbrk|0x80004005"));
}

TEST_F(DeviceAddress, PrintQueueNameIsNoAspiAddress) {
    int n[3] = {9, 9, 9};
    EXPECT_EQ(wcstoASPI(u"LaserQueue", n[0], n[1], n[2]), E_FAIL);
    EXPECT_THAT(n, ElementsAre(0, 9, 9));
    EXPECT_THAT(Reports(), ElementsAre("wcstoASPI-->wcspbrk|0x80004005"));
}

TEST_F(DeviceAddress, NegativeNumbersAreWrittenButDoNotReadBack) {
    EXPECT_EQ(Aspi(-1, 2, 3), "-1-2-3");
    int n[4] = {9, 9, 9, 9};
    EXPECT_EQ(wcstoASPI(u"-1-2-3", n[0], n[1], n[2]), S_OK);
    EXPECT_THAT(n, ElementsAre(-1, 1, 2, 9));
    EXPECT_EQ(wcstoSCSI(u"1--2-3-4", n[0], n[1], n[2], n[3]), S_OK);
    EXPECT_THAT(n, ElementsAre(1, -2, 2, 3));
}

TEST_F(DeviceAddress, NumbersAreReadLikeWtoi) {
    int n[3] = {9, 9, 9};
    // White space and a plus sign before digits; trailing text ignored;
    // a separator followed by no digits gives 0.
    EXPECT_EQ(wcstoASPI(u" \t+7_x_3 rest", n[0], n[1], n[2]), S_OK);
    EXPECT_THAT(n, ElementsAre(7, 0, 3));
    EXPECT_EQ(wcstoASPI(u"99999999999-2-3", n[0], n[1], n[2]), S_OK);
    EXPECT_EQ(n[0], INT_MAX);
    EXPECT_EQ(wcstoASPI(u" -99999999999_2_3", n[0], n[1], n[2]), S_OK);
    EXPECT_EQ(n[0], INT_MIN);
}

TEST_F(DeviceAddress, ReadersOfNullTextArePointerErrorsWithoutReport) {
    int n[4] = {9, 9, 9, 9};
    EXPECT_EQ(wcstoSCSI(nullptr, n[0], n[1], n[2], n[3]), E_POINTER);
    EXPECT_EQ(wcstoASPI(nullptr, n[0], n[1], n[2]), E_POINTER);
    EXPECT_THAT(n, ElementsAre(9, 9, 9, 9));
    EXPECT_THAT(Reports(), IsEmpty());
}

TEST_F(DeviceAddress, WrittenAddressesReadBack) {
    int n[4] = {};
    const std::u16string scsi = Utf8ToUtf16(Scsi(12, 3, 15, 7));
    EXPECT_EQ(wcstoSCSI(scsi.c_str(), n[0], n[1], n[2], n[3]), S_OK);
    EXPECT_THAT(n, ElementsAre(12, 3, 15, 7));
}

}  // namespace
}  // namespace vek::test
