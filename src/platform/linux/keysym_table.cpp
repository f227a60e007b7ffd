#include "platform/linux/keysym_table.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>

#include <array>

#include "platform/input_capture.h"

namespace z7 {
namespace {

struct KeysymRange {
    uint32_t first, last;
    uint16_t firstVk;
};

constexpr KeysymRange kKeysymRanges[] = {
    {XK_A, XK_Z, 65},       {XK_a, XK_z, 65},     {XK_0, XK_9, 48},
    {XK_KP_0, XK_KP_9, 96}, {XK_F1, XK_F24, 112},
};

struct KeysymPair {
    uint32_t keysym;
    uint16_t vk;
};

// Where several keysyms give one virtual key, the first is the key's own (unshifted, US).
constexpr KeysymPair kKeysymPairs[] = {
    {XK_BackSpace, 8},
    {XK_Tab, 9},
    {XK_ISO_Left_Tab, 9},  // Shift+Tab
    {XK_Clear, 12},
    {XK_KP_Begin, 12},  // keypad 5 without Num Lock
    {XK_Return, 13},
    {XK_KP_Enter, 13},
    {XK_Pause, 19},
    {XK_Break, 3},
    {XK_Caps_Lock, 20},
    {XK_Escape, 27},
    {XK_space, 32},
    {XK_KP_Space, 32},
    {XK_Prior, 33},
    {XK_KP_Prior, 33},
    {XK_Next, 34},
    {XK_KP_Next, 34},
    {XK_End, 35},
    {XK_KP_End, 35},
    {XK_Home, 36},
    {XK_KP_Home, 36},
    {XK_Left, 37},
    {XK_KP_Left, 37},
    {XK_Up, 38},
    {XK_KP_Up, 38},
    {XK_Right, 39},
    {XK_KP_Right, 39},
    {XK_Down, 40},
    {XK_KP_Down, 40},
    {XK_Select, 41},
    {XK_Execute, 43},
    {XK_Print, 44},
    {XK_Sys_Req, 44},  // Alt+Print Screen
    {XK_Insert, 45},
    {XK_KP_Insert, 45},
    {XK_Delete, 46},
    {XK_KP_Delete, 46},
    {XK_Help, 47},
    {XK_Super_L, 91},
    {XK_Super_R, 92},
    {XK_Menu, 93},
    {XK_KP_Multiply, 106},
    {XK_KP_Add, 107},
    {XK_KP_Separator, 108},
    {XK_KP_Subtract, 109},
    {XK_KP_Decimal, 110},
    {XK_KP_Divide, 111},
    {XK_Num_Lock, 144},
    {XK_Scroll_Lock, 145},
    {XK_Shift_L, 160},
    {XK_Shift_R, 161},
    {XK_Control_L, 162},
    {XK_Control_R, 163},
    {XK_Alt_L, 164},
    {XK_Meta_L, 164},  // Shift+Alt on many layouts
    {XK_Alt_R, 165},
    {XK_ISO_Level3_Shift, 165},  // AltGr
    {XK_Meta_R, 165},
    {XF86XK_Back, 166},
    {XF86XK_Forward, 167},
    {XF86XK_Refresh, 168},
    {XF86XK_Stop, 169},
    {XF86XK_Search, 170},
    {XF86XK_Favorites, 171},
    {XF86XK_HomePage, 172},
    {XF86XK_AudioMute, 173},
    {XF86XK_AudioLowerVolume, 174},
    {XF86XK_AudioRaiseVolume, 175},
    {XF86XK_AudioNext, 176},
    {XF86XK_AudioPrev, 177},
    {XF86XK_AudioStop, 178},
    {XF86XK_AudioPlay, 179},
    {XF86XK_AudioPause, 179},
    {XF86XK_Mail, 180},
    {XF86XK_AudioMedia, 181},
    {XF86XK_MyComputer, 182},
    {XF86XK_Launch0, 182},
    {XF86XK_Calculator, 183},
    {XK_semicolon, 186},
    {XK_colon, 186},
    {XK_equal, 187},
    {XK_plus, 187},
    {XK_comma, 188},
    {XK_less, 188},
    {XK_minus, 189},
    {XK_underscore, 189},
    {XK_period, 190},
    {XK_greater, 190},
    {XK_slash, 191},
    {XK_question, 191},
    {XK_grave, 192},
    {XK_asciitilde, 192},
    {XK_bracketleft, 219},
    {XK_braceleft, 219},
    {XK_backslash, 220},
    {XK_bar, 220},
    {XK_bracketright, 221},
    {XK_braceright, 221},
    {XK_apostrophe, 222},
    {XK_quotedbl, 222},
};

struct KeycodePosition {
    uint32_t keycode;
    uint16_t vk;
};

// X keycodes (evdev + 8) of the typing block, with the US layout's virtual keys.
constexpr KeycodePosition kKeycodePositions[] = {
    {10, '1'}, {11, '2'}, {12, '3'}, {13, '4'}, {14, '5'}, {15, '6'}, {16, '7'},
    {17, '8'}, {18, '9'}, {19, '0'}, {20, 189}, {21, 187}, {24, 'Q'}, {25, 'W'},
    {26, 'E'}, {27, 'R'}, {28, 'T'}, {29, 'Y'}, {30, 'U'}, {31, 'I'}, {32, 'O'},
    {33, 'P'}, {34, 219}, {35, 221}, {38, 'A'}, {39, 'S'}, {40, 'D'}, {41, 'F'},
    {42, 'G'}, {43, 'H'}, {44, 'J'}, {45, 'K'}, {46, 'L'}, {47, 186}, {48, 222},
    {49, 192}, {51, 220}, {52, 'Z'}, {53, 'X'}, {54, 'C'}, {55, 'V'}, {56, 'B'},
    {57, 'N'}, {58, 'M'}, {59, 188}, {60, 190}, {61, 191}, {94, 226},  // the key beside the left
                                                                       // Shift on ISO keyboards
};
constexpr uint32_t kFirstNumberRowKeycode = 10, kLastNumberRowKeycode = 19;

}  // namespace

uint16_t VkOfKeysym(uint32_t keysym) {
    for (const KeysymRange& r : kKeysymRanges)
        if (keysym >= r.first && keysym <= r.last)
            return static_cast<uint16_t>(r.firstVk + (keysym - r.first));
    for (const KeysymPair& p : kKeysymPairs)
        if (p.keysym == keysym) return p.vk;
    return 0;
}

uint32_t KeysymOfVk(uint16_t vk) {
    static const std::array<uint32_t, 256> derived = [] {
        std::array<uint32_t, 256> out{};
        for (const KeysymRange& r : kKeysymRanges)
            for (uint32_t k = r.first; k <= r.last; ++k) {
                uint32_t& slot = out[r.firstVk + (k - r.first)];
                if (!slot) slot = k;
            }
        for (const KeysymPair& p : kKeysymPairs)
            if (!out[p.vk]) out[p.vk] = p.keysym;
        return out;
    }();
    return vk < derived.size() ? derived[vk] : 0;
}

uint16_t VkOfKeycodePosition(uint32_t keycode) {
    for (const KeycodePosition& p : kKeycodePositions)
        if (p.keycode == keycode) return p.vk;
    return 0;
}

uint16_t VkOfKey(uint32_t keycode, uint32_t keysym) {
    if (keycode >= kFirstNumberRowKeycode && keycode <= kLastNumberRowKeycode)
        return VkOfKeycodePosition(keycode);
    if (const uint16_t vk = VkOfKeysym(keysym)) return vk;
    return VkOfKeycodePosition(keycode);
}

uint16_t VirtualKeyOfNativeKey(uint32_t nativeVirtualKey, uint32_t nativeScanCode) {
    return VkOfKey(nativeScanCode, nativeVirtualKey);
}

}  // namespace z7
