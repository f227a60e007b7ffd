#pragma once
// X keysyms (also the keysyms of Wayland's xkb) and Windows virtual-key codes. The table is
// stored one way, keysym -> virtual key; the other way is derived from it.
#include <cstdint>

namespace z7 {

// The virtual-key code of a keysym; 0 for keysyms without one. Letters map from either case;
// the shifted US punctuation maps like its key.
uint16_t VkOfKeysym(uint32_t keysym);
// The first keysym the table lists for a virtual-key code; 0 when none does.
uint32_t KeysymOfVk(uint16_t vk);
// The virtual-key code of a key by its place on a PC keyboard (X keycode = evdev code + 8), as
// the US layout names it; 0 for keycodes outside the typing block.
uint16_t VkOfKeycodePosition(uint32_t keycode);

// A key as the capture sees it: the number row gives its digit by position on every layout (as
// Windows layouts do), then the keysym decides, then the key's place (letters of other scripts,
// dead keys). 0 when nothing names the key.
uint16_t VkOfKey(uint32_t keycode, uint32_t keysym);

}  // namespace z7
