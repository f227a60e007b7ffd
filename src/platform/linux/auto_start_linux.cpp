#include <cstdlib>
#include <string>
#include <system_error>

#include "core/util/text.h"
#include "platform/auto_start.h"
#include "platform/file_system.h"
#include "platform/paths.h"

namespace z7 {
namespace fs = std::filesystem;

namespace {

fs::path AutostartFolder() {
    const char* value = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    fs::path base = (value && *value == '/') ? fs::path(value)
                                             : fs::path(home && *home ? home : "/tmp") / ".config";
    return base / "autostart";
}

// The entry has the installed program's identity, so the desktop shows it as the same program.
fs::path EntryFile() {
    return AutostartFolder() / (std::string(kDesktopId) + ".desktop");
}

// What earlier versions wrote: "Kesta Z7 Software" -> "kesta-z7-software.desktop".
fs::path LegacyEntryFile(const std::u16string& valueName) {
    std::string name;
    for (char c : Utf16ToUtf8(valueName)) {
        if (c >= 'A' && c <= 'Z')
            name.push_back(static_cast<char>(c - 'A' + 'a'));
        else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_')
            name.push_back(c);
        else if (c == ' ')
            name.push_back('-');
    }
    if (name.empty()) name = "kesta-z7";
    return AutostartFolder() / (name + ".desktop");
}

// Exec values quote arguments with double quotes and escape ", `, $ and \ inside them.
std::string QuoteExec(const std::string& path) {
    std::string out = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

class XdgAutoStart final : public AutoStart {
  public:
    bool Enable(const std::u16string& valueName) override {
        const fs::path file = EntryFile();
        const fs::path program = ProgramFolder() / "kesta-z7";
        std::string text =
            "[Desktop Entry]\nType=Application\nName=Kesta Z7\nComment=" + Utf16ToUtf8(valueName) +
            "\nIcon=" + kDesktopId + "\nExec=" + QuoteExec(program.string()) +
            " --minimized\nX-GNOME-Autostart-enabled=true\nTerminal=false\n";
        FileSystem& fsys = LocalFileSystem();
        if (!fsys.CreateDirectories(file.parent_path(), nullptr)) return false;
        const fs::path temp = file.string() + ".tmp";
        const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()),
                                             text.size());
        if (!fsys.WriteFile(temp, bytes, nullptr) || !fsys.Rename(temp, file, nullptr))
            return false;
        std::error_code ec;
        fs::remove(LegacyEntryFile(valueName), ec);  // one entry, not two starts
        return true;
    }

    bool Disable(const std::u16string& valueName) override {
        std::error_code ec;
        const bool removed = fs::remove(EntryFile(), ec);
        return fs::remove(LegacyEntryFile(valueName), ec) || removed;
    }

    bool IsEnabled(const std::u16string& valueName) override {
        std::error_code ec;
        return fs::exists(EntryFile(), ec) || fs::exists(LegacyEntryFile(valueName), ec);
    }
};

}  // namespace

std::unique_ptr<AutoStart> CreateAutoStart() {
    return std::make_unique<XdgAutoStart>();
}

}  // namespace z7
