#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "platform/registry_test_util.h"
#include "support/temp_home.h"
#include "vekconfig/registry.h"

namespace vek::test {
namespace {

class RegistryKeys : public ::testing::Test {
protected:
    TempHome home_;
};

std::vector<std::u16string> Subkeys(HKEY key) {
    std::vector<std::u16string> names;
    for (DWORD index = 0;; ++index) {
        WCHAR name[260];
        DWORD length = 260;
        const LSTATUS status =
            RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        EXPECT_EQ(status, ERROR_SUCCESS);
        if (status != ERROR_SUCCESS) break;
        EXPECT_EQ(length, std::u16string(name).size());
        names.emplace_back(name);
    }
    return names;
}

TEST_F(RegistryKeys, OpenOfMissingKeyGivesFileNotFound) {
    HKEY key = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Nothing", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
}

TEST_F(RegistryKeys, CreateMakesEveryMissingKeyAndReportsDisposition) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\A\\B\\C", 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\A\\B\\C", 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_READ, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\A\\B", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryKeys, NamesCompareWithoutCaseAndKeepTheirCreatedCase) {
    RegCloseKey(MustCreate(HKEY_LOCAL_MACHINE, u"SOFTWARE\\MixedCase"));
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"software\\MIXEDCASE", 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    RegCloseKey(key);
    HKEY software = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software", 0, KEY_READ, &software),
              ERROR_SUCCESS);
    EXPECT_EQ(Subkeys(software), std::vector<std::u16string>{u"MixedCase"});
    RegCloseKey(software);
}

