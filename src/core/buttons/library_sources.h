#pragma once
// The libraries of a data folder as the profiles see them: key-sequence sources for button
// encoding, and the saves that keep profile bindings and library ids in step.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/buttons/button_function.h"
#include "core/buttons/library_list.h"
#include "core/profile/profile_store.h"
#include "platform/file_system.h"

namespace z7 {

class MacroLibrary;

// Loads the custom hotkey and macro libraries of `dataFolder` (missing ones are empty) and
// returns lookups by exact id that own what they loaded. `recover` only under the data folder's
// lock.
MacroSources LoadMacroSources(FileSystem& fs, const std::filesystem::path& dataFolder,
                              bool recover = false);

// Loads every library of `dataFolder` only to find what cannot be read. `recover` only under
// the data folder's lock.
std::vector<DataIssue> CheckLibraries(FileSystem& fs, const std::filesystem::path& dataFolder,
                                      bool recover);

// How library saves renumbered ids; a library that was not saved has no map.
struct LibraryRenumbering {
    std::optional<IdMap> shortcuts, textBlocks, macros, hotkeys;
};

// Makes every binding of `record` that names a renumbered library's entry name the same entry
// again (bound macro copies included). A binding whose entry no longer exists gets its button's
// factory function. Returns whether anything changed.
bool RemapBindings(ProfileRecord& record, const LibraryRenumbering& renumbering);
bool RemapBindings(ProfileSet& set, const LibraryRenumbering& renumbering);

// The main window's save of the libraries: each of the five is loaded afresh and saved, which
// renumbers ids to list positions. Stops at the first failure, which `error` names. What the
// loads met is appended to `issues`. `liveMacros`, when given, is the program's own macro
// library in memory: it is saved instead of the one on disk.
[[nodiscard]] bool ResaveLibraries(FileSystem& fs, const std::filesystem::path& dataFolder,
                                   LibraryRenumbering* renumbering, std::vector<DataIssue>* issues,
                                   std::string* error, MacroLibrary* liveMacros = nullptr);

// The whole save, under the data folder's lock: the libraries are renumbered first, the
// profiles' bindings follow them, then the profile set is saved.
[[nodiscard]] bool SaveProfilesAndLibraries(FileSystem& fs, ProfileSet& set,
                                            const std::filesystem::path& dataFolder,
                                            std::vector<DataIssue>* issues, std::string* error,
                                            SaveVariant variant = SaveVariant::Normal);

// After a library save outside a whole save: loads the profile set of `dataFolder`, remaps its
// bindings and saves it when anything changed. Run under the data folder's lock.
[[nodiscard]] bool RemapProfilesOnDisk(FileSystem& fs, const std::filesystem::path& dataFolder,
                                       const LibraryRenumbering& renumbering, std::string* error);

}  // namespace z7
