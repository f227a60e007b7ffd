#pragma once
// Starting the program with the desktop session.
#include <memory>
#include <string>

namespace z7 {

// The program's desktop identity: its installed .desktop file and icon, and on Linux the name
// of its autostart entry.
inline constexpr char kDesktopId[] = "com.kesta.Z7Config";

class AutoStart {
  public:
    virtual ~AutoStart() = default;
    // Registers the program under `valueName`; false when the entry cannot be written.
    virtual bool Enable(const std::u16string& valueName) = 0;
    // Removes the entry; a missing entry is not an error worth reporting (returns false quietly).
    virtual bool Disable(const std::u16string& valueName) = 0;
    virtual bool IsEnabled(const std::u16string& valueName) = 0;
};

// Windows: the per-user Run key. Linux: an XDG autostart entry named by kDesktopId (the value
// name is the Run key's; on Linux it is only the entry's comment).
std::unique_ptr<AutoStart> CreateAutoStart();

}  // namespace z7
