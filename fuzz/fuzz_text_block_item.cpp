#include <cstdint>
#include <cstdlib>

#include "core/buttons/text_block_library.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    z7::TextBlockEntry item;
    if (!z7::ParseTextBlockItem({data, size}, item)) return 0;
    z7::TextBlockEntry again;
    if (!z7::ParseTextBlockItem(z7::SerializeTextBlockItem(item), again) || !(again == item))
        std::abort();
    return 0;
}
