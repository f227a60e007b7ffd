#pragma once
// The host pointer settings a profile carries, and how they map onto the system's values.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/profile/profile_record.h"

namespace z7 {

inline constexpr uint32_t kWheelPageScroll = 0xFFFFFFFF;

// The nine settings as the system groups them (scroll by lines and by page are one setting).
enum class PointerSetting {
    Speed,
    Acceleration,
    SnapToDefault,
    WheelScroll,
    DoubleClickTime,
    Trails,
    Sonar
};

// Whether the system of this session applies a setting. A setting it does not apply is still
// stored per profile; `note` says why it is not applied, or how an applied one differs from
// the page's values (empty: applied as it stands).
struct PointerSupport {
    bool applied = true;
    std::u16string_view note;
};

// The system calls behind the pointer page. `persist` also writes the user's saved settings
// (otherwise the change lasts for the session only, where the system can tell the two apart).
// A setting the system does not apply returns false and changes nothing.
class PointerSystem {
  public:
    virtual ~PointerSystem() = default;
    virtual PointerSupport Support(PointerSetting) const { return {}; }
    virtual bool SetMouseSpeed(int speed) = 0;  // 1..20
    virtual bool SetMouseAcceleration(const std::array<int, 3>& v, bool persist) = 0;
    virtual bool SetSnapToDefaultButton(bool on) = 0;
    virtual bool SetDoubleClickTime(unsigned milliseconds) = 0;
    virtual bool SetMouseTrails(unsigned length) = 0;  // 0 = off
    virtual bool SetMouseSonar(bool on) = 0;
    virtual bool SetWheelScrollLines(uint32_t lines, bool persist) = 0;  // or kWheelPageScroll
};

// pointerSpeed 1..11 -> the system's 1..20 (v x 1.8181818723678589, truncated). Values from
// outside 1..11 (a damaged file) count as the nearest end.
int SystemMouseSpeed(uint8_t pointerSpeed);
// Two thresholds and the acceleration level; "off" (0) is 0, 0, 0 and the levels 1, 3, 6 differ.
std::array<int, 3> SystemMouseAcceleration(uint8_t level);
// doubleClickSpeed 1..11 -> 1200..200 ms; outside 1..11 as the nearest end.
unsigned SystemDoubleClickTime(uint8_t doubleClickSpeed);
// Lines per notch limited to 1..100 (0 counts as 1).
uint32_t LimitScrollLines(uint32_t lines);
// The lines edit's number, limited to 1..100 (no digits count as 1).
uint32_t ScrollLinesFromText(std::u16string_view text);
// One tick of the lines edit's timer: a number above 100 becomes "100"; once the edit has lost the
// focus, 0 or no number becomes "1", the line count it stands for. Empty: the text stays.
std::optional<std::u16string> NormaliseScrollLinesText(std::u16string_view text, bool hasFocus);
// "Up" (+1) and "Down" (-1) beside the lines edit, from the number it shows; within 1..100.
uint32_t StepScrollLines(std::u16string_view shown, int delta);

// Applies the profile's nine settings in the pointer page's Apply order. With neither scroll
// option set the wheel setting is left as it is.
void ApplyPointerSettings(const ProfileRecord& profile, PointerSystem& system, bool persist);

}  // namespace z7
