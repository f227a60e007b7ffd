#pragma once
// The folders of the user's data and what a load finds in each: the files that belong to the
// set (its list and items, damaged ones included) and the files that do not (the user's own).
#include <array>
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "core/util/folder_commit.h"
#include "platform/file_system.h"

namespace z7 {

struct TreeFolder {
    const char* name;  // below the data root
    const char* listFileName;
    const char16_t* extension;  // of the item files, with its dot
    size_t maxItemBytes;        // what the item reader takes
};

inline constexpr size_t kTreeFolderCount = 6;
// Profiles first, then the five libraries.
const std::array<TreeFolder, kTreeFolderCount>& DataTreeFolders();

// Whether `name` is the folder's list file or has its item extension.
bool IsTreeFileName(const TreeFolder& folder, const std::filesystem::path& name);

// The largest list file any folder's reader takes.
inline constexpr size_t kMaxTreeListBytes = 16u << 20;

struct TreeFolderState {
    const TreeFolder* folder = nullptr;
    std::filesystem::path path;  // data root / folder name
    FolderState state;           // as the folder's own load saw it
    // Files of the set: the list (when present), every loaded item and every damaged one.
    std::vector<std::filesystem::path> setFiles;
    // Other regular files (the user's own); staged files of a save are not among them.
    std::vector<std::filesystem::path> unknown;
};

// Loads every folder of the data tree as the programs do. `recover` only under the data
// folder's lock (interrupted saves are completed or discarded first).
std::vector<TreeFolderState> InspectDataTree(FileSystem& fs,
                                             const std::filesystem::path& dataFolder, bool recover);

}  // namespace z7
