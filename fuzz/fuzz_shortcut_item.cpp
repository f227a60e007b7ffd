#include <cstdint>
#include <cstdlib>

#include "core/buttons/shortcut_library.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    z7::ShortcutEntry item;
    if (!z7::ParseShortcutItem({data, size}, item)) return 0;
    z7::ShortcutEntry again;
    if (!z7::ParseShortcutItem(z7::SerializeShortcutItem(item), again) || !(again == item))
        std::abort();
    return 0;
}
