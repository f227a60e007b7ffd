#include "core/profile/settings.h"

#include "core/profile/ini_file.h"
#include "core/util/text.h"

namespace z7 {

Settings LoadSettings(FileSystem& fs, const std::filesystem::path& settingsFile,
                      const std::filesystem::path& defaultDataFolder) {
    IniFile ini;
    LoadIniFile(fs, settingsFile, ini);
    Settings s;
    s.autoStart = ini.GetString(kSettingsSection, kAutoStartKey, u"0");
    const std::u16string dataPath = ini.GetString(kSettingsSection, kDataPathKey, u"");
    const std::filesystem::path chosen = PathFromUtf16(dataPath);
    s.dataFolder = (!dataPath.empty() && fs.IsDirectory(chosen)) ? chosen : defaultDataFolder;
    return s;
}

bool SaveSettings(FileSystem& fs, const std::filesystem::path& settingsFile,
                  const Settings& settings, std::string* error) {
    IniFile ini;
    LoadIniFile(fs, settingsFile, ini);
    ini.Set(kSettingsSection, kAutoStartKey, settings.autoStart);
    ini.Set(kSettingsSection, kDataPathKey, PathToUtf16(settings.dataFolder));
    return SaveIniFile(fs, settingsFile, ini, error);
}

std::filesystem::path DataRoot(const std::filesystem::path& dataFolder) {
    return dataFolder / "Kesta" / "Z7 Laser";
}

}  // namespace z7
