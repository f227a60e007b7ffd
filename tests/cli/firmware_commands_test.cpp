#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.h"
#include "core/firmware/firmware_package.h"
#include "support/temp_dir.h"

namespace z7::cli {
namespace {

class FirmwareCommands : public ::testing::Test {
  protected:
    FirmwareCommands() {
        std::vector<uint8_t> payload(5000);
        for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<uint8_t>(i * 31 + 7);
        test::WriteBytes(dir / "payload.bin", payload);
    }
    ~FirmwareCommands() override { SetPromptInput(nullptr, false); }

    int Z7(std::vector<std::string> args) {
        std::vector<std::string> argv = {
            "z7ctl",      "--data-dir",         (dir / "data").string(),
            "--simulate", (dir / "S").string(), "--virtual-time"};
        argv.insert(argv.end(), args.begin(), args.end());
        out.str({});
        err.str({});
        return z7::cli::Run(argv, out, err, LocalFileSystem());
    }
    // A test package: the simulated boot loader learns its version from the marker.
    std::string Pack(const std::string& version, bool marker = true) {
        const std::string folder = (dir / ((marker ? "fw" : "raw") + version)).string();
        std::vector<std::string> args = {"firmware",  "pack",  (dir / "payload.bin").string(),
                                         "--version", version, "--out",
                                         folder};
        if (marker) args.push_back("--sim-marker");
        EXPECT_EQ(Z7(args), 0) << err.str();
        return folder;
    }
    bool Has(const std::string& text) const { return out.str().find(text) != std::string::npos; }

