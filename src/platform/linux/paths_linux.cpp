#include <unistd.h>

#include <cstdlib>
#include <system_error>

#include "platform/paths.h"

#ifndef Z7_DATADIR
#define Z7_DATADIR "/usr/local/share/kesta-z7"
#endif

namespace z7 {
namespace fs = std::filesystem;

namespace {
fs::path HomeFolder() {
    const char* home = std::getenv("HOME");
    return home && *home ? fs::path(home) : fs::path("/tmp");
}

fs::path XdgFolder(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    // The XDG rules ignore relative values.
    if (value && *value == '/') return fs::path(value);
    return HomeFolder() / fallback;
}
}  // namespace

fs::path ProgramFolder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return fs::current_path(ec);
    return exe.parent_path();
}

fs::path DefaultDataFolder() { return XdgFolder("XDG_DATA_HOME", ".local/share"); }

fs::path DefaultSettingsFile() {
    return XdgFolder("XDG_CONFIG_HOME", ".config") / "Kesta" / "Z7 Laser" / "Config.ini";
}

fs::path FindAsset(const fs::path& relative) {
    std::error_code ec;
    const fs::path beside = ProgramFolder() / relative;
    if (fs::exists(beside, ec)) return beside;
    const fs::path installed = fs::path(Z7_DATADIR) / relative;
    if (fs::exists(installed, ec)) return installed;
    return beside;
}

}  // namespace z7
