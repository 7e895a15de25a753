// Device address texts: writing, reading back with either separator, and the
// odd readings of hyphens that are minus signs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
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
    // The failures reported since the last call, as "context|status".
    std::vector<std::string> Reports() {
        std::vector<std::string> reports;
        for (const auto& event : logged_.events()) {
            EXPECT_EQ(event.type, 1);
            EXPECT_EQ(event.eventId, 0x40001001u);
            std::string line;
            for (const auto& text : event.strings) line += (line.empty() ? "" : "|") + Utf16ToUtf8(text);
            reports.push_back(line);
        }
        logged_.env().Clear();
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

TEST_F(DeviceAddress, WritersJoinNumbersWithHyphensAndTheLongestTextHoldsFourMostNegativeNumbers) {
    EXPECT_EQ(Scsi(1, 0, 4, 0), "1-0-4-0");
    EXPECT_EQ(Aspi(0, 5, 0), "0-5-0");
    EXPECT_EQ(Aspi(-1, 2, 3), "-1-2-3");
    EXPECT_EQ(Scsi(INT_MIN, INT_MIN, INT_MIN, INT_MIN), "-2147483648--2147483648--2147483648--2147483648");
    int n[4] = {};
    EXPECT_EQ(wcstoSCSI(Utf8ToUtf16(Scsi(12, 3, 15, 7)).c_str(), n[0], n[1], n[2], n[3]), S_OK);
    EXPECT_THAT(n, ElementsAre(12, 3, 15, 7));
}

// Numbers are read like _wtoi (white space and a sign before digits,
// trailing text ignored, no digits giving 0, clamped to int); hyphens and
// underscores both separate, so a negative number written does not read back.
TEST_F(DeviceAddress, ReadersTakeEitherSeparatorAndFailOnceWhenOneIsMissing) {
    const struct {
        bool scsi;
        const char16_t* text;
        HRESULT status;
        std::array<int, 4> numbers;
        const char* report;
    } cases[] = {
        {true, u"1_0_4_0", S_OK, {1, 0, 4, 0}, nullptr},
        {false, u"0_5-0", S_OK, {0, 5, 0, 9}, nullptr},
        {true, u"1-0-4", E_FAIL, {1, 0, 4, 9}, "wcstoSCSI-->wcspbrk|0x80004005"},
        {false, u"LaserQueue", E_FAIL, {0, 9, 9, 9}, "wcstoASPI-->wcspbrk|0x80004005"},
        {false, u"-1-2-3", S_OK, {-1, 1, 2, 9}, nullptr},
        {true, u"1--2-3-4", S_OK, {1, -2, 2, 3}, nullptr},
        {false, u" \t+7_x_3 rest", S_OK, {7, 0, 3, 9}, nullptr},
        {false, u"99999999999-2-3", S_OK, {INT_MAX, 2, 3, 9}, nullptr},
        {false, u" -99999999999_2_3", S_OK, {INT_MIN, INT_MAX, 2, 9}, nullptr},  // the sign separates too
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.text));
        std::array<int, 4> n = {9, 9, 9, 9};
        EXPECT_EQ(c.scsi ? wcstoSCSI(c.text, n[0], n[1], n[2], n[3]) : wcstoASPI(c.text, n[0], n[1], n[2]), c.status);
        EXPECT_EQ(n, c.numbers);
        if (c.report)
            EXPECT_THAT(Reports(), ElementsAre(c.report));
        else
            EXPECT_THAT(Reports(), IsEmpty());
    }
}

TEST_F(DeviceAddress, NullTextsArePointerErrorsWithoutReport) {
    EXPECT_EQ(SCSItowcs(1, 0, 4, 0, nullptr), E_POINTER);
    EXPECT_EQ(ASPItowcs(0, 5, 0, nullptr), E_POINTER);
    int n[4] = {9, 9, 9, 9};
    EXPECT_EQ(wcstoSCSI(nullptr, n[0], n[1], n[2], n[3]), E_POINTER);
    EXPECT_EQ(wcstoASPI(nullptr, n[0], n[1], n[2]), E_POINTER);
    EXPECT_THAT(n, ElementsAre(9, 9, 9, 9));
    EXPECT_THAT(Reports(), IsEmpty());
}

}  // namespace
}  // namespace vek::test
