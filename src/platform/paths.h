#pragma once
// Where the program, its assets, its settings and the user's data live on this platform.
#include <filesystem>

namespace z7 {

// Folder of the running program file.
std::filesystem::path ProgramFolder();
// Default data folder: the roaming application-data folder on Windows, $XDG_DATA_HOME
// (else ~/.local/share) on Linux.
std::filesystem::path DefaultDataFolder();
// The settings file: program folder\Z7_Skins\Config.ini on Windows,
// $XDG_CONFIG_HOME/Kesta/Z7 Laser/Config.ini on Linux.
std::filesystem::path DefaultSettingsFile();
// An asset (skin folder, firmware package, language file): beside the program first, then the
// installed data directory. Returns the first candidate that exists, else the one beside the
// program.
std::filesystem::path FindAsset(const std::filesystem::path& relative);

}  // namespace z7
