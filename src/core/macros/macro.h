#pragma once
// A recorded macro of the macro library, and its key-sequence copy for a button binding.
// Data only: files and the library live elsewhere.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/profile/profile_record.h"

namespace z7 {

struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

inline constexpr uint8_t kEventKindKey = 1;
inline constexpr uint8_t kEventKindMouseButton = 16;
inline constexpr uint8_t kEventKindWheel = 17;  // key sequences only
inline constexpr uint8_t kEventFlagPress = 0;
inline constexpr uint8_t kEventFlagRelease = 1;
inline constexpr int32_t kMaxEventDelayMs = 3600000;
inline constexpr size_t kMaxRecordedEvents = 100;
inline constexpr int32_t kRepeatWhileHeld = 0xF1;
inline constexpr int32_t kRepeatUntilNextKey = 0xF2;

// One recorded event.
struct MacroEventItem {
    Rect rowRect;          // the event's row in the event list control, pixels
    int32_t sequence = 0;  // creation order within the macro; never renumbered
    int32_t selected = 0;
    uint8_t kind = 0;   // kEventKindKey or kEventKindMouseButton
    uint16_t code = 0;  // virtual-key code, or mouse button 1 left, 2 right, 4 middle
    uint8_t flag = 0;   // kEventFlagPress or kEventFlagRelease
    int32_t delay = 0;  // milliseconds after this event
    friend bool operator==(const MacroEventItem&, const MacroEventItem&) = default;
};

struct Macro {
    std::u16string name;  // unique within the library, compared exactly
    int32_t id = 0;
    Rect areaRect;
    int32_t repeatMode = 1;  // 1..5 times, kRepeatWhileHeld or kRepeatUntilNextKey
    std::vector<MacroEventItem> events;
    std::optional<MacroEventItem> copyBuffer;  // not stored
    bool allSelected = false;                  // not stored
    // Who the macro is while the program edits it: ids change with every library save. Not
    // stored; 0 until given one (NewMacroTag).
    uint64_t tag = 0;
};

// A tag no other macro of this process has.
uint64_t NewMacroTag();

// Name, repeat mode and the events (kind, code, flag, delay, in order) agree: what a file
// keeps of a macro apart from its id and the list's looks.
bool SameMacroContent(const Macro& a, const Macro& b);

// The copy a button binding keeps: name, id, mode = repeatMode, one event per recorded event
// (value = delay), then one all-zero terminator event.
MacroData MakeKeySequenceCopy(const Macro& macro);

}  // namespace z7
