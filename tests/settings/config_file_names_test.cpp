// Composed file names, GUID text and sub-storage access.
#include <gtest/gtest.h>

#include "settings/settings_test_util.h"
#include "support/logged_home.h"
#include "vekconfig/config_files.h"
#include "vekconfig/settings.h"

namespace vek::test {
namespace {

constexpr GUID kObject = {0xABCDEFAB, 0xCDEF, 0xABCD, {0xEF, 0xAB, 0xCD, 0xEF, 0xAB, 0xCD, 0xEF, 0xAB}};

class ConfigFileNamesTest : public ::testing::Test {
protected:
    std::string Root() { return (home_.home().path() / "config").string() + "/"; }

    LoggedHome home_;
    WCHAR out_[MAX_PATH] = u"untouched";
};

TEST_F(ConfigFileNamesTest, ConfigFileIsRootBracedUpperCaseGuidAndCfg) {
    const std::pair<GUID, const char*> cases[] = {
        {kObject, "{ABCDEFAB-CDEF-ABCD-EFAB-CDEFABCDEFAB}"},
        {GUID_NULL, "{00000000-0000-0000-0000-000000000000}"},
        {{0x0a0b0c0d, 0xe0f0, 0xabcd, {0xef, 1, 2, 3, 0xfa, 0xfb, 0xfc, 0xfd}}, "{0A0B0C0D-E0F0-ABCD-EF01-0203FAFBFCFD}"}};
    for (const auto& [id, text] : cases) {
        ASSERT_EQ(ComposeConfigFilePathname(id, out_), S_OK);
        EXPECT_EQ(Utf16ToUtf8(out_), Root() + text + ".cfg");
        WCHAR clsid[39];
        CLSIDtoChar(id, clsid, 0);
        EXPECT_EQ(Utf16ToUtf8(clsid), text);
    }
}

TEST_F(ConfigFileNamesTest, AttributeFileIsRootBaseNameAndUpperCaseAtt) {
    ASSERT_EQ(ComposeATTFilePathname(u"Model 7", out_), S_OK);
    EXPECT_EQ(Utf16ToUtf8(out_), Root() + "Model 7.ATT");
    EXPECT_EQ(ComposeATTFilePathname(nullptr, out_), E_FAIL);
    EXPECT_EQ(out_[0], 0);
}

TEST_F(ConfigFileNamesTest, UnreadableRootGivesFailureAndEmptyName) {
    FaultyRegistry registry(ERROR_ACCESS_DENIED, -1);
    home_.env().SetRegistry(&registry);
    EXPECT_EQ(ComposeConfigFilePathname(kObject, out_), E_FAIL);
    EXPECT_EQ(out_[0], 0);
    WideCopy(out_, MAX_PATH, u"untouched");
    EXPECT_EQ(ComposeATTFilePathname(u"m", out_), E_FAIL);
    EXPECT_EQ(out_[0], 0);
    home_.env().SetRegistry(nullptr);
}

TEST_F(ConfigFileNamesTest, PathThatWouldPassMaxPathFailsWithEmptyName) {
    // 218 characters of root with its separator leave 260 - 218 = 42 for the
    // GUID and ".cfg": exactly full, with no room for the terminator.
    const std::string base = home_.home().path().string() + "/";
    const std::string tooLong = base + std::string(217 - base.size(), 'r');
    const std::string fits = base + std::string(216 - base.size(), 'r');
    ASSERT_EQ(SetConfigLocation(Utf8ToUtf16(tooLong).c_str(), nullptr), S_OK);
    EXPECT_EQ(ComposeConfigFilePathname(kObject, out_), E_FAIL);
    EXPECT_EQ(out_[0], 0);
    ASSERT_EQ(SetConfigLocation(Utf8ToUtf16(fits).c_str(), nullptr), S_OK);
    ASSERT_EQ(ComposeConfigFilePathname(kObject, out_), S_OK);
    EXPECT_EQ(WideLength(out_), static_cast<size_t>(MAX_PATH - 1));
}

// The names and types directly in a storage.
std::vector<std::pair<std::string, DWORD>> Elements(IStorage* storage) {
    std::vector<std::pair<std::string, DWORD>> found;
    IEnumSTATSTG* elements = nullptr;
    EXPECT_EQ(storage->EnumElements(0, nullptr, 0, &elements), S_OK);
    STATSTG stat{};
    while (elements->Next(1, &stat, nullptr) == S_OK) {
        found.emplace_back(Utf16ToUtf8(stat.pwcsName), stat.type);
        CoTaskMemFree(stat.pwcsName);
    }
    elements->Release();
    std::sort(found.begin(), found.end());
    return found;
}

TEST_F(ConfigFileNamesTest, OpenStorageOpensOrCreatesAStorageButNeverReplacesAStream) {
    const std::u16string file = Utf8ToUtf16((home_.home().path() / "s.cfg").string());
    IStorage* root = nullptr;
    ASSERT_EQ(StgCreateDocfile(file.c_str(), 0x1012, 0, &root), S_OK);
    IStorage* sub = nullptr;
    ASSERT_EQ(root->CreateStorage(u"Existing", 0x12, 0, 0, &sub), S_OK);
    sub->Release();
    IStream* stream = nullptr;
    ASSERT_EQ(root->CreateStream(u"AStream", 0x1012, 0, 0, &stream), S_OK);
    stream->Release();

    for (const char16_t* name : {u"Existing", u"Fresh"}) {
        sub = nullptr;
        ASSERT_EQ(OpenStorage(name, root, &sub), S_OK);
        ASSERT_NE(sub, nullptr);
        sub->Release();
    }
    sub = reinterpret_cast<IStorage*>(0x1);
    EXPECT_EQ(OpenStorage(u"AStream", root, &sub), E_FAIL);
    EXPECT_EQ(OpenStorage(u"x", nullptr, &sub), E_FAIL);
    EXPECT_EQ(OpenStorage(u"x", root, nullptr), E_FAIL);
    EXPECT_EQ(Elements(root), (std::vector<std::pair<std::string, DWORD>>{
                                  {"AStream", STGTY_STREAM}, {"Existing", STGTY_STORAGE}, {"Fresh", STGTY_STORAGE}}));
    root->Release();
}

}  // namespace
}  // namespace vek::test
