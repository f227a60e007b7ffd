#include <cstdint>
#include <cstdlib>

#include "core/macros/custom_hotkey_library.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    z7::MacroData item;
    if (!z7::ParseCustomHotkeyItem({data, size}, item)) return 0;
    auto bytes = z7::SerializeCustomHotkeyItem(item);
    z7::MacroData again;
    if (!bytes || !z7::ParseCustomHotkeyItem(*bytes, again) || !(again == item)) std::abort();
    // What the popup makes of an imported file must always be buildable again.
    const z7::ImportedHotkey s = z7::ImportedHotkeyState(item);
    if (z7::BuildHotkey(s.name, s.id, s.modifiers, s.mainKey).events.size() > 10) std::abort();
    return 0;
}
