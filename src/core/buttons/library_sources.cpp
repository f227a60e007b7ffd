#include "core/buttons/library_sources.h"

#include <memory>

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

}  // namespace z7
