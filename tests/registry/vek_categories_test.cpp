#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "registry/registry_fixture.h"
#include "registry/vek_category_table.h"
#include "vekconfig/vek_categories.h"

namespace {

using vek::GuidText;
using vek::kVekCategories;
using vek::test::ErrorReports;

CLSID NumberedClass(uint32_t n) { return {0x7E570000u + n, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}}; }

class VekCategories : public ::testing::Test {
protected:
    void Implement(REFCLSID clsid, std::initializer_list<size_t> tableIndexes) {
        std::vector<CATID> catids;
        for (size_t i : tableIndexes) catids.push_back(kVekCategories[i].catid);
        ASSERT_EQ(RegisterImplementedVekCategories(clsid, static_cast<ULONG>(catids.size()),
                                                   catids.data()),
                  S_OK);
    }
    bool CategoryRegistered(size_t tableIndex) {
        return vek::test::ClassesKeyExists(u"Component Categories\\" +
                                           GuidText(kVekCategories[tableIndex].catid));
    }
    void Unimplement(REFCLSID clsid, size_t tableIndex) {
        ASSERT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT,
                                (u"CLSID\\" + GuidText(clsid) + u"\\Implemented Categories\\" +
                                 GuidText(kVekCategories[tableIndex].catid)).c_str()),
                  ERROR_SUCCESS);
    }

    vek::test::LoggedHome home_;
};

TEST_F(VekCategories, EveryCategoryHasItsDescriptionAndAClassGetsItsCategoriesInKeyOrder) {
    ASSERT_EQ(RegisterVekCategories(), S_OK);
    for (const vek::VekCategory& category : kVekCategories)
        EXPECT_EQ(vek::test::CategoryDescription409(category.catid), category.description);
    EXPECT_EQ(std::u16string(kVekCategories[17].description),
              u"Logical Printer for Norvane 5300 Photo Printer");
    const CLSID clsid = NumberedClass(1);
    Implement(clsid, {1, 8});  // categories 2 and 9 of the table
    ULONG count = 0;
    CATID* catids = nullptr;
    EXPECT_EQ(GetVekCategoriesByClass(clsid, count, &catids), S_FALSE);
    ASSERT_EQ(count, 2u);
    // Key order: {AC9343F2-...} sorts before {FC0D4022-...}.
    EXPECT_TRUE(catids[0] == kVekCategories[8].catid);
    EXPECT_TRUE(catids[1] == kVekCategories[1].catid);
    std::free(catids);
}

TEST_F(VekCategories, CategoryWithoutClassesGivesSFalseAndAnEmptyResultAndNoArrayIsRefused) {
    ULONG count = 99;
    CATEGORY_CLASS_INFO* classes = reinterpret_cast<CATEGORY_CLASS_INFO*>(0x1);
    EXPECT_EQ(GetClassesByVekCategory(kVekCategories[3].catid, count, &classes), S_FALSE);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(classes, nullptr);
    EXPECT_EQ(GetVekCategoriesByClass(NumberedClass(1), count, nullptr), E_POINTER);
    EXPECT_EQ(GetClassesByVekCategory(kVekCategories[0].catid, count, nullptr), E_POINTER);
}

TEST_F(VekCategories, ClassWithoutDefaultValueOrWithOverlongNameIsLeftOutSilently) {
    const CLSID named = NumberedClass(1), unnamed = NumberedClass(2), overlong = NumberedClass(3),
                longest = NumberedClass(4);
    vek::test::SetClassName(named, u"Named printer");
    vek::test::SetClassName(overlong, std::u16string(260, u'x'));
    vek::test::SetClassName(longest, std::u16string(259, u'y'));
    for (const CLSID& clsid : {named, unnamed, overlong, longest}) Implement(clsid, {0});
    ULONG count = 0;
    CATEGORY_CLASS_INFO* classes = nullptr;
    EXPECT_EQ(GetClassesByVekCategory(kVekCategories[0].catid, count, &classes), S_FALSE);
    ASSERT_EQ(count, 2u);
    EXPECT_TRUE(classes[0].clsid == named);
    EXPECT_EQ(std::u16string(classes[0].szClassName), u"Named printer");
    EXPECT_TRUE(classes[1].clsid == longest);
    EXPECT_EQ(std::u16string(classes[1].szClassName).size(), 259u);
    std::free(classes);
    EXPECT_TRUE(ErrorReports(home_).empty());
}

