#include "core/profile/lighting_rules.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/device/device_image.h"

namespace z7 {
namespace {

constexpr size_t kChannelDigits = 3;
constexpr int64_t kBreathingPeriodMs = 4000;
constexpr int64_t kCyclePeriodMs = 6000;
// Share of a beat spent rising; the rest decays.
constexpr double kBeatAttack = 0.12;
constexpr double kBeatDecay = 5.0;
// A breathing light never goes fully dark on the mouse either.
constexpr double kBreathingFloor = 0.06;

uint8_t ScaleChannel(uint8_t value, double level) {
    return static_cast<uint8_t>(std::lround(std::clamp(level, 0.0, 1.0) * value));
}

}  // namespace

bool LightIsOn(uint8_t lightSwitch, Light light) {
    if (lightSwitch == kLightsBothOff) return false;
    return lightSwitch != (light == Light::kWheel ? kLightsWheelOff : kLightsLogoOff);
}

std::optional<uint32_t> SyncColor(uint8_t lightSync) {
    switch (lightSync) {
        case kSyncRed:
            return kColorRed;
        case 1:
        case 2:
        case kSyncBlue:
            return kColorBlue;
        default:
            return std::nullopt;
    }
}

uint32_t ShownColor(uint8_t lightSwitch, uint8_t lightSync, Light light, uint32_t picked) {
    if (!LightIsOn(lightSwitch, light)) return 0;
    return SyncColor(lightSync).value_or(picked & 0xFFFFFFu);
}

uint32_t StoredColor(uint8_t lightSwitch, uint8_t lightSync, Light light, uint32_t typed) {
    return ShownColor(lightSwitch, lightSync, light, typed);
}

bool ColorEditable(uint8_t lightSwitch, uint8_t lightSync, Light light) {
    return LightIsOn(lightSwitch, light) && !SyncColor(lightSync);
}

PickTargets PickTargetsFor(uint8_t lightSwitch, uint8_t lightSync, Light disc) {
    if (!ColorEditable(lightSwitch, lightSync, disc)) return {};
    if (lightSwitch == kLightsBothOn) return {.wheel = true, .logo = true};
    return {.wheel = disc == Light::kWheel, .logo = disc == Light::kLogo};
}

bool SpeedEditable(uint8_t lightEffect) {
    return lightEffect == kEffectBeating;
}

uint8_t SpeedForEffect(uint8_t lightEffect, uint8_t speed) {
    return SpeedEditable(lightEffect) ? speed : kSpeedNormal;
}

uint32_t PickedColorOnLoad(const ProfileRecord& record, Light light) {
    const Light other = light == Light::kWheel ? Light::kLogo : Light::kWheel;
    const auto colorOf = [&record](Light l) {
        return (l == Light::kWheel ? record.lightColor1 : record.lightColor2) & 0xFFFFFFu;
    };
    const uint32_t own = colorOf(light);
    if (own != 0 || LightIsOn(record.lightSwitch, light)) return own;
    if (colorOf(other) != 0) return colorOf(other);
    return kColorRed;
}

ChannelText NormalizeChannelText(std::string_view typed) {
    std::string digits;
    for (char c : typed)
        if (c >= '0' && c <= '9') digits.push_back(c);
    if (digits.size() > kChannelDigits) digits.erase(0, digits.size() - kChannelDigits);
    if (!digits.empty() && std::stoi(digits) > 255) digits = "255";
    const bool changed = digits != typed;
    return {std::move(digits), changed};
}

uint8_t ChannelValue(std::string_view text) {
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') continue;
        value = std::min(value * 10 + (c - '0'), 256);  // saturates long inputs too
    }
    return static_cast<uint8_t>(std::min(value, 255));
}

int PreviewBeatsPerMinute(uint8_t speed) {
    switch (speed) {
        case 0x40:  // "中速"
            return 90;
        case 0x50:  // "高速"
            return 120;
        case 0x60:
            return 20;
        case 0x70:
            return 40;
        case 0x80:
            return 80;
        case 0x90:
            return 120;
        case 0xA0:
            return 150;
        default:  // "普通" and anything unknown
            return 60;
    }
}

bool PreviewAnimates(uint8_t effect) {
    return effect == kEffectBreathing || effect == kEffectBeating || effect == kEffectColourCycle;
}

double PreviewLevel(uint8_t effect, uint8_t speed, int64_t elapsedMs) {
    const int64_t t = std::max<int64_t>(elapsedMs, 0);
    if (effect == kEffectBreathing) {
        const double phase = static_cast<double>(t % kBreathingPeriodMs) / kBreathingPeriodMs;
        const double wave = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * phase);
        return kBreathingFloor + (1 - kBreathingFloor) * wave;
    }
    if (effect == kEffectBeating) {
        const int64_t period = 60000 / PreviewBeatsPerMinute(speed);
        const double phase = static_cast<double>(t % period) / static_cast<double>(period);
        if (phase < kBeatAttack) return phase / kBeatAttack;
        return std::exp(-kBeatDecay * (phase - kBeatAttack));
    }
    return 1.0;
}

uint32_t HueColor(double hueDegrees) {
    double h = std::fmod(hueDegrees, 360.0);
    if (h < 0) h += 360.0;
    const double sector = h / 60.0;
    const int i = static_cast<int>(sector) % 6;
    const auto rise = static_cast<uint8_t>(std::lround((sector - std::floor(sector)) * 255));
    const auto fall = static_cast<uint8_t>(255 - rise);
    switch (i) {
        case 0:
            return PackColor(255, rise, 0);
        case 1:
            return PackColor(fall, 255, 0);
        case 2:
            return PackColor(0, 255, rise);
        case 3:
            return PackColor(0, fall, 255);
        case 4:
            return PackColor(rise, 0, 255);
        default:
            return PackColor(255, 0, fall);
    }
}

uint32_t PreviewColor(const PreviewSettings& settings, uint32_t storedColor, int64_t elapsedMs) {
    storedColor &= 0xFFFFFFu;
    if (storedColor == 0) return 0;
    uint32_t base = storedColor;
    if (settings.effect == kEffectColourCycle) {
        const int64_t t = std::max<int64_t>(elapsedMs, 0) % kCyclePeriodMs;
        base = HueColor(360.0 * static_cast<double>(t) / kCyclePeriodMs);
    }
    const uint32_t scaled = ScaleColor(base, settings.brightness) & 0xFFFFFFu;
    const double level = PreviewLevel(settings.effect, settings.speed, elapsedMs);
    return PackColor(ScaleChannel(RedOf(scaled), level), ScaleChannel(GreenOf(scaled), level),
                     ScaleChannel(BlueOf(scaled), level));
}

}  // namespace z7
