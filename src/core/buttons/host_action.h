#pragma once
// What the host does when the mouse reports a press of a shortcut or text-block button.
#include <cstdint>
#include <filesystem>

#include "platform/file_system.h"
#include "platform/host_actions.h"

namespace z7 {

inline constexpr int kEventCodeProfile = 1;
inline constexpr int kEventCodeShortcut = 19;
inline constexpr int kEventCodeTextBlock = 22;

// Loads the shortcut library of `dataFolder` afresh and opens the target of every entry whose
// id equals `index`. Returns the number of targets handed to the desktop.
int LaunchShortcut(FileSystem& fs, const std::filesystem::path& dataFolder, int32_t index,
                   HostActions& actions);

// Loads the text block library afresh and pastes the text of every entry whose id equals
// `index`, in library order. An index without an entry leaves the clipboard alone. Returns the
// number of texts pasted; a clipboard that is not available stops it.
int TypeTextBlock(FileSystem& fs, const std::filesystem::path& dataFolder, int32_t index,
                  HostActions& actions);

// The listener's dispatch for one event report: code 19 launches shortcut `value`, code 22
// types text block `value`; other codes do nothing. Returns the number of actions carried out.
int RunHostAction(FileSystem& fs, int code, int value, const std::filesystem::path& dataFolder,
                  HostActions& actions);

}  // namespace z7
