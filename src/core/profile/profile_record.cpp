#include "core/profile/profile_record.h"

#include <stdexcept>

namespace z7 {

namespace {
constexpr int32_t kFactoryType[kButtonCount] = {0, 0, 0, 0, 0, 9, 9};
constexpr int32_t kFactoryValue[kButtonCount] = {1, 2, 4, 16, 8, 240, 242};
const char16_t* const kSlotNames[kSlotCount] = {u"出厂配置", u"配置1", u"配置2", u"配置3",
                                                u"配置4"};
}  // namespace

ButtonBinding FactoryBinding(int button) {
    ButtonBinding b;
    b.buttonIndex = static_cast<uint8_t>(button);
    b.functionType = kFactoryType[button];
    b.functionValue = kFactoryValue[button];
    b.macroId = 0;
    b.defaultValue = kFactoryValue[button];
    return b;
}

std::u16string SlotName(int slot) {
    if (slot < 0 || slot >= kSlotCount) throw std::out_of_range("slot");
    return kSlotNames[slot];
}

ProfileRecord::ProfileRecord() {
    for (int i = 0; i < kButtonCount; ++i)
        buttonBindings[static_cast<size_t>(i)] = FactoryBinding(i);
}

ProfileRecord CreateProfileRecord() {
    return ProfileRecord();
}

void ResetProfileRecord(ProfileRecord& record) {
    ProfileRecord fresh;
    fresh.filePath = std::move(record.filePath);
    fresh.buttonMacros = std::move(record.buttonMacros);
    record = std::move(fresh);
}

bool FunctionTypeCarriesMacro(int32_t functionType) {
    switch (functionType) {
        case 3:
        case 17:
        case 20:
        case 21:
        case 23:
        case 24:
            return true;
        default:
            return false;
    }
}

BindResult BindMacro(const MacroData* macro, ButtonBinding& binding, ProfileRecord& record) {
    if (!macro) {
        binding.functionValue = binding.defaultValue;
        binding.macroId = 0;
        return BindResult::Unbound;
    }
    if (macro->events.size() > kMaxBoundMacroEvents) return BindResult::TooManyEvents;
    if (FunctionTypeCarriesMacro(binding.functionType) && binding.buttonIndex < kButtonCount)
        record.buttonMacros[binding.buttonIndex] = *macro;
    return BindResult::Bound;
}

ProfileSet::ProfileSet() {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        ProfileRecord& r = records_[static_cast<size_t>(slot)];
        r.profileSlot = static_cast<uint8_t>(slot);
        r.profileName = SlotName(slot);
        r.inUse = slot == 0 ? 1 : 0;
    }
}

void ProfileSet::SetCurrent(int slot) {
    if (slot < 0 || slot >= kSlotCount) throw std::out_of_range("slot");
    current_ = slot;
}

int ProfileSet::FirstFreeSlot() const {
    for (int slot = 1; slot < kSlotCount; ++slot)
        if (records_[static_cast<size_t>(slot)].inUse == 0) return slot;
    return 0;
}

int ProfileSet::NewProfile() {
    const int slot = FirstFreeSlot();
    if (slot == 0) return 0;
    ProfileRecord& r = records_[static_cast<size_t>(slot)];
    ResetProfileRecord(r);
    r.profileSlot = static_cast<uint8_t>(slot);
    r.profileName = SlotName(slot);
    current_ = slot;
    return slot;
}

void ProfileSet::ResetCurrent() {
    ProfileRecord& r = current();
    const uint8_t slot = static_cast<uint8_t>(current_);
    ResetProfileRecord(r);
    r.profileSlot = slot;
    r.profileName = SlotName(slot);
}

bool ProfileSet::FreeSlot(int slot) {
    if (slot <= 0 || slot >= kSlotCount) return false;
    records_[static_cast<size_t>(slot)].inUse = 0;
    return true;
}

}  // namespace z7
