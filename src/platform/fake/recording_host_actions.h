#pragma once
#include <string>
#include <vector>

#include "platform/host_actions.h"

namespace z7 {

// Records what would have been opened and typed, for tests.
class RecordingHostActions final : public HostActions {
  public:
    void OpenTarget(const std::u16string& target) override { opened.push_back(target); }
    bool PasteText(const std::u16string& text) override;

    std::vector<std::u16string> opened;
    std::vector<std::u16string> pasted;  // texts pasted, in order
    std::u16string clipboard;            // what the clipboard holds
    bool clipboardAvailable = true;      // false: PasteText fails and changes nothing
};

}  // namespace z7
