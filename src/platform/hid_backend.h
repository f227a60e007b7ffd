#pragma once
// The platform's HID transport for the real mouse: hidapi on Linux and macOS, the native HID
// calls on Windows.
#include <memory>
#include <string>

#include "core/device/hid_transport.h"

namespace z7 {

std::unique_ptr<HidTransport> CreateSystemHidTransport();

// What the user can do when the mouse is present but may not be opened (on Linux: install the
// udev rule); empty where the platform has no such step.
std::string DeviceAccessHint();

}  // namespace z7
