#pragma once
// Replacing the whole content of a data folder without a window in which a crash loses it.
//
// CommitFolder writes every new or changed file beside its final name ("NAME.z7new"; a file
// already in place with the same bytes is kept), flushes them all at once, then writes the
// journal ".z7commit" listing the names (atomically: temporary name, then rename). Once the
// journal exists the new set is complete and wins: the files are renamed into place, the journal
// is removed and everything else in the folder is deleted. RecoverFolder, run before a folder is
// read, finishes a committed save or discards an uncommitted one. Readers therefore see the old
// set or the new set, never a mixture.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace z7 {

struct FolderFile {
    std::filesystem::path name;  // a plain file name inside the folder
    std::vector<uint8_t> bytes;
};

// Creates the folder if needed; afterwards it holds exactly `files`. On failure `error` says
// which step failed; what is on disk is then the old set or, once committed, the new one.
[[nodiscard]] bool CommitFolder(FileSystem& fs, const std::filesystem::path& folder,
                                const std::vector<FolderFile>& files, std::string* error);

// Completes or discards an interrupted CommitFolder; harmless on a clean folder.
void RecoverFolder(FileSystem& fs, const std::filesystem::path& folder);

}  // namespace z7
