#include "cli/cli.h"

#include <iostream>

#include "core/buttons/library_sources.h"
#include "core/device/device_link.h"
#include "core/profile/data_lock.h"
#include "core/profile/profile_store.h"
#include "core/profile/settings.h"
#include "core/util/text.h"
#include "platform/paths.h"

namespace z7::cli {
namespace fsys = std::filesystem;

namespace {

struct Family {
    const char* name;
    int (*run)(Context&);
};

// One entry per first word of a command.
const Family kFamilies[] = {
    {"profile", RunProfileCommand},
    {"image", RunImageCommand},
    {"button", RunButtonCommand},
    {"library", RunLibraryCommand},
    {"devices", RunDevicesCommand},
    {"info", RunInfoCommand},
    {"apply", RunApplyCommand},
    {"activate", RunActivateCommand},
    {"erase", RunEraseCommand},
    {"calibrate", RunCalibrateCommand},
    {"listen", RunListenCommand},
    {"sim", RunSimCommand},
    {"firmware", RunFirmwareCommand},
    {"backup", RunBackupCommand},
    {"restore", RunRestoreCommand},
    {"doctor", RunDoctorCommand},
};

constexpr const char* kUsage =
    "usage: z7ctl [--data-dir DIR] [--config FILE] [--simulate STATE] [--virtual-time] [--json] "
    "[--device-wait SECONDS] COMMAND ...\n"
    "commands: profile list|show|set|new|delete|reset|import|export|save\n"
    "          image SLOT [--sensor|--lighting] [--out FILE]\n"
    "          button list SLOT | button set SLOT BUTTON FUNCTIONID\n"
    "          library list|add|import|remove bindkey|shortcut|textblock|macro|hotkey ...\n"
    "          devices | info | apply SLOT [--sensor|--lighting] | activate SLOT | erase SLOT\n"
    "          calibrate | listen [--count N] [--seconds S] [--no-actions]\n"
    "          sim show | sim event profile|shortcut|textblock N | sim set KEY=VALUE ...\n"
    "          sim uhid [--seconds S]\n"
    "          sim serve [--socket PATH] [--seconds S]   (then --simulate unix:PATH)\n"
    "          firmware check [DIR] | firmware update [DIR] [--yes]\n"
    "          firmware pack PAYLOAD --version X.YY --out DIR [--sim-marker]\n"
    "          backup FILE [--from-mouse] | restore FILE [--yes] [--dry-run] | doctor\n";

constexpr long long kMaxDeviceWaitSeconds = 3600;

Millis ParseDeviceWait(const std::string& text) {
    const long long seconds = ParseNumber(text, "--device-wait");
    if (seconds < 0 || seconds > kMaxDeviceWaitSeconds)
        throw CliError(kExitBadInput, "--device-wait takes 0 to " +
                                          std::to_string(kMaxDeviceWaitSeconds) + " seconds");
    return std::chrono::duration_cast<Millis>(std::chrono::seconds(seconds));
}

}  // namespace

fsys::path Context::SettingsFile() const { return configFile ? *configFile : DefaultSettingsFile(); }

Millis Context::DeviceWait() const {
    return deviceWait.value_or(kDeviceLockWait);
}

fsys::path Context::DataFolder() {
    if (dataDirOption) return *dataDirOption;
    if (dataFolderCache) return *dataFolderCache;
    SettingsProblem problem;
    const Settings settings = LoadSettings(fs, SettingsFile(), DefaultDataFolder(), &problem);
    if (problem.kind == SettingsProblem::Kind::Error)
        throw CliError(kExitBadInput, problem.message + " (name the data folder with --data-dir)");
    if (problem.kind == SettingsProblem::Kind::Warning) Warn(problem.message);
    dataFolderCache = settings.dataFolder;
    return settings.dataFolder;
}

void Context::LockDataFolder() {
    if (dataLock || !dataLockError.empty()) return;
    // --virtual-time also runs the wait for the lock on virtual time: tests see the whole
    // bounded wait without sleeping it.
    VirtualClock virtualClock;
    SystemClock systemClock;
    Clock& clock = virtualTime ? static_cast<Clock&>(virtualClock) : systemClock;
    std::string error;
    LockAttempt attempt = z7::LockDataFolder(DataFolder(), clock, &error);
    switch (attempt.status) {
        case LockStatus::kAcquired:
            dataLock = std::move(attempt.lock);
            return;
        case LockStatus::kBusy:
            throw CliError(kExitDeviceFailed, error);
        case LockStatus::kError:
            dataLockError = error;
            return;
    }
}

void Context::RequireDataLock() {
    LockDataFolder();
    if (!dataLock) throw CliError(kExitDeviceFailed, dataLockError);
}

void Context::Warn(const std::string& message) {
    if (warned.insert(message).second) err << "z7ctl: warning: " << TextSafe(message) << '\n';
}

void Context::Warn(const std::vector<DataIssue>& issues) {
    for (const DataIssue& issue : issues) Warn(DescribeIssue(issue));
}

std::optional<std::string> Context::TakeOption(const std::string& name) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] != name) continue;
        if (i + 1 >= args.size()) throw CliError(kExitUsage, name + " needs a value");
        std::string value = args[i + 1];
        args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
                   args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
        return value;
    }
    return std::nullopt;
}

