#include "sim/sim_factory.h"

namespace z7 {

std::array<DeviceImage, 5> FactoryImages() {
    const ProfileSet defaults;
    std::array<DeviceImage, 5> images{};
    for (int slot = 0; slot < kSlotCount; ++slot) {
        DeviceRecord record = BuildDeviceRecord(defaults[slot]);
        images[static_cast<size_t>(slot)] = BuildImage(record);
    }
    return images;
}

SimState FactorySimState() {
    return NewSimState(FactoryImages());
}

}  // namespace z7
