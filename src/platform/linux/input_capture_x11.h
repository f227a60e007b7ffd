#pragma once
#include <memory>
#include <string>

#include "platform/input_capture.h"

namespace z7 {

// Global capture on an X display (empty: $DISPLAY) through the RECORD extension, on a
// connection and thread of its own. Keys become virtual-key codes through the keyboard map the
// server had when capture started.
std::unique_ptr<InputCapture> CreateX11InputCapture(std::string displayName = {});

// A Wayland session: no client sees another's input, not even through Xwayland's RECORD.
bool IsWaylandSession();

}  // namespace z7
