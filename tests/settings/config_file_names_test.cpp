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
    ASSERT_EQ(ComposeConfigFilePathname(kObject, out_), S_OK);
    EXPECT_EQ(Utf16ToUtf8(out_), Root() + "{ABCDEFAB-CDEF-ABCD-EFAB-CDEFABCDEFAB}.cfg");
}

TEST_F(ConfigFileNamesTest, NullGuidGivesThirtyEightZeroCharacters) {
    ASSERT_EQ(ComposeConfigFilePathname(GUID_NULL, out_), S_OK);
    EXPECT_EQ(Utf16ToUtf8(out_), Root() + "{00000000-0000-0000-0000-000000000000}.cfg");
}

TEST_F(ConfigFileNamesTest, LowerCaseHexNeverAppears) {
    constexpr GUID mixed = {0x0a0b0c0d, 0xe0f0, 0xabcd, {0xef, 1, 2, 3, 0xfa, 0xfb, 0xfc, 0xfd}};
    ASSERT_EQ(ComposeConfigFilePathname(mixed, out_), S_OK);
    const std::string name = Utf16ToUtf8(out_).substr(Root().size());
    EXPECT_EQ(name, "{0A0B0C0D-E0F0-ABCD-EF01-0203FAFBFCFD}.cfg");
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

TEST_F(ConfigFileNamesTest, ClsidTextIsBracedUpperCase) {
    WCHAR text[39];
    CLSIDtoChar(kObject, text, 0);
    EXPECT_EQ(Utf16ToUtf8(text), "{ABCDEFAB-CDEF-ABCD-EFAB-CDEFABCDEFAB}");
}

class OpenStorageTest : public ConfigFileNamesTest {
protected:
    void SetUp() override {
        const std::u16string file = Utf8ToUtf16((home_.home().path() / "s.cfg").string());
        ASSERT_EQ(StgCreateDocfile(file.c_str(), 0x1012, 0, &root_), S_OK);
        IStorage* existing = nullptr;
        ASSERT_EQ(root_->CreateStorage(u"Existing", 0x12, 0, 0, &existing), S_OK);
        existing->Release();
        IStream* stream = nullptr;
        ASSERT_EQ(root_->CreateStream(u"AStream", 0x1012, 0, 0, &stream), S_OK);
        stream->Release();
    }
    void TearDown() override { root_->Release(); }

    // The names and types directly in the root.
    std::vector<std::pair<std::string, DWORD>> Elements() {
        std::vector<std::pair<std::string, DWORD>> found;
        IEnumSTATSTG* elements = nullptr;
        EXPECT_EQ(root_->EnumElements(0, nullptr, 0, &elements), S_OK);
        STATSTG stat{};
        while (elements->Next(1, &stat, nullptr) == S_OK) {
            found.emplace_back(Utf16ToUtf8(stat.pwcsName), stat.type);
            CoTaskMemFree(stat.pwcsName);
        }
        elements->Release();
        std::sort(found.begin(), found.end());
        return found;
    }

    IStorage* root_ = nullptr;
};

TEST_F(OpenStorageTest, ExistingStorageIsOpened) {
    IStorage* sub = nullptr;
    ASSERT_EQ(OpenStorage(u"Existing", root_, &sub), S_OK);
    ASSERT_NE(sub, nullptr);
    sub->Release();
    EXPECT_EQ(Elements().size(), 2u);
}

TEST_F(OpenStorageTest, NewNameIsCreatedAsStorage) {
    IStorage* sub = nullptr;
    ASSERT_EQ(OpenStorage(u"Fresh", root_, &sub), S_OK);
    sub->Release();
    const auto elements = Elements();
    ASSERT_EQ(elements.size(), 3u);
    EXPECT_EQ(elements[1], std::make_pair(std::string("Existing"), STGTY_STORAGE));
    EXPECT_EQ(elements[2], std::make_pair(std::string("Fresh"), STGTY_STORAGE));
}

TEST_F(OpenStorageTest, NameOfAStreamFailsAndKeepsTheStream) {
    IStorage* sub = reinterpret_cast<IStorage*>(0x1);
    EXPECT_EQ(OpenStorage(u"AStream", root_, &sub), E_FAIL);
    EXPECT_EQ(Elements()[0], std::make_pair(std::string("AStream"), STGTY_STREAM));
}

TEST_F(OpenStorageTest, MissingParentFails) {
    IStorage* sub = nullptr;
    EXPECT_EQ(OpenStorage(u"x", nullptr, &sub), E_FAIL);
    EXPECT_EQ(OpenStorage(u"x", root_, nullptr), E_FAIL);
}

}  // namespace
}  // namespace vek::test
