#pragma once
// A simulated mouse behind a device link, all on virtual time.
#include <gtest/gtest.h>

#include "core/device/device_commands.h"
#include "core/device/device_link.h"
#include "sim/sim_mouse.h"
#include "sim/sim_transport.h"

namespace z7::test {

// Slot n's factory image is filled with n + 1 so that slots are told apart.
inline std::array<DeviceImage, 5> MarkedImages() {
    std::array<DeviceImage, 5> images{};
    for (size_t n = 0; n < images.size(); ++n) images[n].fill(static_cast<uint8_t>(n + 1));
    return images;
}

class SimLinkTest : public ::testing::Test {
  protected:
    SimLinkTest()
        : mouse(clock, NewSimState(MarkedImages())), transport(mouse), link(transport, clock) {}

    void OpenNormal() {
        ASSERT_TRUE(link.OpenConfigInterface(kProductNormal));
        clock.ClearSleeps();
        mouse.ClearRequests();
    }
    void Faults(const std::function<void(SimFaults&)>& set) {
        mouse.Update([&](SimState& s) { set(s.faults); });
    }
    std::vector<Millis> Ms(std::initializer_list<int> values) {
        std::vector<Millis> out;
        for (int v : values) out.emplace_back(v);
        return out;
    }

    VirtualClock clock;
    SimMouse mouse;
    SimTransport transport;
    DeviceLink link;
};

}  // namespace z7::test
