// Bad input to the commands gives one clear line, a non-zero exit, and leaves
// the machine's configuration as it was.
#include "tool/tool_fixture.h"

namespace vek::test {
namespace {

TEST_F(ToolTest, BadInputIsRefusedInOneLineAndChangesNothing) {
    SetUpMachine();
    const std::string before = Snapshot();
    std::ofstream(Home("text.cfg")) << "just some text, not a compound file\n";
    const std::string unknown = "{0BADF00D-0000-0000-0000-000000000000}";
    const std::string desk = kFrontDesk;
    const std::pair<std::string, int> cases[] = {  // arguments, and the exit status when it is fixed
        // An unknown object.
        {"object show " + unknown, 0},
        {"object set " + unknown + " Location here", 0},
        {"wire candidates " + unknown, 0},
        {"wire add " + desk + " " + unknown, 0},
        {"device rm " + std::string(kScsiClass) + " " + unknown, 0},
        // A malformed GUID.
        {"object register {5E1C0A00-7D3B-4F21-9A6E}", 2},
        {"class objects not-a-guid", 2},
        {"wire candidates {ZZZZZZZZ-0000-0000-0000-000000000000}", 2},
        {"object set " + desk + " ClassID {1234}", 2},
        // A text too long for its field.
        {"object set " + desk + " UserDescription " + std::string(512, 'x'), 2},
        {"object set " + desk + " PrinterModelsSupported " + std::string(32, 'm'), 2},
        {"donor set 8 --model " + std::string(32, 'm'), 0},
        // A missing file.
        {"cfb ls " + Home("missing.cfg"), 0},
        {"object show " + Home("missing.cfg"), 0},
        {"import " + Home("missing.vekcfg"), 1},
        // A file that is not a compound file.
        {"cfb ls " + Home("text.cfg"), 0},
        {"cfb check " + Home("text.cfg"), 0},
        {"object show " + Home("text.cfg"), 0},
        {"import " + Home("text.cfg"), 0},
    };
    for (const auto& [args, exit] : cases) {
        const ToolResult refused = Refused(args);
        if (exit != 0) EXPECT_EQ(refused.exit, exit) << args;
    }
    EXPECT_EQ(Snapshot(), before);
}

}  // namespace
}  // namespace vek::test
