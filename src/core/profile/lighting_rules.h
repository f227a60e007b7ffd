#pragma once
// The colour rules of the lighting page as pure functions: which colour a light stores and
// shows for the lights, effect and sync choices, which colour controls are live, how the R/G/B
// texts are normalised and read, and what the page's preview of the effects shows at a moment.
// Colours are packed as the profile keeps them: R in bits 0..7, G in 8..15, B in 16..23.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/profile/profile_record.h"

namespace z7 {

// `lightSwitch` values.
inline constexpr uint8_t kLightsBothOn = 15;
inline constexpr uint8_t kLightsBothOff = 0;
inline constexpr uint8_t kLightsWheelOff = 1;
inline constexpr uint8_t kLightsLogoOff = 2;
// `lightEffect` values.
inline constexpr uint8_t kEffectSteady = 1;
inline constexpr uint8_t kEffectBreathing = 6;
inline constexpr uint8_t kEffectBeating = 5;
inline constexpr uint8_t kEffectColourCycle = 10;
// `lightSpeed` of every effect but beating.
inline constexpr uint8_t kSpeedNormal = 0xF0;
// `lightSync` values (1 and 2 come only from older files and mean blue as well).
inline constexpr uint8_t kSyncNone = 0;
inline constexpr uint8_t kSyncRed = 3;
inline constexpr uint8_t kSyncBlue = 4;

inline constexpr uint32_t kColorRed = 0x0000FF;
inline constexpr uint32_t kColorBlue = 0xFF0000;

enum class Light { kWheel, kLogo };

constexpr uint32_t PackColor(uint8_t r, uint8_t g, uint8_t b) {
    return uint32_t{r} | uint32_t{g} << 8 | uint32_t{b} << 16;
}
constexpr uint8_t RedOf(uint32_t color) {
    return static_cast<uint8_t>(color);
}
constexpr uint8_t GreenOf(uint32_t color) {
    return static_cast<uint8_t>(color >> 8);
}
constexpr uint8_t BlueOf(uint32_t color) {
    return static_cast<uint8_t>(color >> 16);
}

// Off: `lightSwitch` 0 for both lights, 1 for the wheel, 2 for the logo; any other value leaves
// the light on.
bool LightIsOn(uint8_t lightSwitch, Light light);
// The fixed colour of a sync option (3 red; 1, 2, 4 blue); none for 0 and unknown values.
std::optional<uint32_t> SyncColor(uint8_t lightSync);

// What a light's R/G/B edits show: 0 when it is off, else the sync colour, else `picked`.
uint32_t ShownColor(uint8_t lightSwitch, uint8_t lightSync, Light light, uint32_t picked);
// What the profile stores for a light: 0 when it is off, else the sync colour, else `typed`
// (the colour its edits hold). The mouse gets no separate switch or sync byte.
uint32_t StoredColor(uint8_t lightSwitch, uint8_t lightSync, Light light, uint32_t typed);
// A light's colour can be chosen (its disc picks, its edits take typing) while it is on and no
// sync colour overrides it.
bool ColorEditable(uint8_t lightSwitch, uint8_t lightSync, Light light);

// Which lights take a colour picked on `disc`: with both lights on, both (the discs set the two
// lights alike); otherwise only the disc's own light when it is editable.
struct PickTargets {
    bool wheel = false;
    bool logo = false;
    bool any() const { return wheel || logo; }
};
PickTargets PickTargetsFor(uint8_t lightSwitch, uint8_t lightSync, Light disc);

// Speed is a choice of the beating effect only.
bool SpeedEditable(uint8_t lightEffect);
// The speed a change of effect leaves: beating keeps `speed`, the others take 240 ("普通").
uint8_t SpeedForEffect(uint8_t lightEffect, uint8_t speed);

// The colour a light's picker starts from when a profile is loaded. Files keep an off light as
// 0; turning it back on then starts from the other light's colour (or red), not from black.
uint32_t PickedColorOnLoad(const ProfileRecord& record, Light light);

// One R/G/B edit's text as the user left it: non-digits dropped, of more than three digits only
// the last three kept (typing on replaces the oldest digit), 256 and above made "255".
struct ChannelText {
    std::string text;
    bool changed = false;
};
ChannelText NormalizeChannelText(std::string_view typed);
// The channel value of an edit's text: its digits as a number clamped to 0..255 (empty: 0).
uint8_t ChannelValue(std::string_view text);

// ---- the preview of the effects ----
// What the page shows on its drawing of the mouse at `elapsedMs` into the animation: the
// colour a light stores, scaled by the brightness factor as the mouse scales it, and modulated
// by the effect (steady; breathing; beating at the chosen speed; colour cycle through the hues).
// An unlit light (stored 0) stays unlit. The timing is the preview's own; the mouse has its own.
struct PreviewSettings {
    uint8_t effect = kEffectSteady;
    uint8_t speed = kSpeedNormal;
    uint8_t brightness = 5;
};
// Brightness of the effect's envelope, 0..1.
double PreviewLevel(uint8_t effect, uint8_t speed, int64_t elapsedMs);
// Beats per minute the preview shows for a speed byte.
int PreviewBeatsPerMinute(uint8_t speed);
uint32_t PreviewColor(const PreviewSettings& settings, uint32_t storedColor, int64_t elapsedMs);
// True when the preview changes over time (every effect but steady).
bool PreviewAnimates(uint8_t effect);

// Fully saturated, full-value colour of `hueDegrees` (0 red, 120 green, 240 blue).
uint32_t HueColor(double hueDegrees);

}  // namespace z7
