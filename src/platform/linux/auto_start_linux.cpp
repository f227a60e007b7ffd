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

// "Kesta Z7 Software" -> "kesta-z7-software.desktop"
fs::path EntryFile(const std::u16string& valueName) {
    std::string name;
    for (char c : Utf16ToUtf8(valueName)) {
        if (c >= 'A' && c <= 'Z') name.push_back(static_cast<char>(c - 'A' + 'a'));
        else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_') name.push_back(c);
        else if (c == ' ') name.push_back('-');
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
        const fs::path file = EntryFile(valueName);
        const fs::path program = ProgramFolder() / "kesta-z7";
        std::string text = "[Desktop Entry]\nType=Application\nName=" + Utf16ToUtf8(valueName) +
                           "\nExec=" + QuoteExec(program.string()) +
                           " --minimized\nX-GNOME-Autostart-enabled=true\nTerminal=false\n";
        FileSystem& fsys = LocalFileSystem();
        if (!fsys.CreateDirectories(file.parent_path(), nullptr)) return false;
        const fs::path temp = file.string() + ".tmp";
        const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
        return fsys.WriteFile(temp, bytes, nullptr) && fsys.Rename(temp, file, nullptr);
    }

    bool Disable(const std::u16string& valueName) override {
        std::error_code ec;
        return fs::remove(EntryFile(valueName), ec);
    }

    bool IsEnabled(const std::u16string& valueName) override {
        std::error_code ec;
        return fs::exists(EntryFile(valueName), ec);
    }
};

}  // namespace

std::unique_ptr<AutoStart> CreateAutoStart() { return std::make_unique<XdgAutoStart>(); }

}  // namespace z7
