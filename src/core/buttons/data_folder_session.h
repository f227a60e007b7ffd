#pragma once
// A long-running program's hold on a data folder that other programs (z7ctl) change as well.
// It remembers the profile set as last loaded or saved, so that a save writes only what this
// program changed and keeps what others saved in the meantime, and it tells whether the folder
// changed under the program's feet.
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/profile/profile_store.h"
#include "core/util/clock.h"
#include "platform/file_system.h"

namespace z7 {

class MacroLibrary;

class DataFolderSession {
  public:
    DataFolderSession(FileSystem& fs, Clock& clock, std::filesystem::path dataFolder);

    const std::filesystem::path& dataFolder() const { return dataFolder_; }

    // Loads the profile set, under the lock when it can be had (completing an interrupted
    // save); otherwise as it stands. It becomes the base of later saves. The libraries are read
    // too, so that damaged files are told from the start.
    void Load(ProfileSet& set);

    // Under the lock: the libraries are saved (ids renumbered) and every profile's bindings
    // follow them; `set` is merged with the set on disk (what this program changed since the
    // last Load or Save wins, everything else comes from disk) and saved, and becomes the merged
    // set. `tookOthers` tells whether it now holds changes from disk the window must show.
    // `liveMacros`: the program's macro library in memory, saved in place of the one on disk.
    [[nodiscard]] bool Save(ProfileSet& set, std::string* error,
                            SaveVariant variant = SaveVariant::Normal, bool* tookOthers = nullptr,
                            MacroLibrary* liveMacros = nullptr);

    // Whether `set` holds changes since the last Load or Save.
    bool HasUnsavedChanges(const ProfileSet& set) const;

    // The set on disk when another program saved one since the last Load or Save; nothing when
    // it is unchanged or the folder is busy (it changes again once the other program is done).
    std::optional<ProfileSet> ChangedOnDisk();
    // Makes `disk` (from ChangedOnDisk) the set and the base; the current slot stays.
    void Adopt(ProfileSet& set, ProfileSet disk);

    // What loads and saves met since the last call; each file's problem is told once.
    std::vector<DataIssue> TakeNewIssues();

  private:
    void Note(const std::vector<DataIssue>& issues);

    FileSystem& fs_;
    Clock& clock_;
    std::filesystem::path dataFolder_;
    ProfileSet base_;
    std::vector<DataIssue> pending_;
    std::set<std::pair<int, std::filesystem::path>> told_;
};

}  // namespace z7
