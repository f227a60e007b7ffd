#include "core/profile/settings.h"

#include "core/profile/ini_file.h"
#include "core/util/text.h"

namespace z7 {

Settings LoadSettings(FileSystem& fs, const std::filesystem::path& settingsFile,
                      const std::filesystem::path& defaultDataFolder, SettingsProblem* problem) {
    auto report = [&](SettingsProblem::Kind kind, std::string message) {
        if (problem) *problem = {kind, std::move(message)};
    };
    report(SettingsProblem::Kind::None, {});
    Settings s;
    s.dataFolder = defaultDataFolder;
    if (!fs.Exists(settingsFile)) return s;
    IniFile ini;
    std::string error;
    if (!LoadIniFile(fs, settingsFile, ini, &error)) {
        report(SettingsProblem::Kind::Error, "cannot read the settings file: " + error);
        return s;
    }
    s.autoStart = ini.GetString(kSettingsSection, kAutoStartKey, u"0");
    const std::u16string dataPath = ini.GetString(kSettingsSection, kDataPathKey, u"");
    const std::string defaultText = PathToUtf8(defaultDataFolder);
    if (dataPath.empty()) {
        report(SettingsProblem::Kind::Warning,
               PathToUtf8(settingsFile) + " names no data folder (DataPath); using " + defaultText);
        return s;
    }
    const std::filesystem::path chosen = PathFromUtf16(dataPath);
    if (!fs.IsDirectory(chosen)) {
        report(SettingsProblem::Kind::Warning,
               "the data folder " + PathToUtf8(chosen) + " does not exist; using " + defaultText);
        return s;
    }
    s.dataFolder = chosen;
    return s;
}

bool SaveSettings(FileSystem& fs, const std::filesystem::path& settingsFile,
                  const Settings& settings, std::string* error) {
    IniFile ini;
    std::string readError;
    if (!LoadIniFile(fs, settingsFile, ini, &readError) && fs.Exists(settingsFile)) {
        if (error) *error = "cannot read the settings file, so it is not replaced: " + readError;
        return false;
    }
    ini.Set(kSettingsSection, kAutoStartKey, settings.autoStart);
    ini.Set(kSettingsSection, kDataPathKey, PathToUtf16(settings.dataFolder));
    return SaveIniFile(fs, settingsFile, ini, error);
}

std::filesystem::path DataRoot(const std::filesystem::path& dataFolder) {
    return dataFolder / "Kesta" / "Z7 Laser";
}

}  // namespace z7