bool Context::TakeFlag(const std::string& name) {
    for (size_t i = 0; i < args.size(); ++i)
        if (args[i] == name) {
            args.erase(args.begin() + static_cast<std::ptrdiff_t>(i));
            return true;
        }
    return false;
}

std::string Context::TakeArg(const char* what) {
    if (args.empty()) throw CliError(kExitUsage, std::string("missing ") + what);
    std::string a = args.front();
    args.erase(args.begin());
    return a;
}

void Context::ExpectNoMoreArgs() {
    if (!args.empty()) throw CliError(kExitUsage, "unexpected argument: " + args.front());
}

void Context::Print(const Json& value, const std::string& text) {
    if (json) out << value.dump() << '\n';
    else if (!text.empty()) out << text << (text.back() == '\n' ? "" : "\n");
}

long long ParseNumber(const std::string& text, const char* what) {
    size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) negative = text[pos++] == '-';
    int base = 10;
    if (text.size() > pos + 1 && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
        base = 16;
        pos += 2;
    }
    if (pos >= text.size()) throw CliError(kExitBadInput, std::string("not a number for ") + what + ": \"" + text + "\"");
    long long value = 0;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        int d = -1;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        if (d < 0) throw CliError(kExitBadInput, std::string("not a number for ") + what + ": \"" + text + "\"");
        if (value > (1LL << 40)) throw CliError(kExitBadInput, std::string("number too large for ") + what);
        value = value * base + d;
    }
    return negative ? -value : value;
}

int ParseSlot(const std::string& text) {
    const long long slot = ParseNumber(text, "SLOT");
    if (slot < 0 || slot >= kSlotCount)
        throw CliError(kExitBadInput, "unknown slot " + text + " (slots are 0..4)");
    return static_cast<int>(slot);
}

LoadedProfiles LoadProfiles(Context& ctx) {
    LoadedProfiles p;
    p.dataFolder = ctx.DataFolder();
    ctx.LockDataFolder();
    LoadProfileSet(ctx.fs, p.set, p.dataFolder, /*recover=*/ctx.HoldsDataLock());
    ctx.Warn(p.set.folderState().issues);
    return p;
}

void SaveProfiles(Context& ctx, LoadedProfiles& p) {
    ctx.RequireDataLock();
    std::vector<DataIssue> issues;
    std::string error;
    const bool saved = SaveProfilesAndLibraries(ctx.fs, p.set, p.dataFolder, &issues, &error);
    ctx.Warn(issues);
    if (!saved) throw CliError(kExitBadInput, "cannot save: " + error);
}

int Run(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err, FileSystem& fs,
        HostActions* hostActions) {
    Context ctx{.args = {},
                .dataDirOption = {},
                .configFile = {},
                .simulateState = {},
                .deviceWait = {},
                .out = out,
                .err = err,
                .fs = fs,
                .hostActions = hostActions,
                .dataLock = {},
                .dataLockError = {},
                .dataFolderCache = {},
                .warned = {}};
    try {
        size_t i = 1;
        for (; i < argv.size(); ++i) {
            const std::string& a = argv[i];
            auto value = [&](const char* name) {
                if (i + 1 >= argv.size()) throw CliError(kExitUsage, std::string(name) + " needs a value");
                return argv[++i];
            };
            if (a == "--data-dir") ctx.dataDirOption = PathFromUtf8(value("--data-dir"));
            else if (a == "--config") ctx.configFile = PathFromUtf8(value("--config"));
            else if (a == "--simulate") ctx.simulateState = PathFromUtf8(value("--simulate"));
            else if (a == "--virtual-time") ctx.virtualTime = true;
            else if (a == "--json") ctx.json = true;
            else if (a == "--device-wait")
                ctx.deviceWait = ParseDeviceWait(value("--device-wait"));
            else if (a == "--help" || a == "-h") {
                out << kUsage;
                return kExitOk;
            } else break;
        }
        if (i >= argv.size()) throw CliError(kExitUsage, "no command given\n" + std::string(kUsage));
        const std::string command = argv[i];
        // Options may also follow the command words.
        for (++i; i < argv.size(); ++i) {
            const std::string& a = argv[i];
            if (a == "--json") ctx.json = true;
            else if (a == "--virtual-time") ctx.virtualTime = true;
            else if (a == "--device-wait" && i + 1 < argv.size())
                ctx.deviceWait = ParseDeviceWait(argv[++i]);
            else if ((a == "--data-dir" || a == "--config" || a == "--simulate") && i + 1 < argv.size()) {
                const fsys::path v = PathFromUtf8(argv[++i]);
                if (a == "--data-dir") ctx.dataDirOption = v;
                else if (a == "--config") ctx.configFile = v;
                else ctx.simulateState = v;
            } else ctx.args.push_back(a);
        }
        for (const Family& f : kFamilies)
            if (command == f.name) return f.run(ctx);
        throw CliError(kExitUsage, "unknown command: " + command);
    } catch (const CliError& e) {
        err << "z7ctl: " << TextSafe(e.what()) << '\n';
        return e.exitCode;
    } catch (const std::exception& e) {
        err << "z7ctl: " << TextSafe(e.what()) << '\n';
        return kExitBadInput;
    }
}

}  // namespace z7::cli
