#include "core/macros/macro.h"

namespace z7 {

MacroData MakeKeySequenceCopy(const Macro& macro) {
    MacroData copy;
    copy.name = macro.name;
    copy.id = macro.id;
    copy.mode = static_cast<uint8_t>(macro.repeatMode);
    copy.events.reserve(macro.events.size() + 1);
    for (const MacroEventItem& e : macro.events)
        copy.events.push_back({e.kind, e.code, e.flag, static_cast<uint32_t>(e.delay)});
    copy.events.push_back({});  // the terminator the mouse stops at
    return copy;
}

}  // namespace z7
