#include "core/diagnostics/doctor.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "core/backup/backup_manifest.h"
#include "core/backup/data_tree.h"
#include "core/device/device_exchanges.h"
#include "core/firmware/firmware_package.h"
#include "core/profile/data_lock.h"
#include "core/profile/settings.h"
#include "core/util/text.h"
#include "platform/process_lock.h"

namespace z7 {
namespace fsys = std::filesystem;

namespace {

constexpr char kRuleName[] = "70-kesta-z7.rules";
// udev turns the uaccess tag into an access list in this file; a rule sorting after it tags
// the node too late.
constexpr char kSeatLateRules[] = "73-seat-late.rules";
constexpr uint64_t kMiB = 1u << 20;
constexpr uint64_t kLowSpace = 50 * kMiB;
constexpr uint64_t kNoSpace = 1 * kMiB;
constexpr size_t kMaxRuleBytes = 1u << 20;
constexpr size_t kMaxListedFiles = 10;

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string Octal(uint32_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

std::string Hex4(uint16_t v) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(v));
    return text;
}

std::string MiB(uint64_t bytes) {
    return std::to_string(bytes / kMiB) + " MiB";
}

std::string ReadText(FileSystem& fs, const fsys::path& path, size_t max = kMaxRuleBytes) {
    std::vector<uint8_t> bytes;
    if (!fs.ReadFile(path, bytes, max, nullptr)) return {};
    return std::string(bytes.begin(), bytes.end());
}

// "KEY=VALUE" lines of a systemd or udev state file.
std::map<std::string, std::string> KeyValues(const std::string& text) {
    std::map<std::string, std::string> values;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        const size_t eq = line.find('=');
        if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
        start = end + 1;
    }
    return values;
}

class Report {
  public:
    Finding& Add(std::string id, std::string area, Verdict verdict, std::string summary,
                 std::string advice = {}) {
        report_.findings.push_back(
            {std::move(id), std::move(area), verdict, std::move(summary), {}, std::move(advice)});
        return report_.findings.back();
    }
    const DoctorReport& view() const { return report_; }
    DoctorReport Take() { return std::move(report_); }

  private:
    DoctorReport report_;
};

std::string RuleAdvice(const DoctorEnvironment& env) {
    return "install the udev rule: sudo cp '" + PathToUtf8(env.ruleSource) +
           "' /etc/udev/rules.d/ && sudo udevadm control --reload-rules && sudo udevadm "
           "trigger; then unplug the mouse and plug it in again";
}

// --- the mouse -------------------------------------------------------------------------------

struct MouseSeen {
    std::vector<HidCollectionInfo> config, events, boot;
    bool any() const { return !config.empty() || !events.empty() || !boot.empty(); }
    std::vector<std::string> NodePaths() const {
        std::vector<std::string> paths;
        for (const auto* list : {&config, &events, &boot})
            for (const auto& c : *list)
                if (c.path.rfind("/dev/", 0) == 0 &&
                    std::find(paths.begin(), paths.end(), c.path) == paths.end())
                    paths.push_back(c.path);
        return paths;
    }
};

MouseSeen LookForMouse(HidTransport& transport) {
    MouseSeen seen;
    for (const HidCollectionInfo& c : transport.Enumerate()) {
        if (c.vendorId != kVendorId) continue;
        const bool config = c.usagePage == kConfigUsagePage && c.usage == kConfigUsage;
        const bool events = c.usagePage == kEventUsagePage && c.usage == kEventUsage;
        if (c.productId == kProductNormal && config) seen.config.push_back(c);
        if (c.productId == kProductNormal && events) seen.events.push_back(c);
        if (c.productId == kProductBoot && config) seen.boot.push_back(c);
    }
    return seen;
}

