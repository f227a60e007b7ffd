#include "core/profile/value_sets.h"

#include <algorithm>
#include <sstream>

namespace z7 {
namespace {

constexpr long long kPollingRates[] = {1, 2, 4, 8};
constexpr long long kOffOn[] = {0, 1};
constexpr long long kAccelerations[] = {0, 1, 3, 6};
constexpr long long kLightSwitches[] = {15, 0, 1, 2};
constexpr long long kLightEffects[] = {1, 6, 5, 10};
constexpr long long kLightSpeeds[] = {240, 64, 80, 96, 112, 128, 144, 160};
constexpr long long kLightSleeps[] = {0, 1, 5, 10, 15, 20, 25, 30, 60};
constexpr long long kLightSyncs[] = {0, 4, 3};
constexpr long long kSurfaceModes[] = {1, 2};
constexpr std::span<const long long> kRange{};

template <auto Member>
long long Get(const ProfileRecord& r, size_t) {
    return static_cast<long long>(r.*Member);
}
template <auto Member>
void Set(ProfileRecord& r, size_t, long long v) {
    using T = std::remove_reference_t<decltype(r.*Member)>;
    r.*Member = static_cast<T>(v);
}
template <auto Member>
long long GetAt(const ProfileRecord& r, size_t i) {
    return static_cast<long long>((r.*Member)[i]);
}
template <auto Member>
void SetAt(ProfileRecord& r, size_t i, long long v) {
    using T = typename std::remove_reference_t<decltype(r.*Member)>::value_type;
    (r.*Member)[i] = static_cast<T>(v);
}

void SetStepCount(ProfileRecord& r, size_t, long long v) {
    r.stepCount = static_cast<uint8_t>(v);
    r.currentStep = CurrentStepFor(r.stepCount);
}

#define Z7_FIELD(name, allowed, min, max)                                                        \
    ProfileField {                                                                               \
#name, 1, allowed, min, max, &Get < &ProfileRecord::name>, &Set < &ProfileRecord::name>, \
            true                                                                                 \
    }
#define Z7_SHOWN(name)                                                       \
    ProfileField {                                                           \
#name, 1, kRange, 0, 0, &Get < &ProfileRecord::name>, nullptr, false \
    }
#define Z7_ARRAY(name, min, max)                                    \
    ProfileField {                                                  \
#name, 3, kRange, min, max, &GetAt < &ProfileRecord::name>, \
            &SetAt < &ProfileRecord::name>, true                    \
    }

const ProfileField kFields[] = {
    Z7_SHOWN(profileSlot),
    Z7_SHOWN(inUse),
    Z7_FIELD(pollingRate, kPollingRates, 0, 0),
    Z7_FIELD(doubleClickSpeed, kRange, 1, 11),
    Z7_FIELD(scrollByLines, kOffOn, 0, 0),
    Z7_FIELD(scrollLines, kRange, 1, 100),
    Z7_FIELD(scrollByPage, kOffOn, 0, 0),
    Z7_FIELD(pointerAcceleration, kAccelerations, 0, 0),
    Z7_FIELD(pointerSpeed, kRange, 1, 11),
    Z7_FIELD(snapToDefault, kOffOn, 0, 0),
    Z7_FIELD(pointerTrails, kOffOn, 0, 0),
    Z7_FIELD(showPointerOnCtrl, kOffOn, 0, 0),
    Z7_FIELD(lightSwitch, kLightSwitches, 0, 0),
    Z7_FIELD(lightEffect, kLightEffects, 0, 0),
    Z7_FIELD(lightSpeed, kLightSpeeds, 0, 0),
    Z7_FIELD(lightSleep, kLightSleeps, 0, 0),
    Z7_FIELD(lightBrightness, kRange, 1, 5),
    Z7_FIELD(lightSync, kLightSyncs, 0, 0),
    Z7_FIELD(lightColor1, kRange, 0, 0xFFFFFF),
    Z7_FIELD(lightColor2, kRange, 0, 0xFFFFFF),
    // Setting the step count also sets the current step, as the sensor page does.
    ProfileField{"stepCount", 1, kRange, 1, 3, &Get<&ProfileRecord::stepCount>, &SetStepCount,
                 true},
    Z7_SHOWN(currentStep),
    Z7_FIELD(angleSnapOn, kOffOn, 0, 0),
    Z7_FIELD(angleSnapLevel, kRange, 0, 15),
    Z7_SHOWN(angleTuneOn),
    Z7_SHOWN(angleTuneLevel),
    Z7_FIELD(liftOffOn, kOffOn, 0, 0),
    Z7_FIELD(liftOffLevel, kRange, 1, 11),
    Z7_FIELD(smoothingOn, kOffOn, 0, 0),
    Z7_FIELD(surfaceMode, kSurfaceModes, 0, 0),
    Z7_ARRAY(xyLinked, 0, 1),
    Z7_ARRAY(cpiX, 50, 8200),
    Z7_ARRAY(cpiY, 50, 8200),
};

#undef Z7_FIELD
#undef Z7_SHOWN
#undef Z7_ARRAY

}  // namespace

bool ProfileField::Contains(long long value) const {
    if (!allowed.empty()) return std::find(allowed.begin(), allowed.end(), value) != allowed.end();
    return value >= min && value <= max;
}

std::string ProfileField::AllowedText() const {
    std::ostringstream s;
    if (allowed.empty()) {
        s << min << ".." << max;
    } else {
        for (size_t i = 0; i < allowed.size(); ++i) s << (i ? ", " : "") << allowed[i];
    }
    return s.str();
}

std::span<const ProfileField> ProfileFields() {
    return kFields;
}

const ProfileField* FindProfileField(std::string_view name) {
    for (const ProfileField& f : kFields)
        if (name == f.name) return &f;
    return nullptr;
}

uint8_t CurrentStepFor(uint8_t stepCount) {
    return stepCount == 3 ? 2 : 1;
}

std::vector<std::string> RepairProfileValues(ProfileRecord& record) {
    static const ProfileRecord kFactory = CreateProfileRecord();
    std::vector<std::string> repaired;
    for (const ProfileField& f : kFields) {
        if (!f.checked) continue;
        bool changed = false;
        for (size_t i = 0; i < f.count; ++i) {
            if (f.Contains(f.get(record, i))) continue;
            // Set directly, not through SetStepCount: the current step is judged below.
            const long long fallback = f.get(kFactory, i);
            if (f.set == &SetStepCount)
                record.stepCount = static_cast<uint8_t>(fallback);
            else
                f.set(record, i, fallback);
            changed = true;
        }
        if (changed) repaired.emplace_back(f.name);
    }
    if (record.currentStep < 1 || record.currentStep > record.stepCount) {
        record.currentStep = CurrentStepFor(record.stepCount);
        repaired.emplace_back("currentStep");
    }
    return repaired;
}

}  // namespace z7
