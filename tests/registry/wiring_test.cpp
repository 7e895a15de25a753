#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "platform/com_object.h"
#include "registry/object_files.h"
#include "registry/registry_fixture.h"
#include "vekconfig/settings.h"

namespace {

using vek::GuidText;
using vek::test::ConfigFileOf;
using vek::test::ConnectionsOf;
using vek::test::MakeLogicalPrinter;
using vek::test::MakePhysicalPrinter;
using vek::test::TestGuid;

constexpr CLSID kPrinterClass = {0xCC000002, 0x1111, 0x2222, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr CLSID kBrokerClass = {0xCC000003, 0x1111, 0x2222, {1, 2, 3, 4, 5, 6, 7, 8}};

std::string Bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The candidates offered for a model or for a logical printer.
std::vector<POTENTIAL_LP_PP_CONNECTION> Offered(ULONG count, POTENTIAL_LP_PP_CONNECTION* list) {
    std::vector<POTENTIAL_LP_PP_CONNECTION> candidates(list, list + count);
    std::free(list);
    return candidates;
}
std::vector<POTENTIAL_LP_PP_CONNECTION> CandidatesFor(const WCHAR* model) {
    ULONG count = 0;
    POTENTIAL_LP_PP_CONNECTION* list = nullptr;
    EXPECT_EQ(GetPotentialPPs(model, count, &list, nullptr, 0, nullptr), S_OK);
    return Offered(count, list);
}
std::vector<POTENTIAL_LP_PP_CONNECTION> CandidatesFor(REFGUID queue) {
    ULONG count = 0;
    POTENTIAL_LP_PP_CONNECTION* list = nullptr;
    EXPECT_EQ(GetPotentialPPs(queue, count, &list), S_OK);
    return Offered(count, list);
}

class Wiring : public ::testing::Test {
protected:
    // A registered physical printer supporting the models.
    void Printer(uint32_t n, std::vector<std::u16string> models, std::u16string description = u"PP") {
        MakePhysicalPrinter(TestGuid(0xAA, n), kPrinterClass,
                            {description, u"0-1-2-0", VEK_ADDRESS_SCSI, std::move(models)});
        ASSERT_EQ(AddVekObjectIDToRegistry(kPrinterClass, TestGuid(0xAA, n)), S_OK);
    }
    // A registered logical printer.
    void Queue(uint32_t n, const std::u16string& model, std::vector<GUID> connected) {
        MakeLogicalPrinter(TestGuid(0xBB, n), model, connected);
        ASSERT_EQ(AddVekObjectIDToRegistry(CLSID_VekLogicalPrinter, TestGuid(0xBB, n)), S_OK);
    }

    vek::test::LoggedHome home_;
};

TEST_F(Wiring, PrinterNoQueueListsIsNotConnectedAndUnwiringChangesNoFile) {
    BOOL connected = TRUE;
    EXPECT_EQ(CheckIfPPConnectedToLP(TestGuid(0xAA, 1), &connected), S_OK);
    EXPECT_FALSE(connected) << "a machine without logical printers";
    EXPECT_EQ(DeleteAllLPConnectionsToPP(TestGuid(0xAA, 1)), S_OK);
    EXPECT_TRUE(vek::test::ErrorReports(home_).empty());
    Printer(1, {});
    Queue(1, u"M", {TestGuid(0xAA, 9)});
    const std::string before = Bytes(ConfigFileOf(TestGuid(0xBB, 1)));
    connected = TRUE;
    EXPECT_EQ(CheckIfPPConnectedToLP(TestGuid(0xAA, 1), &connected), S_OK);
    EXPECT_FALSE(connected);
    EXPECT_EQ(DeleteAllLPConnectionsToPP(TestGuid(0xAA, 1)), S_OK);
    EXPECT_EQ(Bytes(ConfigFileOf(TestGuid(0xBB, 1))), before);
}

TEST_F(Wiring, PrinterListedByTwoQueuesIsRemovedFromBothAndOthersStay) {
    Printer(1, {});
    Printer(2, {});
    Queue(1, u"M", {TestGuid(0xAA, 1), TestGuid(0xAA, 2)});
    Queue(2, u"M", {TestGuid(0xAA, 1)});
    BOOL connected = FALSE;
    EXPECT_EQ(CheckIfPPConnectedToLP(TestGuid(0xAA, 1), &connected), S_OK);
    EXPECT_TRUE(connected);
    EXPECT_EQ(DeleteAllLPConnectionsToPP(TestGuid(0xAA, 1)), S_OK);
    EXPECT_EQ(ConnectionsOf(TestGuid(0xBB, 1)), std::vector<GUID>{TestGuid(0xAA, 2)});
    EXPECT_TRUE(ConnectionsOf(TestGuid(0xBB, 2)).empty());
    EXPECT_EQ(CheckIfPPConnectedToLP(TestGuid(0xAA, 1), &connected), S_OK);
    EXPECT_FALSE(connected);
}

TEST_F(Wiring, CandidatesMatchModelsIgnoringCaseOnlyWhenRegisteredAndWithACommonRecord) {
    Printer(1, {u"OTHER", u"PHOTO 5300"}, u"Matches in capitals");
    Printer(2, {u"Photo 7000"});
    MakePhysicalPrinter(TestGuid(0xAA, 3), kPrinterClass, {u"Unregistered", u"x", VEK_ADDRESS_SCSI, {u"photo 5300"}});
    Queue(1, u"photo 5300", {});
    {  // a compound file without a common record in the configuration root
        WCHAR root[MAX_PATH] = {};
        ASSERT_EQ(GetConfigLocation(root, nullptr), S_OK);
        vek::ComPtr<IStorage> catalog;
        ASSERT_EQ(StgCreateDocfile((std::u16string(root) + u"VekMedia.cfg").c_str(), 0x1012, 0,
                                   catalog.put()),
                  S_OK);
    }
    // A key named in lower case registers its printer as well.
    MakePhysicalPrinter(TestGuid(0xAA, 4), kPrinterClass, {u"Lower-case key", u"x", VEK_ADDRESS_SCSI, {u"Photo 5300"}});
    std::u16string lower = GuidText(TestGuid(0xAA, 4));
    for (char16_t& c : lower) c = c >= u'A' && c <= u'F' ? static_cast<char16_t>(c + 32) : c;
    vek::test::CreateClassesKey(u"CLSID\\" + GuidText(kPrinterClass) + u"\\Devices\\" + lower);
    auto candidates = CandidatesFor(u"photo 5300");
    ASSERT_EQ(candidates.size(), 2u);
    if (candidates[0].Connection.PPObjectID != TestGuid(0xAA, 1)) std::swap(candidates[0], candidates[1]);
    EXPECT_TRUE(candidates[1].Connection.PPObjectID == TestGuid(0xAA, 4));
    EXPECT_EQ(std::u16string(candidates[0].Description), u"Matches in capitals");
    EXPECT_TRUE(candidates[0].Connection.PPObjectID == TestGuid(0xAA, 1));
    EXPECT_FALSE(candidates[0].AlreadyConnected);
    EXPECT_TRUE(candidates[0].Connection.ConnectionData.BrokerClassID == GUID_NULL);
    EXPECT_EQ(candidates[0].Connection.ConnectionData.Text[0], 0);
}

TEST_F(Wiring, CandidatesCarryTheBrokerOfTheirOwnClassAndAreMarkedWhenAlreadyListed) {
    constexpr CLSID kOtherClass = {0xCC000004, 0x1111, 0x2222, {1, 2, 3, 4, 5, 6, 7, 8}};
    constexpr CLSID kOtherBroker = {0xCC000005, 0x1111, 0x2222, {1, 2, 3, 4, 5, 6, 7, 8}};
    for (const auto& [printerClass, brokerClass] :
         {std::pair{kPrinterClass, kBrokerClass}, std::pair{kOtherClass, kOtherBroker}}) {
        const std::u16string broker = GuidText(brokerClass);
        vek::test::CreateClassesKey(u"CLSID\\" + GuidText(printerClass) + u"\\Broker", &broker);
    }
    for (uint32_t n : {1u, 2u, 3u, 4u}) {
        const CLSID& clsid = n % 2 != 0 ? kPrinterClass : kOtherClass;
        MakePhysicalPrinter(TestGuid(0xAA, n), clsid, {u"PP", u"0-1-2-0", VEK_ADDRESS_SCSI, {u"M"}});
        ASSERT_EQ(AddVekObjectIDToRegistry(clsid, TestGuid(0xAA, n)), S_OK);
    }
    // A printer of one class registered only under the other is no candidate.
    MakePhysicalPrinter(TestGuid(0xAA, 6), kOtherClass, {u"Elsewhere", u"x", VEK_ADDRESS_SCSI, {u"M"}});
    ASSERT_EQ(AddVekObjectIDToRegistry(kPrinterClass, TestGuid(0xAA, 6)), S_OK);
    Queue(1, u"m", {TestGuid(0xAA, 2)});
    // Offered for the model alone, nothing is listed; for the queue, its entry is.
    for (const bool forQueue : {false, true}) {
        const auto candidates = forQueue ? CandidatesFor(TestGuid(0xBB, 1)) : CandidatesFor(u"M");
        ASSERT_EQ(candidates.size(), 4u);
        for (const auto& candidate : candidates) {
            const GUID& id = candidate.Connection.PPObjectID;
            EXPECT_TRUE(candidate.Connection.ConnectionData.BrokerClassID ==
                        (id.Data3 % 2 != 0 ? kBrokerClass : kOtherBroker));
            EXPECT_EQ(candidate.AlreadyConnected != 0, forQueue && id == TestGuid(0xAA, 2));
        }
    }
    EXPECT_TRUE(vek::test::ErrorReports(home_).empty());
}

TEST_F(Wiring, CandidatesForAPhysicalPrinterOrWithoutAnArrayAreRefused) {
    Printer(1, {u"M"});
    ULONG count = 0;
    POTENTIAL_LP_PP_CONNECTION* candidates = nullptr;
    EXPECT_EQ(GetPotentialPPs(TestGuid(0xAA, 1), count, &candidates), E_INVALIDARG);
    EXPECT_EQ(GetPotentialPPs(TestGuid(0xAA, 1), count, nullptr), E_POINTER);
    EXPECT_EQ(GetPotentialPPs(u"M", count, nullptr, nullptr, 0, nullptr), E_POINTER);
    EXPECT_EQ(GetPotentialPPs(TestGuid(0xBB, 404), count, &candidates), STG_E_FILENOTFOUND)
        << "a logical printer that cannot be read";
}

TEST_F(Wiring, ModelFilesAreListedByBaseNameWhateverTheCaseOfTheirExtension) {
    ULONG count = 5;
    PRINTER_MODEL_INFO* models = reinterpret_cast<PRINTER_MODEL_INFO*>(0x1);
    EXPECT_EQ(GetConfiguredPrinterModels(count, &models), S_OK);
    EXPECT_EQ(count, 0u) << "no model files yet";
    EXPECT_EQ(models, nullptr);
    WCHAR root[MAX_PATH] = {};
    ASSERT_EQ(GetConfigLocation(root, nullptr), S_OK);
    const std::filesystem::path dir(vek::Utf16ToUtf8(root));
    std::ofstream(dir / "Photo 5300.att") << "a";
    std::ofstream(dir / "RZ700.ATT") << "b";
    std::ofstream(dir / "notes.txt") << "c";
    ASSERT_EQ(GetConfiguredPrinterModels(count, &models), S_OK);
    ASSERT_EQ(count, 2u);
    std::vector<std::u16string> names = {models[0].ModelName, models[1].ModelName};
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::u16string>{u"Photo 5300", u"RZ700"}));
    std::free(models);
}

}  // namespace
