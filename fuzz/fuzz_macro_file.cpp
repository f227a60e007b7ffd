#include <cstdint>
#include <cstdlib>

#include "core/macros/macro_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    z7::Macro macro;
    if (!z7::ParseMacroFile({data, size}, macro)) return 0;
    z7::Macro again;
    if (!z7::ParseMacroFile(z7::SerializeMacroFile(macro), again)) std::abort();
    if (again.name != macro.name || again.id != macro.id || !(again.areaRect == macro.areaRect) ||
        again.repeatMode != macro.repeatMode || again.events != macro.events)
        std::abort();
    return 0;
}
