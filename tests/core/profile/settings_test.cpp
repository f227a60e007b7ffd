#include "core/profile/settings.h"

#include <gtest/gtest.h>

#include "core/profile/ini_file.h"
#include "core/profile/profile_store.h"
#include "core/util/text.h"
#include "support/temp_dir.h"

namespace z7 {
namespace {

std::vector<uint8_t> Text(const std::string& s) { return {s.begin(), s.end()}; }
std::string AsString(const std::vector<uint8_t>& b) { return {b.begin(), b.end()}; }

TEST(IniFile, ReadsLikeTheProfileStringFunctions) {
    const IniFile ini = IniFile::Parse(Text(
        "; comment\r\norphan=1\r\n[Other]\r\nDataPath=wrong\r\n[ configdata ]\r\n"
        "  DATAPATH =  \"C:\\data\" \r\nAutoStartAP=1\r\ndatapath=second\r\n"));
    EXPECT_EQ(ini.Get(u"ConfigData", u"DataPath"), u"C:\\data");
    EXPECT_EQ(ini.Get(u"CONFIGDATA", u"autostartap"), u"1");
    EXPECT_FALSE(ini.Get(u"ConfigData", u"orphan"));
    EXPECT_FALSE(ini.Get(u"Missing", u"DataPath"));
    EXPECT_EQ(ini.GetString(u"ConfigData", u"Nope", u"dflt"), u"dflt");
}

TEST(IniFile, WritingChangesOnlyTheLineConcerned) {
    IniFile ini = IniFile::Parse(Text("; keep me\n[ConfigData]\nDataPath=/old\nExtra=x\n\n[Text]\n58=hello\n"));
    ini.Set(u"configdata", u"datapath", u"/new");
    ini.Set(u"ConfigData", u"AutoStartAP", u"1");
    ini.Set(u"Firmware", u"Version", u"1.70");
    EXPECT_EQ(AsString(ini.Serialize()),
              "; keep me\n[ConfigData]\ndatapath=/new\nExtra=x\nAutoStartAP=1\n\n[Text]\n58=hello\n"
              "[Firmware]\nVersion=1.70\n");
}

TEST(IniFile, Utf16FilesStayUtf16AndUtf8KeepsChinese) {
    std::vector<uint8_t> utf16 = {0xFF, 0xFE};
    for (char16_t c : std::u16string(u"[Text]\r\n58=出厂\r\n")) {
        utf16.push_back(static_cast<uint8_t>(c));
        utf16.push_back(static_cast<uint8_t>(c >> 8));
    }
    IniFile ini = IniFile::Parse(utf16);
    EXPECT_EQ(ini.Get(u"Text", u"58"), u"出厂");
    ini.Set(u"Text", u"59", u"配置");
    const IniFile again = IniFile::Parse(ini.Serialize());
    EXPECT_EQ(again.encoding(), IniFile::Encoding::Utf16Le);
    EXPECT_EQ(again.Get(u"Text", u"59"), u"配置");
    EXPECT_EQ(IniFile::Parse(Text("[Text]\n1=出厂配置\n")).Get(u"Text", u"1"), u"出厂配置");
}

class SettingsTest : public ::testing::Test {
protected:
    test::TempDir dir;
    FileSystem& fs = LocalFileSystem();
    std::filesystem::path config() const { return dir / "cfg" / "Config.ini"; }
    std::filesystem::path fallback() const { return dir / "roaming"; }
};

TEST_F(SettingsTest, MissingFileGivesTheDefaults) {
    const Settings s = LoadSettings(fs, config(), fallback());
    EXPECT_EQ(s.dataFolder, fallback());
    EXPECT_EQ(s.autoStart, u"0");
}

TEST_F(SettingsTest, AnExistingDataPathIsUsedAndAMissingOneFallsBack) {
    std::filesystem::create_directories(dir / "D");
    test::WriteBytes(config(), Text("[ConfigData]\nDataPath=" + PathToUtf8(dir / "D") + "\nAutoStartAP=1\n"));
    Settings s = LoadSettings(fs, config(), fallback());
    EXPECT_EQ(s.dataFolder, dir / "D");
    EXPECT_EQ(s.autoStart, u"1");
    EXPECT_EQ(ProfileFolder(s.dataFolder), dir / "D" / "Kesta" / "Z7 Laser" / "Profiles");

    test::WriteBytes(config(), Text("[ConfigData]\nDataPath=" + PathToUtf8(dir / "gone") + "\n"));
    EXPECT_EQ(LoadSettings(fs, config(), fallback()).dataFolder, fallback());
}

TEST_F(SettingsTest, SavingWritesBothKeysAndKeepsTheRest) {
    test::WriteBytes(config(), Text("[Links]\nSupport=https://example.org\n"));
    std::filesystem::create_directories(dir / "E");
    ASSERT_TRUE(SaveSettings(fs, config(), Settings{dir / "E", u"1"}, nullptr));
    IniFile ini;
    ASSERT_TRUE(LoadIniFile(fs, config(), ini));
    EXPECT_EQ(ini.Get(u"Links", u"Support"), u"https://example.org");
    EXPECT_EQ(ini.Get(u"ConfigData", u"AutoStartAP"), u"1");
    EXPECT_EQ(LoadSettings(fs, config(), fallback()).dataFolder, dir / "E");
}

}  // namespace
}  // namespace z7
