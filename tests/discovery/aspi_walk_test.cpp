#include "bus_fixture.h"
#include "platform/sg_inquiry.h"

namespace vek::test {
namespace {

using ::testing::ElementsAre;

using AspiWalk = BusFixture;

TEST_F(AspiWalk, AllLogicalUnitsReportChannelZeroDevicesOfEveryAdapterEvenWhenTheCallbackAnswersZero) {
    Recorder recorder;  // its ASPI callback always answers 0
    EXPECT_EQ(EnumerateASPIDevices(-1, &Recorder::Aspi, recorder.context()), 7);
    EXPECT_THAT(recorder.Addresses(), ElementsAre("2-0-0", "10-3-0", "10-3-1", "10-4-0", "10-4-1", "10-5-0",
                                       "10-12-1"));
}

// Only -1 and 8 upward select every logical unit; any other value that one
// unit alone, with one request per adapter, target and selected unit.
TEST_F(AspiWalk, SelectorPicksThatLogicalUnitUnlessItIsMinusOneOrEightUpward) {
    BusWrapper bus;
    BusEnv env(bus);
    ScopedEnvOverride use(&env);
    const struct {
        int selector, devices, requests;
    } cases[] = {{-1, 7, 2 * 32 * 8}, {8, 7, 2 * 32 * 8}, {1000, 7, 2 * 32 * 8},
                 {0, 4, 2 * 32},      {3, 0, 2 * 32},     {-2, 0, 2 * 32}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.selector);
        bus.requests = 0;
        EXPECT_EQ(EnumerateASPIDevices(c.selector, nullptr, 0), c.devices);
        EXPECT_EQ(bus.requests, c.requests);
    }
    Recorder recorder;
    EXPECT_EQ(EnumerateASPIDevices(1, &Recorder::Aspi, recorder.context()), 3);
    EXPECT_THAT(recorder.Addresses(), ElementsAre("10-3-1", "10-4-1", "10-12-1"));
}

TEST_F(AspiWalk, RevisionLiesBeyondTheRequestedBytesAndReadsAsSpaces) {
    Recorder recorder;
    EnumerateASPIDevices(0, &Recorder::Aspi, recorder.context());
    EXPECT_EQ(recorder.lines[0], "2-0-0|Disk|ATA     Samsung SSD 870     ");
    EXPECT_EQ(recorder.lines[2], "10-4-0|OtherPeripheral|VIREO   Vireo Array 30P     ");
}

TEST_F(AspiWalk, RequestThatDoesNotCompleteEndsTheWalkWithMinusOneButAnErrorIsPassedOver) {
    BusWrapper bus;
    BusEnv env(bus);
    ScopedEnvOverride use(&env);
    bus.overrideInquiry = [](int host, int target, int) {
        return host == 10 && target == 3 ? InquiryOutcome::kFailed : InquiryOutcome::kAnswered;
    };
    EXPECT_EQ(EnumerateASPIDevices(-1, nullptr, 0), 5);
    bus.overrideInquiry = [](int host, int target, int) {
        return host == 10 && target == 4 ? InquiryOutcome::kTimedOut : InquiryOutcome::kAnswered;
    };
    Recorder recorder;
    EXPECT_EQ(EnumerateASPIDevices(-1, &Recorder::Aspi, recorder.context()), -1);
    EXPECT_THAT(recorder.Addresses(), ElementsAre("2-0-0", "10-3-0", "10-3-1"));
}

TEST(AspiWalkWithoutScsi, NoAdaptersGivesZeroWithoutSendingARequest) {
    TempHome home;
    FakeSysfs sysfs(home.path());
    BusWrapper bus;
    BusEnv env(bus);
    ScopedEnvOverride use(&env);
    Recorder recorder;
    EXPECT_EQ(EnumerateASPIDevices(-1, &Recorder::Aspi, recorder.context()), 0);
    EXPECT_EQ(bus.requests, 0);
    EXPECT_TRUE(recorder.lines.empty());
}

TEST(SgInquiry, NodeThatIsNoGenericDeviceIsUnavailableNotFailed) {
    uint8_t data[36] = {};
    EXPECT_EQ(SgInquiry("/dev/null", data, sizeof data, 5000), SgResult::kUnavailable);
    EXPECT_EQ(SgInquiry("/nonexistent/sg0", data, sizeof data, 5000), SgResult::kUnavailable);
}

}  // namespace
}  // namespace vek::test
