#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/com_object.h"
#include "platform/scoped_key.h"
#include "registry/registry_fixture.h"
#include "support/temp_home.h"
#include "vekconfig/text.h"

namespace {

constexpr CATID kCatA = {0xA0000001, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr CATID kCatB = {0xA0000002, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr CATID kCatMissing = {0xA0000003, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr CLSID kClass1 = {0xC0000001, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr CLSID kClass2 = {0xC0000002, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};

class CategoriesManager : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_ALL,
                                   IID_ICatRegister, registrar_.put_void()),
                  S_OK);
        ASSERT_EQ(registrar_->QueryInterface(IID_ICatInformation, information_.put_void()), S_OK);
    }

    std::vector<GUID> Drain(IEnumGUID* enumerator) {
        std::vector<GUID> all;
        GUID one;
        ULONG fetched = 0;
        while (enumerator->Next(1, &one, &fetched) == S_OK) all.push_back(one);
        enumerator->Release();
        return all;
    }
    std::vector<GUID> ClassesOf(CATID catid, ULONG requiredCount = 0,
                                const CATID* required = nullptr) {
        IEnumCLSID* classes = nullptr;
        EXPECT_EQ(information_->EnumClassesOfCategories(1, &catid, requiredCount, required, &classes),
                  S_OK);
        return classes != nullptr ? Drain(classes) : std::vector<GUID>{};
    }

    vek::test::TempHome home_;
    vek::ComPtr<ICatRegister> registrar_;
    vek::ComPtr<ICatInformation> information_;
};

TEST_F(CategoriesManager, DescriptionIsKeptUnderItsLocaleValueAndCutAt127Characters) {
    CATEGORYINFO infos[2]{};
    infos[0].catid = kCatA;
    infos[1].catid = kCatB;
    for (CATEGORYINFO& info : infos) {
        info.lcid = 0x409;
        for (int i = 0; i < 128; ++i) info.szDescription[i] = u'd';  // no terminator at all
    }
    infos[0].szDescription[127] = 0;  // 127 characters
    ASSERT_EQ(registrar_->RegisterCategories(2, infos), S_OK);
    const std::u16string kept(127, u'd');

    EXPECT_EQ(vek::test::CategoryDescription409(kCatA), kept);

    // Locale 0x407 has no value of its own: it falls back to the one there is.
    for (const auto& [catid, lcid] : {std::pair{kCatA, 0x407}, std::pair{kCatB, 0x409}}) {
        WCHAR* description = nullptr;
        ASSERT_EQ(information_->GetCategoryDesc(catid, lcid, &description), S_OK);
        EXPECT_EQ(std::u16string(description), kept);
        CoTaskMemFree(description);
    }
    WCHAR* description = nullptr;
    EXPECT_EQ(information_->GetCategoryDesc(kCatMissing, 0x409, &description), CAT_E_CATIDNOEXIST);
}

TEST_F(CategoriesManager, ClassesAreFoundByAnyImplementedCategory) {
    CATID both[] = {kCatA, kCatB};
    CATID onlyB[] = {kCatB};
    ASSERT_EQ(registrar_->RegisterClassImplCategories(kClass1, 2, both), S_OK);
    ASSERT_EQ(registrar_->RegisterClassImplCategories(kClass2, 1, onlyB), S_OK);
    EXPECT_EQ(ClassesOf(kCatA).size(), 1u);
    const std::vector<GUID> ofB = ClassesOf(kCatB);
    ASSERT_EQ(ofB.size(), 2u);
    EXPECT_TRUE(ofB[0] == kClass1);
    EXPECT_TRUE(ofB[1] == kClass2);
}

TEST_F(CategoriesManager, ClassRequiringACategoryTheCallerLacksIsLeftOut) {
    CATID impl[] = {kCatA};
    CATID req[] = {kCatB};
    ASSERT_EQ(registrar_->RegisterClassImplCategories(kClass1, 1, impl), S_OK);
    ASSERT_EQ(registrar_->RegisterClassReqCategories(kClass1, 1, req), S_OK);
    EXPECT_TRUE(ClassesOf(kCatA).empty());
    EXPECT_EQ(ClassesOf(kCatA, 1, req).size(), 1u);
    EXPECT_EQ(ClassesOf(kCatA, CATEGORY_LIST_IGNORED).size(), 1u);
    EXPECT_EQ(information_->IsClassOfCategories(kClass1, 1, impl, 0, nullptr), S_FALSE);
}

TEST_F(CategoriesManager, RemovingTheLastLinkRemovesTheListKeyAndMissingOnesAreNoError) {
    CATID impl[] = {kCatA, kCatB};
    EXPECT_EQ(registrar_->UnRegisterCategories(1, impl), S_OK) << "a category never registered";
    EXPECT_EQ(registrar_->UnRegisterCategories(1, nullptr), E_INVALIDARG);
    ASSERT_EQ(registrar_->RegisterClassImplCategories(kClass1, 2, impl), S_OK);
    ASSERT_EQ(registrar_->UnRegisterClassImplCategories(kClass1, 1, impl), S_OK);
    IEnumCATID* left = nullptr;
    ASSERT_EQ(information_->EnumImplCategoriesOfClass(kClass1, &left), S_OK);
    const std::vector<GUID> remaining = Drain(left);
    ASSERT_EQ(remaining.size(), 1u);
    EXPECT_TRUE(remaining[0] == kCatB);
    ASSERT_EQ(registrar_->UnRegisterClassImplCategories(kClass1, 1, impl + 1), S_OK);
    vek::ScopedKey key;
    const std::u16string path = u"CLSID\\" + vek::GuidText(kClass1) + u"\\Implemented Categories";
    EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.put()),
              ERROR_FILE_NOT_FOUND);
}

TEST_F(CategoriesManager, EnumeratorNextSkipAndCloneKeepTheirPositions) {
    CATID impl[] = {kCatA, kCatB};
    ASSERT_EQ(registrar_->RegisterClassImplCategories(kClass1, 2, impl), S_OK);
    IEnumCATID* categories = nullptr;
    ASSERT_EQ(information_->EnumImplCategoriesOfClass(kClass1, &categories), S_OK);
    EXPECT_EQ(categories->Skip(1), S_OK);
    IEnumCATID* copy = nullptr;
    ASSERT_EQ(categories->Clone(&copy), S_OK);
    GUID buffer[4];
    ULONG fetched = 0;
    EXPECT_EQ(categories->Next(4, buffer, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 1u);
    EXPECT_TRUE(buffer[0] == kCatB);
    EXPECT_EQ(copy->Next(4, buffer, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 1u) << "the clone starts where the original was";
    EXPECT_EQ(categories->Skip(1), S_FALSE);
    categories->Release();
    copy->Release();
}

}  // namespace