void CheckLock(const DoctorEnvironment& env, Report& report, const fsys::path& lockFile,
               bool* busy) {
    *busy = false;
    if (env.backendBusy) {
        *busy = true;
        report.Add(
            "mouse.lock", "mouse", Verdict::kWarning,
            "another program holds the simulated mouse" +
                (env.backendProblem.empty() ? std::string() : ": " + env.backendProblem),
            "wait until it has finished, or end it (kesta-z7: \"退出驱动\" in the tray menu)");
        return;
    }
    if (lockFile.empty()) return;
    VirtualClock clock;
    std::string error;
    LockAttempt attempt = AcquireProcessLock(lockFile, Millis(0), clock, &error);
    if (attempt.status == LockStatus::kAcquired) {
        report.Add("mouse.lock", "mouse", Verdict::kOk, "no other program is using the mouse");
        return;
    }
    if (attempt.status == LockStatus::kError) {
        Finding& f = report.Add(
            "mouse.lock", "mouse", Verdict::kWarning,
            "the lock that keeps programs from talking to the mouse at once "
            "cannot be taken: " +
                error,
            "make the lock folder " + PathToUtf8(lockFile.parent_path()) + " writable for you");
        f.details.push_back(PathToUtf8(lockFile));
        return;
    }
    *busy = true;
    std::string who = "another program";
    if (const auto holder = env.probe ? env.probe->LockHolderOf(lockFile) : std::nullopt)
        who += " (" + (holder->program.empty() ? std::string() : holder->program + ", ") +
               "process " + std::to_string(holder->pid) + ")";
    Finding& f =
        report.Add("mouse.lock", "mouse", Verdict::kWarning, who + " is using the mouse right now",
                   "wait until it has finished, or end it (kesta-z7: \"退出驱动\" in the "
                   "tray menu); until then, changes to the mouse wait and then give up");
    f.details.push_back(PathToUtf8(lockFile));
}

void CheckNodes(const DoctorEnvironment& env, Report& report, const MouseSeen& seen) {
    if (!env.probe || env.probe->os() != SystemProbe::Os::kLinux) return;
    FileSystem& fs = *env.fs;
    const uint32_t uid = env.probe->UserId();
    for (const std::string& path : seen.NodePaths()) {
        const NodeInfo node = env.probe->InspectNode(PathFromUtf8(path));
        if (!node.exists) continue;
        const bool access = node.readable && node.writable;
        Finding& f = report.Add(
            "mouse.node", "mouse", access ? Verdict::kOk : Verdict::kProblem,
            path + ": owner " + (node.owner.empty() ? std::to_string(node.uid) : node.owner) +
                ", group " + (node.group.empty() ? std::to_string(node.gid) : node.group) +
                ", mode " + Octal(node.mode) + "; you (" + env.probe->UserName() + ") " +
                (access ? "may" : "may not") + " read and write it");
        // What udev did with the node: the tag of the rule, and the seat that turns it into
        // access for the user.
        const fsys::path database = env.root / "run/udev/data";
        const fsys::path entry =
            database / ("c" + std::to_string(node.major) + ":" + std::to_string(node.minor));
        bool tagged = false;
        if (!fs.IsDirectory(database)) {
            f.details.push_back("udev keeps no device database here (" + PathToUtf8(database) +
                                "): udev is not running");
        } else {
            const std::string text = ReadText(fs, entry);
            tagged = Contains(text, "G:uaccess") || Contains(text, "Q:uaccess");
            f.details.push_back(tagged
                                    ? "udev tagged the node uaccess"
                                    : "udev did not tag the node uaccess: no rule applied to it "
                                      "(was the rule installed after the mouse was plugged in?)");
        }
        const fsys::path userState = env.root / "run/systemd/users" / std::to_string(uid);
        bool atSeat = false;
        if (fs.Exists(userState)) {
            const auto values = KeyValues(ReadText(fs, userState));
            const auto seats = values.find("ACTIVE_SEATS");
            atSeat = seats != values.end() && !seats->second.empty();
            f.details.push_back(atSeat ? "you have an active session at " + seats->second
                                       : "you have no active session at a seat (a remote or "
                                         "su session?): uaccess gives you nothing there");
        } else {
            f.details.push_back("no login manager state for you (" + PathToUtf8(userState) +
                                "): whether you sit at the seat is unknown");
        }
        if (access) continue;
        if (tagged && !atSeat)
            f.advice =
                "log in at the computer itself, or give a group of yours access with a "
                "rule of your own (MODE=\"0660\", GROUP=\"plugdev\")";
        else if (tagged)
            f.advice = "unplug the mouse and plug it in again so that udev grants the access";
        else
            f.advice = RuleAdvice(env);
    }
}

