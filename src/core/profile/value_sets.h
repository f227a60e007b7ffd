#pragma once
// The one table of what the settings pages can produce for each numeric profile field. z7ctl
// refuses values outside it, the loader and import repair them, and the pages build their
// controls from it, so the three can never disagree.
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/profile/profile_record.h"

namespace z7 {

struct ProfileField {
    const char* name;  // the record field's name, as z7ctl and the JSON output call it
    size_t count;      // 1, or 3 for the per-step arrays (cpiX, cpiY, xyLinked)
    // The values the pages offer, in the order the pages list them; empty: min..max.
    std::span<const long long> allowed;
    long long min, max;
    long long (*get)(const ProfileRecord&, size_t index);
    // Null for fields the pages derive or cannot change (z7ctl shows them, never sets them).
    void (*set)(ProfileRecord&, size_t index, long long value);
    // False for fields with no value set of their own (slot, in-use, derived values).
    bool checked;

    bool Contains(long long value) const;
    // "1, 2, 4, 8" or "50..8200".
    std::string AllowedText() const;
};

// Every numeric field, in record order.
std::span<const ProfileField> ProfileFields();
// The field called `name`, or nullptr.
const ProfileField* FindProfileField(std::string_view name);

// The current step the sensor page stores for a step count: 2 for three steps, else 1.
uint8_t CurrentStepFor(uint8_t stepCount);

// Replaces every checked value outside its set with that field's factory default (and a current
// step that does not fit the step count with the one the page would store). Returns the names
// of the fields it changed, once each, in table order; empty when the record was sound.
std::vector<std::string> RepairProfileValues(ProfileRecord& record);

}  // namespace z7
