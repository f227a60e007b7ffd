#include <cstdint>
#include <cstdlib>

#include "core/buttons/library_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::u16string> paths;
    if (!z7::ParseLibraryList({data, size}, paths)) return 0;
    std::vector<std::u16string> again;
    if (!z7::ParseLibraryList(z7::SerializeLibraryList(paths), again) || again != paths)
        std::abort();
    return 0;
}