void CheckMouse(const DoctorEnvironment& env, Report& report) {
    DeviceLink* link = env.link;
    bool busy = false;
    if (!link) {
        if (env.backendBusy) {
            CheckLock(env, report, {}, &busy);
        } else {
            report.Add("mouse.present", "mouse", Verdict::kProblem,
                       "the mouse cannot be looked at: " + env.backendProblem,
                       env.simulated ? "check the --simulate option" : "");
        }
        return;
    }
    const MouseSeen seen = LookForMouse(link->transport());
    if (seen.config.empty() && seen.events.empty() && !seen.boot.empty()) {
        Finding& f = report.Add("mouse.present", "mouse", Verdict::kProblem,
                                "the mouse waits in its boot loader (22d4:1205): a firmware "
                                "update did not finish",
                                "run `z7ctl firmware update` (or the updater on the Support page) "
                                "to write the firmware again; it needs no confirmation then");
        for (const auto& c : seen.boot) f.details.push_back(c.path);
    } else if (!seen.any()) {
        report.Add("mouse.present", "mouse", Verdict::kProblem,
                   std::string("no mouse found") +
                       (env.simulated ? " (the simulated mouse is unplugged)" : ""),
                   env.simulated ? "plug it in: z7ctl --simulate STATE sim set unplugged=0"
                                 : "plug the mouse in (straight into the computer, not through an "
                                   "unpowered hub); `z7ctl devices` lists what is found");
    } else {
        Finding& f = report.Add(
            "mouse.present", "mouse", Verdict::kOk,
            std::string("mouse found (22d4:1206)") + (env.simulated ? ", simulated" : ""));
        for (const auto& c : seen.config)
            f.details.push_back("configuration collection " + Hex4(c.usagePage) + "/" +
                                Hex4(c.usage) + ": " + c.path);
        for (const auto& c : seen.events)
            f.details.push_back("event collection " + Hex4(c.usagePage) + "/" + Hex4(c.usage) +
                                ": " + c.path);
        if (seen.config.empty())
            report.Add("mouse.collections", "mouse", Verdict::kProblem,
                       "the mouse shows no configuration collection: nothing can be written to it",
                       "unplug the mouse and plug it in again");
        else if (seen.events.empty())
            report.Add("mouse.collections", "mouse", Verdict::kWarning,
                       "the mouse shows no event collection: profile switches on the mouse and "
                       "shortcut or text-block buttons will not reach the program",
                       "unplug the mouse and plug it in again");
    }

    CheckLock(env, report, link->processLockFile(), &busy);

    const bool boot = seen.config.empty() && !seen.boot.empty();
    bool opened = false;
    if (!seen.config.empty() || boot) {
        link->CloseDevice();
        opened = link->OpenConfigInterface(boot ? kProductBoot : kProductNormal);
        link->CloseDevice();
        const OpenProblem problem = link->lastOpenProblem();
        if (opened) {
            report.Add("mouse.open", "mouse", Verdict::kOk, "the configuration collection opens");
        } else if (problem.outcome == OpenOutcome::kAccessDenied) {
            report.Add("mouse.open", "mouse", Verdict::kProblem,
                       "the mouse was found at " + problem.path +
                           " but may not be opened (permission denied)",
                       env.probe && env.probe->os() == SystemProbe::Os::kLinux && !env.simulated
                           ? RuleAdvice(env)
                       : env.simulated ? "the simulated mouse refuses access: z7ctl --simulate "
                                         "STATE sim set accessDenied=0"
                                       : "close programs that may hold the mouse exclusively");
        } else {
            report.Add("mouse.open", "mouse", Verdict::kProblem,
                       "the mouse was found but could not be opened: " + problem.message,
                       "unplug the mouse and plug it in again");
        }
    }
    CheckNodes(env, report, seen);

    if (opened && !boot && !busy) {
        DeviceInfo info;
        const ExchangeResult result = RefreshFromDevice(*link, info, /*readDeviceCode=*/true);
        link->CloseDevice();
        if (result == ExchangeResult::kOk && info.firmwareVersion && info.activeSlot) {
            report.Add("mouse.answers", "mouse", Verdict::kOk,
                       "the mouse answers: firmware V" +
                           FirmwareVersionText(*info.firmwareVersion) + ", active profile slot " +
                           std::to_string(*info.activeSlot));
        } else if (result == ExchangeResult::kBusy) {
            report.Add("mouse.answers", "mouse", Verdict::kWarning,
                       "another program began talking to the mouse meanwhile",
                       "run the doctor again when it has finished");
        } else {
            const HidStatus status = link->lastTransferStatus();
            report.Add("mouse.answers", "mouse", Verdict::kProblem,
                       "the mouse opens but does not answer" +
                           (status.ok() ? std::string() : " (" + status.message + ")"),
                       "unplug the mouse and plug it in again; if that does not help, try "
                       "another USB port");
        }
    }
}

