// export/import: a set-up machine moved into a fresh home lists the same,
// and an import that cannot finish leaves the target as it was.
#include <regex>

#include "tool/tool_fixture.h"

namespace vek::test {
namespace {

// Every listing command, with the home's own path taken out.
std::vector<std::string> Listings() {
    const std::string lp = kFrontDesk;
    return {"settings",
            "categories ls",
            "class objects " + std::string(kLogicalClass),
            "class objects " + std::string(kQueueClass),
            "class objects " + std::string(kScsiClass),
            "class categories " + std::string(kLogicalClass),
            "wire candidates " + lp + " --json",
            "broker show " + std::string(kQueueClass),
            "object show " + lp + " --json",
            "object show " + std::string(kLaser),
            "object show " + std::string(kPress),
            "models",
            "donor ls",
            "donor show 7",
            "media ls --json",
            "media show 12"};
}

class ArchiveTest : public ToolTest {
protected:
    std::string Listing(const std::string& command, const std::string& home) {
        const ToolResult result = Run("--home " + home + " " + command);
        EXPECT_EQ(result.exit, 0) << command << "\n" << result.err;
        return std::regex_replace(result.out, std::regex(home), "HOME");
    }
};

TEST_F(ArchiveTest, ImportReproducesEveryListingReplacingWhatTheTargetHadAndKeepingOtherFiles) {
    SetUpMachine();
    const std::string archive = Home("machine.vekcfg");
    const std::string exported = Ok("export " + archive);
    EXPECT_NE(exported.find(std::string(kLaser) + ".cfg"), std::string::npos) << exported;
    EXPECT_NE(exported.find("VekDonor.cfg"), std::string::npos) << exported;
    EXPECT_NE(exported.find("ZRT 4300.att"), std::string::npos) << exported;

    const std::string fresh = Home("fresh");
    EXPECT_NE(Ok("--home " + fresh + " import " + archive).find("imported from"), std::string::npos);
    for (const auto& command : Listings())
        EXPECT_EQ(Listing(command, fresh), Listing(command, home_.path().string())) << command;
    // The directory settings followed the home.
    EXPECT_NE(Ok("--home " + fresh + " settings").find(fresh + "/config/"), std::string::npos);

    const std::string target = Home("target");
    const std::string stale = "{AAAAAAAA-0000-0000-0000-000000000001}";
    Ok("--home " + target + " object create " + stale + " --type physical");
    Ok("--home " + target + " object register " + stale + " " + kScsiClass);
    std::ofstream(target + "/config/notes.txt") << "keep me";
    Ok("--home " + target + " import " + archive);
    EXPECT_EQ(Listing("class objects " + std::string(kScsiClass), target),
              Listing("class objects " + std::string(kScsiClass), home_.path().string()));
    EXPECT_FALSE(std::filesystem::exists(target + "/config/" + stale + ".cfg"));
    EXPECT_EQ(Slurp(target + "/config/notes.txt"), "keep me");
}

// An archive written by hand: the settings key with one text value.
std::string ArchiveWithConfigRoot(const std::string& root, const std::string& keyPath) {
    std::u16string text;
    for (char c : root) text += static_cast<char16_t>(c);
    text += u'\0';
    const std::string data(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    const std::string name = "ConfigurationRoot";
    return "vekcfg archive 1\nhome 0\n\nkey " + std::to_string(keyPath.size()) + "\n" + keyPath + "\nvalue 1 " +
           std::to_string(name.size()) + " " + std::to_string(data.size()) + "\n" + name + data +
           "\nfile 8 2\nnew.cfg\nxx\nend\n";
}

TEST_F(ArchiveTest, DamagedOrHostileArchiveIsRefusedAndChangesNothing) {
    SetUpMachine();
    const std::string archive = Home("machine.vekcfg");
    Ok("export " + archive);
    const std::string bytes = Slurp(archive);
    std::ofstream(Home("plainfile")) << "x";
    const std::string before = Snapshot();
    struct Case {
        std::string bytes;
        const char* says;
    };
    const Case cases[] = {
        {bytes.substr(0, 0), ""},
        {bytes.substr(0, 10), ""},
        {bytes.substr(0, bytes.size() / 2), ""},
        {bytes.substr(0, bytes.size() - 1), ""},
        // An archive has one byte form: a key before the home record, or
        // after the files, would not write back as it was read.
        {"vekcfg archive 1\nkey 1\nA\nhome 0\n\nend\n", "damaged archive"},
        {"vekcfg archive 1\nhome 0\n\nfile 1 1\nfx\nkey 1\nA\nend\n", "damaged archive"},
        // Keys outside the configuration.
        {ArchiveWithConfigRoot(Home("config") + "/", "SYSTEM\\Elsewhere"), ""},
        // Files that cannot be staged: the registry is put back.
        {ArchiveWithConfigRoot(Home("plainfile") + "/config/", "SOFTWARE\\Norvane\\VekConfiguration"), "unchanged"},
    };
    for (const Case& c : cases) {
        std::ofstream(Home("bad.vekcfg"), std::ios::binary | std::ios::trunc) << c.bytes;
        const ToolResult refused = Refused("import " + Home("bad.vekcfg"));
        EXPECT_EQ(refused.exit, 1) << c.bytes.substr(0, 40);
        EXPECT_NE(refused.err.find(c.says), std::string::npos) << refused.err;
    }
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(ArchiveTest, DirectoryOrMissingTargetAreOneLineErrors) {
    EXPECT_EQ(Refused("import " + home_.path().string()).exit, 1);
    EXPECT_EQ(Refused("export").exit, 2);
    EXPECT_EQ(Refused("export " + Home("no/such/dir/out.vekcfg")).exit, 1);
}

}  // namespace
}  // namespace vek::test
