#include "core/buttons/host_action.h"

#include "core/buttons/shortcut_library.h"
#include "core/buttons/text_block_library.h"

namespace z7 {

int LaunchShortcut(FileSystem& fs, const std::filesystem::path& dataFolder, int32_t index,
                   HostActions& actions) {
    ShortcutLibrary library = ShortcutLibrary::ForDataFolder(dataFolder);
    library.Load(fs, /*recover=*/false);
    int launched = 0;
    for (const auto& e : library.entries()) {
        if (e.id != index) continue;
        actions.OpenTarget(e.target);
        ++launched;
    }
    return launched;
}

int TypeTextBlock(FileSystem& fs, const std::filesystem::path& dataFolder, int32_t index,
                  HostActions& actions) {
    TextBlockLibrary library = TextBlockLibrary::ForDataFolder(dataFolder);
    library.Load(fs, /*recover=*/false);
    int typed = 0;
    for (const auto& e : library.entries()) {
        if (e.id != index) continue;
        if (!actions.PasteText(e.text)) break;
        ++typed;
    }
    return typed;
}

int RunHostAction(FileSystem& fs, int code, int value, const std::filesystem::path& dataFolder,
                  HostActions& actions) {
    switch (code) {
        case kEventCodeShortcut:
            return LaunchShortcut(fs, dataFolder, value, actions);
        case kEventCodeTextBlock:
            return TypeTextBlock(fs, dataFolder, value, actions);
        default:
            return 0;
    }
}

}  // namespace z7
