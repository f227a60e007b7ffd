#pragma once
// The simulated mouse's whole state as a file, for z7ctl --simulate. Little-endian, starting
// with "Z7SIM" and a format version; the reader checks every count against what is left and
// every enumerated value against its range, and leaves `state` alone on any failure.
#include <cstdint>
#include <span>
#include <vector>

#include "sim/sim_mouse.h"

namespace z7 {

inline constexpr size_t kSimStateMaxBytes = 1 << 20;

std::vector<uint8_t> SaveSimState(const SimState& state);
[[nodiscard]] bool LoadSimState(std::span<const uint8_t> bytes, SimState& state);

}  // namespace z7
