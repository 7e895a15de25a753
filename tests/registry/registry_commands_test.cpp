// The tool's object-registry commands, run as a whole process against a
// home the test fills through the library.
#include <gtest/gtest.h>

#include "registry/object_files.h"
#include "registry/registry_fixture.h"
#include "registry/vek_category_table.h"
#include "support/run_tool.h"
#include "vekconfig/vek_categories.h"

namespace {

using vek::test::ConnectionsOf;
using vek::test::MakeLogicalPrinter;
using vek::test::MakePhysicalPrinter;
using vek::test::RunVekcfg;
using vek::test::TestGuid;

constexpr CLSID kClass = {0xCC000006, 0x1111, 0x2222, {1, 2, 3, 4, 5, 6, 7, 8}};

std::string Text(const GUID& guid) { return vek::Utf16ToUtf8(vek::GuidText(guid)); }

class RegistryCommands : public ::testing::Test {
protected:
    vek::test::ToolResult Run(const std::string& args) { return RunVekcfg(args, home_.home().path()); }
    vek::test::LoggedHome home_;
};

TEST_F(RegistryCommands, RegisterListWireAndRemoveAPrinter) {
    MakePhysicalPrinter(TestGuid(0x70, 1), kClass, {u"Desk printer", u"0-1-2-0", VEK_ADDRESS_SCSI, {u"M7"}});
    MakeLogicalPrinter(TestGuid(0x71, 1), u"m7", {});
    ASSERT_EQ(AddVekObjectIDToRegistry(CLSID_VekLogicalPrinter, TestGuid(0x71, 1)), S_OK);

    EXPECT_EQ(Run("object register " + Text(TestGuid(0x70, 1))).exit, 0)
        << "the class comes from the common record";
    auto listed = Run("class objects " + Text(kClass));
    ASSERT_EQ(listed.exit, 0) << listed.err;
    EXPECT_NE(listed.out.find(Text(TestGuid(0x70, 1))), std::string::npos);
    EXPECT_NE(listed.out.find("Desk printer"), std::string::npos);

    auto candidates = Run("wire candidates " + Text(TestGuid(0x71, 1)));
    ASSERT_EQ(candidates.exit, 0) << candidates.err;
    EXPECT_NE(candidates.out.find("available"), std::string::npos);
    EXPECT_EQ(Run("wire add " + Text(TestGuid(0x71, 1)) + " " + Text(TestGuid(0x70, 1))).exit, 0);
    EXPECT_EQ(ConnectionsOf(TestGuid(0x71, 1)), std::vector<GUID>{TestGuid(0x70, 1)});
    EXPECT_NE(Run("wire candidates " + Text(TestGuid(0x71, 1))).out.find("connected"),
              std::string::npos);

    EXPECT_EQ(Run("device rm " + Text(kClass) + " " + Text(TestGuid(0x70, 1))).exit, 0);
    EXPECT_TRUE(ConnectionsOf(TestGuid(0x71, 1)).empty());
    EXPECT_EQ(Run("class objects " + Text(kClass)).out, "");
    EXPECT_EQ(Run("device rm " + Text(kClass) + " " + Text(TestGuid(0x70, 1))).exit, 1);
}

TEST_F(RegistryCommands, WireRemovesOnlyTheNamedConnection) {
    MakeLogicalPrinter(TestGuid(0x71, 1), u"m", {TestGuid(0x70, 1), TestGuid(0x70, 2)});
    EXPECT_EQ(Run("wire rm " + Text(TestGuid(0x71, 1)) + " " + Text(TestGuid(0x70, 1))).exit, 0);
    EXPECT_EQ(ConnectionsOf(TestGuid(0x71, 1)), std::vector<GUID>{TestGuid(0x70, 2)});
    auto notCandidate = Run("wire add " + Text(TestGuid(0x71, 1)) + " " + Text(TestGuid(0x70, 9)));
    EXPECT_EQ(notCandidate.exit, 1);
    EXPECT_NE(notCandidate.err.find("no candidate"), std::string::npos);
}

TEST_F(RegistryCommands, CategoriesAreRegisteredListedByDescriptionAndCleanedUp) {
    ASSERT_EQ(Run("categories register").exit, 0);
    auto all = Run("categories");
    EXPECT_NE(all.out.find("Cost Balancing Logical Printer"), std::string::npos);
    CATID physical = vek::kVekCategories[1].catid;
    ASSERT_EQ(RegisterImplementedVekCategories(kClass, 1, &physical), S_OK);
    vek::test::SetClassName(kClass, u"Desk printer class");
    auto classes = Run("class ls \"vek physical printer\"");
    ASSERT_EQ(classes.exit, 0) << classes.err;
    EXPECT_EQ(classes.out, Text(kClass) + "  Desk printer class\n");
    auto categories = Run("class categories " + Text(kClass));
    EXPECT_EQ(categories.out, Text(physical) + "  VEK Physical Printer\n");
    ASSERT_EQ(Run("categories cleanup").exit, 0);
    EXPECT_EQ(Run("categories").out, Text(physical) + "  VEK Physical Printer\n");
}

TEST_F(RegistryCommands, BadArgumentsGiveOneLineAndUsageStatus) {
    for (const char* args : {"class objects nonsense", "class ls", "wire add {x}", "device rm",
                             "categories nonsense", "object register nonsense"}) {
        auto result = Run(args);
        EXPECT_EQ(result.exit, 2) << args;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << args;
    }
    auto unknown = Run("class ls \"No Such Category\"");
    EXPECT_EQ(unknown.exit, 2);
    EXPECT_EQ(Run("object unregister " + Text(TestGuid(0x70, 1)) + " " + Text(kClass)).exit, 1);
}

}  // namespace
