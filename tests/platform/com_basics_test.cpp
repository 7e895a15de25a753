#include <gtest/gtest.h>

#include <thread>
#include <utility>

#include "vekconfig/com.h"
#include "vekconfig/text.h"

namespace {

constexpr GUID kSample = {0xABCDEFAB, 0xCDEF, 0xABCD, {0xEF, 0xAB, 0xCD, 0xEF, 0xAB, 0xCD, 0xEF, 0xAB}};

TEST(GuidText, WritesBracedUpperCaseWithEveryDigitInPlaceAndReturns39) {
    constexpr GUID kDigits = {0x01234567, 0x89AB, 0xCDEF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
    const std::pair<GUID, std::u16string> cases[] = {{kSample, u"{ABCDEFAB-CDEF-ABCD-EFAB-CDEFABCDEFAB}"},
                                                     {kDigits, u"{01234567-89AB-CDEF-0123-456789ABCDEF}"},
                                                     {GUID_NULL, u"{00000000-0000-0000-0000-000000000000}"}};
    for (const auto& [guid, text] : cases) {
        WCHAR buffer[39];
        ASSERT_EQ(StringFromGUID2(guid, buffer, 39), 39);
        EXPECT_EQ(std::u16string(buffer), text);
    }
    WCHAR shortBuffer[38];
    shortBuffer[0] = u'x';
    EXPECT_EQ(StringFromGUID2(kSample, shortBuffer, 38), 0);
    EXPECT_EQ(shortBuffer[0], u'x');
}

TEST(GuidText, ParsesEitherCaseAndRejectsMalformedTextWithClassStringAndNullGuid) {
    GUID parsed;
    ASSERT_EQ(CLSIDFromString(u"{abcdefab-cdef-abcd-efab-cdefabcdefab}", &parsed), S_OK);
    EXPECT_TRUE(parsed == kSample);
    for (const char16_t* bad : {u"", u"ABCDEFAB-CDEF-ABCD-EFAB-CDEFABCDEFAB",
                                u"{ABCDEFAB-CDEF-ABCD-EFAB-CDEFABCDEFAB", u"{ABCDEFAB-CDEF-ABCD-EFAB-CDEFABCDEFAG}",
                                u"{ABCDEFAB-CDEF-ABCD-EFAB-CDEFABCDEFAB}x", u"{ABCDEFAB_CDEF-ABCD-EFAB-CDEFABCDEFAB}"}) {
        parsed = kSample;
        EXPECT_EQ(CLSIDFromString(bad, &parsed), CO_E_CLASSSTRING) << vek::Utf16ToUtf8(bad);
        EXPECT_TRUE(parsed == GUID_NULL);
    }
}

TEST(Bstr, CarriesByteLengthAndTerminatorAndZeroByteTaskMemoryIsFreeable) {
    BSTR s = SysAllocString(u"h\u00e9llo");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(SysStringLen(s), 5u);
    EXPECT_EQ(SysStringByteLen(s), 10u);
    EXPECT_EQ(s[5], 0);
    SysFreeString(s);
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    SysFreeString(nullptr);
    void* p = CoTaskMemAlloc(0);
    EXPECT_NE(p, nullptr);
    CoTaskMemFree(p);
    CoTaskMemFree(nullptr);
}

TEST(Apartment, SecondInitIsFalseAndOtherModelIsChangedMode) {
    std::thread([] {
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), RPC_E_CHANGED_MODE);
        CoUninitialize();
        CoUninitialize();
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        CoUninitialize();
    }).join();
}

TEST(Utf, RoundTripsReplacesMalformedInputAndWideCopyCutsAtCapacity) {
    const std::string text = "Dr\xC3\xBC" "cker \xF0\x9F\x96\xA8";
    EXPECT_EQ(vek::Utf16ToUtf8(vek::Utf8ToUtf16(text)), text);
    EXPECT_EQ(vek::Utf8ToUtf16("\xC3"), u"\uFFFD");
    EXPECT_EQ(vek::Utf8ToUtf16("\xE0\x80\x80"), u"\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(vek::Utf16ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
    WCHAR out[4];
    EXPECT_FALSE(vek::WideCopy(out, 4, u"abcdef"));
    EXPECT_EQ(std::u16string(out), u"abc");
    EXPECT_TRUE(vek::WideCopy(out, 4, u"abc")) << "an exact fit is not cut";
    EXPECT_TRUE(vek::WideCopy(out, 4, u"ab"));
    EXPECT_EQ(std::u16string(out), u"ab");
}

}  // namespace
