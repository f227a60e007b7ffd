// gtest first: Xlib defines None, True and False as macros.
#include <gtest/gtest.h>
// clang-format off
#include <X11/XF86keysym.h>
#include <X11/keysym.h>
// clang-format on

#include "core/buttons/button_function.h"
#include "core/buttons/key_name.h"
#include "core/device/device_image.h"
#include "platform/input_capture.h"
#include "platform/linux/keysym_table.h"

namespace z7 {
namespace {

bool IsMouseButton(uint16_t vk) {
    return vk == kMouseLeft || vk == kMouseRight || vk == kMouseMiddle;
}

// A key the catalogue offers reaches the capture from some keysym, that keysym comes back as
// the same key, and the key survives the trip to the mouse's usages and back.
void ExpectCapturable(uint16_t vk) {
    const uint32_t keysym = KeysymOfVk(vk);
    EXPECT_NE(keysym, 0u) << "no keysym gives " << vk;
    EXPECT_EQ(VkOfKeysym(keysym), vk) << vk;
    EXPECT_EQ(HidUsageToVk(VkToHidUsage(vk)), vk) << vk;
}

TEST(KeysymTable, EveryKeyTheCatalogueOffersCanBeCapturedAndSentToTheMouse) {
    // Bind keys are saved only under a key name, so the named keys are what the menus offer.
    int offered = 0;
    for (int code = 1; code <= 255; ++code) {
        const auto vk = static_cast<uint16_t>(code);
        if (KeyNameOf(vk).empty() || IsMouseButton(vk)) continue;  // buttons: the mouse capture
        // Fn never leaves the keyboard, and PC keyboards have no Print key of their own (their
        // Print Screen is 44).
        if (vk == 255 || vk == 42) continue;
        ExpectCapturable(vk);
        ++offered;
    }
    EXPECT_EQ(offered, 124);
    // The keys of the built-in key sequences.
    for (int32_t id = 2400; id <= 2714; ++id)
        if (const auto sequence = BuildKeySequence(id))
            for (const MacroEvent& e : sequence->events)
                if (e.kind == 1) ExpectCapturable(e.code);
}

TEST(KeysymTable, TheDerivedDirectionAgreesWithTheStoredOne) {
    for (int vk = 0; vk <= 255; ++vk) {
        if (const uint32_t keysym = KeysymOfVk(static_cast<uint16_t>(vk))) {
            EXPECT_EQ(VkOfKeysym(keysym), vk);
        }
    }
    EXPECT_EQ(KeysymOfVk(65), static_cast<uint32_t>(XK_A));
    EXPECT_EQ(KeysymOfVk(186), static_cast<uint32_t>(XK_semicolon));  // the unshifted keysym
    EXPECT_EQ(VkOfKeysym(XK_a), 65);
    EXPECT_EQ(VkOfKeysym(XK_colon), 186);  // Shift+; is still that key
    EXPECT_EQ(VkOfKeysym(XF86XK_AudioRaiseVolume), 175);
    EXPECT_EQ(VkOfKeysym(XK_ISO_Level3_Shift), 165);  // AltGr is the right Alt
    EXPECT_EQ(VkOfKeysym(XK_eacute), 0);
    EXPECT_EQ(KeysymOfVk(0), 0u);
    EXPECT_EQ(KeysymOfVk(1000), 0u);
}

TEST(KeysymTable, LayoutsNameKeysTheWayWindowsLayoutsDo) {
    // The number row gives digits whatever the layout puts on it (French: é on 2, - on 6).
    EXPECT_EQ(VkOfKey(11, XK_eacute), '2');
    EXPECT_EQ(VkOfKey(15, XK_minus), '6');
    // Letters follow the layout (German: Z where US has Y) ...
    EXPECT_EQ(VkOfKey(29, XK_z), 'Z');
    // ... and other scripts and dead keys fall back to the key's place.
    EXPECT_EQ(VkOfKey(38, XK_Cyrillic_ef), 'A');
    EXPECT_EQ(VkOfKey(34, XK_udiaeresis), 219);
    EXPECT_EQ(VkOfKey(49, XK_dead_circumflex), 192);
    // Keypad: Num Lock decides through the keysym.
    EXPECT_EQ(VirtualKeyOfNativeKey(XK_KP_1, 87), 97);
    EXPECT_EQ(VirtualKeyOfNativeKey(XK_KP_End, 87), 35);
    // Without a keycode (a toolkit that gives none) the keysym alone decides.
    EXPECT_EQ(VirtualKeyOfNativeKey(XK_F5, 0), 116);
    EXPECT_EQ(VirtualKeyOfNativeKey(XK_eacute, 0), 0);
    EXPECT_EQ(VirtualKeyOfNativeKey(0, 300), 0);
}

}  // namespace
}  // namespace z7
