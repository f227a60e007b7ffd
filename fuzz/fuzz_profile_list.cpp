#include <cstdint>
#include <cstdlib>

#include "core/profile/profile_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<z7::ProfileListEntry> entries;
    if (!z7::ParseProfileList({data, size}, entries)) return 0;
    std::vector<z7::ProfileListEntry> again;
    if (!z7::ParseProfileList(z7::SerializeProfileList(entries), again) || !(again == entries))
        std::abort();
    return 0;
}
