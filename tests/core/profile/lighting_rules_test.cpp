#include <gtest/gtest.h>

#include <set>

#include "core/device/device_image.h"
#include "core/profile/lighting_rules.h"

namespace z7 {
namespace {

constexpr uint32_t kGreen = PackColor(0, 255, 0);
constexpr uint32_t kTeal = PackColor(10, 200, 150);

// The lighting block the mouse would get for a profile whose colours the page stored.
DeviceBlock BlockFor(uint8_t lightSwitch, uint8_t sync, uint8_t brightness, uint32_t wheelTyped,
                     uint32_t logoTyped) {
    ProfileRecord p = CreateProfileRecord();
    p.lightSwitch = lightSwitch;
    p.lightSync = sync;
    p.lightBrightness = brightness;
    p.lightColor1 = StoredColor(lightSwitch, sync, Light::kWheel, wheelTyped);
    p.lightColor2 = StoredColor(lightSwitch, sync, Light::kLogo, logoTyped);
    return BuildLightingBlock(BuildDeviceRecord(p));
}

TEST(LightingRules, StoredColourFollowsLightsThenSyncThenTheEdits) {
    struct Case {
        uint8_t lightSwitch, sync;
        uint32_t wheel, logo;
    };
    const Case cases[] = {
        {kLightsBothOn, kSyncNone, kTeal, kGreen},
        {kLightsBothOff, kSyncNone, 0, 0},
        {kLightsWheelOff, kSyncNone, 0, kGreen},
        {kLightsLogoOff, kSyncNone, kTeal, 0},
        {kLightsBothOn, kSyncRed, kColorRed, kColorRed},
        {kLightsBothOn, kSyncBlue, kColorBlue, kColorBlue},
        {kLightsBothOn, 1, kColorBlue, kColorBlue},
        {kLightsBothOn, 2, kColorBlue, kColorBlue},
        {kLightsLogoOff, kSyncRed, kColorRed, 0},
        {kLightsBothOff, kSyncBlue, 0, 0},
        {7, kSyncNone, kTeal, kGreen},  // not a value of the drop-down: both on
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StoredColor(c.lightSwitch, c.sync, Light::kWheel, kTeal), c.wheel)
            << int{c.lightSwitch} << "/" << int{c.sync};
        EXPECT_EQ(StoredColor(c.lightSwitch, c.sync, Light::kLogo, kGreen), c.logo)
            << int{c.lightSwitch} << "/" << int{c.sync};
        // What the edits show is the same rule applied to the picked colour.
        EXPECT_EQ(ShownColor(c.lightSwitch, c.sync, Light::kWheel, kTeal), c.wheel);
    }
    EXPECT_EQ(StoredColor(kLightsBothOn, kSyncNone, Light::kWheel, 0xAB123456), 0x123456u);
}

TEST(LightingRules, TheMouseGetsTheStoredColoursScaledByTheBrightness) {
    // The logo off with a red wheel: the logo's three bytes are 0.
    DeviceBlock b = BlockFor(kLightsLogoOff, kSyncNone, 5, kColorRed, kGreen);
    EXPECT_EQ((std::vector<uint8_t>(b.begin(), b.begin() + 9)),
              (std::vector<uint8_t>{255, 0, 0, 0xF1, 0, 0, 0, 0xF1, 30}));
    // "VR-60 红" stores red for both lights whatever the edits hold.
    b = BlockFor(kLightsBothOn, kSyncRed, 5, kTeal, kGreen);
    EXPECT_EQ((std::vector<uint8_t>(b.begin(), b.begin() + 7)),
              (std::vector<uint8_t>{255, 0, 0, 0xF1, 255, 0, 0}));
    // "50%" halves and truncates: (255, 128, 1) -> (127, 64, 0); "0%" still lights at a tenth.
    b = BlockFor(kLightsBothOn, kSyncNone, 3, PackColor(255, 128, 1), PackColor(255, 255, 255));
    EXPECT_EQ((std::vector<uint8_t>(b.begin(), b.begin() + 7)),
              (std::vector<uint8_t>{127, 64, 0, 0xF1, 127, 127, 127}));
    b = BlockFor(kLightsBothOn, kSyncNone, 1, PackColor(255, 9, 10), 0);
    EXPECT_EQ((std::vector<uint8_t>(b.begin(), b.begin() + 3)), (std::vector<uint8_t>{25, 0, 1}));
}

TEST(LightingRules, ColourControlsLiveOnlyForALitLightWithoutSync) {
    EXPECT_TRUE(ColorEditable(kLightsBothOn, kSyncNone, Light::kWheel));
    EXPECT_TRUE(ColorEditable(kLightsBothOn, kSyncNone, Light::kLogo));
    EXPECT_FALSE(ColorEditable(kLightsBothOn, kSyncRed, Light::kWheel));
    EXPECT_FALSE(ColorEditable(kLightsBothOff, kSyncNone, Light::kLogo));
    EXPECT_FALSE(ColorEditable(kLightsWheelOff, kSyncNone, Light::kWheel));
    EXPECT_TRUE(ColorEditable(kLightsWheelOff, kSyncNone, Light::kLogo));
    EXPECT_TRUE(ColorEditable(kLightsLogoOff, kSyncNone, Light::kWheel));
    EXPECT_FALSE(ColorEditable(kLightsLogoOff, kSyncNone, Light::kLogo));

    // A pick with both lights on colours both; otherwise only the disc's own light.
    auto targets = [](uint8_t s, uint8_t sync, Light disc) {
        const PickTargets t = PickTargetsFor(s, sync, disc);
        return std::pair(t.wheel, t.logo);
    };
    EXPECT_EQ(targets(kLightsBothOn, kSyncNone, Light::kWheel), std::pair(true, true));
    EXPECT_EQ(targets(kLightsBothOn, kSyncNone, Light::kLogo), std::pair(true, true));
    EXPECT_EQ(targets(kLightsLogoOff, kSyncNone, Light::kWheel), std::pair(true, false));
    EXPECT_EQ(targets(kLightsLogoOff, kSyncNone, Light::kLogo), std::pair(false, false));
    EXPECT_EQ(targets(kLightsWheelOff, kSyncNone, Light::kLogo), std::pair(false, true));
    EXPECT_EQ(targets(kLightsBothOff, kSyncNone, Light::kWheel), std::pair(false, false));
    EXPECT_EQ(targets(kLightsBothOn, kSyncBlue, Light::kWheel), std::pair(false, false));
}

TEST(LightingRules, SpeedBelongsToTheBeatingEffect) {
    EXPECT_TRUE(SpeedEditable(kEffectBeating));
    for (uint8_t effect : {kEffectSteady, kEffectBreathing, kEffectColourCycle}) {
        EXPECT_FALSE(SpeedEditable(effect));
        EXPECT_EQ(SpeedForEffect(effect, 0x80), kSpeedNormal);
    }
    EXPECT_EQ(SpeedForEffect(kEffectBeating, 0x80), 0x80);
}

TEST(LightingRules, AnOffLightStartsFromTheOtherLightsColourNotFromBlack) {
    ProfileRecord p = CreateProfileRecord();
    p.lightSwitch = kLightsLogoOff;
    p.lightColor1 = kTeal;
    p.lightColor2 = 0;
    EXPECT_EQ(PickedColorOnLoad(p, Light::kWheel), kTeal);
    EXPECT_EQ(PickedColorOnLoad(p, Light::kLogo), kTeal);
    p.lightSwitch = kLightsBothOff;
    p.lightColor1 = 0;
    EXPECT_EQ(PickedColorOnLoad(p, Light::kWheel), kColorRed);
    // A lit light the user set to black keeps black.
    p.lightSwitch = kLightsBothOn;
    EXPECT_EQ(PickedColorOnLoad(p, Light::kLogo), 0u);
    p.lightColor2 = 0xFF00FF00;  // a stray top byte from a file is not a colour
    EXPECT_EQ(PickedColorOnLoad(p, Light::kLogo), 0x00FF00u);
}

TEST(LightingRules, ChannelTextsKeepThreeDigitsAndNeverExceed255) {
    struct Case {
        const char* typed;
        const char* text;
        bool changed;
    };
    const Case cases[] = {
        {"", "", false},       {"0", "0", false},     {"255", "255", false},
        {"256", "255", true},  {"300", "255", true},  {"1234", "234", true},
        {"2999", "255", true}, {"007", "007", false}, {"12a", "12", true},
        {" 45", "45", true},   {"-5", "5", true},     {"99999999999999999999", "255", true},
        {"１２", "", true},  // full-width digits are not digits of this field
    };
    for (const Case& c : cases) {
        const ChannelText t = NormalizeChannelText(c.typed);
        EXPECT_EQ(t.text, c.text) << c.typed;
        EXPECT_EQ(t.changed, c.changed) << c.typed;
    }
    // Reading clamps wherever the text comes from: "300" is 255, never its low byte 44.
    EXPECT_EQ(ChannelValue("300"), 255);
    EXPECT_EQ(ChannelValue("256"), 255);
    EXPECT_EQ(ChannelValue("255"), 255);
    EXPECT_EQ(ChannelValue("0128"), 128);
    EXPECT_EQ(ChannelValue(""), 0);
    EXPECT_EQ(ChannelValue("99999999999999999999999"), 255);
    EXPECT_EQ(ChannelValue("1x2"), 12);
}

TEST(LightingRules, ThePreviewShowsTheEffectAtTheBrightnessTheMouseUses) {
    const uint32_t white = PackColor(255, 255, 255);
    PreviewSettings steady{.effect = kEffectSteady, .speed = kSpeedNormal, .brightness = 3};
    for (int64_t t : {0, 1000, 123456})
        EXPECT_EQ(PreviewColor(steady, white, t), PackColor(127, 127, 127));
    EXPECT_FALSE(PreviewAnimates(kEffectSteady));
    EXPECT_EQ(PreviewColor(steady, 0, 0), 0u);  // an unlit light stays unlit

    // Breathing: dim at the start of a breath, full halfway, back at the period.
    PreviewSettings breathing{.effect = kEffectBreathing, .brightness = 5};
    const uint8_t start = RedOf(PreviewColor(breathing, white, 0));
    EXPECT_LT(start, 30);
    EXPECT_EQ(PreviewColor(breathing, white, 2000), white);
    EXPECT_EQ(PreviewColor(breathing, white, 4000), PreviewColor(breathing, white, 0));

    // Beating: one beat per period at the chosen speed, bright just after the beat.
    for (uint8_t speed : {0xF0, 0x40, 0x50, 0x60, 0x70, 0x80, 0x90, 0xA0}) {
        const int64_t period = 60000 / PreviewBeatsPerMinute(speed);
        EXPECT_GT(PreviewLevel(kEffectBeating, speed, period / 8), 0.95) << int{speed};
        EXPECT_LT(PreviewLevel(kEffectBeating, speed, period - 1), 0.05) << int{speed};
    }
    EXPECT_EQ(PreviewBeatsPerMinute(0x60), 20);
    EXPECT_EQ(PreviewBeatsPerMinute(0xA0), 150);

    // Colour cycle: the hues go round whatever the light's colour; off still stays off.
    PreviewSettings cycle{.effect = kEffectColourCycle, .brightness = 5};
    std::set<uint32_t> seen;
    for (int64_t t = 0; t < 6000; t += 1000) seen.insert(PreviewColor(cycle, kTeal, t));
    EXPECT_EQ(seen,
              (std::set<uint32_t>{kColorRed, PackColor(255, 255, 0), kGreen, PackColor(0, 255, 255),
                                  kColorBlue, PackColor(255, 0, 255)}));
    EXPECT_EQ(PreviewColor(cycle, 0, 1000), 0u);
    EXPECT_EQ(HueColor(-120), kColorBlue);
    EXPECT_EQ(HueColor(30), PackColor(255, 128, 0));
}

}  // namespace
}  // namespace z7
