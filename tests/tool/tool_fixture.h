// The tool run as a user would, on a fresh VEK_HOME, with helpers that set up
// a small machine through the tool itself and take a snapshot of the whole
// configuration to prove that a failed command changed nothing.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "vekcfg/vekcfg_runner.h"

namespace vek::test {

inline constexpr const char* kLogicalClass = "{6B4B6B21-B4DC-11D0-BE11-00609753E52B}";
inline constexpr const char* kQueueClass = "{F63D7D81-CAC4-11CF-B006-00A0240D2824}";
inline constexpr const char* kScsiClass = "{498411D1-BFC1-11CF-AED7-00A0240D26F3}";
inline constexpr const char* kQueueBroker = "{7A1E5C30-2B4D-4E8F-9C61-3D5A7B9E0F12}";
inline constexpr const char* kFrontDesk = "{5E1C0A00-7D3B-4F21-9A6E-0C4B2D8E1F01}";
inline constexpr const char* kLaser = "{5E1C0A00-7D3B-4F21-9A6E-0C4B2D8E1F02}";
inline constexpr const char* kPress = "{5E1C0A00-7D3B-4F21-9A6E-0C4B2D8E1F03}";

class ToolTest : public VekcfgTest {
protected:
    // Runs and expects success.
    std::string Ok(const std::string& args) {
        const ToolResult result = Run(args);
        EXPECT_EQ(result.exit, 0) << args << "\n" << result.err;
        EXPECT_EQ(result.err.find("vekcfg:"), std::string::npos) << args << "\n" << result.err;
        return result.out;
    }

    // Runs and expects a failure told in one line "vekcfg: ...".
    ToolResult Refused(const std::string& args) {
        const ToolResult result = Run(args);
        EXPECT_NE(result.exit, 0) << args;
        EXPECT_EQ(result.err.rfind("vekcfg: ", 0), 0u) << args << "\n" << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << args << "\n" << result.err;
        return result;
    }

    // A logical printer and two physical printers, wired, with a printer model
    // file and a donor and a medium in the catalogs.
    void SetUpMachine(const std::string& home = "") {
        const std::string on = home.empty() ? "" : "--home " + home + " ";
        Ok(on + "categories register");
        Ok(on + "broker set " + kQueueClass + " " + kQueueBroker);
        Ok(on + "object create " + kFrontDesk + " --type logical --class " + kLogicalClass);
        Ok(on + "object set " + kFrontDesk + " UserDescription 'Front desk – Empfang'");
        Ok(on + "object set " + kFrontDesk + " PrinterModel 'ZRT 4300'");
        Ok(on + "object register " + kFrontDesk);
        Ok(on + "setup-printer print-queue Office_Laser --model 'ZRT 4300' --id " + kLaser +
           " --description 'Office laser' --connect " + kFrontDesk + " --unattached");
        Ok(on + "setup-printer scsi-printer 2-0-5-0 --model 'QS 4350' --model 'zrt 4300' --id " +
           kPress + " --description 'Proof press' --connect " + kFrontDesk + " --unattached");
        Ok(on + "donor set 7 --text 'Black ribbon' --value1 3");
        Ok(on + "media set 12 --text 'Glossy A4'");
        Ok(on + "media set 12 --model 'ZRT 4300' --printer-real1 2.5");
        std::ofstream(ConfigDir(home) / "ZRT 4300.att") << "model attributes";
    }

    std::filesystem::path ConfigDir(const std::string& home = "") {
        return std::filesystem::path(home.empty() ? home_.path().string() : home) / "config";
    }

    // The machine's whole configuration as export writes it.
    std::string Snapshot() {
        const std::string archive = Home("snapshot.vekcfg");
        Ok("export " + archive);
        const std::string bytes = Slurp(archive);
        std::filesystem::remove(archive);
        return bytes;
    }
};

}  // namespace vek::test
