#pragma once
// Moving the user's data to another data folder. The profile set and the five libraries are
// written under the new folder and read back; only then are this program's own files removed
// from the old tree. Files the program did not write there (damaged items, the user's own
// files) stay where they are.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/profile/profile_record.h"
#include "core/util/clock.h"
#include "platform/file_system.h"

namespace z7 {

class MacroLibrary;

// How two data folders relate once both are resolved to canonical paths (links followed,
// "." and ".." and trailing separators gone, letter case ignored where the file system ignores
// it).
enum class FolderRelation {
    kSame,      // one folder under two spellings
    kNested,    // one data tree lies inside the other
    kDistinct,  // neither: a move may go ahead
};
FolderRelation CompareDataFolders(const FileSystem& fs, const std::filesystem::path& a,
                                  const std::filesystem::path& b);

// True when the data folder holds profiles or library files of this program.
bool HoldsDataTree(FileSystem& fs, const std::filesystem::path& dataFolder);

enum class MoveStatus {
    kMoved,          // written, read back, and the old tree emptied of this program's files
    kSameFolder,     // both paths name one folder: nothing to move
    kNested,         // one data tree lies inside the other: refused
    kNotAbsolute,    // the new folder is not a full path: refused
    kMissingFolder,  // the new folder does not exist and was not to be created
    kNotAFolder,     // the new path names something that is no folder
    kTargetHasData,  // the new folder holds a data tree already and merging was not allowed
    kBusy,           // another program kept one of the folders locked
    kFailed,         // writing or reading back failed: the old tree is whole, `set` unchanged
};

struct MoveOptions {
    bool createFolder = false;       // create a missing new folder
    bool mergeIntoExisting = false;  // combine with a data tree the new folder already holds
    // Runs once the new tree has been read back, before anything of the old one is removed
    // (the program records the new folder in its settings there); false undoes the move.
    std::function<bool(std::string* error)> beforeRemovingOld;
};

struct MoveResult {
    MoveStatus status = MoveStatus::kFailed;
    std::string error;  // what went wrong, in words for the user (also warnings for kMoved)
    // Entries of the old tree that stay there: damaged files, the user's own files, and files
    // that could not be removed.
    std::vector<std::filesystem::path> leftBehind;
};

// Moves the data of `from` to `to` under both folders' locks. `set` is the profile set the
// program shows (written as it stands; its bindings follow the new folder's library ids once
// moved) and `liveMacros`, when given, the macro library held in memory, written instead of the
// one on disk. The other libraries are read from `from`. With a merge, the libraries are
// combined (this program's entries first, identical ones once, clashing names numbered) and
// `set` replaces the profile list there; the profile files already there stay as they are.
// Until the read-back succeeded nothing in `from` is touched; on any failure `set` and
// `liveMacros` are unchanged.
MoveResult MoveDataFolder(FileSystem& fs, Clock& clock, const std::filesystem::path& from,
                          const std::filesystem::path& to, ProfileSet& set,
                          MacroLibrary* liveMacros, const MoveOptions& options = {});

}  // namespace z7