// --- udev ------------------------------------------------------------------------------------

void CheckUdevRule(const DoctorEnvironment& env, Report& report, bool mouseOpened) {
    if (!env.probe || env.probe->os() != SystemProbe::Os::kLinux) return;
    FileSystem& fs = *env.fs;
    // udev reads these, a file in an earlier folder hiding one of the same name in a later one.
    const char* const kReadFolders[] = {"etc/udev/rules.d", "run/udev/rules.d",
                                        "usr/lib/udev/rules.d", "lib/udev/rules.d"};
    std::map<std::string, fsys::path> effective;  // file name -> the file udev reads
    for (const char* folder : kReadFolders)
        for (const fsys::path& name : fs.List(env.root / folder)) {
            const std::string n = PathToUtf8(name);
            if (n.size() > 6 && n.substr(n.size() - 6) == ".rules" && !effective.count(n))
                effective[n] = env.root / folder / name;
        }
    std::vector<std::pair<std::string, fsys::path>> ours;
    bool normal = false, boot = false, uaccess = false, late = false;
    for (const auto& [name, path] : effective) {
        const std::string text = Lower(ReadText(fs, path));
        if (!Contains(text, "22d4")) continue;
        ours.emplace_back(name, path);
        normal = normal || Contains(text, "1206");
        boot = boot || Contains(text, "1205");
        if (Contains(text, "uaccess")) {
            uaccess = true;
            late = late || name > kSeatLateRules;
        }
    }
    if (ours.empty()) {
        Finding& f = report.Add("udev.rule", "mouse", Verdict::kProblem,
                                "no udev rule for the mouse is installed where udev reads it "
                                "(/etc/udev/rules.d, /run/udev/rules.d, /usr/lib/udev/rules.d)",
                                RuleAdvice(env));
        // `cmake --install` with the default prefix puts it where udev does not look.
        const fsys::path local = env.root / "usr/local/lib/udev/rules.d" / kRuleName;
        if (fs.Exists(local))
            f.details.push_back("a copy lies in " + PathToUtf8(local.parent_path()) +
                                ", which udev does not read");
        if (mouseOpened && !env.simulated)
            f.details.push_back("the mouse opens anyway (as root, or by another rule)");
        return;
    }
    Finding& f = report.Add("udev.rule", "mouse", Verdict::kOk, "udev rule installed");
    for (const auto& [name, path] : ours) f.details.push_back(PathToUtf8(path));
    if (!normal) {
        f.verdict = Verdict::kProblem;
        f.summary = "the udev rule does not name the mouse in normal mode (1206)";
        f.advice = RuleAdvice(env);
    } else if (late) {
        f.verdict = Verdict::kProblem;
        f.summary = std::string("the udev rule sorts after ") + kSeatLateRules +
                    ", which applies uaccess: the tag comes too late";
        f.advice = std::string("rename it to ") + kRuleName + " (any number below 73)";
    } else if (!boot) {
        f.verdict = Verdict::kWarning;
        f.summary =
            "the udev rule does not name the boot loader (1205): a firmware update "
            "would need root";
        f.advice = RuleAdvice(env);
    } else if (!uaccess) {
        f.details.push_back("the rule grants access without uaccess (a group or mode of its own)");
    }
}

// --- the data folder -------------------------------------------------------------------------

