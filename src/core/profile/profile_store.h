#pragma once
// The profile set on disk: the profile folder with one file per profile and "pfList.dat".
#include <filesystem>
#include <string>

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

// Writes slot 0 and every user slot in use, then the list; afterwards the folder holds exactly
// those files. Crash-safe: an interrupted save leaves the previous set or the new one. Sets each
// saved record's filePath. Names that are not valid file names are sanitised for the file only.
[[nodiscard]] bool SaveProfileSet(FileSystem& fs, ProfileSet& set,
                                  const std::filesystem::path& dataFolder, std::string* error,
                                  SaveVariant variant = SaveVariant::Normal);
[[nodiscard]] bool SaveProfileSetForSystemPage(FileSystem& fs, ProfileSet& set,
                                               const std::filesystem::path& dataFolder,
                                               std::string* error);

// Fills a freshly created set. No list: first start, all five slots in use with their defaults.
// A damaged list does not discard the profiles: the folder's profile files are read instead.
void LoadProfileSet(FileSystem& fs, ProfileSet& set, const std::filesystem::path& dataFolder);

// The import naming rule: up to five passes over the slots in use, each renaming on an exact
// match ("Game" -> "Game(1)", "Game(1)" -> "Game(2)").
std::u16string UniqueImportName(const ProfileSet& set, std::u16string name);

enum class ImportStatus { Imported, FactorySlot, Unreadable };
struct ImportResult {
    ImportStatus status;
    std::u16string name;  // the name the import received
};
// Reads `file` into the current slot with a unique name and makes it current; nothing is saved.
// The factory slot is never replaced, and neither is a user slot by a file that is not a profile.
ImportResult ImportProfile(FileSystem& fs, ProfileSet& set, const std::filesystem::path& file);

// Deletes the record's file if it exists; the list is rewritten by the next save.
bool DeleteProfileFile(FileSystem& fs, const ProfileRecord& record);

}  // namespace z7
