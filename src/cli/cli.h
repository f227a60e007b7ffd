#pragma once
// z7ctl: the command-line front end. Run() is the whole program so tests can drive it in-process.
#include <filesystem>
#include <iosfwd>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/json.h"
#include "core/profile/profile_record.h"
#include "core/util/clock.h"
#include "core/util/folder_commit.h"
#include "platform/file_system.h"
#include "platform/host_actions.h"
#include "platform/process_lock.h"

namespace z7::cli {

enum ExitCode : int {
    kExitOk = 0,
    kExitDeviceFailed = 1,
    kExitUsage = 2,
    kExitNoMouse = 3,
    kExitBadInput = 4,
};

// Thrown inside the CLI only; Run() turns it into the exit code and one line on stderr.
struct CliError : std::runtime_error {
    CliError(int code, const std::string& message) : std::runtime_error(message), exitCode(code) {}
    int exitCode;
};

struct Context {
    std::vector<std::string> args;  // the command's own words, after the command name(s)
    std::optional<std::filesystem::path> dataDirOption;
    std::optional<std::filesystem::path> configFile;
    std::optional<std::filesystem::path> simulateState;
    bool virtualTime = false;
    bool json = false;
    std::optional<Millis> deviceWait;  // --device-wait: how long to wait for another program
    std::ostream& out;
    std::ostream& err;
    FileSystem& fs;
    HostActions* hostActions = nullptr;  // null: the desktop's own, created when first needed

    // The data folder: --data-dir, else the settings file's DataPath, else the default (with
    // a warning on stderr). A settings file that cannot be read is a CliError.
    std::filesystem::path DataFolder();
    std::filesystem::path SettingsFile() const;
    // How long a device command waits while another program uses the mouse.
    Millis DeviceWait() const;

    // Takes the data folder's lock for the rest of the command (once; later calls keep it).
    // Another program keeping it past the bounded wait is a CliError (exit 1). A lock file that
    // cannot be created (a read-only folder) only matters to a change: RequireDataLock.
    void LockDataFolder();
    // A change to the data folder needs the lock: a CliError (exit 1) without it.
    void RequireDataLock();
    // Whether this command holds the lock, and so may complete an interrupted save.
    bool HoldsDataLock() const { return dataLock != nullptr; }
    // Read-only commands that go on to talk to the mouse let other writers in meanwhile.
    void ReleaseDataLock() { dataLock.reset(); }
    // One warning line on stderr per problem a load met.
    void Warn(const std::vector<DataIssue>& issues);
    void Warn(const std::string& message);

    std::unique_ptr<ProcessLock> dataLock;
    std::string dataLockError;
    std::optional<std::filesystem::path> dataFolderCache;
    std::set<std::string> warned;

    // Takes "--name VALUE" out of args; nullopt when absent.
    std::optional<std::string> TakeOption(const std::string& name);
    bool TakeFlag(const std::string& name);
    // The next positional word, or a usage error naming `what`.
    std::string TakeArg(const char* what);
    void ExpectNoMoreArgs();
    void Print(const Json& value, const std::string& text);
};

int Run(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err, FileSystem& fs,
        HostActions* hostActions = nullptr);

// Helpers shared by the command families.
// Decimal or 0x hex with an optional sign; anything else, or a magnitude beyond 2^40, is a
// CliError (exit 4).
long long ParseNumber(const std::string& text, const char* what);
int ParseSlot(const std::string& text);

// The profile set of the data folder, loaded as the application loads it, under the data
// folder's lock (held to the end of the command, so that the load, the change and the save are
// one step no other program comes between). Problems the load met are warnings on stderr.
struct LoadedProfiles {
    std::filesystem::path dataFolder;
    ProfileSet set;
};
LoadedProfiles LoadProfiles(Context& ctx);
// Saves the whole set as the application's Save does (libraries renumbered, bindings following
// them, then the profiles); a failure is a CliError.
void SaveProfiles(Context& ctx, LoadedProfiles& profiles);

// Command families.
int RunDevicesCommand(Context& ctx);
int RunInfoCommand(Context& ctx);
int RunApplyCommand(Context& ctx);
int RunActivateCommand(Context& ctx);
int RunEraseCommand(Context& ctx);
int RunCalibrateCommand(Context& ctx);
int RunListenCommand(Context& ctx);
int RunSimCommand(Context& ctx);
int RunSimUhidCommand(Context& ctx);   // `sim uhid`, reached through RunSimCommand
int RunSimServeCommand(Context& ctx);  // `sim serve`, likewise
int RunProfileCommand(Context& ctx);
int RunImageCommand(Context& ctx);
int RunButtonCommand(Context& ctx);
int RunLibraryCommand(Context& ctx);
int RunFirmwareCommand(Context& ctx);
int RunBackupCommand(Context& ctx);
int RunRestoreCommand(Context& ctx);
int RunDoctorCommand(Context& ctx);

// Where `firmware update` reads its confirmation: `in` and whether it counts as a terminal;
// null restores standard input.
void SetPromptInput(std::istream* in, bool terminal);
// Where confirmations are read, and whether it counts as a terminal.
std::istream& PromptInput(bool& terminal);

}  // namespace z7::cli
