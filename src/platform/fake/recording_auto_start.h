#pragma once
#include <set>
#include <string>
#include <vector>

#include "platform/auto_start.h"

namespace z7 {

// Remembers the registered names and every call, for tests.
class RecordingAutoStart final : public AutoStart {
public:
    bool Enable(const std::u16string& valueName) override;
    bool Disable(const std::u16string& valueName) override;
    bool IsEnabled(const std::u16string& valueName) override { return entries.count(valueName) > 0; }

    std::set<std::u16string> entries;
    std::vector<std::string> calls;  // "enable NAME" / "disable NAME"
};

}  // namespace z7
