#pragma once
// The *.macro file: name (string), id, areaRect (4 x int32), repeatMode, event count n (uint32),
// then n events of 32 bytes: kind (u8), code (u16), flag (u8), delay (i32), rowRect (4 x i32),
// selected (i32), sequence (i32). Little-endian throughout.
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "core/macros/macro.h"
#include "platform/file_system.h"

namespace z7 {

inline constexpr size_t kMacroEventBytes = 32;

// Replaces name, id, areaRect, repeatMode and events of `macro` (a count of 0 or with the top
// bit set gives no events). False for anything but exactly one macro: a truncated file, bytes
// after the events, a repeat mode or event kind a macro cannot have; `macro` is then unchanged.
[[nodiscard]] bool ParseMacroFile(std::span<const uint8_t> bytes, Macro& macro);
std::vector<uint8_t> SerializeMacroFile(const Macro& macro);

[[nodiscard]] bool ReadMacroFile(FileSystem& fs, const std::filesystem::path& path, Macro& macro);
[[nodiscard]] bool WriteMacroFile(FileSystem& fs, const std::filesystem::path& path,
                                  const Macro& macro, std::string* error);

}  // namespace z7