TEST_F(RegistryKeys, FoldingTouchesOnlyAsciiLetters) {
    RegCloseKey(MustCreate(HKEY_LOCAL_MACHINE, u"Stra\u00dfe\\\u00e9t\u00e9"));
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"STRA\u00dfE\\\u00e9T\u00e9", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Stra\u00dfe\\\u00c9t\u00e9", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryKeys, EnumerationIsInCaseInsensitiveOrderThenNoMoreItems) {
    HKEY parent = MustCreate(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Order");
    for (const char16_t* name : {u"beta", u"Alpha", u"GAMMA", u"a_b", u"AB", u"delta"})
        RegCloseKey(MustCreate(parent, name));
    // Upper-case folding puts "a_b" after "Alpha" ('L' < '_'); lower-case would not.
    EXPECT_EQ(Subkeys(parent), (std::vector<std::u16string>{u"AB", u"Alpha", u"a_b", u"beta",
                                                            u"delta", u"GAMMA"}));
    DWORD count = 0;
    EXPECT_EQ(RegQueryInfoKeyW(parent, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                               nullptr, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(count, 6u);
    RegCloseKey(parent);
}

// The name at index on key, or the status when there is none.
std::u16string SubkeyAt(HKEY key, DWORD index, LSTATUS* status) {
    WCHAR name[260];
    DWORD length = 260;
    *status = RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    return *status == ERROR_SUCCESS ? std::u16string(name, length) : std::u16string();
}

HKEY MustCreateChildren(const char16_t* path, std::initializer_list<const char16_t*> names) {
    HKEY parent = MustCreate(HKEY_LOCAL_MACHINE, path);
    for (const char16_t* name : names) RegCloseKey(MustCreate(parent, name));
    return parent;
}

TEST_F(RegistryKeys, WalkDeletingEachReturnedKeySkipsNone) {
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
}

TEST_F(RegistryKeys, KeyAddedBeforeWalkPositionDoesNotRepeatAName) {
    HKEY parent = MustCreateChildren(u"SOFTWARE\\Grow", {u"b", u"c"});
    LSTATUS status = ERROR_SUCCESS;
    EXPECT_EQ(SubkeyAt(parent, 0, &status), u"b");
    RegCloseKey(MustCreate(parent, u"a"));
    EXPECT_EQ(SubkeyAt(parent, 1, &status), u"c");
    SubkeyAt(parent, 2, &status);
    EXPECT_EQ(status, ERROR_NO_MORE_ITEMS);
    RegCloseKey(parent);
}

TEST_F(RegistryKeys, IndexesOutOfSequenceStillCountFromTheFirstKey) {
    HKEY parent = MustCreateChildren(u"SOFTWARE\\Jump", {u"a", u"b", u"c", u"d"});
    const char16_t* names[] = {u"a", u"b", u"c", u"d"};
    LSTATUS status = ERROR_SUCCESS;
    for (DWORD index : {2, 0, 3, 1, 1, 2}) EXPECT_EQ(SubkeyAt(parent, index, &status), names[index]);
    RegCloseKey(parent);
}

TEST_F(RegistryKeys, InterleavedWalksOnTwoHandlesKeepTheirOwnPlace) {
    HKEY first = MustCreateChildren(u"SOFTWARE\\Twice", {u"a", u"b", u"c"});
    HKEY second = MustCreate(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Twice");
    const char16_t* names[] = {u"a", u"b", u"c"};
    const std::pair<HKEY, DWORD> steps[] = {
        {first, 0}, {first, 1}, {second, 0}, {first, 2}, {second, 1}};
    LSTATUS status = ERROR_SUCCESS;
    for (const auto& [key, index] : steps) EXPECT_EQ(SubkeyAt(key, index, &status), names[index]);
    RegCloseKey(second);
    RegCloseKey(first);
}

TEST_F(RegistryKeys, WalkGoesOnAfterAShortBufferRetry) {
    HKEY parent = MustCreateChildren(u"SOFTWARE\\Retry", {u"ExactlyTen", u"Zed"});
    WCHAR name[10];
    DWORD length = 10;
    EXPECT_EQ(RegEnumKeyExW(parent, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_MORE_DATA);
    LSTATUS status = ERROR_SUCCESS;
    EXPECT_EQ(SubkeyAt(parent, 0, &status), u"ExactlyTen");
    EXPECT_EQ(SubkeyAt(parent, 1, &status), u"Zed");
    SubkeyAt(parent, 2, &status);
    EXPECT_EQ(status, ERROR_NO_MORE_ITEMS);
    RegCloseKey(parent);
}

TEST_F(RegistryKeys, EnumerationIntoShortBufferGivesMoreDataAndKeepsLength) {
    HKEY parent = MustCreate(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Short");
    RegCloseKey(MustCreate(parent, u"ExactlyTen"));
    WCHAR name[10];
    DWORD length = 10;  // room for 9 characters and the terminator
    EXPECT_EQ(RegEnumKeyExW(parent, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_MORE_DATA);
    EXPECT_EQ(length, 10u);
    WCHAR enough[11];
    length = 11;
    EXPECT_EQ(RegEnumKeyExW(parent, 0, enough, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(length, 10u);
    EXPECT_EQ(std::u16string(enough), u"ExactlyTen");
    RegCloseKey(parent);
}

TEST_F(RegistryKeys, DeleteOfKeyWithSubkeysIsRefusedWithAccessDenied) {
    RegCloseKey(MustCreate(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tree\\Leaf"));
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tree"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"software\\tree\\LEAF"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tree\\Leaf"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tree"), ERROR_SUCCESS);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tree", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryKeys, DeletedKeyTakesItsValuesAlong) {
    HKEY key = MustCreate(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Gone");
    ASSERT_EQ(SetDword(key, u"Kept", 7), ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Gone"), ERROR_SUCCESS);
    key = MustCreate(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Gone");
    LSTATUS status = ERROR_SUCCESS;
    GetDword(key, u"Kept", &status);
    EXPECT_EQ(status, ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

TEST_F(RegistryKeys, HandleOfDeletedKeyGivesKeyDeleted) {
    HKEY key = MustCreate(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Doomed");
    ASSERT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Doomed"), ERROR_SUCCESS);
    EXPECT_EQ(SetDword(key, u"Late", 1), ERROR_KEY_DELETED);
    LSTATUS status = ERROR_SUCCESS;
    GetDword(key, u"Late", &status);
    EXPECT_EQ(status, ERROR_KEY_DELETED);
    HKEY child = nullptr;
    EXPECT_EQ(RegCreateKeyExW(key, u"Child", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                              nullptr, &child, nullptr),
              ERROR_KEY_DELETED);
    WCHAR name[8];
    DWORD length = 8;
    EXPECT_EQ(RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryKeys, DeleteThroughHandleTakesPathOrTheKeyItself) {
    HKEY parent = MustCreate(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Owner");
    RegCloseKey(MustCreate(parent, u"Child"));
    EXPECT_EQ(RegDeleteKeyW(parent, u"child"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(parent, u""), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(parent, u""), ERROR_KEY_DELETED);
    RegCloseKey(parent);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Owner", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryKeys, ClassesRootIsTheViewOfMachineSoftwareClasses) {
    RegCloseKey(MustCreate(HKEY_CLASSES_ROOT, u"CLSID\\{00000000-0000-0000-0000-000000000001}"));
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                            u"SOFTWARE\\Classes\\CLSID\\{00000000-0000-0000-0000-000000000001}",
                            0, KEY_READ, &key),
              ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key, u"Seen", 5), ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"clsid\\{00000000-0000-0000-0000-000000000001}",
                            0, KEY_READ, &key),
              ERROR_SUCCESS);
    EXPECT_EQ(GetDword(key, u"Seen"), 5u);
    RegCloseKey(key);
    EXPECT_EQ(Subkeys(HKEY_CLASSES_ROOT), std::vector<std::u16string>{u"CLSID"});
}

TEST_F(RegistryKeys, EmptyClassesViewEnumeratesNothingAndOpensNothing) {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"CLSID", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(Subkeys(HKEY_CLASSES_ROOT).empty());
}

TEST_F(RegistryKeys, NameOf255CharactersIsAcceptedAnd256IsRejected) {
    const std::u16string longest(255, u'k');
    const std::u16string tooLong(256, u'k');
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, longest.c_str(), 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, tooLong.c_str(), 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, (u"A\\" + tooLong).c_str(), 0, KEY_READ, &key),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, tooLong.c_str()), ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryKeys, EmptyNameInsidePathIsRejected) {
    HKEY key = nullptr;
    for (const char16_t* bad : {u"\\Lead", u"A\\\\B", u"\\"})
        EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, bad, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_INVALID_PARAMETER)
            << std::string(bad, bad + std::char_traits<char16_t>::length(bad));
    // One trailing separator names the same key.
    key = MustCreate(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Trail\\");
    RegCloseKey(key);
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Trail", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST_F(RegistryKeys, UnpairedSurrogateInNameIsRejectedNotMangled) {
    const char16_t bad[] = {u'A', 0xD800, u'B', 0};
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, bad, 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_WRITE, nullptr, &key, nullptr),
              ERROR_INVALID_PARAMETER);
    // A proper pair is kept and counts two characters.
    const char16_t pair[] = {u'P', 0xD83D, 0xDE00, 0};
    RegCloseKey(MustCreate(HKEY_LOCAL_MACHINE, pair));
    DWORD longest = 0;
    ASSERT_EQ(RegQueryInfoKeyW(HKEY_LOCAL_MACHINE, nullptr, nullptr, nullptr, nullptr, &longest,
                               nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(longest, 3u);
    EXPECT_EQ(Subkeys(HKEY_LOCAL_MACHINE), std::vector<std::u16string>{pair});
}

TEST_F(RegistryKeys, BogusClosedAndNullHandlesGiveInvalidHandle) {
    HKEY key = MustCreate(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Handles");
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    HKEY out = nullptr;
    WCHAR name[16];
    DWORD length = 16;
    for (HKEY bad : {key, static_cast<HKEY>(nullptr), reinterpret_cast<HKEY>(0x1234),
                     reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000001u))}) {
        EXPECT_EQ(RegCloseKey(bad), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegOpenKeyExW(bad, u"X", 0, KEY_READ, &out), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegCreateKeyExW(bad, u"X", 0, nullptr, 0, KEY_WRITE, nullptr, &out, nullptr),
                  ERROR_INVALID_HANDLE);
        EXPECT_EQ(SetDword(bad, u"V", 1), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegDeleteValueW(bad, u"V"), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegDeleteKeyW(bad, u"X"), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegEnumKeyExW(bad, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
                  ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegQueryInfoKeyW(bad, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr, nullptr, nullptr),
                  ERROR_INVALID_HANDLE);
    }
}

TEST_F(RegistryKeys, PredefinedRootsNeedNoCloseAndCannotBeDeleted) {
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(HKEY_CLASSES_ROOT), ERROR_SUCCESS);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, nullptr, 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(key, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u""), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, u""), ERROR_ACCESS_DENIED);
}

TEST_F(RegistryKeys, NullOutputPointersGiveInvalidParameter) {
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE", 0, KEY_READ, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE", 0, nullptr, 0, KEY_WRITE, nullptr,
                              nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, nullptr, 0, nullptr, 0, KEY_WRITE, nullptr,
                              &key, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, nullptr), ERROR_INVALID_PARAMETER);
    DWORD length = 10;
    WCHAR name[10];
    EXPECT_EQ(RegEnumKeyExW(HKEY_LOCAL_MACHINE, 0, nullptr, &length, nullptr, nullptr, nullptr,
                            nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegEnumKeyExW(HKEY_LOCAL_MACHINE, 0, name, nullptr, nullptr, nullptr, nullptr,
                            nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegConnectRegistryW(nullptr, HKEY_LOCAL_MACHINE, nullptr), ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryKeys, ConnectTreatsLocalNamesAsThisMachineAndOthersAsBadNetpath) {
    char host[256] = {};
    ASSERT_EQ(gethostname(host, sizeof(host) - 1), 0);
    const std::u16string hostName(host, host + std::char_traits<char>::length(host));
    RegCloseKey(MustCreate(HKEY_CLASSES_ROOT, u"Marker"));
    for (const std::u16string& local :
         {std::u16string(), std::u16string(u"localhost"), std::u16string(u"\\\\LOCALHOST"),
          hostName, u"\\\\" + hostName}) {
        HKEY root = nullptr;
        ASSERT_EQ(RegConnectRegistryW(local.c_str(), HKEY_CLASSES_ROOT, &root), ERROR_SUCCESS);
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExW(root, u"Marker", 0, KEY_READ, &key), ERROR_SUCCESS);
        EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
        EXPECT_EQ(RegCloseKey(root), ERROR_SUCCESS);
        EXPECT_EQ(RegCloseKey(root), ERROR_INVALID_HANDLE);
    }
    HKEY root = nullptr;
    ASSERT_EQ(RegConnectRegistryW(nullptr, HKEY_LOCAL_MACHINE, &root), ERROR_SUCCESS);
    RegCloseKey(root);
    EXPECT_EQ(RegConnectRegistryW(u"\\\\printserver-elsewhere", HKEY_LOCAL_MACHINE, &root),
              ERROR_BAD_NETPATH);
    EXPECT_EQ(root, nullptr);
    EXPECT_EQ(RegConnectRegistryW(u"printserver-elsewhere", HKEY_CLASSES_ROOT, &root),
              ERROR_BAD_NETPATH);
}

}  // namespace
}  // namespace vek::test
