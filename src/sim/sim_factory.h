#pragma once
// What a new simulated mouse stores: slot n holds the image of slot n's default profile.
#include <array>

#include "core/device/device_image.h"
#include "sim/sim_mouse.h"

namespace z7 {

std::array<DeviceImage, 5> FactoryImages();
// NewSimState(FactoryImages()).
SimState FactorySimState();

}  // namespace z7
