#include "core/macros/macro.h"

#include <algorithm>
#include <atomic>

namespace z7 {

uint64_t NewMacroTag() {
    static std::atomic<uint64_t> next{1};
    return next++;
}

bool SameMacroContent(const Macro& a, const Macro& b) {
    const auto sameEvent = [](const MacroEventItem& x, const MacroEventItem& y) {
        return x.kind == y.kind && x.code == y.code && x.flag == y.flag && x.delay == y.delay;
    };
    return a.name == b.name && a.repeatMode == b.repeatMode &&
           std::equal(a.events.begin(), a.events.end(), b.events.begin(), b.events.end(),
                      sameEvent);
}

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
