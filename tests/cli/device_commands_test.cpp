#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.h"
#include "platform/fake/recording_host_actions.h"
#include "platform/process_lock.h"
#include "support/temp_dir.h"

namespace z7::cli {
namespace {

class DeviceCommands : public ::testing::Test {
  protected:
    // Runs z7ctl against the simulated mouse in the state file S, on virtual time.
    int Z7(std::vector<std::string> args, bool simulate = true) {
        std::vector<std::string> argv = {"z7ctl", "--data-dir", (dir / "data").string(), "--config",
                                         (dir / "c.ini").string()};
        if (simulate)
            argv.insert(argv.end(), {"--simulate", (dir / "S").string(), "--virtual-time"});
        argv.insert(argv.end(), args.begin(), args.end());
        out.str({});
        err.str({});
        return z7::cli::Run(argv, out, err, LocalFileSystem(), &actions);
    }
    RecordingHostActions actions;
    // One value of a flat JSON object or the n-th string of the "slots" array.
    std::string Slot(int n) {
        EXPECT_EQ(Z7({"--json", "sim", "show"}), 0);
        const std::string text = out.str();
        size_t pos = text.find("\"slots\":[");
        std::string hex;
        for (int i = 0; i <= n && pos != std::string::npos; ++i) {
            const size_t start = text.find('"', pos + 9) + 1;
            pos = text.find('"', start);
            hex = text.substr(start, pos - start);
            pos -= 8;  // the next search starts just after this closing quote
        }
        return hex;
    }
    std::string ImageHex(const std::string& slot, const char* kind = nullptr) {
        std::vector<std::string> args = {"--json", "image", slot};
        if (kind) args.push_back(kind);
        EXPECT_EQ(Z7(args, false), 0);
        const std::string text = out.str();
        const size_t pos = text.find("\"hex\":\"") + 7;
        return text.substr(pos, text.find('"', pos) - pos);
    }

