// z7ctl doctor on the simulated mouse: each finding a user can meet, in words and in JSON.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.h"
#include "core/profile/profile_store.h"
#include "core/util/text.h"
#include "platform/file_system.h"
#include "platform/system_probe.h"
#include "sim/sim_state_store.h"
#include "support/temp_dir.h"

namespace z7 {
namespace {
namespace fsys = std::filesystem;

class DoctorCommand : public ::testing::Test {
  protected:
    DoctorCommand() {
        // The packaged rule, where udev reads it, below a root of the test's own.
        const std::string rule =
            "KERNEL==\"hidraw*\", ATTRS{idVendor}==\"22d4\", ATTRS{idProduct}==\"1206\", "
            "TAG+=\"uaccess\"\nKERNEL==\"hidraw*\", ATTRS{idVendor}==\"22d4\", "
            "ATTRS{idProduct}==\"1205\", TAG+=\"uaccess\"\n";
        test::WriteBytes(dir / "root/etc/udev/rules.d/70-kesta-z7.rules",
                         {rule.begin(), rule.end()});
    }

    int Z7(std::vector<std::string> args) {
        std::vector<std::string> argv = {"z7ctl",
                                         "--data-dir",
                                         PathToUtf8(dir / "data"),
                                         "--config",
                                         PathToUtf8(dir / "Config.ini"),
                                         "--simulate",
                                         PathToUtf8(dir / "mouse.state"),
                                         "--virtual-time"};
        argv.insert(argv.end(), args.begin(), args.end());
        out.str({});
        err.str({});
        return cli::Run(argv, out, err, LocalFileSystem());
    }
    int Doctor() { return Z7({"--json", "doctor", "--root", PathToUtf8(dir / "root")}); }
    // The JSON object of one finding, up to the end of its summary.
    std::string Finding(const std::string& id) const {
        const std::string text = out.str();
        const size_t at = text.find("{\"id\":\"" + id + "\"");
        if (at == std::string::npos) return {};
        return text.substr(at, text.find("\"details\"", at) - at);
    }
    // udev and its rules exist on Linux only.
    static bool Linux() { return CreateSystemProbe()->os() == SystemProbe::Os::kLinux; }
    static bool Has(const std::string& text, const std::string& part) {
        return text.find(part) != std::string::npos;
    }

    test::TempDir dir;
    std::ostringstream out, err;
};

TEST_F(DoctorCommand, EachFaultOfTheMouseIsFoundAndTheExitSaysSomethingIsWrong) {
    ASSERT_EQ(Z7({"profile", "save"}), 0);
    Doctor();  // whether all is well depends on the desktop the test runs on
    EXPECT_TRUE(Has(Finding("mouse.open"), "\"verdict\":\"ok\"")) << out.str();
    EXPECT_TRUE(Has(Finding("mouse.answers"), "the mouse answers: firmware V1.65"));
    if (Linux()) {
        EXPECT_TRUE(Has(Finding("udev.rule"), "\"verdict\":\"ok\""));
    }

    ASSERT_EQ(Z7({"sim", "set", "accessDenied=1"}), 0);
    EXPECT_EQ(Doctor(), 1);
    EXPECT_TRUE(Has(Finding("mouse.open"), "\"verdict\":\"problem\""));
    EXPECT_TRUE(Has(Finding("mouse.open"), "may not be opened (permission denied)"));
    ASSERT_EQ(Z7({"sim", "set", "accessDenied=0", "mode=boot"}), 0);
    EXPECT_EQ(Doctor(), 1);
    EXPECT_TRUE(Has(Finding("mouse.present"), "waits in its boot loader")) << out.str();
    ASSERT_EQ(Z7({"sim", "set", "mode=normal", "unplugged=1"}), 0);
    EXPECT_EQ(Doctor(), 1);
    EXPECT_TRUE(Has(Finding("mouse.present"), "no mouse found"));
    ASSERT_EQ(Z7({"sim", "set", "unplugged=0"}), 0);

    // Another program keeps the simulated mouse: the doctor does not wait for it.
    VirtualClock clock;
    LockAttempt held = LockSimState(dir / "mouse.state", Millis(0), clock, nullptr);
    ASSERT_EQ(held.status, LockStatus::kAcquired);
    EXPECT_EQ(Doctor(), 1);
    EXPECT_TRUE(Has(Finding("mouse.lock"), "\"verdict\":\"warning\"")) << out.str();
    held.lock.reset();

    // The text report says the same, with advice.
    ASSERT_EQ(Z7({"sim", "set", "accessDenied=1"}), 0);
    EXPECT_EQ(Z7({"doctor", "--root", PathToUtf8(dir / "root")}), 1);
    EXPECT_TRUE(Has(out.str(), "[problem] the mouse was found at")) << out.str();
    EXPECT_TRUE(Has(out.str(), "advice: the simulated mouse refuses access"));
}

TEST_F(DoctorCommand, ADamagedProfileAndAMissingUdevRule) {
    ASSERT_EQ(Z7({"profile", "save"}), 0);
    const fsys::path damaged = ProfileFolder(dir / "data") / fsys::path(u8"配置3.profile");
    test::WriteBytes(damaged, {0xB9, 0x52});
    fsys::remove(dir / "root/etc/udev/rules.d/70-kesta-z7.rules");
    EXPECT_EQ(Doctor(), 1);
    EXPECT_TRUE(Has(Finding("data.files"), "\"verdict\":\"warning\"")) << out.str();
    EXPECT_TRUE(Has(out.str(), "配置3.profile is damaged"));
    if (Linux()) {
        EXPECT_TRUE(Has(Finding("udev.rule"), "\"verdict\":\"problem\""));
        EXPECT_TRUE(Has(out.str(), "sudo udevadm control --reload-rules"));
    }
    EXPECT_EQ(test::ReadBytes(damaged), (std::vector<uint8_t>{0xB9, 0x52})) << "nothing repaired";
}

}  // namespace
}  // namespace z7
