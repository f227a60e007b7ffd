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

// What LoadSettings has to tell about the settings file.
struct SettingsProblem {
    enum class Kind {
        None,
        // The file names no data folder that can be used: the default one is used, and the
        // user should know that the data goes elsewhere than they may think.
        Warning,
        // The file exists but cannot be read (too large, no permission): what it says is
        // unknown, so working on the default data folder could put the data in the wrong place.
        Error,
    };
    Kind kind = Kind::None;
    std::string message;
};

// A missing file gives the defaults. A file without DataPath, or one naming no existing
// folder, gives the default data folder and a warning; an unreadable file gives the defaults
// and an error. Without `problem` nothing is reported.
Settings LoadSettings(FileSystem& fs, const std::filesystem::path& settingsFile,
                      const std::filesystem::path& defaultDataFolder,
                      SettingsProblem* problem = nullptr);
// Writes both keys, keeping every other line of the file. Refuses to replace a file that
// exists but cannot be read, whose other content would be lost.
[[nodiscard]] bool SaveSettings(FileSystem& fs, const std::filesystem::path& settingsFile,
                                const Settings& settings, std::string* error);

// Data folder + "Kesta/Z7 Laser", the root of every profile and library folder.
std::filesystem::path DataRoot(const std::filesystem::path& dataFolder);

}  // namespace z7
