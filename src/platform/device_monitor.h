#pragma once
// Device arrival and removal notices (a udev monitor on Linux; window notifications on
// Windows). Names are the platform's device paths; match them with IsOurDeviceName.
#include <functional>
#include <memory>
#include <string>

namespace z7 {

enum class DeviceChange { kArrival, kRemoval };

class DeviceMonitor {
  public:
    using Callback = std::function<void(DeviceChange change, const std::string& name)>;
    virtual ~DeviceMonitor() = default;
    // Starts delivering notices on a thread of the monitor's own; false when the platform
    // cannot watch devices (the caller then refreshes on demand only).
    [[nodiscard]] virtual bool Start(Callback callback) = 0;
    // Stops and waits until no callback runs any more.
    virtual void Stop() = 0;
};

std::unique_ptr<DeviceMonitor> CreateDeviceMonitor();

}  // namespace z7
