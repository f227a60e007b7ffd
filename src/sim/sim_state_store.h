#pragma once
// The --simulate state file on disk, shared by z7ctl and the application.
#include <filesystem>
#include <string>

#include "core/util/clock.h"
#include "platform/file_system.h"
#include "platform/process_lock.h"
#include "sim/sim_mouse.h"

namespace z7 {

// A missing file is a new mouse (FactorySimState). False with `error` for a file that cannot be
// read or is damaged; `state` is then untouched.
[[nodiscard]] bool ReadSimStateFile(FileSystem& fs, const std::filesystem::path& path,
                                    SimState& state, std::string& error);
// Writes through a temporary file of its own and a rename, so that a reader never sees half a
// state and two writers never share a temporary file.
[[nodiscard]] bool WriteSimStateFile(FileSystem& fs, const std::filesystem::path& path,
                                     const SimState& state, std::string& error);

// The per-state lock: whoever reads a state file to write it back later holds it from the read
// to the write, so that no other program's change in between is lost. z7ctl holds it for a
// whole command, `sim serve` while it serves, `sim uhid` for each look at the file.
std::filesystem::path SimStateLockFile(const std::filesystem::path& statePath);
// Waits up to `wait` on `clock`; kBusy's `error` names the state.
[[nodiscard]] LockAttempt LockSimState(const std::filesystem::path& statePath, Millis wait,
                                       Clock& clock, std::string* error);

}  // namespace z7
