// z7ctl doctor [--json]
#include "cli/cli.h"
#include "core/diagnostics/doctor.h"
#include "core/profile/ini_file.h"
#include "core/profile/settings.h"
#include "core/util/text.h"
#include "platform/paths.h"
#include "sim/mouse_backend.h"

namespace z7::cli {
namespace {

constexpr char kRuleAsset[] = "packaging/70-kesta-z7.rules";

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

Json FindingJson(const Finding& f) {
    Json details = Json::array();
    for (const std::string& d : f.details) details.push(d);
    return Json::object()
        .set("id", f.id)
        .set("area", f.area)
        .set("verdict", VerdictName(f.verdict))
        .set("summary", f.summary)
        .set("details", details)
        .set("advice", f.advice.empty() ? Json() : Json(f.advice));
}

// Where the data folder came from, in the words of the report. The doctor goes on where other
// commands stop: an unreadable settings file is one of its findings.
std::filesystem::path DataFolderFor(Context& ctx, std::string& source) {
    if (ctx.dataDirOption) {
        source = "--data-dir";
        return *ctx.dataDirOption;
    }
    SettingsProblem problem;
    const Settings settings =
        LoadSettings(ctx.fs, ctx.SettingsFile(), DefaultDataFolder(), &problem);
    source = problem.kind == SettingsProblem::Kind::None && ctx.fs.Exists(ctx.SettingsFile())
                 ? "from the settings file"
                 : "the default folder";
    return settings.dataFolder;
}

std::filesystem::path RuleSource() {
    const std::filesystem::path installed = FindAsset(kRuleAsset);
    std::error_code ec;
    return std::filesystem::exists(installed, ec) ? installed : std::filesystem::path(kRuleAsset);
}

int RunDoctor(Context& ctx) {
    const std::optional<std::string> root = ctx.TakeOption("--root");  // tests: a fake system
    ctx.ExpectNoMoreArgs();
    DoctorEnvironment env;
    env.fs = &ctx.fs;
    const std::unique_ptr<SystemProbe> probe = CreateSystemProbe();
    env.probe = probe.get();
    const std::unique_ptr<AutoStart> autoStart = CreateAutoStart();
    env.autoStart = autoStart.get();
    if (root) env.root = PathFromUtf8(*root);
    env.ruleSource = RuleSource();
    env.settingsFile = ctx.SettingsFile();
    env.defaultDataFolder = DefaultDataFolder();
    env.dataFolder = DataFolderFor(ctx, env.dataFolderSource);

    std::optional<std::string> simulate;
    if (ctx.simulateState) simulate = PathToUtf8(*ctx.simulateState);
    env.simulated = simulate.has_value();
    // The doctor waits for no one: a mouse in use is one of its findings.
    std::string error;
    bool busy = false;
    std::unique_ptr<MouseBackend> backend =
        MouseBackend::Create(ctx.fs, simulate, ctx.virtualTime, error, Millis(0), &busy);
    if (backend) env.link = &backend->link();
    env.backendBusy = busy;
    env.backendProblem = error;

    const DoctorReport report = RunDoctor(env);
    // What the mouse was asked changes nothing worth keeping: the state file stays untouched.
    backend.reset();

    Json findings = Json::array();
    for (const Finding& f : report.findings) findings.push(FindingJson(f));
    ctx.Print(Json::object().set("allWell", report.AllWell()).set("findings", findings),
              SafeLines(ReportText(report)));
    return report.AllWell() ? kExitOk : kExitDeviceFailed;
}

}  // namespace

int RunDoctorCommand(Context& ctx) {
    return RunDoctor(ctx);
}

}  // namespace z7::cli
