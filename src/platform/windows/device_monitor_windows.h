#pragma once
// The window behind the Windows device monitor: a hidden message-only window on the monitor's
// own thread, registered for arrival and removal notices of HID interfaces.

namespace z7 {

// Its window class; tests find the window through it.
inline constexpr wchar_t kDeviceChangeWindowClass[] = L"Z7DeviceChangeWindow";

}  // namespace z7
