// Firmware images and payloads that are not regular files: a FIFO would never end, a device
// never runs out of bytes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/cli_runner.h"
#include "support/temp_dir.h"

namespace z7 {
namespace {

TEST(FirmwareFiles, OnlyRegularFilesAreImagesOrPayloads) {
    test::TempDir dir;
    const std::string ini = "[Firmware]\nVersion=1.70\nName=Z7_1.70.bin\n";
    test::WriteBytes(dir / "config.ini", std::vector<uint8_t>(ini.begin(), ini.end()));
    const std::vector<std::string> sim = {"--simulate", (dir / "S").string(), "--virtual-time"};
    auto check = [&] {
        std::vector<std::string> args = sim;
        args.insert(args.end(), {"--json", "firmware", "check", dir.path().string()});
        return test::RunCli(args);
    };

    ASSERT_EQ(::mkfifo((dir / "Z7_1.70.bin").c_str(), 0600), 0);
    test::CliResult r = check();
    EXPECT_EQ(r.code, 4);
    EXPECT_NE(r.err.find("not a regular file"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("\"state\":\"file-problem\""), std::string::npos) << r.out;

    std::filesystem::remove(dir / "Z7_1.70.bin");
    std::filesystem::create_symlink("/dev/zero", dir / "Z7_1.70.bin");
    r = check();
    EXPECT_EQ(r.code, 4);
    EXPECT_NE(r.err.find("not a regular file"), std::string::npos) << r.err;

    for (const char* payload : {"/dev/null", "/dev/zero"}) {
        r = test::RunCli(
            {"firmware", "pack", payload, "--version", "1.70", "--out", (dir / "out").string()});
        EXPECT_EQ(r.code, 4);
        EXPECT_EQ(r.err, std::string("z7ctl: cannot read ") + payload + ": not a regular file\n");
    }
    r = test::RunCli({"firmware", "pack", (dir / "Z7_1.70.bin").string(), "--version", "1.70",
                      "--out", (dir / "out").string()});
    EXPECT_EQ(r.code, 4);
    EXPECT_FALSE(std::filesystem::exists(dir / "out"));
}

}  // namespace
}  // namespace z7
