#pragma once
// What a device arrival or removal notice means for the link, as the main window treats it.
#include <string_view>

#include "core/device/device_link.h"
#include "platform/device_monitor.h"

namespace z7 {

// The mouse needs this long after its arrival before it answers.
inline constexpr Millis kArrivalSettleDelay{900};

enum class DeviceChangeAction {
    kNone,
    // Our mouse arrived while none was open: refresh from it kArrivalSettleDelay from now. One
    // plug-in brings a notice per interface, so callers restart one timer rather than queue.
    kRefreshLater,
    // Our mouse left while open: the link has been closed and the listener stopped.
    kRemoved,
};

// Matches `name` with IsOurDeviceName; a removal closes the link (from any thread).
DeviceChangeAction OnDeviceChange(DeviceLink& link, DeviceChange change, std::string_view name);

}  // namespace z7
