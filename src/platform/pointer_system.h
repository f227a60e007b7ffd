#pragma once
#include <memory>

#include "core/profile/pointer_settings.h"

namespace z7 {

// Windows: SystemParametersInfoW. Elsewhere: nullptr when the desktop offers no such settings.
std::unique_ptr<PointerSystem> CreatePointerSystem();

}  // namespace z7