void CheckDataFolder(const DoctorEnvironment& env, Report& report) {
    FileSystem& fs = *env.fs;
    const fsys::path root = DataRoot(env.dataFolder);
    const std::string where = PathToUtf8(env.dataFolder) + " (" + env.dataFolderSource + ")";
    // The nearest folder that exists: where the first save creates the rest.
    fsys::path existing = root;
    while (!existing.empty() && !fs.IsDirectory(existing) && existing != existing.parent_path())
        existing = existing.parent_path();
    const bool present = fs.IsDirectory(root);
    std::string writeError;
    const bool writable =
        !existing.empty() && env.probe && env.probe->CanCreateFileIn(existing, &writeError);
    if (!writable) {
        report.Add("data.folder", "data", Verdict::kProblem,
                   "the data folder " + where + " cannot be written" +
                       (writeError.empty() ? std::string() : ": " + writeError),
                   "fix its permissions, or choose another data folder on the System page (z7ctl: "
                   "--data-dir)");
    } else if (!present) {
        report.Add("data.folder", "data", Verdict::kNote,
                   "the data folder is " + where +
                       "; it holds no data yet (the first save "
                       "creates " +
                       PathToUtf8(root) + ")");
    } else {
        report.Add("data.folder", "data", Verdict::kOk, "the data folder is " + where);
    }

    if (env.probe && !existing.empty()) {
        if (const auto free = env.probe->FreeBytes(existing)) {
            const Verdict v = *free < kNoSpace    ? Verdict::kProblem
                              : *free < kLowSpace ? Verdict::kWarning
                                                  : Verdict::kOk;
            report.Add("data.space", "data", v, MiB(*free) + " free on its disk",
                       v == Verdict::kOk ? ""
                                         : "make room: saves need space for the new files "
                                           "before the old ones go");
        }
    }
    if (!present) return;

    // Another writer right now: its staged files are its work in progress, not a leftover.
    bool saving = false;
    {
        VirtualClock clock;
        std::string error;
        LockAttempt attempt = LockDataFolder(env.dataFolder, clock, &error, Millis(0));
        if (attempt.status == LockStatus::kBusy) {
            saving = true;
            std::string who = "another program";
            if (const auto holder = env.probe
                                        ? env.probe->LockHolderOf(DataLockFile(env.dataFolder))
                                        : std::nullopt)
                who += " (" + (holder->program.empty() ? std::string() : holder->program + ", ") +
                       "process " + std::to_string(holder->pid) + ")";
            report.Add("data.lock", "data", Verdict::kNote,
                       who + " is changing the data folder now");
        }
    }

    const std::vector<TreeFolderState> tree =
        InspectDataTree(fs, env.dataFolder, /*recover=*/false);
    std::vector<std::string> damaged, unreadable, repaired, unknown, staged;
    for (const TreeFolderState& t : tree) {
        for (const DataIssue& issue : t.state.issues) {
            const std::string line = DescribeIssue(issue);
            switch (issue.kind) {
                case DataIssue::Kind::DamagedFile:
                case DataIssue::Kind::DamagedList:
                    damaged.push_back(line);
                    break;
                case DataIssue::Kind::Unreadable:
                    unreadable.push_back(line);
                    break;
                case DataIssue::Kind::RepairedValues:
                    repaired.push_back(line);
                    break;
            }
        }
        for (const fsys::path& name : t.unknown) unknown.push_back(PathToUtf8(t.path / name));
        for (const fsys::path& name : fs.List(t.path))
            if (IsCommitArtefact(name)) staged.push_back(PathToUtf8(t.path / name));
    }
    for (const fsys::path& name : fs.List(root))
        if (IsCommitArtefact(name)) staged.push_back(PathToUtf8(root / name));

    const Verdict filesVerdict = !unreadable.empty() ? Verdict::kProblem
                                 : !damaged.empty()  ? Verdict::kWarning
                                                     : Verdict::kOk;
    Finding& files = report.Add(
        "data.files", "data", filesVerdict,
        filesVerdict == Verdict::kOk
            ? "the profiles and libraries read without damage"
            : std::to_string(damaged.size() + unreadable.size()) +
                  (damaged.size() + unreadable.size() == 1 ? " file" : " files") +
                  " of the data cannot be read",
        filesVerdict == Verdict::kOk
            ? ""
            : "damaged files are kept as they are and left out; put them back from a backup "
              "(z7ctl restore FILE) or delete them");
    for (const auto* list : {&unreadable, &damaged, &repaired})
        files.details.insert(files.details.end(), list->begin(), list->end());
    if (!unknown.empty()) {
        Finding& f =
            report.Add("data.unknown", "data", Verdict::kNote,
                       std::to_string(unknown.size()) + (unknown.size() == 1 ? " file" : " files") +
                           " in the data folders not the program's own (they stay as "
                           "they are and are not backed up)");
        for (size_t i = 0; i < unknown.size() && i < kMaxListedFiles; ++i)
            f.details.push_back(unknown[i]);
        if (unknown.size() > kMaxListedFiles)
            f.details.push_back("... and " + std::to_string(unknown.size() - kMaxListedFiles) +
                                " more");
    }
    if (!staged.empty() && !saving) {
        Finding& f = report.Add("data.journal", "data", Verdict::kWarning,
                                "an interrupted save left its files behind",
                                "nothing is lost: the next program that loads the data folder "
                                "(kesta-z7, or a z7ctl command that changes it) completes the "
                                "save or discards it");
        f.details = staged;
    }
}

