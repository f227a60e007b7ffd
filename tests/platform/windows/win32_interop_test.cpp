// Checks our INI code and the Run-key entry against the system's own Win32 implementation.
#include <windows.h>

#include <gtest/gtest.h>

#include "core/profile/ini_file.h"
#include "core/profile/settings.h"
#include "core/util/text.h"
#include "platform/auto_start.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"

namespace z7 {
namespace {

std::wstring W(std::u16string_view s) { return std::wstring(s.begin(), s.end()); }

std::u16string ReadWithWin32(const std::filesystem::path& file, const wchar_t* section, const wchar_t* key) {
    wchar_t buffer[260] = {};
    ::GetPrivateProfileStringW(section, key, L"<none>", buffer, 260, file.c_str());
    const std::wstring w(buffer);
    return std::u16string(w.begin(), w.end());
}

TEST(Win32Interop, OurIniFileReadsBackThroughGetPrivateProfileString) {
    test::TempDir dir;
    const auto file = dir / "Config.ini";
    ASSERT_TRUE(SaveSettings(LocalFileSystem(), file, Settings{dir.path(), u"1"}, nullptr));
    EXPECT_EQ(ReadWithWin32(file, L"ConfigData", L"AutoStartAP"), u"1");
    EXPECT_EQ(ReadWithWin32(file, L"configdata", L"DATAPATH"), PathToUtf16(dir.path()));
}

TEST(Win32Interop, FilesWrittenByWritePrivateProfileStringReadWithOurs) {
    test::TempDir dir;
    const auto file = dir / "Config.ini";
    ASSERT_TRUE(::WritePrivateProfileStringW(L"ConfigData", L"DataPath", W(PathToUtf16(dir.path())).c_str(), file.c_str()));
    ASSERT_TRUE(::WritePrivateProfileStringW(L"ConfigData", L"AutoStartAP", L"1", file.c_str()));
    ASSERT_TRUE(::WritePrivateProfileStringW(L"Other", L"Key", L"x", file.c_str()));
    const Settings s = LoadSettings(LocalFileSystem(), file, dir / "fallback");
    EXPECT_EQ(s.dataFolder, dir.path());
    EXPECT_EQ(s.autoStart, u"1");

    // And our write into that file keeps what Windows wrote.
    ASSERT_TRUE(SaveSettings(LocalFileSystem(), file, Settings{dir.path(), u"0"}, nullptr));
    EXPECT_EQ(ReadWithWin32(file, L"Other", L"Key"), u"x");
    EXPECT_EQ(ReadWithWin32(file, L"ConfigData", L"AutoStartAP"), u"0");
}

TEST(Win32Interop, AutoStartIsTheRunKeyValue) {
    const std::u16string name = u"Kesta Z7 Software Test";
    auto autoStart = CreateAutoStart();
    autoStart->Disable(name);
    ASSERT_TRUE(autoStart->Enable(name));

    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                              KEY_READ, &key),
              ERROR_SUCCESS);
    wchar_t data[1024] = {};
    DWORD size = sizeof data, type = 0;
    EXPECT_EQ(::RegQueryValueExW(key, W(name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    wchar_t self[1024] = {};
    ::GetModuleFileNameW(nullptr, self, 1024);
    EXPECT_STREQ(data, self);
    EXPECT_EQ(size, (wcslen(self) + 1) * sizeof(wchar_t));  // with its terminating NUL

    EXPECT_TRUE(autoStart->Disable(name));
    EXPECT_NE(::RegQueryValueExW(key, W(name).c_str(), nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_FALSE(autoStart->Disable(name));  // already gone: fails quietly
    ::RegCloseKey(key);
}

}  // namespace
}  // namespace z7

#include "platform/pointer_system.h"

namespace z7 {
namespace {

TEST(Win32Interop, EveryPointerSettingReadsBackThroughItsGetCall) {
    auto system = CreatePointerSystem();
    ASSERT_TRUE(system);
    int speed = 0;
    ASSERT_TRUE(system->SetMouseSpeed(SystemMouseSpeed(11)));
    ::SystemParametersInfoW(SPI_GETMOUSESPEED, 0, &speed, 0);
    EXPECT_EQ(speed, 20);

    int accel[3] = {};
    ASSERT_TRUE(system->SetMouseAcceleration(SystemMouseAcceleration(6), false));
    ::SystemParametersInfoW(SPI_GETMOUSE, 0, accel, 0);
    EXPECT_EQ((std::array<int, 3>{accel[0], accel[1], accel[2]}), SystemMouseAcceleration(6));

    BOOL snap = FALSE;
    ASSERT_TRUE(system->SetSnapToDefaultButton(true));
    ::SystemParametersInfoW(SPI_GETSNAPTODEFBUTTON, 0, &snap, 0);
    EXPECT_TRUE(snap);

    ASSERT_TRUE(system->SetDoubleClickTime(SystemDoubleClickTime(8)));
    EXPECT_EQ(::GetDoubleClickTime(), 500u);

    UINT trails = 0;
    ASSERT_TRUE(system->SetMouseTrails(3));
    ::SystemParametersInfoW(SPI_GETMOUSETRAILS, 0, &trails, 0);
    EXPECT_EQ(trails, 3u);

    BOOL sonar = FALSE;
    ASSERT_TRUE(system->SetMouseSonar(true));
    ::SystemParametersInfoW(SPI_GETMOUSESONAR, 0, &sonar, 0);
    EXPECT_TRUE(sonar);

    UINT lines = 0;
    ASSERT_TRUE(system->SetWheelScrollLines(7, false));
    ::SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    EXPECT_EQ(lines, 7u);
    ASSERT_TRUE(system->SetWheelScrollLines(kWheelPageScroll, false));
    ::SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    EXPECT_EQ(lines, WHEEL_PAGESCROLL);
}

}  // namespace
}  // namespace z7