    test::TempDir dir;
    std::ostringstream out, err;
};

TEST_F(FirmwareCommands, APackedFirmwareIsCheckedWrittenAndReportedByInfo) {
    const std::string fw = Pack("1.70");
    EXPECT_EQ(Z7({"--json", "firmware", "check", fw}), 0) << err.str();
    EXPECT_EQ(out.str(),
              "{\"state\":\"file-newer\",\"fileVersion\":\"1.70\",\"mouseVersion\":\"1.65\"}\n");

    EXPECT_EQ(Z7({"firmware", "update", fw, "--yes"}), 0) << err.str();
    EXPECT_NE(err.str().find("100%"), std::string::npos);
    EXPECT_TRUE(Has("1.70"));
    EXPECT_EQ(Z7({"--json", "info"}), 0);
    EXPECT_TRUE(Has("\"firmwareVersion\":\"1.70\"")) << out.str();

    EXPECT_EQ(Z7({"--json", "firmware", "check", fw}), 0);
    EXPECT_TRUE(Has("\"state\":\"up-to-date\""));
    // An older package is offered too.
    EXPECT_EQ(Z7({"--json", "firmware", "update", Pack("1.02"), "--yes"}), 0) << err.str();
    EXPECT_EQ(Z7({"--json", "info"}), 0);
    EXPECT_TRUE(Has("\"firmwareVersion\":\"1.02\""));
}

TEST_F(FirmwareCommands, WithoutYesTheUpdateAsksAndRefusesWithoutATerminal) {
    const std::string fw = Pack("1.70");
    std::istringstream none;
    SetPromptInput(&none, false);
    EXPECT_EQ(Z7({"firmware", "update", fw}), kExitUsage);
    EXPECT_NE(err.str().find("--yes"), std::string::npos);

    std::istringstream no("n\n");
    SetPromptInput(&no, true);
    EXPECT_EQ(Z7({"firmware", "update", fw}), 0);
    EXPECT_NE(err.str().find("[y/N]"), std::string::npos);
    EXPECT_EQ(Z7({"--json", "info"}), 0);
    EXPECT_TRUE(Has("\"firmwareVersion\":\"1.65\""));

    std::istringstream yes("y\n");
    SetPromptInput(&yes, true);
    EXPECT_EQ(Z7({"firmware", "update", fw}), 0) << err.str();
    EXPECT_EQ(Z7({"--json", "info"}), 0);
    EXPECT_TRUE(Has("\"firmwareVersion\":\"1.70\""));
}

TEST_F(FirmwareCommands, AnInterruptedUpdateFailsAndTheNextOneRecoversTheBootLoader) {
    const std::string fw = Pack("1.70");
    // Two requests at start and six of the update get through; the second block does not.
    ASSERT_EQ(Z7({"sim", "set", "unplugAfter=8"}), 0);
    EXPECT_EQ(Z7({"firmware", "update", fw, "--yes"}), kExitDeviceFailed);
    EXPECT_NE(err.str().find("run the update again"), std::string::npos);
    ASSERT_EQ(Z7({"sim", "set", "unplugged=0"}), 0);
    EXPECT_EQ(Z7({"--json", "firmware", "check", fw}), 0);
    EXPECT_TRUE(Has("\"state\":\"boot-loader\"")) << out.str();

    EXPECT_EQ(Z7({"firmware", "update", fw}), 0) << err.str();  // no question asked
    EXPECT_EQ(Z7({"--json", "info"}), 0);
    EXPECT_TRUE(Has("\"firmwareVersion\":\"1.70\""));
}

TEST_F(FirmwareCommands, BadPackagesMissingMiceAndBadPackArgumentsMapToExitCodes) {
    EXPECT_EQ(Z7({"--json", "firmware", "check", (dir / "nothing").string()}), kExitBadInput);
    EXPECT_TRUE(Has("\"state\":\"file-problem\""));
    EXPECT_NE(err.str().find("config.ini"), std::string::npos);

    const std::string fw = Pack("1.70");
    ASSERT_EQ(Z7({"sim", "set", "unplugged=1"}), 0);
    EXPECT_EQ(Z7({"firmware", "check", fw}), kExitNoMouse);
    EXPECT_EQ(Z7({"firmware", "update", fw, "--yes"}), kExitNoMouse);
    EXPECT_NE(err.str().find("boot loader"), std::string::npos);

    const std::string payload = (dir / "payload.bin").string();
    const std::string dest = (dir / "p").string();
    EXPECT_EQ(Z7({"firmware", "pack", payload, "--version", "1.234", "--out", dest}),
              kExitBadInput);
    EXPECT_EQ(Z7({"firmware", "pack", payload, "--out", dest}), kExitUsage);
    EXPECT_EQ(Z7({"firmware", "pack", (dir / "missing").string(), "--version", "1", "--out", dest}),
              kExitBadInput);
    EXPECT_EQ(Z7({"firmware", "flash"}), kExitUsage);
}

TEST_F(FirmwareCommands, PackTakesThePayloadAsGivenAndMarksOnlyTestPackages) {
    std::vector<uint8_t> payload(120 * 1024);  // a full-size firmware
    for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<uint8_t>(i % 251);
    test::WriteBytes(dir / "full.bin", payload);
    const std::string full = (dir / "full").string();
    ASSERT_EQ(
        Z7({"firmware", "pack", (dir / "full.bin").string(), "--version", "1.70", "--out", full}),
        0)
        << err.str();
    std::vector<uint8_t> image = test::ReadBytes(dir / "full" / "Z7_Firmware_V1.70.bin");
    ASSERT_EQ(image.size(), 68 + payload.size());
    EXPECT_TRUE(std::equal(payload.begin(), payload.end(), image.begin() + 68));

    // The marker goes in front only when asked for, and then it must still fit.
    EXPECT_EQ(Z7({"firmware", "pack", (dir / "full.bin").string(), "--version", "1.70", "--out",
                  full, "--sim-marker"}),
              kExitBadInput);
    EXPECT_NE(err.str().find("with the marker"), std::string::npos);
    Pack("1.70");
    image = test::ReadBytes(dir / "fw1.70" / "Z7_Firmware_V1.70.bin");
    const std::vector<uint8_t> small = test::ReadBytes(dir / "payload.bin");
    ASSERT_EQ(image.size(), 68 + 6 + small.size());
    EXPECT_EQ(std::string(image.begin() + 68, image.begin() + 72), "Z7FW");
    EXPECT_EQ(image[72] | image[73] << 8, 170);
    EXPECT_TRUE(std::equal(small.begin(), small.end(), image.begin() + 74));
}

TEST_F(FirmwareCommands, AnUpdateTheMouseDoesNotTakeUpIsAFailure) {
    // Without the marker the simulated mouse keeps 1.65 after a download it accepted.
    const std::string fw = Pack("1.70", false);
    EXPECT_EQ(Z7({"firmware", "update", fw, "--yes"}), kExitDeviceFailed);
    EXPECT_NE(err.str().find("the mouse reports firmware 1.65 after the update, not 1.70"),
              std::string::npos)
        << err.str();
    EXPECT_EQ(Z7({"--json", "info"}), 0);
    EXPECT_TRUE(Has("\"firmwareVersion\":\"1.65\""));
}

TEST_F(FirmwareCommands, ForeignImagesUnknownOptionsAndRefusedMiceGetTheirExitCodes) {
    // An image built for another vendor is bad input, not a missing mouse.
    std::vector<uint8_t> file = BuildFirmwareImageFile(std::vector<uint8_t>(3000, 7), 170);
    file[kFirmwareVendorOffset] = 0x6D;
    std::filesystem::create_directories(dir / "foreign");
    test::WriteBytes(dir / "foreign" / "Z7_1.70.bin", file);
    const std::string ini = "[Firmware]\nVersion=1.70\nName=Z7_1.70.bin\n";
    test::WriteBytes(dir / "foreign" / "config.ini", std::vector<uint8_t>(ini.begin(), ini.end()));
    EXPECT_EQ(Z7({"firmware", "check", (dir / "foreign").string()}), kExitBadInput);
    EXPECT_EQ(Z7({"firmware", "update", (dir / "foreign").string(), "--yes"}), kExitBadInput);

    const std::string fw = Pack("1.70");
    EXPECT_EQ(Z7({"firmware", "update", "--yes", "--bogus"}), kExitUsage);
    EXPECT_NE(err.str().find("--bogus"), std::string::npos);
    EXPECT_EQ(Z7({"firmware", "check", "--bogus", fw}), kExitUsage);

    // A mouse that may not be opened is named at once, without a boot loader search.
    ASSERT_EQ(Z7({"sim", "set", "accessDenied=1"}), 0);
    EXPECT_EQ(Z7({"firmware", "update", fw, "--yes"}), kExitNoMouse);
    EXPECT_NE(err.str().find("permission denied"), std::string::npos) << err.str();
    EXPECT_EQ(err.str().find("boot loader"), std::string::npos) << err.str();
    EXPECT_EQ(Z7({"firmware", "check", fw}), kExitNoMouse);
    EXPECT_NE(err.str().find("permission denied"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace z7::cli
