#pragma once
// Replacing a set of files in a data folder without a window in which a crash loses it, and
// without touching what is not part of the set.
//
// CommitFolder writes every new or changed file beside its final name ("NAME.z7new"; a file
// already in place with the same bytes is kept), flushes them all at once, then writes the
// journal ".z7commit" listing the names to put in place and the obsolete names to remove
// (atomically: temporary name, then rename). Once the journal exists the new set is complete
// and wins: the files are renamed into place, the obsolete ones removed and the journal goes.
// RecoverFolder, run before a folder is read, finishes a committed save or discards an
// uncommitted one. Readers therefore see the old set or the new set, never a mixture.
//
// Both must run under the data folder's lock (core/profile/data_lock.h): recovery removes
// staged files, which would be another writer's work in progress otherwise.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace z7 {

struct FolderFile {
    std::filesystem::path name;  // a plain file name inside the folder
    std::vector<uint8_t> bytes;
};

// Creates the folder if needed, writes `files` and removes the `obsolete` files (plain names;
// folders are never removed). Nothing else in the folder is touched. On failure `error` says
// which step failed; what is on disk is then the old set or, once committed, the new one.
[[nodiscard]] bool CommitFolder(FileSystem& fs, const std::filesystem::path& folder,
                                const std::vector<FolderFile>& files,
                                const std::vector<std::filesystem::path>& obsolete,
                                std::string* error);

// Completes or discards an interrupted CommitFolder; harmless on a clean folder. A committed
// CommitTree of the parent folder is completed first.
void RecoverFolder(FileSystem& fs, const std::filesystem::path& folder);

// One folder's part of a CommitTree: `folder` is a plain name below the tree's root.
struct TreeFolderChange {
    std::filesystem::path folder;
    std::vector<FolderFile> files;
    std::vector<std::filesystem::path> obsolete;
};
// A single file outside the tree replaced in the same step (the settings file).
struct OutsideFile {
    std::filesystem::path path;  // absolute
    std::vector<uint8_t> bytes;
};

// CommitFolder for several folders below `root` (and one file elsewhere) at once: everything is
// staged first, then one journal in `root` (".z7restore") declares the whole new set complete.
// An interruption leaves the old set of every folder or the new set of every folder. Run under
// the data folder's lock.
[[nodiscard]] bool CommitTree(FileSystem& fs, const std::filesystem::path& root,
                              const std::vector<TreeFolderChange>& changes,
                              const OutsideFile* outside, std::string* error);
// Completes a committed CommitTree of `root`, or discards the journal's unfinished temporary
// copy; harmless when there is none. RecoverFolder runs it for the folder's parent.
void RecoverTree(FileSystem& fs, const std::filesystem::path& root);
// Whether `name` is one of the commit's own files: a staged copy or a journal.
bool IsCommitArtefact(const std::filesystem::path& name);
// Whether `root` holds a committed tree journal that recovery has yet to complete.
bool HasTreeJournal(FileSystem& fs, const std::filesystem::path& root);

// Something a load met that the user should hear about. The file itself stays as it is.
struct DataIssue {
    enum class Kind {
        DamagedFile,     // not a readable file of its kind: not loaded, kept on disk
        DamagedList,     // a list that is not well-formed: the folder was read instead
        Unreadable,      // a list that exists but cannot be read: nothing is saved over it
        RepairedValues,  // values no page offers were replaced by factory defaults (`detail`)
    };
    Kind kind = Kind::DamagedFile;
    std::filesystem::path file;
    std::string detail;
    friend bool operator==(const DataIssue&, const DataIssue&) = default;
};
// One line for the user: what happened to which file.
std::string DescribeIssue(const DataIssue& issue);

// What a load read from one folder, so that a later save of that set changes only its own files.
struct FolderState {
    struct Damaged {
        std::filesystem::path name;
        int slot = -1;  // the profile slot its list entry named; -1 for library items
        friend bool operator==(const Damaged&, const Damaged&) = default;
    };
    std::filesystem::path folder;  // empty: nothing was loaded
    // The list could not be read: saving a new one would lose what it names.
    bool unreadableList = false;
    std::vector<std::filesystem::path> owned;  // files read into the set (plain names)
    std::vector<Damaged> damaged;              // files of the set that could not be read
    std::vector<DataIssue> issues;
};

// File names as this file system compares them. Exact matches are found by look-up; where the
// file system ignores case, other spellings are found by asking it about each name.
class FileNameSet {
  public:
    explicit FileNameSet(const FileSystem& fs) : fs_(fs), ignoreCase_(fs.nameRules().ignoreCase) {}
    void Add(std::u16string name);
    bool Contains(std::u16string_view name) const;

  private:
    const FileSystem& fs_;
    bool ignoreCase_;
    std::set<std::u16string, std::less<>> exact_;
};

// True when `name` names one of `names` on this file system (which may ignore case).
bool ContainsFileName(const FileSystem& fs, const std::vector<std::filesystem::path>& names,
                      const std::filesystem::path& name);

// Whether a save of the set `state` describes may write `name` in `folder`: nothing is there
// yet, or the file there is one the set was loaded from.
bool MayWriteFile(FileSystem& fs, const FolderState& state, const std::filesystem::path& folder,
                  const std::filesystem::path& name);

// The files of `state` that a save writing `written` leaves behind: loaded ones it does not
// write again. Damaged and unknown files are never among them.
std::vector<std::filesystem::path> ObsoleteFiles(const FileSystem& fs, const FolderState& state,
                                                 const std::filesystem::path& folder,
                                                 const std::vector<std::filesystem::path>& written);

}  // namespace z7
