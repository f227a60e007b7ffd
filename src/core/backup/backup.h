#pragma once
// One file holding the user's whole data tree and the settings, and the restore of such a
// file through the same crash-safe, locked save as every other change.
//
// The archive mirrors the data folder ("Kesta/Z7 Laser/Profiles/pfList.dat", ...) beside
// "Config.ini", "manifest.ini" and "SHA256SUMS", so that unpacking it by hand gives a usable
// data folder and `sha256sum -c SHA256SUMS` checks it.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/backup/backup_archive.h"
#include "core/backup/backup_manifest.h"
#include "core/backup/data_tree.h"
#include "core/device/device_link.h"
#include "core/util/folder_commit.h"
#include "platform/file_system.h"

namespace z7 {

inline constexpr char kSettingsMemberName[] = "Config.ini";
// Far beyond any real data tree (a library of a thousand items is large), far below what
// would exhaust memory.
inline constexpr size_t kMaxBackupMembers = 20000;
inline constexpr size_t kMaxBackupBytes = 256u << 20;
inline constexpr size_t kMaxSettingsBytes = 1u << 20;

// The archive member name of a file of the data tree: "Kesta/Z7 Laser/FOLDER/NAME".
std::string TreeMemberName(const TreeFolder& folder, const std::filesystem::path& name);

// Asks the mouse for its firmware version, active slot and device code in one exchange (under
// the exchange lock, waiting as the link is set to); says why when it cannot.
MouseSnapshot ReadMouseSnapshot(DeviceLink& link);

struct BackupSummary {
    size_t dataFiles = 0;
    bool settings = false;
    size_t archiveBytes = 0;
    // Files in the data folders that are not part of the data (the user's own), left out.
    std::vector<std::filesystem::path> leftOut;
};

// Reads the data tree of `dataFolder` (the caller holds the data folder's lock when it can) and
// the settings file, and writes the backup to `target` through a temporary file, so that an
// interrupted backup never leaves a half file under that name. A file of the data that cannot
// be read fails the backup: a backup that silently lacks a profile would be found out only
// when it is needed.
// `recover` only under the data folder's lock.
[[nodiscard]] bool CreateBackup(FileSystem& fs, const std::filesystem::path& dataFolder,
                                const std::filesystem::path& settingsFile,
                                const MouseSnapshot& mouse, const std::filesystem::path& target,
                                bool recover, BackupSummary* summary, std::string* error);

// A backup as read and checked.
struct BackupFile {
    size_t folder = 0;  // index into DataTreeFolders()
    std::filesystem::path name;
    std::vector<uint8_t> bytes;
};
struct BackupContents {
    BackupManifest manifest;
    std::vector<BackupFile> files;
    std::optional<std::vector<uint8_t>> settings;
};

// Checks a backup in memory: only the data tree's files, the settings, the manifest and the
// checksum list; every member's checksum right; names this file system can hold. `fs` gives the
// file naming rules. False with `error` saying why; `out` is unchanged then.
[[nodiscard]] bool ParseBackup(const FileSystem& fs, std::span<const uint8_t> archive,
                               BackupContents& out, std::string* error);
// Reads `file` (at most kMaxBackupBytes) and checks it as ParseBackup does.
[[nodiscard]] bool ReadBackup(FileSystem& fs, const std::filesystem::path& file,
                              BackupContents& out, std::string* error);

// What a restore does to one file.
struct RestoreStep {
    enum class Action {
        kAdd,      // not there yet
        kReplace,  // there with other content
        kSame,     // there with the same content
        kRemove,   // part of the current data, not of the backup
        kKeep,     // not part of the data (the user's own or damaged): stays as it is
    };
    Action action = Action::kAdd;
    std::string folder;  // "Profiles", ...; empty for the settings file
    std::filesystem::path name;
    friend bool operator==(const RestoreStep&, const RestoreStep&) = default;
};
const char* RestoreActionName(RestoreStep::Action action);

struct RestorePlan {
    BackupManifest manifest;
    std::vector<RestoreStep> steps;
    std::vector<TreeFolderChange> changes;
    std::optional<OutsideFile> settings;  // the settings file to write, if it changes
    // Why the backup's settings are not restored (an unreadable settings file here).
    std::string settingsNote;
    bool ChangesAnything() const;
};

// What restoring `backup` into `dataFolder` and `settingsFile` would do. The settings come from
// the backup, except where the data lives: the settings file keeps its own DataPath (or, without
// one, the folder it leads to now, `defaultDataFolder` for a missing file), since a folder named
// on another computer may not exist here, or be another user's. `recover` (interrupted saves
// are completed first) only under the data folder's lock, which a plan to carry out needs.
[[nodiscard]] bool PlanRestore(FileSystem& fs, const BackupContents& backup,
                               const std::filesystem::path& dataFolder,
                               const std::filesystem::path& settingsFile,
                               const std::filesystem::path& defaultDataFolder, bool recover,
                               RestorePlan& plan, std::string* error);
// Carries the plan out in one crash-safe step (CommitTree); the caller holds the data folder's
// lock and made the plan under it.
[[nodiscard]] bool ApplyRestore(FileSystem& fs, const std::filesystem::path& dataFolder,
                                const RestorePlan& plan, std::string* error);

}  // namespace z7
