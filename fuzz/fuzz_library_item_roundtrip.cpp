// What a writer writes, its reader reads back: an item any reader accepts is saved into its
// library and loaded again unchanged (ids aside, which a save sets to list positions).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/buttons/bind_key_library.h"
#include "core/buttons/shortcut_library.h"
#include "core/buttons/text_block_library.h"
#include "core/macros/custom_hotkey_library.h"
#include "core/macros/macro_file.h"
#include "core/macros/macro_library.h"
#include "platform/fake/memory_file_system.h"

namespace {
const std::filesystem::path kData = "/data";

template <class Library, class Entry, class Parse>
void RoundTrip(std::span<const uint8_t> bytes, Parse parse, bool caseless) {
    Entry entry;
    if (!parse(bytes, entry)) return;
    z7::MemoryFileSystem fs(z7::FileNameRules{255, caseless, caseless});
    Library lib = Library::ForDataFolder(kData);
    auto& entries = [&]() -> auto& {
        if constexpr (std::is_same_v<Library, z7::MacroLibrary>)
            return lib.macros();
        else
            return lib.entries();
    }
    ();
    entries = {entry, entry};  // two alike: the second one's name grows on the way
    std::string error;
    bool saved;
    if constexpr (std::is_same_v<Library, z7::BindKeyLibrary> ||
                  std::is_same_v<Library, z7::MacroLibrary>)
        saved = lib.Save(fs, &error);
    else
        saved = lib.Save(fs, nullptr, &error);
    if (!saved) {
        // Only what the reader could not read back may be refused.
        if (error.find("more than an item file may hold") == std::string::npos) std::abort();
        return;
    }
    Library again = Library::ForDataFolder(kData);
    again.Load(fs);
    auto& loaded = [&]() -> auto& {
        if constexpr (std::is_same_v<Library, z7::MacroLibrary>)
            return again.macros();
        else
            return again.entries();
    }
    ();
    if (loaded.size() != entries.size() || !again.loadState().issues.empty()) std::abort();
    for (size_t i = 0; i < loaded.size(); ++i) {
        if (loaded[i].name != entries[i].name) std::abort();
        if constexpr (std::is_same_v<Library, z7::MacroLibrary>) {
            if (loaded[i].events != entries[i].events ||
                loaded[i].repeatMode != entries[i].repeatMode)
                std::abort();
        } else {
            if (!(loaded[i] == entries[i])) std::abort();
        }
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const std::span<const uint8_t> bytes(data + 1, size - 1);
    const bool caseless = (data[0] & 0x80) != 0;
    switch (data[0] % 5) {
        case 0:
            RoundTrip<z7::BindKeyLibrary, z7::BindKeyEntry>(bytes, z7::ParseBindKeyItem, caseless);
            break;
        case 1:
            RoundTrip<z7::ShortcutLibrary, z7::ShortcutEntry>(bytes, z7::ParseShortcutItem,
                                                              caseless);
            break;
        case 2:
            RoundTrip<z7::TextBlockLibrary, z7::TextBlockEntry>(bytes, z7::ParseTextBlockItem,
                                                                caseless);
            break;
        case 3:
            RoundTrip<z7::CustomHotkeyLibrary, z7::MacroData>(bytes, z7::ParseCustomHotkeyItem,
                                                              caseless);
            break;
        case 4:
            RoundTrip<z7::MacroLibrary, z7::Macro>(
                bytes,
                [](std::span<const uint8_t> b, z7::Macro& m) { return z7::ParseMacroFile(b, m); },
                caseless);
            break;
    }
    return 0;
}
