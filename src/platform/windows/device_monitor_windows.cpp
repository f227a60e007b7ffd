// Placeholder until the window notifications land: no notices.
#include "platform/device_monitor.h"

namespace z7 {
namespace {

class NoDeviceMonitor final : public DeviceMonitor {
  public:
    bool Start(Callback) override { return false; }
    void Stop() override {}
};

}  // namespace

std::unique_ptr<DeviceMonitor> CreateDeviceMonitor() {
    return std::make_unique<NoDeviceMonitor>();
}

}  // namespace z7
