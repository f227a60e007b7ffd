#include "platform/fake/recording_host_actions.h"

namespace z7 {

bool RecordingHostActions::PasteText(const std::u16string& text) {
    if (!clipboardAvailable) return false;
    clipboard = text;
    pasted.push_back(text);
    return true;
}

}  // namespace z7
