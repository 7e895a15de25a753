#include <gtest/gtest.h>

#include <functional>

#include "registry/registry_fixture.h"
#include "vekconfig/object_registry.h"

namespace {

using vek::GuidText;
using vek::test::ErrorReports;

constexpr CLSID kBroker = {0xB0000001, 0x1111, 0x2222, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr CLSID kPrinterClass = {0xB0000002, 0x1111, 0x2222, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr GUID kNonNull = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};

class Brokers : public ::testing::Test {
protected:
    vek::test::LoggedHome home_;
};

TEST_F(Brokers, BrokeredClassAndBrokerAreReadFromTheClassKeys) {
    const std::u16string printerText = GuidText(kPrinterClass);
    const std::u16string brokerText = GuidText(kBroker);
    vek::test::CreateClassesKey(u"CLSID\\" + brokerText + u"\\Brokered Class", &printerText);
    vek::test::CreateClassesKey(u"CLSID\\" + printerText + u"\\Broker", &brokerText);
    GUID found = GUID_NULL;
    EXPECT_EQ(GetBrokeredClass(kBroker, found), S_OK);
    EXPECT_TRUE(found == kPrinterClass);
    EXPECT_EQ(GetClassOfBroker(kPrinterClass, found, nullptr), S_OK);
    EXPECT_TRUE(found == kBroker);
    EXPECT_EQ(GetClassOfBroker(kPrinterClass, found, u"localhost"), S_OK);
    EXPECT_TRUE(ErrorReports(home_).empty());
}

TEST_F(Brokers, MissingKeyValueOrMachineReportsItsStepAndLeavesANullClass) {
    auto expectFailure = [](const std::function<HRESULT(GUID&)>& call) {
        GUID found = kNonNull;
        EXPECT_EQ(call(found), E_FAIL);
        EXPECT_TRUE(found == GUID_NULL);
    };
    expectFailure([](GUID& found) { return GetBrokeredClass(kBroker, found); });
    expectFailure([](GUID& found) { return GetClassOfBroker(kPrinterClass, found, nullptr); });
    expectFailure([](GUID& found) {
        return GetClassOfBroker(kPrinterClass, found, u"\\\\printhost-elsewhere");
    });
    vek::test::CreateClassesKey(u"CLSID\\" + GuidText(kPrinterClass) + u"\\Broker");
    expectFailure([](GUID& found) { return GetClassOfBroker(kPrinterClass, found, nullptr); });
    EXPECT_EQ(ErrorReports(home_), (std::vector<std::string>{
                                       "GetBrokeredClass-->VekOpenRegKeyWithRetry|0x2",
                                       "GetClassOfBroker-->VekOpenRegKeyWithRetry|0x2",
                                       "GetClassOfBroker-->RegConnectRegistry|0x35",
                                       "GetClassOfBroker-->RegQueryValueEx|0x2",
                                   }));
}

}  // namespace
