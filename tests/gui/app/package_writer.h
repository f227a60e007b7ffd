#pragma once
// Writes a firmware package for the window tests; a file of its own because the firmware
// header and the simulator header both name a kFirmwareVersionOffset.
#include <cstdint>
#include <filesystem>
#include <string>

namespace z7::test {

bool WriteTestFirmwarePackage(const std::filesystem::path& folder, uint16_t version,
                              std::string& error);

}  // namespace z7::test
