// The language file is a user-editable INI file beside the program.
#include <cstdint>
#include <span>

#include "gui/ui/skin.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    z7::LanguageTable table;
    table.LoadBytes(std::span<const uint8_t>(data, size));
    (void)table.Text(QStringLiteral("58"), QStringLiteral("x"));
    return 0;
}