TEST_F(VekCategories, ClassKeyThatIsGoneIsSkippedSilentlyButOtherOpenFailuresAreReported) {
    const CLSID gone = NumberedClass(1), denied = NumberedClass(2), fine = NumberedClass(3);
    for (const CLSID& clsid : {gone, denied, fine}) {
        vek::test::SetClassName(clsid, u"Printer");
        Implement(clsid, {4});
    }
    const std::u16string gonePath = u"CLSID\\" + GuidText(gone);
    const std::u16string deniedPath = u"CLSID\\" + GuidText(denied);
    vek::test::FailingOpens missing(
        [&](std::u16string_view path) { return vek::WideEqualsIgnoreCase(path, gonePath); },
        ERROR_FILE_NOT_FOUND);
    vek::test::FailingOpens refused(
        [&](std::u16string_view path) { return vek::WideEqualsIgnoreCase(path, deniedPath); },
        ERROR_ACCESS_DENIED);
    ULONG count = 0;
    CATEGORY_CLASS_INFO* classes = nullptr;
    EXPECT_EQ(GetClassesByVekCategory(kVekCategories[4].catid, count, &classes), S_FALSE);
    ASSERT_EQ(count, 1u);
    EXPECT_TRUE(classes[0].clsid == fine);
    std::free(classes);
    EXPECT_EQ(ErrorReports(home_),
              std::vector<std::string>{"GetClassesByCategory-->VekOpenRegKeyWithRetry|0x5"});
}

TEST_F(VekCategories, SeventyClassesOrCategoriesOnlyTheFirst64AreExamined) {
    for (uint32_t n = 0; n < 70; ++n) {
        vek::test::SetClassName(NumberedClass(n), u"Printer " + vek::Utf8ToUtf16(std::to_string(n)));
        Implement(NumberedClass(n), {6});
    }
    ULONG count = 0;
    CATEGORY_CLASS_INFO* classes = nullptr;
    EXPECT_EQ(GetClassesByVekCategory(kVekCategories[6].catid, count, &classes), S_OK)
        << "Next delivered all 64 it was asked for";
    ASSERT_EQ(count, 64u);
    for (uint32_t n = 0; n < 64; ++n) EXPECT_TRUE(classes[n].clsid == NumberedClass(n)) << n;
    std::free(classes);
    // And a class with seventy categories gives the first 64 of them.
    std::vector<CATID> many;
    for (uint32_t n = 0; n < 70; ++n) many.push_back(NumberedClass(100 + n));
    ASSERT_EQ(RegisterImplementedVekCategories(NumberedClass(1), 70, many.data()), S_OK);
    CATID* catids = nullptr;
    EXPECT_EQ(GetVekCategoriesByClass(NumberedClass(1), count, &catids), S_OK);
    EXPECT_EQ(count, 64u);
    std::free(catids);
}

TEST_F(VekCategories, CleanupRemovesEveryCategoryNoClassImplementsAndEndsWithTheLastStatus) {
    const struct {
        const char* what;
        size_t implemented;
        bool classGone;
        HRESULT expected;
    } cases[] = {
        {"every class gone", 2, true, S_OK},
        {"one class left, the last category examined removed", 2, false, S_OK},
        {"the last category still implemented: Next's status", 17, false, S_FALSE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        vek::test::TempHome fresh;
        ASSERT_EQ(RegisterVekCategories(), S_OK);
        Implement(NumberedClass(1), {c.implemented});
        if (c.classGone) Unimplement(NumberedClass(1), c.implemented);
        EXPECT_EQ(CleanupVekCategories(), c.expected);
        for (size_t i = 0; i < kVekCategories.size(); ++i)
            EXPECT_EQ(CategoryRegistered(i), !c.classGone && i == c.implemented) << i;
    }
}

TEST_F(VekCategories, CleanupStopsAtTheFirstFailingCategory) {
    ASSERT_EQ(RegisterVekCategories(), S_OK);
    vek::test::FailingOpens broken(
        [&](std::u16string_view path) { return vek::WideEqualsIgnoreCase(path, u"CLSID"); },
        ERROR_ACCESS_DENIED);
    EXPECT_EQ(CleanupVekCategories(), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(CategoryRegistered(0)) << "nothing was examined past the failure";
}

TEST_F(VekCategories, ThreadKeepsItsOwnApartmentOrItsLackOfOne) {
    std::thread([&] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        EXPECT_EQ(RegisterVekCategories(), S_OK);
        Implement(NumberedClass(1), {0});
        ULONG count = 0;
        CATID* catids = nullptr;
        EXPECT_EQ(GetVekCategoriesByClass(NumberedClass(1), count, &catids), S_FALSE);
        EXPECT_EQ(count, 1u);
        std::free(catids);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE)
            << "still in its own apartment";
        CoUninitialize();
        CoUninitialize();
    }).join();
    std::thread([&] {
        EXPECT_EQ(RegisterVekCategories(), S_OK);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK)
            << "the operation left the multithreaded apartment it joined";
        CoUninitialize();
    }).join();
}

}  // namespace
