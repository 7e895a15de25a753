// setup-printer: the road of a new physical printer in one command, and the
// checks that keep a refused setup from changing anything.
#include "tool/tool_fixture.h"

namespace vek::test {
namespace {

class SetupPrinterTest : public ToolTest {
protected:
    void SetUp() override {
        Ok("object create " + std::string(kFrontDesk) + " --type logical --class " + kLogicalClass);
        Ok("object set " + std::string(kFrontDesk) + " PrinterModel 'ZRT 4300'");
        Ok("object register " + std::string(kFrontDesk));
    }
};

TEST_F(SetupPrinterTest, EveryStepIsDoneAndReportedInTextOrJson) {
    const std::string out = Ok("setup-printer print-queue Office_Laser --model 'ZRT 4300' --id " +
                               std::string(kLaser) + " --description 'Office laser' --connect " +
                               kFrontDesk + " --unattached");
    for (const char* step : {"look for the device", "check it is not configured", "check logical printer",
                             "create the configuration file", "stamp the class", "register under the class",
                             "connect to logical printer"})
        EXPECT_NE(out.find(step), std::string::npos) << step << "\n" << out;
    // Registered under its class with its address, stamped, and wired.
    EXPECT_NE(Ok("class objects " + std::string(kQueueClass)).find(std::string(kLaser) + "  kind 3  Office_Laser"),
              std::string::npos);
    EXPECT_NE(Ok("cfb ls " + (ConfigDir() / (std::string(kLaser) + ".cfg")).string()).find(kQueueClass),
              std::string::npos);
    const std::string candidates = Ok("wire candidates " + std::string(kFrontDesk));
    EXPECT_NE(candidates.find(kLaser), std::string::npos);
    EXPECT_NE(candidates.find("connected"), std::string::npos) << candidates;
    const std::string json = Ok("setup-printer scsi-printer 2-0-5-0 --model 'QS 4350' --id " + std::string(kPress) +
                                " --unattached --json");
    EXPECT_EQ(json.rfind("{\"ObjectID\":\"" + std::string(kPress) + "\",\"steps\":[", 0), 0u) << json;
}

TEST_F(SetupPrinterTest, RefusedSetupChangesNothing) {
    Ok("setup-printer print-queue Office_Laser --model 'ZRT 4300' --unattached");
    const std::string before = Snapshot();
    struct Case {
        std::string args;
        int exit;  // 0: any failure
        const char* says;
    };
    const Case cases[] = {
        {"print-queue Office_Laser --model 'ZRT 4300' --unattached", 0, ""},  // address already configured
        // A logical printer of another model, checked before any file is made, or an unknown one.
        {"print-queue Q2 --model 'QS 4350' --connect " + std::string(kFrontDesk) + " --unattached", 0, ""},
        {"print-queue Q2 --model 'ZRT 4300' --connect {00000000-1111-2222-3333-444444444444} --unattached", 0, ""},
        {"scsi-printer 2-0-five-0 --model M --unattached", 2, ""},
        {"print-queue Q --model M --id {not-a-guid} --unattached", 2, ""},
        {"print-queue Q --model M --description " + std::string(600, 'x') + " --unattached", 2, ""},
        {"print-queue Q --model " + std::string(40, 'm') + " --unattached", 2, ""},
        {"scsi-printer 9-0-9-0 --model M", 0, "--unattached"},  // a device that is not attached
    };
    for (const Case& c : cases) {
        const ToolResult refused = Refused("setup-printer " + c.args);
        if (c.exit != 0) EXPECT_EQ(refused.exit, c.exit) << c.args;
        EXPECT_NE(refused.err.find(c.says), std::string::npos) << c.args << "\n" << refused.err;
    }
    EXPECT_EQ(Snapshot(), before);
}

}  // namespace
}  // namespace vek::test
