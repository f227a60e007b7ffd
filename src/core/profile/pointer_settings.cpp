#include "core/profile/pointer_settings.h"

#include <algorithm>

#include "core/profile/value_sets.h"
#include "core/util/text.h"

namespace z7 {
namespace {

// A value limited to what the page offers for `field`, so that a damaged file cannot send
// speed 463 or a double-click time that wrapped around.
long long Limited(const char* field, long long value) {
    const ProfileField* f = FindProfileField(field);
    return f ? std::clamp(value, f->min, f->max) : value;
}

}  // namespace

int SystemMouseSpeed(uint8_t pointerSpeed) {
    // The factor is the float nearest 20/11, as the page computed it.
    return static_cast<int>(static_cast<double>(Limited("pointerSpeed", pointerSpeed)) *
                            1.8181818723678589);
}

std::array<int, 3> SystemMouseAcceleration(uint8_t level) {
    switch (level) {
        case 1:
            return {10, 0, 1};  // doubles past one threshold only
        case 3:
            return {6, 10, 1};  // the system's own default curve
        case 6:
            return {4, 6, 2};  // both thresholds, quadruples past the second
        default:
            return {0, 0, 0};
    }
}

unsigned SystemDoubleClickTime(uint8_t doubleClickSpeed) {
    return static_cast<unsigned>(1300 - 100 * Limited("doubleClickSpeed", doubleClickSpeed));
}

uint32_t LimitScrollLines(uint32_t lines) {
    return std::clamp<uint32_t>(lines, 1, 100);
}

uint32_t ScrollLinesFromText(std::u16string_view text) {
    return static_cast<uint32_t>(std::clamp<long long>(ParseDecimalPrefix(text), 1, 100));
}

std::optional<std::u16string> NormaliseScrollLinesText(std::u16string_view text, bool hasFocus) {
    const long long n = ParseDecimalPrefix(text);
    if (n > 100) return u"100";
    if (n < 1 && !hasFocus) return u"1";
    return std::nullopt;
}

uint32_t StepScrollLines(std::u16string_view shown, int delta) {
    return static_cast<uint32_t>(std::clamp<long long>(ScrollLinesFromText(shown) + delta, 1, 100));
}

void ApplyPointerSettings(const ProfileRecord& p, PointerSystem& system, bool persist) {
    system.SetMouseSpeed(SystemMouseSpeed(p.pointerSpeed));
    system.SetMouseAcceleration(SystemMouseAcceleration(p.pointerAcceleration), persist);
    system.SetSnapToDefaultButton(p.snapToDefault == 1);
    system.SetDoubleClickTime(SystemDoubleClickTime(p.doubleClickSpeed));
    system.SetMouseTrails(p.pointerTrails ? 3 : 0);
    system.SetMouseSonar(p.showPointerOnCtrl != 0);
    if (p.scrollByPage)
        system.SetWheelScrollLines(kWheelPageScroll, persist);
    else if (p.scrollByLines)
        system.SetWheelScrollLines(LimitScrollLines(p.scrollLines), persist);
}

}  // namespace z7
