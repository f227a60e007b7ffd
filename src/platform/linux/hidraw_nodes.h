#pragma once
// The hidraw nodes of this machine read straight from sysfs. hidapi 0.13's hid_enumerate
// dereferences a null node name when a device leaves while it enumerates, which is what the
// mouse does twice in every firmware update; the files here only ever fail to open.
#include <filesystem>
#include <vector>

#include "core/device/hid_transport.h"

namespace z7 {

// One entry per top-level collection of every USB or Bluetooth hidraw node under `classFolder`
// (normally /sys/class/hidraw), with the path /dev/NODE. Nodes whose ids or report descriptor
// cannot be read (it left meanwhile) are skipped.
std::vector<HidCollectionInfo> EnumerateHidrawNodes(
    const std::filesystem::path& classFolder = "/sys/class/hidraw");

}  // namespace z7
