#include "core/buttons/library_sources.h"

#include <climits>
#include <memory>

#include "core/buttons/bind_key_library.h"
#include "core/buttons/shortcut_library.h"
#include "core/buttons/text_block_library.h"
#include "core/macros/custom_hotkey_library.h"
#include "core/macros/macro_library.h"

namespace z7 {

namespace {
constexpr int32_t kTypeMacro = static_cast<int32_t>(DeviceFunctionType::Macro);
constexpr int32_t kTypeCustomHotkey = static_cast<int32_t>(DeviceFunctionType::CustomHotkey);
constexpr int32_t kTypeShortcut = static_cast<int32_t>(DeviceFunctionType::Shortcut);
constexpr int32_t kTypeTextBlock = static_cast<int32_t>(DeviceFunctionType::TextBlock);

std::optional<int32_t> NewId(const IdMap& map, int32_t old) {
    const auto it = map.find(old);
    if (it == map.end()) return std::nullopt;
    return it->second;
}

void Append(std::vector<DataIssue>* issues, const FolderState& state) {
    if (issues) issues->insert(issues->end(), state.issues.begin(), state.issues.end());
}
}  // namespace

MacroSources LoadMacroSources(FileSystem& fs, const std::filesystem::path& dataFolder,
                              bool recover) {
    auto hotkeys =
        std::make_shared<CustomHotkeyLibrary>(CustomHotkeyLibrary::ForDataFolder(dataFolder));
    hotkeys->Load(fs, recover);
    auto macros = std::make_shared<MacroLibrary>(MacroLibrary::ForDataFolder(dataFolder));
    macros->Load(fs, recover);
    MacroSources sources;
    sources.customHotkey = [hotkeys](int32_t id) { return hotkeys->FindById(id); };
    sources.macro = [macros](int32_t id) { return macros->MakeKeySequenceCopy(id); };
    return sources;
}

std::vector<DataIssue> CheckLibraries(FileSystem& fs, const std::filesystem::path& dataFolder,
                                      bool recover) {
    std::vector<DataIssue> issues;
    auto check = [&](auto library) {
        library.Load(fs, recover);
        Append(&issues, library.loadState());
    };
    check(BindKeyLibrary::ForDataFolder(dataFolder));
    check(ShortcutLibrary::ForDataFolder(dataFolder));
    check(TextBlockLibrary::ForDataFolder(dataFolder));
    check(MacroLibrary::ForDataFolder(dataFolder));
    check(CustomHotkeyLibrary::ForDataFolder(dataFolder));
    return issues;
}

bool RemapBindings(ProfileRecord& record, const LibraryRenumbering& renumbering) {
    bool changed = false;
    for (int button = 0; button < kButtonCount; ++button) {
        ButtonBinding& b = record.buttonBindings[static_cast<size_t>(button)];
        MacroData& copy = record.buttonMacros[static_cast<size_t>(button)];
        const ButtonBinding before = b;
        const IdMap* map = nullptr;
        const bool byMacroId = b.functionType == kTypeMacro || b.functionType == kTypeCustomHotkey;
        switch (b.functionType) {
            case kTypeShortcut:
                if (renumbering.shortcuts) map = &*renumbering.shortcuts;
                break;
            case kTypeTextBlock:
                if (renumbering.textBlocks) map = &*renumbering.textBlocks;
                break;
            case kTypeMacro:
                if (renumbering.macros) map = &*renumbering.macros;
                break;
            case kTypeCustomHotkey:
                if (renumbering.hotkeys) map = &*renumbering.hotkeys;
                break;
            default:
                break;
        }
        if (!map) continue;
        const int32_t old = byMacroId ? int32_t{b.macroId} : b.functionValue;
        const std::optional<int32_t> id = NewId(*map, old);
        // The binding stores the id in 16 bits; an entry beyond them cannot be named.
        if (!id || (byMacroId && *id > INT16_MAX)) {
            b = FactoryBinding(button);
        } else if (byMacroId) {
            b.macroId = static_cast<int16_t>(*id);
            if (copy.id == old) copy.id = *id;
        } else {
            b.functionValue = *id;
        }
        changed = changed || !(b == before);
    }
    return changed;
}

bool RemapBindings(ProfileSet& set, const LibraryRenumbering& renumbering) {
    bool changed = false;
    for (auto& r : set.records()) changed = RemapBindings(r, renumbering) || changed;
    return changed;
}

bool ResaveLibraries(FileSystem& fs, const std::filesystem::path& dataFolder,
                     LibraryRenumbering* renumbering, std::vector<DataIssue>* issues,
                     std::string* error, MacroLibrary* liveMacros) {
    LibraryRenumbering done;
    auto bindKeys = BindKeyLibrary::ForDataFolder(dataFolder);
    bindKeys.Load(fs);
    Append(issues, bindKeys.loadState());
    if (!bindKeys.Save(fs, error)) return false;
    auto shortcuts = ShortcutLibrary::ForDataFolder(dataFolder);
    shortcuts.Load(fs);
    Append(issues, shortcuts.loadState());
    if (!shortcuts.Save(fs, nullptr, error)) return false;
    done.shortcuts = shortcuts.renumbering();
    auto textBlocks = TextBlockLibrary::ForDataFolder(dataFolder);
    textBlocks.Load(fs);
    Append(issues, textBlocks.loadState());
    const bool textBlocksSaved = textBlocks.Save(fs, nullptr, error);
    if (textBlocksSaved) done.textBlocks = textBlocks.renumbering();
    MacroLibrary freshMacros = MacroLibrary::ForDataFolder(dataFolder);
    MacroLibrary& macros = liveMacros ? *liveMacros : freshMacros;
    if (textBlocksSaved && !liveMacros) {
        macros.Load(fs);
        Append(issues, macros.loadState());
    }
    const bool macrosSaved = textBlocksSaved && macros.Save(fs, error);
    if (macrosSaved) done.macros = macros.renumbering();
    auto hotkeys = CustomHotkeyLibrary::ForDataFolder(dataFolder);
    if (macrosSaved) {
        hotkeys.Load(fs);
        Append(issues, hotkeys.loadState());
    }
    const bool hotkeysSaved = macrosSaved && hotkeys.Save(fs, nullptr, error);
    if (hotkeysSaved) done.hotkeys = hotkeys.renumbering();
    if (renumbering) *renumbering = std::move(done);
    return hotkeysSaved;
}

bool SaveProfilesAndLibraries(FileSystem& fs, ProfileSet& set,
                              const std::filesystem::path& dataFolder,
                              std::vector<DataIssue>* issues, std::string* error,
                              SaveVariant variant) {
    LibraryRenumbering renumbering;
    const bool librariesSaved = ResaveLibraries(fs, dataFolder, &renumbering, issues, error);
    RemapBindings(set, renumbering);
    if (!librariesSaved) {
        // Libraries saved before the failure were renumbered on disk: the stored profiles must
        // follow them, or their bindings would name other entries. The change being saved is
        // not written: the command reports a failure.
        std::string ignored;
        (void)RemapProfilesOnDisk(fs, dataFolder, renumbering, &ignored);
        return false;
    }
    return SaveProfileSet(fs, set, dataFolder, error, variant);
}

bool RemapProfilesOnDisk(FileSystem& fs, const std::filesystem::path& dataFolder,
                         const LibraryRenumbering& renumbering, std::string* error) {
    if (!fs.Exists(ProfileFolder(dataFolder) / kProfileListName)) return true;  // nothing bound
    ProfileSet set;
    LoadProfileSet(fs, set, dataFolder);
    if (!RemapBindings(set, renumbering)) return true;
    return SaveProfileSet(fs, set, dataFolder, error);
}

}  // namespace z7
