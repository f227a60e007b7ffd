#pragma once
// The libraries of a data folder as the key-sequence sources button encoding looks items up in.
#include <filesystem>
#include <string>

#include "core/buttons/button_function.h"
#include "platform/file_system.h"

namespace z7 {

// Loads the custom hotkey and macro libraries of `dataFolder` (missing ones are empty) and
// returns lookups by exact id that own what they loaded.
MacroSources LoadMacroSources(FileSystem& fs, const std::filesystem::path& dataFolder);

// The main window's save of the libraries: each of the five is loaded afresh and saved, which
// renumbers ids to list positions. Stops at the first failure, which `error` names.
[[nodiscard]] bool ResaveLibraries(FileSystem& fs, const std::filesystem::path& dataFolder,
                                   std::string* error);

}  // namespace z7
