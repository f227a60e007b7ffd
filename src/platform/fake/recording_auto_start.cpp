#include "platform/fake/recording_auto_start.h"

#include "core/util/text.h"

namespace z7 {

bool RecordingAutoStart::Enable(const std::u16string& valueName) {
    calls.push_back("enable " + Utf16ToUtf8(valueName));
    entries.insert(valueName);
    return true;
}

bool RecordingAutoStart::Disable(const std::u16string& valueName) {
    calls.push_back("disable " + Utf16ToUtf8(valueName));
    return entries.erase(valueName) > 0;
}

}  // namespace z7
