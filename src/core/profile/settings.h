#pragma once
// The settings file: where the user's data lives and the start-with-the-desktop choice.
#include <filesystem>
#include <string>

#include "platform/file_system.h"

namespace z7 {

inline constexpr char16_t kSettingsSection[] = u"ConfigData";
inline constexpr char16_t kAutoStartKey[] = u"AutoStartAP";
inline constexpr char16_t kDataPathKey[] = u"DataPath";
inline constexpr char16_t kAutoStartValueName[] = u"Kesta Z7 Software";

struct Settings {
    std::filesystem::path dataFolder;
    std::u16string autoStart = u"0";  // kept as text, as the system page reads it
};

// Missing file or keys give the defaults; a DataPath naming no existing folder gives the default
// data folder. Never fails.
Settings LoadSettings(FileSystem& fs, const std::filesystem::path& settingsFile,
                      const std::filesystem::path& defaultDataFolder);
// Writes both keys, keeping every other line of the file.
[[nodiscard]] bool SaveSettings(FileSystem& fs, const std::filesystem::path& settingsFile,
                                const Settings& settings, std::string* error);

// Data folder + "Kesta/Z7 Laser", the root of every profile and library folder.
std::filesystem::path DataRoot(const std::filesystem::path& dataFolder);

}  // namespace z7
