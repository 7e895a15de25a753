// vekcfg object, end to end: the binary against a fresh VEK_HOME.
#include "object_file_helpers.h"
#include "support/run_tool.h"

namespace vek::test {
namespace {

constexpr const char* kId = "{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}";

class ObjectCommand : public ObjectFileTest {
protected:
    ToolResult Run(const std::string& args) { return RunVekcfg(args, logged_.home().path()); }
};

TEST_F(ObjectCommand, CreateSetShowAndRemoveAnObjectById) {
    ToolResult r = Run(std::string("object create ") + kId + " --type logical --class {11111111-2222-3333-4444-555555555555}");
    ASSERT_EQ(r.exit, 0) << r.err;
    r = Run(std::string("object set ") + kId + " Location 'Room 4'");
    ASSERT_EQ(r.exit, 0) << r.err;
    r = Run(std::string("object set ") + kId + " SpoolingOn 1");
    ASSERT_EQ(r.exit, 0) << r.err;

    // The change went through the library: another instance reads it.
    CVekObjectConfig config;
    GUID id;
    ASSERT_EQ(CLSIDFromString(Wide(kId).c_str(), &id), S_OK);
    ASSERT_EQ(config.Open(id), S_OK);
    WCHAR* location = nullptr;
    ASSERT_EQ(config.GetLocation(&location), S_OK);
    EXPECT_EQ(std::u16string(location), u"Room 4");
    SysFreeString(location);

    r = Run(std::string("object show ") + kId + " --json");
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_NE(r.out.find("\"Location\": \"Room 4\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"ObjectType\": 1"), std::string::npos);
    EXPECT_NE(r.out.find("\"SpoolingOn\": 1"), std::string::npos);
    EXPECT_NE(r.out.find("\"ClassID\": \"{11111111-2222-3333-4444-555555555555}\""), std::string::npos);

    r = Run(std::string("object rm ") + kId);
    ASSERT_EQ(r.exit, 0) << r.err;
    r = Run(std::string("object show ") + kId);
    EXPECT_EQ(r.exit, 1);
    EXPECT_NE(r.err.find("0x80030002"), std::string::npos) << r.err;
}

TEST_F(ObjectCommand, RejectedValuesAndBadInputFailWithOneLine) {
    const std::string file = (logged_.home().path() / "p.cfg").string();
    ASSERT_EQ(Run("object create " + file).exit, 0);
    ToolResult r = Run("object set " + file + " CurrentDebugLevel 3");
    EXPECT_EQ(r.exit, 1) << "above the supported levels: the library's own check";
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
    EXPECT_EQ(Run("object set " + file + " PageLimit lots").exit, 2);
    EXPECT_EQ(Run("object set " + file + " NoSuchField 1").exit, 2);
    EXPECT_EQ(Run("object frob " + file).exit, 2);
    EXPECT_EQ(Run("object show " + (logged_.home().path() / "missing.cfg").string()).exit, 1);
    // A file that is not a compound file is reported, not crashed on.
    const std::string junk = (logged_.home().path() / "junk.cfg").string();
    { std::ofstream(junk) << "not a compound file"; }
    r = Run("object show " + junk);
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(Run("object set " + file + " PageLimit 25").exit, 0);
    r = Run("object show " + file);
    EXPECT_NE(r.out.find("PageLimit                    25"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace vek::test
