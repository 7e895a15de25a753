#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "platform/env.h"
#include "platform/registry_names.h"
#include "platform/registry_test_util.h"
#include "support/temp_home.h"
#include "vekconfig/registry.h"
#include "vekconfig/text.h"

namespace vek::test {
namespace {

class RegistryKeys : public ::testing::Test {
protected:
    TempHome home_;
};

// The name at index on key, or the status when there is none.
std::u16string SubkeyAt(HKEY key, DWORD index, LSTATUS* status) {
    WCHAR name[260];
    DWORD length = 260;
    *status = RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    EXPECT_TRUE(*status != ERROR_SUCCESS || length == std::u16string(name).size());
    return *status == ERROR_SUCCESS ? std::u16string(name, length) : std::u16string();
}

// Every subkey name of key in enumeration order, which must end in no more items.
std::vector<std::u16string> Subkeys(HKEY key) {
    std::vector<std::u16string> names;
    LSTATUS status = ERROR_SUCCESS;
    for (DWORD index = 0;; ++index) {
        std::u16string name = SubkeyAt(key, index, &status);
        if (status != ERROR_SUCCESS) break;
        names.push_back(std::move(name));
    }
    EXPECT_EQ(status, ERROR_NO_MORE_ITEMS);
    return names;
}

// Every subkey name of key in one call, sorted as the enumeration orders
// them (the call promises no order); the status in *status.
std::vector<std::u16string> Listed(HKEY key, LSTATUS* status) {
    std::vector<std::u16string> names;
    *status = CurrentEnv().Registry().ListSubkeys(key, &names);
    std::sort(names.begin(), names.end(), [](const std::u16string& a, const std::u16string& b) {
        return Utf8ToUtf16(FoldName(Utf16ToUtf8(a))) < Utf8ToUtf16(FoldName(Utf16ToUtf8(b)));
    });
    return names;
}

HKEY MustCreateChildren(const char16_t* path, std::initializer_list<const char16_t*> names) {
    HKEY parent = MustCreate(HKEY_LOCAL_MACHINE, path);
    for (const char16_t* name : names) RegCloseKey(MustCreate(parent, name));
    return parent;
}

TEST_F(RegistryKeys, CreateMakesEveryMissingKeyAndReportsDispositionAndOpenOfMissingIsNotFound) {
    HKEY key = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(OpenForRead(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Nothing", &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    DWORD disposition = 0;
    ASSERT_EQ(CreateForWrite(HKEY_LOCAL_MACHINE, u"SOFTWARE\\A\\B\\C", &key, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\A\\B\\C", 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_READ, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_TRUE(HasKey(u"SOFTWARE\\A\\B"));
}

TEST_F(RegistryKeys, NamesCompareWithoutAsciiCaseOnlyAndKeepTheirCreatedCase) {
    RegCloseKey(MustCreate(HKEY_LOCAL_MACHINE, u"SOFTWARE\\MixedCase"));
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(CreateForWrite(HKEY_LOCAL_MACHINE, u"software\\MIXEDCASE", &key, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    RegCloseKey(key);
    ASSERT_EQ(OpenForRead(HKEY_LOCAL_MACHINE, u"Software", &key), ERROR_SUCCESS);
    EXPECT_EQ(Subkeys(key), std::vector<std::u16string>{u"MixedCase"});
    RegCloseKey(key);
    // Folding touches only ASCII letters.
    RegCloseKey(MustCreate(HKEY_LOCAL_MACHINE, u"Stra\u00dfe\\\u00e9t\u00e9"));
    EXPECT_TRUE(HasKey(u"STRA\u00dfE\\\u00e9T\u00e9"));
    EXPECT_FALSE(HasKey(u"Stra\u00dfe\\\u00c9t\u00e9"));
}

TEST_F(RegistryKeys, EnumerationIsInCaseInsensitiveOrderThenNoMoreItems) {
    HKEY parent = MustCreateChildren(u"SOFTWARE\\Order", {u"beta", u"Alpha", u"GAMMA", u"a_b", u"AB", u"delta"});
    // Upper-case folding puts "a_b" after "Alpha" ('L' < '_'); lower-case would not.
    const std::vector<std::u16string> ordered{u"AB", u"Alpha", u"a_b", u"beta", u"delta", u"GAMMA"};
    EXPECT_EQ(Subkeys(parent), ordered);
    LSTATUS status = ~0;
    EXPECT_EQ(Listed(parent, &status), ordered);
    EXPECT_EQ(status, ERROR_SUCCESS);
    {
        const auto sharing = CurrentEnv().Registry().ShareReads();
        EXPECT_EQ(Subkeys(parent), ordered);
        EXPECT_EQ(Listed(parent, &status), ordered) << "from the walk's listing";
    }
    DWORD count = 0;
    EXPECT_EQ(RegQueryInfoKeyW(parent, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(count, 6u);
    RegCloseKey(parent);
}

TEST_F(RegistryKeys, WalkThatDeletesEachKeySkipsNoneAndOneThatAddsAKeyRepeatsNone) {
    HKEY parent = MustCreateChildren(u"SOFTWARE\\Drain", {u"a", u"b", u"c", u"d", u"e"});
    std::vector<std::u16string> seen;
    LSTATUS status = ERROR_SUCCESS;
    for (DWORD index = 0;; ++index) {
        const std::u16string name = SubkeyAt(parent, index, &status);
        if (status != ERROR_SUCCESS) break;
        seen.push_back(name);
        EXPECT_EQ(RegDeleteKeyW(parent, name.c_str()), ERROR_SUCCESS);
    }
    EXPECT_EQ(status, ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(seen, (std::vector<std::u16string>{u"a", u"b", u"c", u"d", u"e"}));
    RegCloseKey(parent);
    // A key added before the walk's position.
    parent = MustCreateChildren(u"SOFTWARE\\Grow", {u"b", u"c"});
    EXPECT_EQ(SubkeyAt(parent, 0, &status), u"b");
    RegCloseKey(MustCreate(parent, u"a"));
    EXPECT_EQ(SubkeyAt(parent, 1, &status), u"c");
    SubkeyAt(parent, 2, &status);
    EXPECT_EQ(status, ERROR_NO_MORE_ITEMS);
    RegCloseKey(parent);
}

TEST_F(RegistryKeys, IndexesOutOfSequenceOrOnTwoHandlesStillCountFromTheFirstKey) {
    HKEY first = MustCreateChildren(u"SOFTWARE\\Jump", {u"a", u"b", u"c", u"d"});
    HKEY second = MustCreate(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Jump");
    const char16_t* names[] = {u"a", u"b", u"c", u"d"};
    const std::pair<HKEY, DWORD> steps[] = {{first, 2}, {first, 0}, {first, 3}, {first, 1}, {first, 1},
                                            {first, 2}, {second, 0}, {first, 3}, {second, 1}};
    LSTATUS status = ERROR_SUCCESS;
    for (const auto& [key, index] : steps) EXPECT_EQ(SubkeyAt(key, index, &status), names[index]);
    RegCloseKey(second);
    RegCloseKey(first);
}

TEST_F(RegistryKeys, ShortBufferGivesMoreDataKeepsLengthAndTheWalkGoesOn) {
    HKEY parent = MustCreateChildren(u"SOFTWARE\\Retry", {u"ExactlyTen", u"Zed"});
    WCHAR name[11];
    DWORD length = 10;  // room for 9 characters and the terminator
    EXPECT_EQ(RegEnumKeyExW(parent, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    EXPECT_EQ(length, 10u);
    length = 11;
    EXPECT_EQ(RegEnumKeyExW(parent, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(length, 10u);
    EXPECT_EQ(std::u16string(name), u"ExactlyTen");
    EXPECT_EQ(Subkeys(parent), (std::vector<std::u16string>{u"ExactlyTen", u"Zed"}));
    RegCloseKey(parent);
}

TEST_F(RegistryKeys, DeleteRefusesKeysWithSubkeysTakesValuesAlongAndTakesPathOrTheKeyItself) {
    RegCloseKey(MustCreate(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tree\\Leaf"));
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tree"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"software\\tree\\LEAF"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tree\\Leaf"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tree"), ERROR_SUCCESS);
    EXPECT_FALSE(HasKey(u"SOFTWARE\\Tree"));

    HKEY key = MustCreate(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Gone");
    ASSERT_EQ(SetDword(key, u"Kept", 7), ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Gone"), ERROR_SUCCESS);
    key = MustCreate(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Gone");
    LSTATUS status = ERROR_SUCCESS;
    GetDword(key, u"Kept", &status);
    EXPECT_EQ(status, ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);

    HKEY parent = MustCreateChildren(u"SOFTWARE\\Owner", {u"Child"});
    EXPECT_EQ(RegDeleteKeyW(parent, u"child"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(parent, u""), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(parent, u""), ERROR_KEY_DELETED);
    RegCloseKey(parent);
    EXPECT_FALSE(HasKey(u"SOFTWARE\\Owner"));
}

TEST_F(RegistryKeys, HandleOfDeletedKeyGivesKeyDeleted) {
    HKEY key = MustCreate(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Doomed");
    ASSERT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Doomed"), ERROR_SUCCESS);
    EXPECT_EQ(SetDword(key, u"Late", 1), ERROR_KEY_DELETED);
    LSTATUS status = ERROR_SUCCESS;
    GetDword(key, u"Late", &status);
    EXPECT_EQ(status, ERROR_KEY_DELETED);
    HKEY child = nullptr;
    EXPECT_EQ(CreateForWrite(key, u"Child", &child), ERROR_KEY_DELETED);
    SubkeyAt(key, 0, &status);
    EXPECT_EQ(status, ERROR_KEY_DELETED);
    Listed(key, &status);
    EXPECT_EQ(status, ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryKeys, ClassesRootIsTheViewOfMachineSoftwareClassesAndEmptyAtFirst) {
    HKEY key = nullptr;
    EXPECT_EQ(OpenForRead(HKEY_CLASSES_ROOT, u"CLSID", &key), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(Subkeys(HKEY_CLASSES_ROOT).empty());
    LSTATUS status = ~0;
    EXPECT_TRUE(Listed(HKEY_CLASSES_ROOT, &status).empty());
    EXPECT_EQ(status, ERROR_SUCCESS);
    RegCloseKey(MustCreate(HKEY_CLASSES_ROOT, u"CLSID\\{00000000-0000-0000-0000-000000000001}"));
    ASSERT_EQ(OpenForRead(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Classes\\CLSID\\{00000000-0000-0000-0000-000000000001}", &key),
              ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key, u"Seen", 5), ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(OpenForRead(HKEY_CLASSES_ROOT, u"clsid\\{00000000-0000-0000-0000-000000000001}", &key), ERROR_SUCCESS);
    EXPECT_EQ(GetDword(key, u"Seen"), 5u);
    RegCloseKey(key);
    EXPECT_EQ(Subkeys(HKEY_CLASSES_ROOT), std::vector<std::u16string>{u"CLSID"});
    EXPECT_EQ(Listed(HKEY_CLASSES_ROOT, &status), std::vector<std::u16string>{u"CLSID"});
}

TEST_F(RegistryKeys, OverlongEmptyOrUnpairedSurrogateNamesAreInvalidParameter) {
    const std::u16string longest(255, u'k');
    const std::u16string tooLong(256, u'k');
    HKEY key = nullptr;
    ASSERT_EQ(CreateForWrite(HKEY_LOCAL_MACHINE, longest.c_str(), &key), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(CreateForWrite(HKEY_LOCAL_MACHINE, tooLong.c_str(), &key), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(OpenForRead(HKEY_LOCAL_MACHINE, (u"A\\" + tooLong).c_str(), &key), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, tooLong.c_str()), ERROR_INVALID_PARAMETER);
    const char16_t unpaired[] = {u'A', 0xD800, u'B', 0};
    for (const char16_t* bad : {u"\\Lead", u"A\\\\B", u"\\", unpaired})
        EXPECT_EQ(CreateForWrite(HKEY_LOCAL_MACHINE, bad, &key), ERROR_INVALID_PARAMETER)
            << std::string(bad, bad + std::char_traits<char16_t>::length(bad));
    // One trailing separator names the same key.
    RegCloseKey(MustCreate(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Trail\\"));
    EXPECT_TRUE(HasKey(u"SOFTWARE\\Trail"));
    // A proper surrogate pair is kept and counts two characters.
    const char16_t pair[] = {u'P', 0xD83D, 0xDE00, 0};
    HKEY parent = MustCreateChildren(u"SOFTWARE\\Pair", {pair});
    DWORD longestName = 0;
    ASSERT_EQ(RegQueryInfoKeyW(parent, nullptr, nullptr, nullptr, nullptr, &longestName, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(longestName, 3u);
    EXPECT_EQ(Subkeys(parent), std::vector<std::u16string>{pair});
    RegCloseKey(parent);
}

TEST_F(RegistryKeys, BogusClosedAndNullHandlesGiveInvalidHandle) {
    HKEY key = MustCreate(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Handles");
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    HKEY out = nullptr;
    LSTATUS status = ERROR_SUCCESS;
    for (HKEY bad : {key, static_cast<HKEY>(nullptr), reinterpret_cast<HKEY>(0x1234),
                     reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000001u))}) {
        EXPECT_EQ(RegCloseKey(bad), ERROR_INVALID_HANDLE);
        EXPECT_EQ(OpenForRead(bad, u"X", &out), ERROR_INVALID_HANDLE);
        EXPECT_EQ(CreateForWrite(bad, u"X", &out), ERROR_INVALID_HANDLE);
        EXPECT_EQ(SetDword(bad, u"V", 1), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegDeleteValueW(bad, u"V"), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegDeleteKeyW(bad, u"X"), ERROR_INVALID_HANDLE);
        SubkeyAt(bad, 0, &status);
        EXPECT_EQ(status, ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegQueryInfoKeyW(bad, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr),
                  ERROR_INVALID_HANDLE);
    }
}

TEST_F(RegistryKeys, PredefinedRootsNeedNoCloseCannotBeDeletedAndNullOutputsAreInvalidParameter) {
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(HKEY_CLASSES_ROOT), ERROR_SUCCESS);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, nullptr, 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(key, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u""), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, u""), ERROR_ACCESS_DENIED);

    EXPECT_EQ(OpenForRead(HKEY_LOCAL_MACHINE, u"SOFTWARE", nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(CreateForWrite(HKEY_LOCAL_MACHINE, u"SOFTWARE", nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(CreateForWrite(HKEY_LOCAL_MACHINE, nullptr, &key), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, nullptr), ERROR_INVALID_PARAMETER);
    DWORD length = 10;
    WCHAR name[10];
    EXPECT_EQ(RegEnumKeyExW(HKEY_LOCAL_MACHINE, 0, nullptr, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegEnumKeyExW(HKEY_LOCAL_MACHINE, 0, name, nullptr, nullptr, nullptr, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegConnectRegistryW(nullptr, HKEY_LOCAL_MACHINE, nullptr), ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryKeys, ConnectTreatsLocalNamesAsThisMachineAndOthersAsBadNetpath) {
    char host[256] = {};
    ASSERT_EQ(gethostname(host, sizeof(host) - 1), 0);
    const std::u16string hostName(host, host + std::char_traits<char>::length(host));
    RegCloseKey(MustCreate(HKEY_CLASSES_ROOT, u"Marker"));
    for (const std::u16string& local : {std::u16string(), std::u16string(u"localhost"),
                                        std::u16string(u"\\\\LOCALHOST"), hostName, u"\\\\" + hostName}) {
        HKEY root = nullptr;
        ASSERT_EQ(RegConnectRegistryW(local.c_str(), HKEY_CLASSES_ROOT, &root), ERROR_SUCCESS);
        HKEY key = nullptr;
        EXPECT_EQ(OpenForRead(root, u"Marker", &key), ERROR_SUCCESS);
        EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
        EXPECT_EQ(RegCloseKey(root), ERROR_SUCCESS);
        EXPECT_EQ(RegCloseKey(root), ERROR_INVALID_HANDLE);
    }
    HKEY root = nullptr;
    ASSERT_EQ(RegConnectRegistryW(nullptr, HKEY_LOCAL_MACHINE, &root), ERROR_SUCCESS);
    RegCloseKey(root);
    EXPECT_EQ(RegConnectRegistryW(u"\\\\printserver-elsewhere", HKEY_LOCAL_MACHINE, &root), ERROR_BAD_NETPATH);
    EXPECT_EQ(root, nullptr);
    EXPECT_EQ(RegConnectRegistryW(u"printserver-elsewhere", HKEY_CLASSES_ROOT, &root), ERROR_BAD_NETPATH);
}

}  // namespace
}  // namespace vek::test
