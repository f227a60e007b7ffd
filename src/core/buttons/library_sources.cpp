#include "core/buttons/library_sources.h"

#include <memory>

#include "core/buttons/bind_key_library.h"
#include "core/buttons/shortcut_library.h"
#include "core/buttons/text_block_library.h"
#include "core/macros/custom_hotkey_library.h"
#include "core/macros/macro_library.h"

namespace z7 {

MacroSources LoadMacroSources(FileSystem& fs, const std::filesystem::path& dataFolder) {
    auto hotkeys =
        std::make_shared<CustomHotkeyLibrary>(CustomHotkeyLibrary::ForDataFolder(dataFolder));
    hotkeys->Load(fs);
    auto macros = std::make_shared<MacroLibrary>(MacroLibrary::ForDataFolder(dataFolder));
    macros->Load(fs);
    MacroSources sources;
    sources.customHotkey = [hotkeys](int32_t id) { return hotkeys->FindById(id); };
    sources.macro = [macros](int32_t id) { return macros->MakeKeySequenceCopy(id); };
    return sources;
}

bool ResaveLibraries(FileSystem& fs, const std::filesystem::path& dataFolder, std::string* error) {
    auto bindKeys = BindKeyLibrary::ForDataFolder(dataFolder);
    bindKeys.Load(fs);
    if (!bindKeys.Save(fs, error)) return false;
    auto shortcuts = ShortcutLibrary::ForDataFolder(dataFolder);
    shortcuts.Load(fs);
    if (!shortcuts.Save(fs, nullptr, error)) return false;
    auto textBlocks = TextBlockLibrary::ForDataFolder(dataFolder);
    textBlocks.Load(fs);
    if (!textBlocks.Save(fs, nullptr, error)) return false;
    auto macros = MacroLibrary::ForDataFolder(dataFolder);
    macros.Load(fs);
    if (!macros.Save(fs, error)) return false;
    auto hotkeys = CustomHotkeyLibrary::ForDataFolder(dataFolder);
    hotkeys.Load(fs);
    return hotkeys.Save(fs, nullptr, error);
}

}  // namespace z7
