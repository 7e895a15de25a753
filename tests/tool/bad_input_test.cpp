// Bad input to the commands gives one clear line, a non-zero exit, and leaves
// the machine's configuration as it was.
#include "tool/tool_fixture.h"

namespace vek::test {
namespace {

class BadInputTest : public ToolTest {
protected:
    void SetUp() override {
        SetUpMachine();
        before_ = Snapshot();
    }
    void TearDown() override { EXPECT_EQ(Snapshot(), before_); }
    std::string before_;
};

TEST_F(BadInputTest, UnknownObject) {
    const std::string unknown = "{0BADF00D-0000-0000-0000-000000000000}";
    Refused("object show " + unknown);
    Refused("object set " + unknown + " Location here");
    Refused("wire candidates " + unknown);
    Refused("wire add " + std::string(kFrontDesk) + " " + unknown);
    Refused("device rm " + std::string(kScsiClass) + " " + unknown);
}

TEST_F(BadInputTest, MalformedGuid) {
    EXPECT_EQ(Refused("object register {5E1C0A00-7D3B-4F21-9A6E}").exit, 2);
    EXPECT_EQ(Refused("class objects not-a-guid").exit, 2);
    EXPECT_EQ(Refused("wire candidates {ZZZZZZZZ-0000-0000-0000-000000000000}").exit, 2);
    EXPECT_EQ(Refused("object set " + std::string(kFrontDesk) + " ClassID {1234}").exit, 2);
}

TEST_F(BadInputTest, TextTooLongForItsField) {
    EXPECT_EQ(Refused("object set " + std::string(kFrontDesk) + " UserDescription " + std::string(512, 'x')).exit, 2);
    EXPECT_EQ(Refused("object set " + std::string(kFrontDesk) + " PrinterModelsSupported " + std::string(32, 'm')).exit, 2);
    Refused("donor set 8 --model " + std::string(32, 'm'));
}

TEST_F(BadInputTest, MissingFile) {
    Refused("cfb ls " + Home("missing.cfg"));
    Refused("object show " + Home("missing.cfg"));
    EXPECT_EQ(Refused("import " + Home("missing.vekcfg")).exit, 1);
}

TEST_F(BadInputTest, FileThatIsNotACompoundFile) {
    std::ofstream(Home("text.cfg")) << "just some text, not a compound file\n";
    Refused("cfb ls " + Home("text.cfg"));
    Refused("cfb check " + Home("text.cfg"));
    Refused("object show " + Home("text.cfg"));
    Refused("import " + Home("text.cfg"));
}

}  // namespace
}  // namespace vek::test
