#pragma once
// The profile set on disk: the profile folder with one file per profile and "pfList.dat".
#include <filesystem>
#include <string>
#include <vector>

#include "core/profile/profile_record.h"
#include "platform/file_system.h"

namespace z7 {

inline constexpr char kProfileListName[] = "pfList.dat";
inline constexpr char kProfileExtension[] = ".profile";

// Data folder + "Kesta/Z7 Laser/Profiles".
std::filesystem::path ProfileFolder(const std::filesystem::path& dataFolder);

enum class SaveVariant {
    Normal,      // every file named after its profile
    SystemPage,  // the factory profile's file is "Default0.profile"
};

// Writes slot 0 and every user slot in use, then the list, in place of the set the profile set
// was loaded from (set.folderState()): its files no longer needed are removed; damaged files,
// files of no loaded set and folders are never overwritten or removed. Crash-safe: an
// interrupted save leaves the previous set or the new one. Sets each saved record's filePath.
// Names that are not valid file names are sanitised for the file only. Run it under the data
// folder's lock.
[[nodiscard]] bool SaveProfileSet(FileSystem& fs, ProfileSet& set,
                                  const std::filesystem::path& dataFolder, std::string* error,
                                  SaveVariant variant = SaveVariant::Normal);
[[nodiscard]] bool SaveProfileSetForSystemPage(FileSystem& fs, ProfileSet& set,
                                               const std::filesystem::path& dataFolder,
                                               std::string* error);

// Fills a freshly created set. No list: first start, all five slots in use with their defaults.
// List entries name files in the profile folder, whatever path they store; nothing outside it is
// read. A damaged list does not discard the profiles: the folder's profile files are read
// instead. A damaged profile file leaves its slot free and stays on disk; values no page offers
// are replaced by factory defaults. Both are reported in set.folderState().issues. `recover`
// as for the libraries: only a holder of the data folder's lock may recover.
void LoadProfileSet(FileSystem& fs, ProfileSet& set, const std::filesystem::path& dataFolder,
                    bool recover = true);

// The import naming rule: up to five passes over the slots in use, each renaming on an exact
// match ("Game" -> "Game(1)", "Game(1)" -> "Game(2)").
std::u16string UniqueImportName(const ProfileSet& set, std::u16string name);

enum class ImportStatus { Imported, FactorySlot, Unreadable };
struct ImportResult {
    ImportStatus status;
    std::u16string name;  // the name the import received
    // Fields whose values no page offers, replaced by their factory defaults.
    std::vector<std::string> repaired;
};
// Reads `file` into the current slot with a unique name and makes it current; nothing is saved.
// The factory slot is never replaced, and neither is a user slot by a file that is not a profile.
ImportResult ImportProfile(FileSystem& fs, ProfileSet& set, const std::filesystem::path& file);

// Three-way merge of one slot: every field this program changed (`mine` differs from `base`, the
// record as loaded) comes from `mine`, every other field from `theirs` (the record on disk now,
// perhaps changed by another program). A button's binding and its bound copy go together.
ProfileRecord MergeProfileRecord(const ProfileRecord& base, const ProfileRecord& mine,
                                 const ProfileRecord& theirs);
// MergeProfileRecord for every slot; the result has `theirs`' folder state and `mine`'s current
// slot.
ProfileSet MergeProfileSets(const ProfileSet& base, const ProfileSet& mine,
                            const ProfileSet& theirs);
// The records are equal, file paths aside.
bool SameProfiles(const ProfileSet& a, const ProfileSet& b);

// Deletes the record's file if it exists (one file, never a folder); the list is rewritten by the
// next save.
bool DeleteProfileFile(FileSystem& fs, const ProfileRecord& record);

}  // namespace z7
