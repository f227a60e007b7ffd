// The doctor's findings in the situations users meet: a mouse they may not open, one in its
// boot loader, one another program holds, none at all, a damaged profile, no udev rule.
#include <gtest/gtest.h>

#include <map>

#include "core/diagnostics/doctor.h"
#include "core/profile/data_lock.h"
#include "core/profile/profile_file.h"
#include "core/profile/profile_store.h"
#include "core/profile/settings.h"
#include "core/util/text.h"
#include "platform/fake/recording_auto_start.h"
#include "platform/file_system.h"
#include "platform/process_lock.h"
#include "sim/sim_mouse.h"
#include "sim/sim_transport.h"
#include "support/temp_dir.h"

namespace z7 {
namespace {
namespace fsys = std::filesystem;

std::vector<uint8_t> B(const std::string& s) {
    return {s.begin(), s.end()};
}

// The simulated mouse as the kernel shows it: one hidraw node for its collections.
class NodeTransport final : public HidTransport {
  public:
    explicit NodeTransport(HidTransport& inner) : inner_(inner) {}
    std::vector<HidCollectionInfo> Enumerate() override {
        auto list = inner_.Enumerate();
        for (auto& c : list) {
            original_["/dev/hidraw7"] = c.path;  // one node: any of its collections opens it
            paths_[c.usagePage] = c.path;
            c.path = "/dev/hidraw7";
        }
        return list;
    }
    std::unique_ptr<HidDevice> Open(const HidCollectionInfo& c, HidStatus& status) override {
        HidCollectionInfo inner = c;
        inner.path = paths_.count(c.usagePage) ? paths_[c.usagePage] : c.path;
        return inner_.Open(inner, status);
    }

  private:
    HidTransport& inner_;
    std::map<std::string, std::string> original_;
    std::map<uint16_t, std::string> paths_;
};

class FakeProbe final : public SystemProbe {
  public:
    Os os() const override { return Os::kLinux; }
    NodeInfo InspectNode(const fsys::path& path) override {
        NodeInfo n = node;
        n.exists = path == "/dev/hidraw7";
        return n;
    }
    std::optional<LockHolder> LockHolderOf(const fsys::path&) override { return holder; }
    uint32_t UserId() override { return 1000; }
    std::string UserName() override { return "ann"; }
    std::optional<uint64_t> FreeBytes(const fsys::path&) override { return freeBytes; }
    bool CanCreateFileIn(const fsys::path& folder, std::string* error) override {
        if (writable) return true;
        if (error) *error = "Permission denied";
        (void)folder;
        return false;
    }
    DesktopInfo Desktop() override { return desktop; }

    NodeInfo node{true, 0, 0, 0660, "root", "root", 243, 7, true, true, {}};
    std::optional<LockHolder> holder;
    uint64_t freeBytes = 4000u << 20;
    bool writable = true;
    DesktopInfo desktop{
        "x11", true, true, true, "X11 system tray", true, {{"pointer speed", true, {}}}};
};

class Doctor : public ::testing::Test {
  protected:
    Doctor() : mouse(clock, NewSimState({})), sim(mouse), nodes(sim), link(nodes, clock) {
        link.SetProcessLock(dir / "run" / "mouse.lock", Millis(0), &clock);
        // A system set up as the README says: the rule installed, udev's tag on the node, the
        // user at the seat.
        test::WriteBytes(
            root() / "usr/lib/udev/rules.d/70-kesta-z7.rules",
            B("ATTRS{idVendor}==\"22d4\", ATTRS{idProduct}==\"1206\", TAG+=\"uaccess\"\n"
              "ATTRS{idVendor}==\"22d4\", ATTRS{idProduct}==\"1205\", TAG+=\"uaccess\"\n"));
        test::WriteBytes(root() / "run/udev/data/c243:7",
                         B("E:ID_VENDOR_ID=22d4\nG:uaccess\nQ:uaccess\n"));
        test::WriteBytes(root() / "run/systemd/users/1000",
                         B("NAME=ann\nSTATE=active\nACTIVE_SEATS=seat0\n"));
        test::WriteBytes(
            dir / "Config.ini",
            B("[ConfigData]\nAutoStartAP=0\nDataPath=" + PathToUtf8(dir / "data") + "\n"));
        env.fs = &LocalFileSystem();
        env.probe = &probe;
        env.link = &link;
        env.simulated = false;
        env.dataFolder = dir / "data";
        env.dataFolderSource = "--data-dir";
        env.settingsFile = dir / "Config.ini";
        env.defaultDataFolder = dir / "default";
        env.autoStart = &autoStart;
        env.root = root();
        env.ruleSource = "/usr/share/kesta-z7/packaging/70-kesta-z7.rules";
        ProfileSet set;
        LoadProfileSet(LocalFileSystem(), set, env.dataFolder);
        EXPECT_TRUE(SaveProfileSet(LocalFileSystem(), set, env.dataFolder, nullptr));
    }
    fsys::path root() const { return dir / "root"; }

