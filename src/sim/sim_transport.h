#pragma once
// The simulated mouse as a HID backend, for tests, benchmarks and --simulate.
#include "core/device/hid_transport.h"
#include "sim/sim_mouse.h"

namespace z7 {

class SimTransport final : public HidTransport {
  public:
    explicit SimTransport(SimMouse& mouse) : mouse_(mouse) {}
    std::vector<HidCollectionInfo> Enumerate() override { return mouse_.Collections(); }
    std::unique_ptr<HidDevice> Open(const HidCollectionInfo& collection,
                                    HidStatus& status) override;
    std::vector<uint8_t> StoredImage(uint8_t slot) override;

  private:
    SimMouse& mouse_;
};

}  // namespace z7
