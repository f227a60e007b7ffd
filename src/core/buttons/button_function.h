#pragma once
// The catalogue of button functions: a `functionId` names one function, its numeric range gives
// the category. Encoding turns an id into a button's binding (and key-sequence copy); decoding
// turns a stored binding back into an id.
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/profile/profile_record.h"

namespace z7 {

enum class FunctionCategory {
    Disabled,
    RestoreFactory,
    CustomHotkey,
    Cpi,
    AssignKey,
    Macro,
    MouseFunction,
    Multimedia,
    Profile,
    Shortcut,
    Skype,
    TextBlock,
    WindowsHotkey,
    None,  // outside every range
};

// The device type byte of a button record (`functionType`).
enum class DeviceFunctionType : int32_t {
    MouseButton = 0,
    Wheel = 1,
    Key = 2,
    Macro = 3,
    ProfileSwitch = 8,
    CpiSwitch = 9,
    CustomHotkey = 17,
    Shortcut = 19,
    Skype = 20,
    TextBlock = 22,
    WindowsHotkey = 24,
    FactoryDefault = 31,
    Multimedia = 32,
    Disabled = 255,
};

// Submenu headers; the id just above a library header is its "设置" (editor) entry and library
// items are header + 2 + the item's library id (bind keys: + the virtual-key code).
inline constexpr int32_t kCustomHotkeyHeader = 1000;
inline constexpr int32_t kCpiHeader = 2000;
inline constexpr int32_t kAssignKeyHeader = 3000;
inline constexpr int32_t kMacroHeader = 4000;
inline constexpr int32_t kMouseFunctionHeader = 2100;
inline constexpr int32_t kMultimediaHeader = 2200;
inline constexpr int32_t kProfileHeader = 2300;
inline constexpr int32_t kShortcutHeader = 5000;
inline constexpr int32_t kSkypeHeader = 2400;
inline constexpr int32_t kTextBlockHeader = 6000;
inline constexpr int32_t kWindowsHotkeyHeader = 2700;
inline constexpr int32_t kFunctionDisabled = 0;
inline constexpr int32_t kFunctionRestoreFactory = 1;
inline constexpr int32_t kLibraryItemBase = 2;  // item id = header + 2 + library id
inline constexpr int32_t kSettingsEntry = 1;    // "设置" = header + 1

// How many entries of a library the buttons can name. Ids are list positions, and an item's
// function id (header + 2 + id) must stay inside its category's range: a 999th custom hotkey
// or macro would name a CPI or shortcut function. The mouse also keeps only one byte of a
// shortcut's or text block's id, so it could not tell entry 256 from entry 0. Bind keys are
// keyed by virtual-key code (0..255). 0 for headers that are not libraries.
int32_t LibraryCapacity(int32_t header);
// Whether the library entry `key` (its id; a bind key's virtual-key code) can be offered as a
// function in the submenu `header`.
bool LibraryItemFits(int32_t header, int32_t key);
// What a submenu says in place of the `leftOut` entries it cannot offer.
std::u16string LibraryOverflowNote(int32_t header, size_t leftOut);

FunctionCategory CategoryOf(int32_t functionId);
// The `functionType` a function id encodes to (255 for ids outside every range).
int32_t FunctionTypeOf(int32_t functionId);

// Where EncodeFunction finds key sequences. An empty function, or one returning nothing, means
// the item no longer exists. Lookups match ids exactly.
struct MacroSources {
    std::function<const MacroData*(int32_t id)> customHotkey;
    std::function<std::optional<MacroData>(int32_t id)> macro;  // the macro's key-sequence copy
};

enum class EncodeResult {
    Encoded,
    // The hotkey, macro or key sequence is absent: the binding carries its defaultValue and
    // macroId 0, and the button's macro copy stays as it was.
    Fallback,
    // The copy is too long for the profile file; binding and record are unchanged.
    TooManyEvents,
    // The button is not 0..6; nothing is changed.
    InvalidButton,
};

// Gives button `button` (0..6) the function `functionId`: fills functionType, functionValue and
// macroId of record.buttonBindings[button] (and sets its buttonIndex) and, for the types that
// carry a key sequence, replaces record.buttonMacros[button] with a copy.
[[nodiscard]] EncodeResult EncodeFunction(int32_t functionId, int button, ProfileRecord& record,
                                          const MacroSources& sources);
// The function id a stored binding shows; values without a function give 2101 (left click).
int32_t DecodeBinding(const ButtonBinding& binding);

// The built-in key sequence of a Skype or Windows-hotkey function (2401, 2403, 2406,
// 2701..2714): id = functionId, empty name, mode 1, no terminator event. Nothing for other ids.
std::optional<MacroData> BuildKeySequence(int32_t functionId);

// The one-line status text (the button's tooltip) of a function id.
std::u16string_view StatusTextOf(int32_t functionId);

struct MenuItem {
    int32_t functionId;
    std::u16string_view label;
};
// Top-level entries of every button's function menu, in menu order.
std::span<const MenuItem> TopLevelMenu();
// The fixed items of one submenu at construction (by header id), in menu order; empty for other
// ids. Library and profile-name items are added by the page.
std::span<const MenuItem> FixedSubmenu(int32_t header);
// The label of a catalogue function: the menu text of a fixed function or category entry
// (bracketed keys for 2701..2714), "设置" for editor entries; empty for library items and the
// user profile items, whose texts come from the libraries and the profile set.
std::u16string_view FunctionLabel(int32_t functionId);
// What a button shows for a function: the short label without the keys for 2701..2714,
// otherwise FunctionLabel.
std::u16string_view ButtonLabel(int32_t functionId);

struct FactoryFunction {
    int32_t functionId;
    std::u16string_view label;  // shown after choosing "出厂值"
    int32_t functionType;
    int32_t code;  // the factory value, `defaultValue` of the binding
};
// The factory function of button 0..6.
const FactoryFunction& FactoryFunctionOf(int button);

}  // namespace z7