// --- settings --------------------------------------------------------------------------------

void CheckSettings(const DoctorEnvironment& env, Report& report) {
    FileSystem& fs = *env.fs;
    const std::string path = PathToUtf8(env.settingsFile);
    SettingsProblem problem;
    const Settings settings = LoadSettings(fs, env.settingsFile, env.defaultDataFolder, &problem);
    switch (problem.kind) {
        case SettingsProblem::Kind::Error:
            report.Add(
                "settings.file", "settings", Verdict::kProblem, problem.message,
                "fix the permissions of " + path + " or remove it (the defaults then apply)");
            break;
        case SettingsProblem::Kind::Warning:
            report.Add("settings.file", "settings",
                       fs.Exists(env.settingsFile) ? Verdict::kWarning : Verdict::kNote,
                       problem.message,
                       "choose the data folder on the System page, which writes it into " + path);
            break;
        case SettingsProblem::Kind::None:
            if (fs.Exists(env.settingsFile))
                report.Add("settings.file", "settings", Verdict::kOk,
                           "the settings file is " + path);
            else
                report.Add("settings.file", "settings", Verdict::kNote,
                           path + " does not exist yet; the defaults apply");
            break;
    }
    if (!env.autoStart) return;
    const bool chosen = settings.autoStart == u"1";
    const bool entry = env.autoStart->IsEnabled(kAutoStartValueName);
    if (chosen == entry) {
        report.Add("settings.autostart", "settings", Verdict::kOk,
                   std::string("start with the desktop: ") + (chosen ? "on" : "off") +
                       ", and the autostart entry agrees");
    } else {
        report.Add("settings.autostart", "settings", Verdict::kWarning,
                   std::string("the System page says start with the desktop is ") +
                       (chosen ? "on" : "off") + ", but the autostart entry is " +
                       (entry ? "there" : "missing"),
                   "open the System page and press Apply, which writes the entry again");
    }
}

// --- the desktop -----------------------------------------------------------------------------

void CheckDesktop(const DoctorEnvironment& env, Report& report) {
    if (!env.probe) return;
    const DesktopInfo d = env.probe->Desktop();
    const bool graphical = d.session != "tty";
    const bool linuxDesktop = env.probe->os() == SystemProbe::Os::kLinux;
    report.Add("desktop.session", "desktop", graphical ? Verdict::kOk : Verdict::kNote,
               d.session == "x11"       ? "an X11 session"
               : d.session == "wayland" ? std::string("a Wayland session") +
                                              (d.xDisplay ? " with XWayland" : " without XWayland")
               : d.session == "windows" ? "a Windows desktop"
                                        : "no graphical session (a console or remote login)");
    // Without a desktop, what it lacks is no fault.
    const Verdict missing = graphical ? Verdict::kWarning : Verdict::kNote;
    if (d.tray)
        report.Add("desktop.tray", "desktop", Verdict::kOk,
                   "a tray is present (" + d.trayKind + ")");
    else
        report.Add("desktop.tray", "desktop", missing,
                   "no tray: closing the window minimises it instead of hiding it in the tray",
                   graphical && linuxDesktop ? "on GNOME, enable the AppIndicator extension "
                                               "(gnome-shell-extension-appindicator)"
                                             : "");

    // Settings that are not applied for the same reason share one line.
    std::vector<std::string> applied, notHere;
    std::vector<std::pair<std::string, std::string>> missingByNote;  // note -> settings
    for (const PointerCapability& p : d.pointer) {
        if (p.applied) {
            applied.push_back(p.setting + (p.note.empty() ? "" : " (" + p.note + ")"));
            continue;
        }
        auto it = std::find_if(missingByNote.begin(), missingByNote.end(),
                               [&](const auto& m) { return m.first == p.note; });
        if (it == missingByNote.end())
            missingByNote.emplace_back(p.note, p.setting);
        else
            it->second += ", " + p.setting;
    }
    for (const auto& [note, settings] : missingByNote)
        notHere.push_back(settings + (note.empty() ? "" : " (" + note + ")"));
    Finding& pointer =
        report.Add("desktop.pointer", "desktop",
                   notHere.empty()   ? Verdict::kOk
                   : applied.empty() ? missing
                                     : Verdict::kNote,
                   notHere.empty()   ? "the pointer page's settings take effect here"
                   : applied.empty() ? "the pointer page's settings have no effect in this session"
                                     : "the pointer page's settings take effect here only in part",
                   applied.empty() && !notHere.empty() && linuxDesktop
                       ? "they take effect on GNOME and on X11 desktops"
                       : "");
    for (const auto& a : applied) pointer.details.push_back("applied: " + a);
    for (const auto& n : notHere) pointer.details.push_back("not here: " + n);

    report.Add("desktop.capture", "desktop", d.globalKeyCapture ? Verdict::kOk : Verdict::kNote,
               d.globalKeyCapture
                   ? "keys and mouse buttons can be captured in every program (key capture, macro "
                     "recording)"
                   : "key capture and macro recording see only what is pressed in the program's "
                     "own windows");
    if (linuxDesktop)
        report.Add("desktop.typing", "desktop", d.xtest ? Verdict::kOk : missing,
                   d.xtest ? "text blocks can be typed (X11 with XTest)"
                           : "text-block buttons cannot type here: that needs X11 or XWayland "
                             "with the XTest extension",
                   d.xtest || !graphical ? "" : "log in to an X11 session, or enable XWayland");
}

}  // namespace

