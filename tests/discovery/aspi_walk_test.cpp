#include "bus_fixture.h"
#include "platform/sg_inquiry.h"

namespace vek::test {
namespace {

using ::testing::ElementsAre;

using AspiWalk = BusFixture;

TEST_F(AspiWalk, AllLogicalUnitsReportChannelZeroDevicesOfEveryAdapter) {
    Recorder recorder;
    EXPECT_EQ(EnumerateASPIDevices(-1, &Recorder::Aspi, recorder.context()), 7);
    EXPECT_THAT(recorder.Addresses(), ElementsAre("2-0-0", "10-3-0", "10-3-1", "10-4-0", "10-4-1", "10-5-0",
                                       "10-12-1"));
}

TEST_F(AspiWalk, SelectorPicksThatLogicalUnitOnly) {
    Recorder recorder;
    EXPECT_EQ(EnumerateASPIDevices(1, &Recorder::Aspi, recorder.context()), 3);
    EXPECT_THAT(recorder.Addresses(), ElementsAre("10-3-1", "10-4-1", "10-12-1"));
    EXPECT_EQ(EnumerateASPIDevices(0, nullptr, 0), 4);
}

TEST_F(AspiWalk, SelectorEightOrAboveSelectsAllUnits) {
    EXPECT_EQ(EnumerateASPIDevices(8, nullptr, 0), 7);
    EXPECT_EQ(EnumerateASPIDevices(1000, nullptr, 0), 7);
}

TEST_F(AspiWalk, RevisionLiesBeyondTheRequestedBytesAndReadsAsSpaces) {
    Recorder recorder;
    EnumerateASPIDevices(0, &Recorder::Aspi, recorder.context());
    EXPECT_EQ(recorder.lines[0], "2-0-0|Disk|ATA     Samsung SSD 870     ");
    EXPECT_EQ(recorder.lines[2], "10-4-0|OtherPeripheral|VIREO   Vireo Array 30P     ");
}

TEST_F(AspiWalk, CallbackAnsweringZeroDoesNotStopTheWalk) {
    Recorder recorder;  // its ASPI callback always answers 0
    EXPECT_EQ(EnumerateASPIDevices(-1, &Recorder::Aspi, recorder.context()), 7);
    EXPECT_EQ(recorder.lines.size(), 7u);
}

TEST_F(AspiWalk, SendsOneRequestPerAdapterTargetAndSelectedUnit) {
    BusWrapper bus;
    BusEnv env(bus);
    ScopedEnvOverride use(&env);
    EnumerateASPIDevices(-1, nullptr, 0);
    EXPECT_EQ(bus.requests, 2 * 32 * 8);
    bus.requests = 0;
    EnumerateASPIDevices(3, nullptr, 0);
    EXPECT_EQ(bus.requests, 2 * 32);
}

TEST_F(AspiWalk, RequestThatDoesNotCompleteEndsTheWalkWithMinusOne) {
    BusWrapper bus;
    bus.overrideInquiry = [](int host, int target, int) {
        return host == 10 && target == 4 ? InquiryOutcome::kTimedOut : InquiryOutcome::kAnswered;
    };
    BusEnv env(bus);
    ScopedEnvOverride use(&env);
    Recorder recorder;
    EXPECT_EQ(EnumerateASPIDevices(-1, &Recorder::Aspi, recorder.context()), -1);
    EXPECT_THAT(recorder.Addresses(), ElementsAre("2-0-0", "10-3-0", "10-3-1"));
}

TEST_F(AspiWalk, DeviceAnsweringWithErrorIsPassedOver) {
    BusWrapper bus;
    bus.overrideInquiry = [](int host, int target, int) {
        return host == 10 && target == 3 ? InquiryOutcome::kFailed : InquiryOutcome::kAnswered;
    };
    BusEnv env(bus);
    ScopedEnvOverride use(&env);
    EXPECT_EQ(EnumerateASPIDevices(-1, nullptr, 0), 5);
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
