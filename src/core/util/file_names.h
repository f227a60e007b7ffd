#pragma once
// Names typed by the user become file names only through these rules.
#include <string>
#include <vector>

namespace z7 {

// A file stem safe on every platform: path separators, "..", characters Windows forbids,
// control characters, trailing dots and blanks and reserved device names are replaced, the
// length is bounded. Ordinary names ("配置1", "Game(2)") come back unchanged.
std::u16string SafeFileStem(std::u16string_view name);

// Picks for `stem` + `extension` a name that no entry of `taken` equals ignoring ASCII case
// (case-insensitive file systems), by appending "_2", "_3", ...; adds the choice to `taken`.
std::u16string UniqueFileName(std::u16string_view stem, std::u16string_view extension,
                              std::vector<std::u16string>& taken);

}  // namespace z7
