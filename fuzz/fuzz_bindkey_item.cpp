#include <cstdint>
#include <cstdlib>

#include "core/buttons/bind_key_library.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    z7::BindKeyEntry item;
    if (!z7::ParseBindKeyItem({data, size}, item)) return 0;
    z7::BindKeyEntry again;
    if (!z7::ParseBindKeyItem(z7::SerializeBindKeyItem(item), again) || !(again == item))
        std::abort();
    return 0;
}
