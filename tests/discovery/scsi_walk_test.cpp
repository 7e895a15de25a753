#include <filesystem>

#include "bus_fixture.h"

namespace vek::test {
namespace {

using ::testing::ElementsAre;

using ScsiWalk = BusFixture;

TEST_F(ScsiWalk, VisitsHostsAndUnitsInNumericNotTextOrder) {
    Recorder recorder;
    EXPECT_EQ(EnumerateSCSIDevices(-1, &Recorder::Scsi, recorder.context()), 8);
    EXPECT_THAT(recorder.Addresses(), ElementsAre("2-0-0-0", "10-0-3-0", "10-0-3-1", "10-0-4-0", "10-0-4-1",
                                       "10-0-5-0", "10-0-12-1", "10-1-0-0"));
}

TEST_F(ScsiWalk, ReportsTypeNameAndWholeIdentificationText) {
    Recorder recorder;
    EnumerateSCSIDevices(-1, &Recorder::Scsi, recorder.context());
    EXPECT_EQ(recorder.lines[0], "2-0-0-0|Disk|ATA     Samsung SSD 870 1B6Q");
    EXPECT_EQ(recorder.lines[1], "10-0-3-0|PrinterPeripheral|ACME    QS 4350         2.10");
    EXPECT_EQ(recorder.lines[7], "10-1-0-0|Tape|HP      Ultrium 6-SCSI  35GD");
}

TEST_F(ScsiWalk, ZeroBytesInsideVendorProductAndRevisionAreSpaces) {
    Recorder recorder;
    EnumerateSCSIDevices(-1, &Recorder::Scsi, recorder.context());
    EXPECT_EQ(recorder.lines[2], "10-0-3-1|OtherPeripheral|PRT     Engine XYZ      1.0 ");
}

TEST_F(ScsiWalk, PeripheralType12IsUnknownAndQualifierBitsAreIgnored) {
    Recorder recorder;
    EnumerateSCSIDevices(-1, &Recorder::Scsi, recorder.context());
    EXPECT_EQ(recorder.lines[5], "10-0-5-0|UnKnown Device|ACME    RAID CTRL 5000  0100");
    EXPECT_EQ(recorder.lines[6], "10-0-12-1|Media Changer|ACME    AUTOLOADER      0200");
}

TEST_F(ScsiWalk, CallbackReturningZeroOnFirstDeviceStopsAtOne) {
    Recorder recorder;
    recorder.stopAfter = 1;
    EXPECT_EQ(EnumerateSCSIDevices(-1, &Recorder::Scsi, recorder.context()), 1);
    EXPECT_EQ(recorder.lines.size(), 1u);
}

TEST_F(ScsiWalk, CallbackReturningZeroMidHostStopsBeforeTheRest) {
    Recorder recorder;
    recorder.stopAfter = 3;
    EXPECT_EQ(EnumerateSCSIDevices(-1, &Recorder::Scsi, recorder.context()), 3);
    EXPECT_EQ(recorder.lines.size(), 3u);
}

TEST_F(ScsiWalk, WithoutCallbackStillCountsEveryUnit) {
    EXPECT_EQ(EnumerateSCSIDevices(-1, nullptr, 0), 8);
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

TEST_F(ScsiWalk, HostRemovedFromTheTreeIsNotVisited) {
    sysfs_.RemoveHost(2);
    Recorder recorder;
    EXPECT_EQ(EnumerateSCSIDevices(-1, &Recorder::Scsi, recorder.context()), 7);
    EXPECT_EQ(recorder.lines[0].substr(0, 8), "10-0-3-0");
}

TEST_F(ScsiWalk, ShortInquiryFileFallsBackToTextAttributes) {
    std::filesystem::resize_file(sysfs_.sys() / "bus/scsi/devices/10:0:3:0/inquiry", 2);
    Recorder recorder;
    EnumerateSCSIDevices(-1, &Recorder::Scsi, recorder.context());
    EXPECT_EQ(recorder.lines[1], "10-0-3-0|PrinterPeripheral|ACME    QS 4350         2.10");
}

TEST_F(ScsiWalk, UnitWhoseAttributesVanishedIsSkipped) {
    const auto unit = std::filesystem::canonical(sysfs_.sys() / "bus/scsi/devices/10:0:5:0");
    for (const char* name : {"inquiry", "type", "vendor", "model", "rev"})
        std::filesystem::remove(unit / name);
    EXPECT_EQ(EnumerateSCSIDevices(-1, nullptr, 0), 7);
}

TEST(ScsiWalkWithoutScsi, MachineWithoutScsiSubsystemVisitsNothing) {
    TempHome home;
    FakeSysfs sysfs(home.path());
    Recorder recorder;
    EXPECT_EQ(EnumerateSCSIDevices(-1, &Recorder::Scsi, recorder.context()), 0);
    EXPECT_TRUE(recorder.lines.empty());
}

TEST(ScsiWalkWithoutScsi, HostWithoutUnitsVisitsNothing) {
    TempHome home;
    FakeSysfs sysfs(home.path());
    sysfs.AddHost(0);
    EXPECT_EQ(EnumerateSCSIDevices(-1, nullptr, 0), 0);
}

}  // namespace
}  // namespace vek::test
