// z7ctl backup FILE [--from-mouse] | restore FILE [--yes] [--dry-run]
#include <iostream>

#include "cli/cli.h"
#include "cli/device_session.h"
#include "core/backup/backup.h"
#include "core/firmware/firmware_package.h"
#include "core/profile/settings.h"
#include "core/util/text.h"
#include "platform/paths.h"

namespace z7::cli {
namespace {

// TextSafe for text of several lines: each line on its own, the line breaks kept.
std::string SafeLines(const std::string& text) {
    std::string out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        out += TextSafe(std::string_view(text).substr(start, end - start));
        if (end < text.size()) out += '\n';
        start = end + 1;
    }
    return out;
}

void RequireArchiveSupport() {
    if (!BackupArchiveAvailable()) throw CliError(kExitUsage, kBackupUnavailable);
}

// What the mouse says, asked with the wait the user gave (none for a plain backup, which only
// records what a mouse at hand reports).
MouseSnapshot AskMouse(Context& ctx, bool strict) {
    const std::optional<Millis> given = ctx.deviceWait;
    if (!strict && !given) ctx.deviceWait = Millis(0);
    MouseSnapshot snapshot;
    try {
        WithDevice(ctx, [&](DeviceSession& session) {
            snapshot = ReadMouseSnapshot(session.link());
            return kExitOk;
        });
    } catch (const CliError& e) {
        // The simulated mouse's state is held by another program, or cannot be read.
        snapshot.state = e.exitCode == kExitDeviceFailed ? MouseSnapshot::State::kBusy
                                                         : MouseSnapshot::State::kNoAnswer;
        snapshot.note = e.what();
    }
    ctx.deviceWait = given;
    return snapshot;
}

Json MouseJson(const MouseSnapshot& m) {
    return Json::object()
        .set("state", MouseStateName(m.state))
        .set("firmwareVersion",
             m.firmwareVersion ? Json(FirmwareVersionText(*m.firmwareVersion)) : Json())
        .set("activeSlot", m.activeSlot ? Json(int{*m.activeSlot}) : Json())
        .set("deviceCode", m.deviceCode ? Json(*m.deviceCode) : Json())
        .set("note", m.note.empty() ? Json() : Json(m.note));
}

std::string MouseText(const MouseSnapshot& m) {
    if (m.state == MouseSnapshot::State::kRead || m.firmwareVersion || m.activeSlot) {
        std::string text = "firmware " +
                           (m.firmwareVersion ? FirmwareVersionText(*m.firmwareVersion) : "-.--") +
                           ", active slot " + (m.activeSlot ? std::to_string(*m.activeSlot) : "-");
        if (m.deviceCode) text += ", device code " + *m.deviceCode;
        if (!m.note.empty()) text += " (" + m.note + ")";
        return text;
    }
    return "not recorded" + (m.note.empty() ? std::string() : " (" + m.note + ")");
}

std::string Size(size_t bytes) {
    if (bytes < 10 * 1024) return std::to_string(bytes) + " bytes";
    return std::to_string((bytes + 1023) / 1024) + " KiB";
}

int RunBackup(Context& ctx) {
    const bool fromMouse = ctx.TakeFlag("--from-mouse");
    const std::filesystem::path target = PathFromUtf8(ctx.TakeArg("FILE"));
    ctx.ExpectNoMoreArgs();
    RequireArchiveSupport();
    // The mouse first: waiting for it must not keep other programs from the data folder.
    const MouseSnapshot mouse = AskMouse(ctx, fromMouse);
    const std::filesystem::path dataFolder = ctx.DataFolder();
    ctx.LockDataFolder();
    BackupSummary summary;
    std::string error;
    if (!CreateBackup(ctx.fs, dataFolder, ctx.SettingsFile(), mouse, target, ctx.HoldsDataLock(),
                      &summary, &error))
        throw CliError(kExitBadInput, error);
    ctx.ReleaseDataLock();

    Json leftOut = Json::array();
    for (const auto& p : summary.leftOut) leftOut.push(PathToUtf8(p));
    std::string text = "backup written to " + PathToUtf8(target) + ": " +
                       std::to_string(summary.dataFiles) + " data files" +
                       (summary.settings ? " and the settings" : "") + " (" +
                       Size(summary.archiveBytes) + ")\nmouse: " + MouseText(mouse);
    if (!summary.leftOut.empty()) {
        text += "\nleft out (not part of the data):";
        for (const auto& p : summary.leftOut) text += "\n  " + PathToUtf8(p);
    }
    ctx.Print(Json::object()
                  .set("file", PathToUtf8(target))
                  .set("dataFiles", static_cast<int>(summary.dataFiles))
                  .set("settings", summary.settings)
                  .set("bytes", static_cast<int>(summary.archiveBytes))
                  .set("mouse", MouseJson(mouse))
                  .set("leftOut", leftOut),
              SafeLines(text));
    if (fromMouse && mouse.state != MouseSnapshot::State::kRead) {
        const bool absent = mouse.state == MouseSnapshot::State::kNotFound ||
                            mouse.state == MouseSnapshot::State::kNoAccess ||
                            mouse.state == MouseSnapshot::State::kBootLoader;
        throw CliError(
            absent ? kExitNoMouse : kExitDeviceFailed,
            "the backup was written, but the mouse could not be read back: " + mouse.note);
    }
    return kExitOk;
}

std::string StepPath(const RestoreStep& s) {
    return s.folder.empty() ? PathToUtf8(s.name) : s.folder + "/" + PathToUtf8(s.name);
}

void PrintPlan(Context& ctx, const RestorePlan& plan, const std::filesystem::path& dataFolder,
               bool dryRun, bool restored) {
    Json steps = Json::array();
    std::string text = "backup made " + plan.manifest.created + " by " + plan.manifest.program +
                       "; mouse then: " + MouseText(plan.manifest.mouse) + "\n";
    text += (restored ? "restored into " : "restoring into ") + PathToUtf8(DataRoot(dataFolder)) +
            ":\n";
    size_t same = 0;
    for (const RestoreStep& s : plan.steps) {
        steps.push(Json::object()
                       .set("action", RestoreActionName(s.action))
                       .set("folder", s.folder.empty() ? Json() : Json(s.folder))
                       .set("file", PathToUtf8(s.name)));
        if (s.action == RestoreStep::Action::kSame) {
            ++same;
            continue;
        }
        std::string line = std::string("  ") + RestoreActionName(s.action);
        line.resize(11, ' ');
        line += StepPath(s);
        if (s.action == RestoreStep::Action::kKeep)
            line += "  (not part of the data, or damaged: stays)";
        if (s.folder.empty()) line += "  (the settings; its DataPath stays as it is here)";
        text += line + "\n";
    }
    if (same) text += "  " + std::to_string(same) + " files are already as in the backup\n";
    if (!plan.settingsNote.empty()) text += "  " + plan.settingsNote + "\n";
    if (!plan.ChangesAnything()) text += "nothing to change\n";
    ctx.Print(
        Json::object()
            .set("dryRun", dryRun)
            .set("restored", restored)
            .set("created", plan.manifest.created)
            .set("program", plan.manifest.program)
            .set("mouse", MouseJson(plan.manifest.mouse))
            .set("steps", steps)
            .set("settingsNote", plan.settingsNote.empty() ? Json() : Json(plan.settingsNote)),
        SafeLines(text));
}

bool Confirm(Context& ctx, const RestorePlan& plan, const std::filesystem::path& dataFolder) {
    bool terminal = false;
    std::istream& in = PromptInput(terminal);
    if (!terminal)
        throw CliError(kExitUsage,
                       "the restore needs a confirmation and standard input is not a terminal; "
                       "add --yes to restore without asking (--dry-run only lists)");
    PrintPlan(ctx, plan, dataFolder, false, false);
    ctx.out.flush();
    ctx.err << "Replace the data with the backup's? What is removed or replaced cannot be "
               "brought back unless you have another backup. [y/N] ";
    ctx.err.flush();
    std::string answer;
    if (!std::getline(in, answer)) return false;
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes";
}

int RunRestore(Context& ctx) {
    const bool yes = ctx.TakeFlag("--yes");
    const bool dryRun = ctx.TakeFlag("--dry-run");
    const std::filesystem::path file = PathFromUtf8(ctx.TakeArg("FILE"));
    ctx.ExpectNoMoreArgs();
    RequireArchiveSupport();
    BackupContents backup;
    std::string error;
    if (!ReadBackup(ctx.fs, file, backup, &error)) throw CliError(kExitBadInput, error);
    const std::filesystem::path dataFolder = ctx.DataFolder();
    auto plan = [&](bool recover) {
        RestorePlan p;
        std::string why;
        if (!PlanRestore(ctx.fs, backup, dataFolder, ctx.SettingsFile(), DefaultDataFolder(),
                         recover, p, &why))
            throw CliError(kExitBadInput, why);
        return p;
    };
    if (dryRun) {
        ctx.LockDataFolder();
        PrintPlan(ctx, plan(ctx.HoldsDataLock()), dataFolder, true, false);
        return kExitOk;
    }
    ctx.RequireDataLock();
    RestorePlan p = plan(true);
    const bool ask = !yes && p.ChangesAnything();
    if (ask) {
        // Nobody is kept from the data folder while the user reads.
        ctx.ReleaseDataLock();
        if (!Confirm(ctx, p, dataFolder)) {
            ctx.Print(Json::object().set("restored", false),
                      "restore declined; nothing was changed");
            return kExitOk;
        }
        ctx.RequireDataLock();
        RestorePlan again = plan(true);
        if (again.steps != p.steps)
            throw CliError(kExitDeviceFailed,
                           "the data folder changed while you were deciding; nothing was restored "
                           "(run the restore again to see what it would do now)");
        p = std::move(again);
    }
    // A failed write is told like a failed save.
    if (!ApplyRestore(ctx.fs, dataFolder, p, &error)) throw CliError(kExitBadInput, error);
    // The user has just read the list; once is enough.
    if (ask && !ctx.json)
        ctx.out << "restored into " << SafeLines(PathToUtf8(DataRoot(dataFolder))) << "\n";
    else
        PrintPlan(ctx, p, dataFolder, false, true);
    // What the restored data holds that cannot be read is said now, not at the next start.
    for (const TreeFolderState& t : InspectDataTree(ctx.fs, dataFolder, /*recover=*/true))
        ctx.Warn(t.state.issues);
    return kExitOk;
}

}  // namespace

int RunBackupCommand(Context& ctx) {
    return RunBackup(ctx);
}
int RunRestoreCommand(Context& ctx) {
    return RunRestore(ctx);
}

}  // namespace z7::cli
