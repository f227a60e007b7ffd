#include "platform/pointer_system.h"

namespace z7 {

// Linux desktops keep these settings in their own configuration stores with different
// meanings; the pointer page shows them but does not push them to the desktop.
std::unique_ptr<PointerSystem> CreatePointerSystem() { return nullptr; }

}  // namespace z7
