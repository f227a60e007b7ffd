#pragma once
#include <memory>

#include "core/profile/pointer_settings.h"

namespace z7 {

// The pointer settings of this session: SystemParametersInfoW on Windows; on Linux GNOME's
// settings, the X server's pointer control, or (Wayland without GNOME) a system that applies
// nothing. Never null; Support() tells which settings take effect here.
std::unique_ptr<PointerSystem> CreatePointerSystem();

}  // namespace z7
