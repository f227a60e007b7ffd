#include "core/profile/sensor_rules.h"

#include <algorithm>
#include <climits>

#include "core/profile/value_sets.h"
#include "core/util/text.h"

namespace z7 {
int ShownCpi(std::u16string_view text) {
    return static_cast<int>(std::clamp<long long>(ParseDecimalPrefix(text), 0, INT_MAX));
}

uint16_t CpiFromText(std::u16string_view text) {
    // Clamped before narrowing: "9999" stored before the timer corrected it once reached the
    // mouse as 9999 CPI, and a long paste could wrap to anything.
    return static_cast<uint16_t>(std::clamp(ShownCpi(text), kCpiMin, kCpiMax));
}

CpiTextFix NormaliseCpiText(std::u16string_view text, bool hasFocus) {
    CpiTextFix fix{std::u16string(text)};
    std::u16string& t = fix.text;
    if (t.size() > 1) {
        size_t removed = 0;
        while (t.size() > 1 && t.front() == u'0' && removed < t.size()) {
            t.erase(0, 1);
            ++removed;
        }
    }
    if (t.size() > kCpiDigits) {
        t.erase(0, t.size() - kCpiDigits);
        fix.caretAfter4 = true;
    }
    const int value = ShownCpi(t);
    if (value > kCpiMax)
        t = DecimalText(kCpiMax);
    else if (value < kCpiMin && !hasFocus)
        t = DecimalText(kCpiMin);
    fix.changed = t != text;
    if (!fix.changed) fix.caretAfter4 = false;
    return fix;
}

CpiPair StepCpi(CpiPair shown, bool xButton, int delta) {
    const int from = xButton ? shown.x : shown.y;
    const int result = std::clamp(from + delta, kCpiMin, kCpiMax);
    if (xButton) return {result, result};
    return {shown.x, result};
}

SensorSettings SensorSettingsOf(const ProfileRecord& r) {
    SensorSettings s;
    s.stepCount = r.stepCount;
    for (size_t i = 0; i < 3; ++i) {
        s.cpiX[i] = static_cast<uint16_t>(r.cpiX[i]);
        s.cpiY[i] = static_cast<uint16_t>(r.cpiY[i]);
    }
    s.angleSnapOn = r.angleSnapOn != 0;
    s.angleSnapLevel = r.angleSnapLevel;
    s.angleTuneOn = r.angleTuneOn != 0;
    s.angleTuneLevel = r.angleTuneLevel;
    s.liftOffOn = r.liftOffOn != 0;
    s.liftOffLevel = r.liftOffLevel;
    s.pollingRate = r.pollingRate;
    s.smoothingOn = r.smoothingOn != 0;
    s.surfaceMode = r.surfaceMode;
    return s;
}

void StoreSensorSettings(const SensorSettings& s, ProfileRecord& r) {
    r.stepCount = s.stepCount;
    r.currentStep = CurrentStepFor(s.stepCount);
    for (size_t i = 0; i < 3 && i < s.stepCount; ++i) {
        const uint16_t x = std::clamp<uint16_t>(s.cpiX[i], kCpiMin, kCpiMax);
        const uint16_t y = std::clamp<uint16_t>(s.cpiY[i], kCpiMin, kCpiMax);
        r.cpiX[i] = static_cast<int16_t>(x);
        r.cpiY[i] = static_cast<int16_t>(y);
        r.xyLinked[i] = x == y ? 1 : 0;
    }
    r.angleSnapOn = s.angleSnapOn;
    r.angleSnapLevel = s.angleSnapLevel;
    r.angleTuneOn = s.angleTuneOn;
    r.angleTuneLevel = s.angleTuneLevel;
    r.liftOffOn = s.liftOffOn;
    r.liftOffLevel = s.liftOffLevel;
    r.pollingRate = s.pollingRate;
    r.smoothingOn = s.smoothingOn;
    r.surfaceMode = s.surfaceMode;
}

}  // namespace z7