    DoctorReport Run() { return RunDoctor(env); }
    static Verdict V(const DoctorReport& r, const std::string& id) {
        const Finding* f = r.Find(id);
        EXPECT_NE(f, nullptr) << id;
        return f ? f->verdict : Verdict::kNote;
    }
    static std::string All(const DoctorReport& r, const std::string& id) {
        const Finding* f = r.Find(id);
        if (!f) return {};
        std::string text = f->summary + "\n" + f->advice;
        for (const auto& d : f->details) text += "\n" + d;
        return text;
    }
    static bool Has(const std::string& text, const std::string& part) {
        return text.find(part) != std::string::npos;
    }

    test::TempDir dir;
    VirtualClock clock;
    SimMouse mouse;
    SimTransport sim;
    NodeTransport nodes;
    DeviceLink link;
    FakeProbe probe;
    RecordingAutoStart autoStart;
    DoctorEnvironment env;
};

TEST_F(Doctor, AWellSetUpSystemIsAllWell) {
    const DoctorReport r = Run();
    EXPECT_TRUE(r.AllWell()) << ReportText(r);
    EXPECT_TRUE(Has(All(r, "mouse.answers"), "firmware V1.65")) << ReportText(r);
    EXPECT_TRUE(Has(All(r, "mouse.node"), "/dev/hidraw7: owner root, group root, mode 0660"));
    EXPECT_TRUE(Has(All(r, "udev.rule"), "70-kesta-z7.rules"));
    EXPECT_EQ(mouse.state().slots, NewSimState({}).slots) << "the doctor writes nothing";
}

TEST_F(Doctor, AMouseThatMayNotBeOpenedNamesTheNodeAndTheWayOut) {
    mouse.Update([](SimState& s) { s.faults.accessDenied = true; });
    probe.node.mode = 0600;
    probe.node.readable = probe.node.writable = false;
    // The rule is missing, so udev never tagged the node.
    fsys::remove(root() / "usr/lib/udev/rules.d/70-kesta-z7.rules");
    test::WriteBytes(root() / "run/udev/data/c243:7", B("E:ID_VENDOR_ID=22d4\n"));
    // `cmake --install` with the default prefix put a copy where udev does not look.
    test::WriteBytes(root() / "usr/local/lib/udev/rules.d/70-kesta-z7.rules", B("22d4 1206\n"));
    // Another vendor's rule is no rule for the mouse.
    test::WriteBytes(root() / "etc/udev/rules.d/60-other.rules", B("ATTRS{idVendor}==\"046d\"\n"));

    const DoctorReport r = Run();
    EXPECT_FALSE(r.AllWell());
    EXPECT_EQ(V(r, "mouse.open"), Verdict::kProblem);
    EXPECT_TRUE(Has(All(r, "mouse.open"), "permission denied"));
    EXPECT_EQ(V(r, "mouse.node"), Verdict::kProblem);
    EXPECT_TRUE(Has(All(r, "mouse.node"), "mode 0600; you (ann) may not"));
    EXPECT_TRUE(Has(All(r, "mouse.node"), "did not tag the node uaccess"));
    EXPECT_EQ(V(r, "udev.rule"), Verdict::kProblem);
    const std::string rule = All(r, "udev.rule");
    EXPECT_TRUE(Has(rule,
                    "sudo cp '/usr/share/kesta-z7/packaging/70-kesta-z7.rules' "
                    "/etc/udev/rules.d/ && sudo udevadm control --reload-rules"))
        << rule;
    EXPECT_TRUE(Has(rule, "usr/local/lib/udev/rules.d, which udev does not read")) << rule;
    EXPECT_EQ(r.Find("mouse.answers"), nullptr) << "nothing is asked of a mouse that will not open";
}

TEST_F(Doctor, TaggedButNotAtTheSeatAndARuleThatComesTooLate) {
    probe.node.readable = probe.node.writable = false;
    test::WriteBytes(root() / "run/systemd/users/1000",
                     B("NAME=ann\nSTATE=online\nACTIVE_SEATS=\n"));
    // A copy in /etc hides the packaged one; named after 73-seat-late.rules it tags too late.
    test::WriteBytes(
        root() / "etc/udev/rules.d/80-kesta.rules",
        B("ATTRS{idVendor}==\"22d4\", ATTRS{idProduct}==\"1206\", TAG+=\"uaccess\"\n"));
    fsys::remove(root() / "usr/lib/udev/rules.d/70-kesta-z7.rules");
    const DoctorReport r = Run();
    EXPECT_TRUE(Has(All(r, "mouse.node"), "no active session at a seat")) << ReportText(r);
    EXPECT_TRUE(Has(All(r, "mouse.node"), "log in at the computer itself"));
    EXPECT_EQ(V(r, "udev.rule"), Verdict::kProblem);
    EXPECT_TRUE(Has(All(r, "udev.rule"), "73-seat-late.rules"));
}

TEST_F(Doctor, BootLoaderBusyAndUnpluggedMice) {
    mouse.Update([](SimState& s) { s.mode = SimMode::kBoot; });
    DoctorReport r = Run();
    EXPECT_EQ(V(r, "mouse.present"), Verdict::kProblem);
    EXPECT_TRUE(Has(All(r, "mouse.present"), "boot loader"));
    EXPECT_TRUE(Has(All(r, "mouse.present"), "firmware update"));
    EXPECT_EQ(r.Find("mouse.answers"), nullptr);

    mouse.Update([](SimState& s) { s.mode = SimMode::kNormal; });
    SystemClock real;
    LockAttempt other = AcquireProcessLock(dir / "run" / "mouse.lock", Millis(0), real);
    ASSERT_EQ(other.status, LockStatus::kAcquired);
    probe.holder = LockHolder{4242, "kesta-z7"};
    mouse.ClearRequests();
    r = Run();
    EXPECT_EQ(V(r, "mouse.lock"), Verdict::kWarning);
    EXPECT_TRUE(
        Has(All(r, "mouse.lock"), "another program (kesta-z7, process 4242) is using the mouse"));
    EXPECT_EQ(r.Find("mouse.answers"), nullptr) << "the holder's exchange is not disturbed";
    EXPECT_TRUE(mouse.requests().empty());
    other.lock.reset();

    mouse.Update([](SimState& s) { s.unplugged = true; });
    r = Run();
    EXPECT_EQ(V(r, "mouse.present"), Verdict::kProblem);
    EXPECT_TRUE(Has(All(r, "mouse.present"), "no mouse found"));
    EXPECT_EQ(r.Find("mouse.open"), nullptr);

    // The backend itself could not be had: another program keeps the simulated mouse.
    env.link = nullptr;
    env.backendBusy = true;
    env.backendProblem = "another program is using the simulated mouse";
    r = Run();
    EXPECT_EQ(V(r, "mouse.lock"), Verdict::kWarning);
}

TEST_F(Doctor, TheDataFolderDamagedFilesAnUnfinishedSaveAndNoRoom) {
    const fsys::path profiles = ProfileFolder(env.dataFolder);
    const fsys::path damaged = profiles / fsys::path(u8"配置1.profile");
    ASSERT_TRUE(fsys::exists(damaged));
    test::WriteBytes(damaged, B("not a profile"));
    test::WriteBytes(profiles / "export.txt", B("mine"));
    test::WriteBytes(profiles / fsys::path(u8"配置2.profile.z7new"), B("staged"));
    probe.freeBytes = 20u << 20;
    DoctorReport r = Run();
    EXPECT_EQ(V(r, "data.files"), Verdict::kWarning);
    EXPECT_TRUE(Has(All(r, "data.files"), "配置1.profile is damaged")) << ReportText(r);
    EXPECT_TRUE(Has(All(r, "data.files"), "z7ctl restore"));
    EXPECT_EQ(V(r, "data.unknown"), Verdict::kNote);
    EXPECT_TRUE(Has(All(r, "data.unknown"), "export.txt"));
    EXPECT_EQ(V(r, "data.journal"), Verdict::kWarning);
    EXPECT_EQ(V(r, "data.space"), Verdict::kWarning);
    EXPECT_EQ(test::ReadBytes(damaged), B("not a profile")) << "the doctor repairs nothing";
    EXPECT_TRUE(fsys::exists(profiles / fsys::path(u8"配置2.profile.z7new")));

    // While another program saves, its staged files are its work, not a leftover.
    SystemClock real;
    LockAttempt saving = LockDataFolder(env.dataFolder, real, nullptr, Millis(0));
    ASSERT_EQ(saving.status, LockStatus::kAcquired);
    r = Run();
    EXPECT_EQ(r.Find("data.journal"), nullptr);
    EXPECT_EQ(V(r, "data.lock"), Verdict::kNote);
    saving.lock.reset();

    probe.writable = false;
    r = Run();
    EXPECT_EQ(V(r, "data.folder"), Verdict::kProblem);
    EXPECT_TRUE(Has(All(r, "data.folder"), "Permission denied"));
}

TEST_F(Doctor, SettingsAutostartAndTheDesktop) {
    test::WriteBytes(dir / "Config.ini", B("[ConfigData]\nAutoStartAP=1\nDataPath=/nowhere\n"));
    probe.desktop = DesktopInfo{
        "wayland", false, false, false, {}, false, {{"pointer speed", false, "not here"}}};
    DoctorReport r = Run();
    EXPECT_EQ(V(r, "settings.file"), Verdict::kWarning);
    EXPECT_TRUE(Has(All(r, "settings.file"), "/nowhere"));
    EXPECT_EQ(V(r, "settings.autostart"), Verdict::kWarning) << "on in the settings, no entry";
    EXPECT_EQ(V(r, "desktop.tray"), Verdict::kWarning);
    EXPECT_TRUE(Has(All(r, "desktop.tray"), "AppIndicator"));
    EXPECT_EQ(V(r, "desktop.capture"), Verdict::kNote);
    EXPECT_EQ(V(r, "desktop.typing"), Verdict::kWarning);
    EXPECT_EQ(V(r, "desktop.pointer"), Verdict::kWarning);

    // Over a remote login, what a desktop would offer is no fault.
    probe.desktop.session = "tty";
    autoStart.entries.insert(kAutoStartValueName);
    test::WriteBytes(dir / "Config.ini", B("[ConfigData]\nAutoStartAP=1\n"));
    r = Run();
    for (const char* id : {"desktop.tray", "desktop.typing", "desktop.pointer"})
        EXPECT_EQ(V(r, id), Verdict::kNote) << id;
    EXPECT_EQ(V(r, "settings.autostart"), Verdict::kOk);
}

}  // namespace
}  // namespace z7
