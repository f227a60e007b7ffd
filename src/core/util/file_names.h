#pragma once
// Names typed by the user become file names only through these rules.
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace z7 {

// Units a stem leaves free below the file system's name limit: the extension, a numbering
// suffix and the staging suffix of a save.
inline constexpr size_t kReservedNameUnits = 40;

// The length of a file name in the unit the file system counts (UTF-8 bytes or UTF-16 units).
size_t FileNameLength(std::u16string_view name, const FileNameRules& rules);

// A file stem safe on every platform: path separators, "..", characters Windows forbids,
// control characters, unpaired surrogates, trailing dots and blanks and reserved device names
// are replaced, and the length is cut, at a character boundary, to what the file system holds
// with room for an extension. Ordinary names ("配置1", "Game(2)") come back unchanged.
std::u16string SafeFileStem(std::u16string_view name, const FileNameRules& rules = {});

// Picks for `stem` + `extension` a name that no entry of `taken` names on this file system
// (which may ignore case), by appending "_2", "_3", ...; adds the choice to `taken`.
std::u16string UniqueFileName(std::u16string_view stem, std::u16string_view extension,
                              std::vector<std::u16string>& taken, const FileSystem& fs);

}  // namespace z7
