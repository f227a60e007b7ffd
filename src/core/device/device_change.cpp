#include "core/device/device_change.h"

namespace z7 {

DeviceChangeAction OnDeviceChange(DeviceLink& link, DeviceChange change, std::string_view name) {
    if (!IsOurDeviceName(name)) return DeviceChangeAction::kNone;
    const bool present = link.configOpen() || link.eventOpen();
    if (change == DeviceChange::kArrival)
        return present ? DeviceChangeAction::kNone : DeviceChangeAction::kRefreshLater;
    if (!present) return DeviceChangeAction::kNone;
    link.CloseDevice();
    return DeviceChangeAction::kRemoved;
}

}  // namespace z7
