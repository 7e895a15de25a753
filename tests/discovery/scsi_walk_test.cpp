#include <filesystem>

#include "bus_fixture.h"

namespace vek::test {
namespace {

using ::testing::ElementsAre;

using ScsiWalk = BusFixture;

// Hosts and units in numeric, not text, order; zero bytes inside vendor,
// product and revision read as spaces; type 12 is unknown and the qualifier
// bits of the peripheral byte are ignored.
TEST_F(ScsiWalk, ReportsEveryUnitInNumericOrderWithTypeNameAndWholeIdentificationText) {
    Recorder recorder;
    EXPECT_EQ(EnumerateSCSIDevices(-1, &Recorder::Scsi, recorder.context()), 8);
    EXPECT_THAT(recorder.lines, ElementsAre("2-0-0-0|Disk|ATA     Samsung SSD 870 1B6Q",
                                            "10-0-3-0|PrinterPeripheral|ACME    QS 4350         2.10",
                                            "10-0-3-1|OtherPeripheral|PRT     Engine XYZ      1.0 ",
                                            "10-0-4-0|OtherPeripheral|VIREO   Vireo Array 30P 0001",
                                            "10-0-4-1|OtherPeripheral|VIREO   Vireo Array 30P 0001",
                                            "10-0-5-0|UnKnown Device|ACME    RAID CTRL 5000  0100",
                                            "10-0-12-1|Media Changer|ACME    AUTOLOADER      0200",
                                            "10-1-0-0|Tape|HP      Ultrium 6-SCSI  35GD"));
    EXPECT_EQ(EnumerateSCSIDevices(-1, nullptr, 0), 8);  // without a callback every unit still counts
}

TEST_F(ScsiWalk, CallbackReturningZeroStopsTheWalkThereAndReadsNoFurtherHost) {
    for (const int stopAfter : {1, 3}) {
        SCOPED_TRACE(stopAfter);
        BusWrapper bus;
        BusEnv env(bus);
        ScopedEnvOverride use(&env);
        Recorder recorder;
        recorder.stopAfter = stopAfter;
        EXPECT_EQ(EnumerateSCSIDevices(-1, &Recorder::Scsi, recorder.context()), stopAfter);
        EXPECT_EQ(recorder.lines.size(), static_cast<size_t>(stopAfter));
        EXPECT_EQ(bus.hostsRead, stopAfter == 1 ? 1 : 2);
    }
}

TEST_F(ScsiWalk, HostThatCannotBeReadEndsTheWalkWithCountSoFar) {
    BusWrapper bus;
    bus.failHost = [](int host) { return host == 10; };
    BusEnv env(bus);
    ScopedEnvOverride use(&env);
    Recorder recorder;
    EXPECT_EQ(EnumerateSCSIDevices(-1, &Recorder::Scsi, recorder.context()), 1);
    EXPECT_THAT(recorder.lines, ElementsAre("2-0-0-0|Disk|ATA     Samsung SSD 870 1B6Q"));
}

TEST_F(ScsiWalk, RemovedHostAndVanishedUnitAreSkippedAndShortInquiryFallsBackToTextAttributes) {
    sysfs_.RemoveHost(2);
    const auto unit = std::filesystem::canonical(sysfs_.sys() / "bus/scsi/devices/10:0:5:0");
    for (const char* name : {"inquiry", "type", "vendor", "model", "rev"}) std::filesystem::remove(unit / name);
    std::filesystem::resize_file(sysfs_.sys() / "bus/scsi/devices/10:0:3:0/inquiry", 2);
    Recorder recorder;
    EXPECT_EQ(EnumerateSCSIDevices(-1, &Recorder::Scsi, recorder.context()), 6);
    EXPECT_EQ(recorder.lines[0], "10-0-3-0|PrinterPeripheral|ACME    QS 4350         2.10");
    EXPECT_EQ(recorder.lines[4], "10-0-12-1|Media Changer|ACME    AUTOLOADER      0200");
}

TEST(ScsiWalkWithoutScsi, MachineWithoutScsiSubsystemOrWithAnEmptyHostVisitsNothing) {
    TempHome home;
    FakeSysfs sysfs(home.path());
    Recorder recorder;
    EXPECT_EQ(EnumerateSCSIDevices(-1, &Recorder::Scsi, recorder.context()), 0);
    sysfs.AddHost(0);
    EXPECT_EQ(EnumerateSCSIDevices(-1, &Recorder::Scsi, recorder.context()), 0);
    EXPECT_TRUE(recorder.lines.empty());
}

}  // namespace
}  // namespace vek::test