const char* VerdictName(Verdict verdict) {
    switch (verdict) {
        case Verdict::kOk:
            return "ok";
        case Verdict::kNote:
            return "note";
        case Verdict::kWarning:
            return "warning";
        case Verdict::kProblem:
            return "problem";
    }
    return "note";
}

bool DoctorReport::AllWell() const {
    return std::none_of(findings.begin(), findings.end(), [](const Finding& f) {
        return f.verdict == Verdict::kWarning || f.verdict == Verdict::kProblem;
    });
}

const Finding* DoctorReport::Find(const std::string& id) const {
    for (const Finding& f : findings)
        if (f.id == id) return &f;
    return nullptr;
}

std::string ReportText(const DoctorReport& report) {
    std::string out;
    std::string area;
    for (const Finding& f : report.findings) {
        if (f.area != area) {
            area = f.area;
            out += (out.empty() ? "" : "\n") + area + "\n";
        }
        const std::string mark = std::string("[") + VerdictName(f.verdict) + "]";
        out += "  " + mark + std::string(mark.size() < 10 ? 10 - mark.size() : 1, ' ') + f.summary +
               "\n";
        for (const std::string& d : f.details) out += "            " + d + "\n";
        if (!f.advice.empty()) out += "            advice: " + f.advice + "\n";
    }
    out += report.AllWell() ? "\nall is well\n" : "\nsomething needs attention (see above)\n";
    return out;
}

std::vector<PointerCapability> DescribePointerSupport(const PointerSystem& system) {
    struct Named {
        PointerSetting setting;
        const char* name;
    };
    static constexpr Named kSettings[] = {
        {PointerSetting::Speed, "pointer speed"},
        {PointerSetting::Acceleration, "acceleration"},
        {PointerSetting::SnapToDefault, "snap to the default button"},
        {PointerSetting::WheelScroll, "wheel scrolling"},
        {PointerSetting::DoubleClickTime, "double-click speed"},
        {PointerSetting::Trails, "pointer trails"},
        {PointerSetting::Sonar, "pointer location on Ctrl"},
    };
    std::vector<PointerCapability> out;
    for (const Named& n : kSettings) {
        const PointerSupport support = system.Support(n.setting);
        out.push_back({n.name, support.applied, Utf16ToUtf8(support.note)});
    }
    return out;
}

DoctorReport RunDoctor(const DoctorEnvironment& env) {
    Report report;
    CheckMouse(env, report);
    const Finding* open = report.view().Find("mouse.open");
    CheckUdevRule(env, report, open && open->verdict == Verdict::kOk);
    CheckDataFolder(env, report);
    CheckSettings(env, report);
    CheckDesktop(env, report);
    return report.Take();
}

}  // namespace z7
