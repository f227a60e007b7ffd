#pragma once
// The sensor page's rules without its widgets: how typed CPI text is corrected, what the step
// buttons do, what a store writes into the profile, and the settings the page compares with its
// snapshot.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/profile/profile_record.h"

namespace z7 {

inline constexpr int kCpiMin = 50;
inline constexpr int kCpiMax = 8200;
inline constexpr int kCpiStep = 50;
// Digits a CPI edit keeps; a fifth pushes out the one typed first.
inline constexpr size_t kCpiDigits = 4;

// A CPI value from an edit's text, within 50..8200 whatever the text holds (the edit timer may not
// have corrected it yet when the page is stored). Text without digits gives 50.
uint16_t CpiFromText(std::u16string_view text);

// One tick of the CPI edit timer for one edit.
struct CpiTextFix {
    std::u16string text;
    bool changed = false;      // the edit must be given `text`
    bool caretAfter4 = false;  // and its caret put after the fourth digit
};
// Leading zeros go (as many per tick as leave at least that many characters, so "0007" takes two
// ticks), only the last four digits stay, a value above 8200 becomes "8200", and one below 50
// becomes "50" only once the edit has lost the focus, so that a number can be typed digit by
// digit.
CpiTextFix NormaliseCpiText(std::u16string_view text, bool hasFocus);

// A step button: +50 or -50 from what the edit shows, kept within 50..8200. A button on the X edit
// writes the result into both edits of its step, a button on the Y edit only into Y.
struct CpiPair {
    int x = 0;
    int y = 0;
    friend bool operator==(const CpiPair&, const CpiPair&) = default;
};
CpiPair StepCpi(CpiPair shown, bool xButton, int delta);
// The number an edit shows, unclamped (0 for no digits), as the step buttons read it.
int ShownCpi(std::u16string_view text);

// The sensor settings of a profile as the page shows them. Two equal values mean an unchanged
// page: every field counts, the levels and the hidden angle tune too.
struct SensorSettings {
    uint8_t stepCount = 3;
    std::array<uint16_t, 3> cpiX{400, 800, 1600};
    std::array<uint16_t, 3> cpiY{400, 800, 1600};
    uint8_t angleSnapOn = 0;
    uint8_t angleSnapLevel = 0;
    uint8_t angleTuneOn = 0;
    uint8_t angleTuneLevel = 0;
    uint8_t liftOffOn = 0;
    uint8_t liftOffLevel = 6;
    uint16_t pollingRate = 1;
    uint8_t smoothingOn = 0;
    uint8_t surfaceMode = 1;
    friend bool operator==(const SensorSettings&, const SensorSettings&) = default;
};
SensorSettings SensorSettingsOf(const ProfileRecord& record);
// What storing the page writes: the step count and its current step; the CPI values and the
// X-equals-Y flag of the steps in use (the steps beyond the count keep what the profile has);
// every other sensor field.
void StoreSensorSettings(const SensorSettings& settings, ProfileRecord& record);

}  // namespace z7
