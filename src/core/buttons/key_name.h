#pragma once
// Display names of Windows virtual-key codes, shared by the bind-key popup and the hotkey and
// macro editors.
#include <cstdint>
#include <string_view>

namespace z7 {

// The name shown for a virtual-key code; the empty string for codes without one. Never fails.
std::u16string_view KeyNameOf(uint16_t code);

}  // namespace z7
