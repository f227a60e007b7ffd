#pragma once
// The two button functions the host carries out: opening a target and typing a text.
#include <memory>
#include <string>

namespace z7 {

class HostActions {
  public:
    virtual ~HostActions() = default;
    // Opens a file, folder, program or web address with the desktop's default handler, on a
    // thread of its own; returns at once and never reports the handler's outcome. The target is
    // passed as one argument, never through a shell.
    virtual void OpenTarget(const std::u16string& target) = 0;
    // Puts `text` on the clipboard (replacing what was there) and sends Ctrl+V to the focused
    // window. False when the clipboard or the key injection is not available; nothing is typed.
    virtual bool PasteText(const std::u16string& text) = 0;
};

// Windows: the shell's "open" verb, Unicode clipboard text and synthesised keys.
// Linux: xdg-open, and the X11 CLIPBOARD selection with XTest.
std::unique_ptr<HostActions> CreateHostActions();

}  // namespace z7
