// vekcfg discover, run as a user runs it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "registry/object_files.h"
#include "support/fake_sysfs.h"
#include "support/private_cupsd.h"
#include "support/run_tool.h"
#include "support/scoped_variable.h"
#include "support/silent_socket.h"
#include "support/temp_home.h"
#include "vekconfig/discovery.h"

namespace vek::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class DiscoverCommand : public ::testing::Test {
protected:
    TempHome home_;
    FakeSysfs sysfs_{home_.path()};
};

TEST_F(DiscoverCommand, MachineWithoutScsiOrPrintServerSaysSoAndSucceeds) {
    ScopedVariable server("CUPS_SERVER", (home_.path() / "none.sock").string());
    const ToolResult run = RunVekcfg("discover", home_.path());
    EXPECT_EQ(run.exit, 0);
    EXPECT_THAT(run.out, HasSubstr("no print server answered at " +
                                   (home_.path() / "none.sock").string()));
    EXPECT_THAT(run.out, HasSubstr("aspi-array (ASPI devices Vireo Array 30P/30R)\n"
                                   "  no SCSI host adapters on this machine."));
    EXPECT_THAT(run.out, HasSubstr("prismachrome (SCSI devices QXR Prismachrome)\n"
                                   "  no SCSI host adapters on this machine."));
}

TEST_F(DiscoverCommand, ListsModelAddressAndKindOfTheChosenClassOnlyAndNotWhatIsConfigured) {
    sysfs_.AddHost(3);
    sysfs_.AddUnit(3, 0, 5, 0, FakeSysfs::Inquiry(0x02, "ACME", "QS 4350", "0100"));
    sysfs_.AddUnit(3, 0, 6, 0, FakeSysfs::Inquiry(0x03, "ACME", "QXR Prismachrome", "0100"));
    ToolResult run = RunVekcfg("discover scsi-printer", home_.path());
    EXPECT_EQ(run.exit, 0);
    EXPECT_THAT(run.out, HasSubstr("QS 4350              3-0-5-0                  scsi (2)"));
    EXPECT_THAT(run.out, Not(HasSubstr("Prismachrome   ")));
    EXPECT_THAT(run.out, Not(HasSubstr("print-queue")));
    sysfs_.AddUnit(3, 0, 7, 0, FakeSysfs::Inquiry(0x02, "ACME", "QS 4350", "0100"));
    const GUID id = TestGuid(0x7E570000u, 1);
    MakePhysicalPrinter(id, CLSID_VekScsiPrinterDevices, {u"Printer", u"3-0-5-0", VEK_ADDRESS_SCSI, {}});
    ASSERT_EQ(AddVekObjectIDToRegistry(CLSID_VekScsiPrinterDevices, id), S_OK);
    run = RunVekcfg("discover scsi-printer", home_.path());
    EXPECT_EQ(run.exit, 0);
    EXPECT_THAT(run.out, HasSubstr("3-0-7-0"));
    EXPECT_THAT(run.out, Not(HasSubstr("3-0-5-0")));
}

TEST_F(DiscoverCommand, SearchOfScsiBusesLeavesASilentPrintServerAlone) {
    SilentSocket silent(home_.path() / "silent.sock");
    ASSERT_TRUE(silent.listening());
    ScopedVariable server("CUPS_SERVER", (home_.path() / "silent.sock").string());
    sysfs_.AddHost(0);
    const ToolResult run = RunVekcfg("discover scsi-printer --json", home_.path());
    EXPECT_EQ(run.exit, 0);
    EXPECT_THAT(run.out, HasSubstr("\"print_server_status\":null"));
    EXPECT_FALSE(silent.contacted());
}

TEST_F(DiscoverCommand, ClassGivenByIdAndEmptyBusSaysNoneAttached) {
    sysfs_.AddHost(0);
    const ToolResult run = RunVekcfg("discover {0E7E3F80-C7A5-11D0-AD35-00609733D6BC}", home_.path());
    EXPECT_EQ(run.exit, 0);
    EXPECT_THAT(run.out, HasSubstr("prismachrome (SCSI devices QXR Prismachrome)\n"
                                   "  none attached that is not yet configured."));
}

TEST_F(DiscoverCommand, JsonListsThePrivateServersQueues) {
    PrivateCupsd cupsd;
    if (!cupsd.Start()) GTEST_SKIP() << "no private cupsd could be started: " << cupsd.why();
    ASSERT_TRUE(cupsd.AddQueue("null_local", "file:///dev/null")) << cupsd.why();
    const ToolResult run = RunVekcfg("discover print-queue --json", home_.path());
    EXPECT_EQ(run.exit, 0);
    EXPECT_THAT(run.out, HasSubstr("\"name\":\"print-queue\",\"note\":\"\","
                                   "\"devices\":[{\"model\":\"Windows Printer\","
                                   "\"address\":\"null_local\",\"address_kind\":3}]"));
}

TEST_F(DiscoverCommand, UnknownClassOrOptionIsAUsageError) {
    EXPECT_EQ(RunVekcfg("discover laser", home_.path()).exit, 2);
    EXPECT_EQ(RunVekcfg("discover --fast", home_.path()).exit, 2);
    EXPECT_EQ(RunVekcfg("discover print-queue aspi-array", home_.path()).exit, 2);
}

}  // namespace
}  // namespace vek::test
