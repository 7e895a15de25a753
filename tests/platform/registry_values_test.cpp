#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/registry_test_util.h"
#include "support/temp_home.h"
#include "vekconfig/registry.h"

namespace vek::test {
namespace {

class RegistryValues : public ::testing::Test {
protected:
    void SetUp() override { key_ = MustCreate(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Values"); }
    void TearDown() override { RegCloseKey(key_); }

    // The text value name with its type and size; fails the test when it cannot be read.
    std::u16string Text(const char16_t* name, DWORD* type = nullptr, DWORD* size = nullptr) {
        WCHAR buffer[MAX_PATH] = {};
        DWORD bytes = sizeof(buffer);
        EXPECT_EQ(RegQueryValueExW(key_, name, nullptr, type, reinterpret_cast<BYTE*>(buffer), &bytes),
                  ERROR_SUCCESS);
        if (size != nullptr) *size = bytes;
        return buffer;
    }

    TempHome home_;
    HKEY key_ = nullptr;
};

TEST_F(RegistryValues, EveryTypeComesBackWithItsExactBytes) {
    const std::u16string text = u"c:\\VEKSPOOL\\";
    ASSERT_EQ(SetText(key_, u"Spool", text), ERROR_SUCCESS);
    const std::u16string expand = u"%TEMP%\\vek";
    ASSERT_EQ(RegSetValueExW(key_, u"Expand", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(expand.c_str()),
                             static_cast<DWORD>((expand.size() + 1) * 2)),
              ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key_, u"Length", 1000000), ERROR_SUCCESS);
    const BYTE binary[] = {0, 0xFF, 0, 0x7F};
    ASSERT_EQ(RegSetValueExW(key_, u"Method", 0, REG_BINARY, binary, sizeof(binary)), ERROR_SUCCESS);

    DWORD type = 0, size = 0;
    EXPECT_EQ(Text(u"spool", &type, &size), text);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, (text.size() + 1) * 2);  // the terminator counts
    EXPECT_EQ(Text(u"EXPAND", &type), expand);  // stored, not expanded
    EXPECT_EQ(type, REG_EXPAND_SZ);
    EXPECT_EQ(GetDword(key_, u"Length"), 1000000u);
    BYTE read[8] = {};
    size = sizeof(read);
    ASSERT_EQ(RegQueryValueExW(key_, u"Method", nullptr, &type, read, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_BINARY);
    ASSERT_EQ(size, sizeof(binary));
    EXPECT_EQ(std::memcmp(read, binary, sizeof(binary)), 0);
}

TEST_F(RegistryValues, BytesAreStoredAsGivenWithoutTypeChecks) {
    // A REG_SZ without terminator and a 3-byte REG_DWORD stay as they are.
    const BYTE odd[] = {'a', 0, 'b'};
    ASSERT_EQ(RegSetValueExW(key_, u"Odd", 0, REG_SZ, odd, sizeof(odd)), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key_, u"Short", 0, REG_DWORD, odd, sizeof(odd)), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key_, u"Empty", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
    for (const char16_t* name : {u"Odd", u"Short"}) {
        BYTE read[8] = {};
        DWORD size = sizeof(read);
        ASSERT_EQ(RegQueryValueExW(key_, name, nullptr, nullptr, read, &size), ERROR_SUCCESS);
        ASSERT_EQ(size, sizeof(odd));
        EXPECT_EQ(std::memcmp(read, odd, sizeof(odd)), 0);
    }
    DWORD size = 8, type = 0;
    BYTE read[8];
    ASSERT_EQ(RegQueryValueExW(key_, u"Empty", nullptr, &type, read, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(type, REG_BINARY);
}

TEST_F(RegistryValues, ValueThatDoesNotFitGivesMoreDataAndTheSizeNeeded) {
    ASSERT_EQ(SetText(key_, u"Name", u"0123456789"), ERROR_SUCCESS);
    WCHAR small[4] = {u'x', u'x', u'x', u'x'};
    DWORD size = sizeof(small), type = 0;
    EXPECT_EQ(RegQueryValueExW(key_, u"Name", nullptr, &type, reinterpret_cast<BYTE*>(small), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 22u);
    EXPECT_EQ(type, REG_SZ);
    // Asking with no buffer gives the size and success.
    size = 0;
    EXPECT_EQ(RegQueryValueExW(key_, u"Name", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 22u);
    // Neither buffer nor size: only whether it exists.
    EXPECT_EQ(RegQueryValueExW(key_, u"Name", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
}

TEST_F(RegistryValues, DeleteRemovesOnlyThatValueAndMissingValueIsFileNotFound) {
    ASSERT_EQ(SetDword(key_, u"One", 1), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key_, u"Two", 2), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteValueW(key_, u"ONE"), ERROR_SUCCESS);
    LSTATUS status = ERROR_SUCCESS;
    GetDword(key_, u"One", &status);
    EXPECT_EQ(status, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetDword(key_, u"Two"), 2u);
    EXPECT_EQ(RegDeleteValueW(key_, u"Absent"), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryValues, DefaultValueIsTheEmptyNameWhetherNullOrEmpty) {
    ASSERT_EQ(SetText(key_, nullptr, u"Class Name"), ERROR_SUCCESS);
    EXPECT_EQ(Text(u""), u"Class Name");
    ASSERT_EQ(SetText(key_, u"", u"Renamed"), ERROR_SUCCESS);
    EXPECT_EQ(Text(nullptr), u"Renamed");
}

TEST_F(RegistryValues, RewriteReplacesTypeAndDataKeepsFirstNameCaseAndShowsThroughAnotherHandle) {
    HKEY other = nullptr;
    ASSERT_EQ(OpenForRead(HKEY_LOCAL_MACHINE, u"SOFTWARE\\VALUES", &other), ERROR_SUCCESS);
    ASSERT_EQ(SetText(key_, u"LogFile", u"first.log"), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key_, u"LOGFILE", 9), ERROR_SUCCESS);
    EXPECT_EQ(GetDword(other, u"logfile"), 9u);
    RegCloseKey(other);
    WCHAR name[16];
    DWORD nameLength = 16, type = 0;
    ASSERT_EQ(RegEnumValueW(key_, 0, name, &nameLength, nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name), u"LogFile");
    EXPECT_EQ(type, REG_DWORD);
}

TEST_F(RegistryValues, EnumerationListsValuesInOrderWithSizes) {
    ASSERT_EQ(SetDword(key_, u"b", 2), ERROR_SUCCESS);
    ASSERT_EQ(SetText(key_, u"A", u"xyz"), ERROR_SUCCESS);
    std::vector<std::u16string> names;
    WCHAR name[8];
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = 8, type = 0, size = 0;
        const LSTATUS status = RegEnumValueW(key_, index, name, &nameLength, nullptr, &type, nullptr, &size);
        if (status == ERROR_NO_MORE_ITEMS) break;
        ASSERT_EQ(status, ERROR_SUCCESS);
        EXPECT_EQ(size, type == REG_SZ ? 8u : 4u);
        names.emplace_back(name, nameLength);
    }
    EXPECT_EQ(names, (std::vector<std::u16string>{u"A", u"b"}));
    DWORD nameLength = 1;
    EXPECT_EQ(RegEnumValueW(key_, 0, name, &nameLength, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    BYTE data[2];
    DWORD size = sizeof(data);
    nameLength = 8;
    EXPECT_EQ(RegEnumValueW(key_, 0, name, &nameLength, nullptr, nullptr, data, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 8u);
}

TEST_F(RegistryValues, InfoCountsSubkeysValuesAndLongestNames) {
    RegCloseKey(MustCreate(key_, u"Sub"));
    RegCloseKey(MustCreate(key_, u"LongerSub"));
    ASSERT_EQ(SetText(key_, u"Value", u"0123456789"), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key_, u"V", 1), ERROR_SUCCESS);
    DWORD subKeys = 0, maxSubKey = 0, values = 0, maxValueName = 0, maxValue = 0;
    ASSERT_EQ(RegQueryInfoKeyW(key_, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &values,
                               &maxValueName, &maxValue, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 2u);
    EXPECT_EQ(maxSubKey, 9u);
    EXPECT_EQ(values, 2u);
    EXPECT_EQ(maxValueName, 5u);
    EXPECT_EQ(maxValue, 22u);
}

TEST_F(RegistryValues, NullReservedOrOverlongArgumentsGiveInvalidParameterAndChangeNothing) {
    ASSERT_EQ(SetDword(key_, u"V", 1), ERROR_SUCCESS);
    BYTE data[4];
    DWORD reserved = 0;
    EXPECT_EQ(RegQueryValueExW(key_, u"V", nullptr, nullptr, data, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegQueryValueExW(key_, u"V", &reserved, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExW(key_, u"V", 0, REG_DWORD, nullptr, 4), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(GetDword(key_, u"V"), 1u);
    WCHAR name[4];
    DWORD nameLength = 4;
    EXPECT_EQ(RegEnumValueW(key_, 0, name, &nameLength, nullptr, nullptr, data, nullptr), ERROR_INVALID_PARAMETER);
    const std::u16string longest(16383, u'v');
    const std::u16string tooLong(16384, u'v');
    EXPECT_EQ(SetDword(key_, longest.c_str(), 1), ERROR_SUCCESS);
    EXPECT_EQ(SetDword(key_, tooLong.c_str(), 1), ERROR_INVALID_PARAMETER);
    LSTATUS status = ERROR_SUCCESS;
    GetDword(key_, tooLong.c_str(), &status);
    EXPECT_EQ(status, ERROR_INVALID_PARAMETER);
}

}  // namespace
}  // namespace vek::test
