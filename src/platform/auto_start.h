#pragma once
// Starting the program with the desktop session.
#include <memory>
#include <string>

namespace z7 {

class AutoStart {
public:
    virtual ~AutoStart() = default;
    // Registers the program under `valueName`; false when the entry cannot be written.
    virtual bool Enable(const std::u16string& valueName) = 0;
    // Removes the entry; a missing entry is not an error worth reporting (returns false quietly).
    virtual bool Disable(const std::u16string& valueName) = 0;
    virtual bool IsEnabled(const std::u16string& valueName) = 0;
};

// Windows: the per-user Run key. Linux: an XDG autostart entry.
std::unique_ptr<AutoStart> CreateAutoStart();

}  // namespace z7
