#pragma once
// The in-memory form of one profile slot, its defaults and the operations on the set of five.
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/util/folder_commit.h"

namespace z7 {

inline constexpr int kSlotCount = 5;
inline constexpr int kButtonCount = 7;
// The profile file stores a bound copy's event count in one byte.
inline constexpr size_t kMaxBoundMacroEvents = 255;

struct MacroEvent {
    uint8_t kind = 0;
    uint16_t code = 0;
    uint8_t flag = 0;
    uint32_t value = 0;
    friend bool operator==(const MacroEvent&, const MacroEvent&) = default;
};

// A named key sequence: a bound macro copy, a custom hotkey, a built-in sequence.
// The event count is the size of `events`; there is no separate count to keep in step.
struct MacroData {
    std::u16string name;
    int32_t id = 0;
    uint8_t mode = 0;
    std::vector<MacroEvent> events;
    friend bool operator==(const MacroData&, const MacroData&) = default;
};

struct ButtonBinding {
    uint8_t buttonIndex = 0;
    int32_t functionType = 0;
    int32_t functionValue = 0;
    int16_t macroId = 0;
    int32_t defaultValue = 0;  // factory value; never stored in files
    friend bool operator==(const ButtonBinding&, const ButtonBinding&) = default;
};

struct ProfileRecord {
    std::filesystem::path filePath;  // set by save and load; not part of the file
    uint8_t profileSlot = 0;
    std::u16string profileName = u"profile";
    uint32_t inUse = 1;
    uint16_t pollingRate = 1;
    uint8_t doubleClickSpeed = 6;
    uint32_t scrollByLines = 1;
    uint16_t scrollLines = 3;
    uint32_t scrollByPage = 0;
    uint8_t pointerAcceleration = 0;
    uint8_t pointerSpeed = 6;
    uint8_t snapToDefault = 0;
    uint32_t pointerTrails = 0;
    uint32_t showPointerOnCtrl = 0;
    uint8_t lightSwitch = 15;
    uint8_t lightEffect = 1;
    uint8_t lightSpeed = 0xF0;
    uint8_t lightSleep = 30;
    uint8_t lightBrightness = 5;
    uint8_t lightSync = 0;
    uint32_t lightColor1 = 255;  // R in bits 0..7, G 8..15, B 16..23
    uint32_t lightColor2 = 255;
    uint8_t stepCount = 3;
    uint8_t currentStep = 2;
    std::array<uint32_t, 3> xyLinked{0, 0, 0};
    std::array<int16_t, 3> cpiX{400, 800, 1600};
    std::array<int16_t, 3> cpiY{400, 800, 1600};
    uint32_t angleSnapOn = 0;
    uint8_t angleSnapLevel = 0;
    uint32_t angleTuneOn = 0;
    uint8_t angleTuneLevel = 0;
    uint32_t liftOffOn = 0;
    uint8_t liftOffLevel = 6;
    uint32_t smoothingOn = 0;
    uint8_t surfaceMode = 1;  // 1 automatic, 2 manual
    std::array<ButtonBinding, kButtonCount> buttonBindings;
    std::array<MacroData, kButtonCount> buttonMacros;

    ProfileRecord();
    friend bool operator==(const ProfileRecord&, const ProfileRecord&) = default;
};

// The factory binding of button 0..6.
ButtonBinding FactoryBinding(int button);
// "出厂配置", "配置1" .. "配置4".
std::u16string SlotName(int slot);

ProfileRecord CreateProfileRecord();
// Every field back to its default; filePath and the bound macro copies stay.
void ResetProfileRecord(ProfileRecord& record);

enum class BindResult { Bound, Unbound, TooManyEvents };
// Binds `macro` (or none) to `binding`, which must be one of record.buttonBindings.
// TooManyEvents leaves binding and record untouched: a copy must fit the file's one-byte count.
[[nodiscard]] BindResult BindMacro(const MacroData* macro, ButtonBinding& binding,
                                   ProfileRecord& record);
bool FunctionTypeCarriesMacro(int32_t functionType);

// The five records owned by the main window, with the current one.
class ProfileSet {
  public:
    // Slot 0 "出厂配置" in use, slots 1..4 named and free; slot 0 current.
    ProfileSet();

    ProfileRecord& operator[](int slot) { return records_.at(static_cast<size_t>(slot)); }
    const ProfileRecord& operator[](int slot) const {
        return records_.at(static_cast<size_t>(slot));
    }
    std::array<ProfileRecord, kSlotCount>& records() { return records_; }
    const std::array<ProfileRecord, kSlotCount>& records() const { return records_; }

    int currentSlot() const { return current_; }
    ProfileRecord& current() { return records_[static_cast<size_t>(current_)]; }
    // Callers write their pages into the old current record first.
    void SetCurrent(int slot);

    // Lowest free user slot, 0 when all four are in use.
    int FirstFreeSlot() const;
    // Takes the first free slot with defaults and its slot name and makes it current;
    // returns the slot, or 0 (and changes nothing) when none is free.
    int NewProfile();
    // Defaults for the current record, keeping its slot and restoring the slot name.
    void ResetCurrent();
    // Frees a user slot (the factory slot cannot be freed); false for slot 0.
    bool FreeSlot(int slot);

    // What the last load or save found in the profile folder: the files a save may replace,
    // damaged files it must leave alone, what the user should be told.
    FolderState& folderState() { return folderState_; }
    const FolderState& folderState() const { return folderState_; }

  private:
    std::array<ProfileRecord, kSlotCount> records_;
    int current_ = 0;
    FolderState folderState_;
};

}  // namespace z7
