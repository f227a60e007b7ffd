#include <windows.h>
#include <shlobj.h>

#include <system_error>

#include "platform/paths.h"

#ifndef Z7_DATADIR
#define Z7_DATADIR ""
#endif

namespace z7 {
namespace fs = std::filesystem;

fs::path ProgramFolder() {
    wchar_t buffer[32768];
    const DWORD n = ::GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(std::size(buffer)));
    if (n == 0 || n >= std::size(buffer)) return fs::path();
    return fs::path(std::wstring(buffer, n)).parent_path();
}

fs::path DefaultDataFolder() {
    wchar_t buffer[MAX_PATH] = {};
    if (::SHGetSpecialFolderPathW(nullptr, buffer, CSIDL_APPDATA, FALSE)) return fs::path(buffer);
    return ProgramFolder();
}

fs::path DefaultSettingsFile() { return ProgramFolder() / L"Z7_Skins" / L"Config.ini"; }

fs::path FindAsset(const fs::path& relative) {
    std::error_code ec;
    const fs::path beside = ProgramFolder() / relative;
    if (fs::exists(beside, ec) || std::string(Z7_DATADIR).empty()) return beside;
    const fs::path installed = fs::path(Z7_DATADIR) / relative;
    return fs::exists(installed, ec) ? installed : beside;
}

}  // namespace z7