    test::TempDir dir;
    std::ostringstream out, err;
};

TEST_F(DeviceCommands, ApplyStoresExactlyTheImageAndActivatesTheSlot) {
    ASSERT_EQ(Z7({"profile", "set", "2", "pollingRate=2", "cpiX=500,900,1700"}, false), 0);
    const std::string before = Slot(2);
    EXPECT_EQ(Z7({"apply", "2"}), 0) << err.str();
    EXPECT_EQ(Slot(2).size(), 4096u);
    EXPECT_TRUE(Slot(2) != before);
    EXPECT_TRUE(Slot(2) == ImageHex("2"));
    EXPECT_NE(out.str().find("\"activeSlot\":2"), std::string::npos);
}

TEST_F(DeviceCommands, SensorAndLightingAppliesChangeOnlyTheirBytes) {
    ASSERT_EQ(Z7({"apply", "1"}), 0) << err.str();
    const std::string original = Slot(1);
    ASSERT_EQ(Z7({"profile", "set", "1", "cpiX=600,900,2000", "pollingRate=4",
                  "lightColor1=0x123456", "lightSleep=5", "profileName=x"},
                 false),
              0);
    const std::string changed = ImageHex("1");

    auto differing = [](const std::string& a, const std::string& b) {
        std::vector<size_t> bytes;
        for (size_t i = 0; i < a.size(); i += 2)
            if (a.compare(i, 2, b, i, 2) != 0) bytes.push_back(i / 2);
        return bytes;
    };
    ASSERT_EQ(Z7({"apply", "1", "--sensor"}), 0);
    const std::string afterSensor = Slot(1);
    for (size_t b : differing(original, afterSensor))
        EXPECT_TRUE(b == 0x15 || (b >= 0x32 && b <= 0x59)) << "byte " << b;
    EXPECT_FALSE(differing(original, afterSensor).empty());

    ASSERT_EQ(Z7({"apply", "1", "--lighting"}), 0);
    const std::string afterLighting = Slot(1);
    for (size_t b : differing(afterSensor, afterLighting))
        EXPECT_TRUE(b == 0x5A || (b >= 0x17 && b <= 0x1E)) << "byte " << b;
    EXPECT_FALSE(differing(afterSensor, afterLighting).empty());
    // Everything both blocks carry now matches the full image; the rest is untouched.
    for (size_t b : differing(afterLighting, changed))
        EXPECT_TRUE(b < 0x15 || b > 0x5A || b == 0x16);
}

TEST_F(DeviceCommands, FailuresMapToTheContractsExitCodes) {
    ASSERT_EQ(Z7({"sim", "set", "unplugged=1"}), 0);
    EXPECT_EQ(Z7({"apply", "1"}), 3);
    EXPECT_NE(err.str().find("no mouse found"), std::string::npos);

    ASSERT_EQ(Z7({"sim", "set", "unplugged=0", "accessDenied=1"}), 0);
    EXPECT_EQ(Z7({"activate", "1"}), 3);
    EXPECT_NE(err.str().find("permission denied"), std::string::npos);

    ASSERT_EQ(Z7({"sim", "set", "accessDenied=0", "unreadable=1"}), 0);
    EXPECT_EQ(Z7({"calibrate"}), 1);
    EXPECT_EQ(Z7({"calibrate"}), 0);  // the injected fault was used up and saved

    EXPECT_EQ(Z7({"activate", "5"}), 4);
    EXPECT_EQ(Z7({"sim", "set", "mode=sideways"}), 4);
    EXPECT_EQ(Z7({"info", "--virtual-time"}, false), 2);
    EXPECT_EQ(Z7({"sim", "show"}, false), 2);

    test::WriteBytes(dir / "S", {'Z', '7', 'S', 'I', 'M', 1, 0});
    EXPECT_EQ(Z7({"info"}), 4);
    EXPECT_NE(err.str().find("damaged"), std::string::npos);
}

TEST_F(DeviceCommands, ListenPrintsQueuedEventsInOrder) {
    ASSERT_EQ(Z7({"sim", "event", "profile", "3"}), 0);
    ASSERT_EQ(Z7({"sim", "event", "shortcut", "5"}), 0);
    ASSERT_EQ(Z7({"sim", "event", "textblock", "6"}), 0);
    EXPECT_EQ(Z7({"--json", "listen", "--count", "2"}), 0);
    EXPECT_EQ(out.str(), "{\"code\":1,\"value\":3}\n{\"code\":19,\"value\":5}\n");
    EXPECT_EQ(Z7({"listen", "--seconds", "2"}), 0);  // virtual seconds
    EXPECT_EQ(out.str(), "textblock 6\n");
}

TEST_F(DeviceCommands, ListenCarriesOutShortcutAndTextBlockPressesWithTheLibrariesReadAfresh) {
    ASSERT_EQ(Z7({"library", "add", "shortcut", "Docs", "www.example.org"}, false), 0);
    ASSERT_EQ(Z7({"sim", "event", "shortcut", "0"}), 0);
    ASSERT_EQ(Z7({"sim", "event", "textblock", "0"}), 0);
    // Added after the presses were queued: the listener still finds it.
    ASSERT_EQ(Z7({"library", "add", "textblock", "Hi", "你好"}, false), 0);
    ASSERT_EQ(Z7({"listen", "--count", "2"}), 0);
    EXPECT_EQ(actions.opened, std::vector<std::u16string>{u"http://www.example.org"});
    EXPECT_EQ(actions.pasted, std::vector<std::u16string>{u"你好"});

    ASSERT_EQ(Z7({"sim", "event", "shortcut", "0"}), 0);
    ASSERT_EQ(Z7({"listen", "--count", "1", "--no-actions"}), 0);
    EXPECT_EQ(actions.opened.size(), 1u);
}

TEST_F(DeviceCommands, EraseRestoresTheFactoryImageAndInfoFindsABootLoader) {
    const std::string factory = Slot(3);
    ASSERT_EQ(Z7({"profile", "set", "3", "pollingRate=8"}, false), 0);
    ASSERT_EQ(Z7({"apply", "3"}), 0);
    ASSERT_TRUE(Slot(3) != factory);
    EXPECT_EQ(Z7({"erase", "3"}), 0);
    EXPECT_TRUE(Slot(3) == factory);
    EXPECT_NE(out.str().find("\"activeSlot\":0"), std::string::npos);

    ASSERT_EQ(Z7({"sim", "set", "mode=boot", "deviceCode=L100"}), 0);
    EXPECT_EQ(Z7({"--json", "info"}), 0) << err.str();
    EXPECT_EQ(out.str(), "{\"mode\":\"boot\",\"deviceCode\":\"L100\"}\n");
    EXPECT_EQ(Z7({"activate", "1"}), 3);
}

TEST_F(DeviceCommands, AMouseInItsBootLoaderIsNamedWithTheWayOut) {
    ASSERT_EQ(Z7({"sim", "set", "mode=boot"}), 0);
    for (const char* command : {"apply", "activate"}) {
        EXPECT_EQ(Z7({command, "1"}), kExitNoMouse);
        EXPECT_NE(err.str().find("boot loader"), std::string::npos) << err.str();
        EXPECT_NE(err.str().find("firmware update"), std::string::npos) << err.str();
    }
}

TEST_F(DeviceCommands, InfoNamesWhatTheMouseDidNotReportWithoutOlderErrors) {
    // The version request fails once on the wire and is retried; its reply then fails.
    ASSERT_EQ(Z7({"sim", "set", "transportErrors=1", "transportError=notReady", "failStatus=1"}),
              0);
    EXPECT_EQ(Z7({"--json", "info"}), kExitDeviceFailed);
    EXPECT_EQ(err.str(), "z7ctl: the mouse did not report its firmware version\n");
    EXPECT_NE(out.str().find("\"activeSlot\":0"), std::string::npos);
}

TEST_F(DeviceCommands, AStateHeldByAnotherProgramIsReportedAfterTheWait) {
    SystemClock clock;
    LockAttempt held = AcquireProcessLock(dir / "S.lock", Millis(0), clock);
    ASSERT_EQ(held.status, LockStatus::kAcquired);
    EXPECT_EQ(Z7({"--device-wait", "0", "apply", "1"}), kExitDeviceFailed);
    EXPECT_NE(err.str().find("another program is using the simulated mouse"), std::string::npos)
        << err.str();
    EXPECT_EQ(Z7({"--device-wait", "-1", "info"}), kExitBadInput);
    held.lock.reset();
    EXPECT_EQ(Z7({"--device-wait", "0", "apply", "1"}), 0) << err.str();
}

TEST_F(DeviceCommands, InfoReportsVersionSlotAndCode) {
    ASSERT_EQ(Z7({"sim", "set", "firmwareVersion=2.05", "activeSlot=4", "deviceCode=AB12"}), 0);
    EXPECT_EQ(Z7({"--json", "info"}), 0);
    EXPECT_EQ(out.str(),
              "{\"firmwareVersion\":\"2.05\",\"activeSlot\":4,\"deviceCode\":\"AB12\"}\n");
}

}  // namespace
}  // namespace z7::cli
