#pragma once
// The --simulate state file on disk, shared by z7ctl and the application.
#include <filesystem>
#include <string>

#include "platform/file_system.h"
#include "sim/sim_mouse.h"

namespace z7 {

// A missing file is a new mouse (FactorySimState). False with `error` for a file that cannot be
// read or is damaged; `state` is then untouched.
[[nodiscard]] bool ReadSimStateFile(FileSystem& fs, const std::filesystem::path& path,
                                    SimState& state, std::string& error);
// Writes through a temporary file and a rename, so a reader never sees half a state.
[[nodiscard]] bool WriteSimStateFile(FileSystem& fs, const std::filesystem::path& path,
                                     const SimState& state, std::string& error);

}  // namespace z7
