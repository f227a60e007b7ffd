#pragma once
// What the custom hotkey popup does, without the widgets: the modifier toggles, the captured
// key, the combination text, the name, and Save, Import and Delete on its library.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/macros/custom_hotkey_library.h"
#include "platform/file_system.h"

namespace z7 {

inline constexpr int kNotifyCustomHotkeyLibrary = 425;

enum class HotkeyToggle { Ctrl, Shift, Alt, Win };

class CustomHotkeyPopupModel {
  public:
    // Loads the library of `dataFolder`; with `saveFolder`, a later Save writes there instead.
    // Starts reset, with capture off.
    CustomHotkeyPopupModel(FileSystem& fs, const std::filesystem::path& dataFolder,
                           std::optional<std::filesystem::path> saveFolder = std::nullopt);

    // No key, id 500, Ctrl and Alt on, empty name.
    void Reset();
    void SetToggle(HotkeyToggle toggle, bool on);
    // "None" on: every modifier off.
    void SetNone();
    void SetCapture(bool on) { capture_ = on; }
    // A key pressed while capturing becomes the main key, and the name the combination text
    // without its "+" signs. Bare modifier keys are not taken (the toggles give the modifiers).
    // Returns whether the key was taken.
    bool KeyArrived(uint16_t vk);
    void SetName(std::u16string name) { name_ = std::move(name); }

    // Under the data folder's lock, on the library as it is on disk with this popup's deletions
    // repeated: builds the hotkey, makes the name unique if taken, adds and saves; the stored
    // profiles follow the renumbered ids. Nothing without a
    // captured key or a name, or when the save fails (`error` says why). The function id is
    // 1002 + the saved hotkey's id.
    std::optional<CustomHotkeyLibrary::Added> Save(std::string* error);
    // Shows a *.ckey file (not added to the library); false when it cannot be read.
    bool Import(const std::filesystem::path& file);
    // Removes the imported file (inside the library folder only), the entries with the current
    // id and name in memory, and resets the popup.
    void Delete();
    bool CloseRestoresFactory() const { return library_.entries().empty(); }

    HotkeyModifiers modifiers() const { return modifiers_; }
    bool none() const { return !modifiers_.any(); }
    uint16_t mainKey() const { return mainKey_; }
    bool keyCaptured() const { return keyCaptured_; }
    bool capturing() const { return capture_; }
    int32_t currentId() const { return id_; }
    const std::u16string& name() const { return name_; }
    // The static's text: modifier prefix + key name.
    std::u16string combinationText() const { return CombinationText(modifiers_, mainKey_); }
    const CustomHotkeyLibrary& library() const { return library_; }

  private:
    FileSystem& fs_;
    std::filesystem::path dataFolder_;  // where Save locks and writes
    bool carrying_;                     // loaded from another data folder: no reload
    std::vector<MacroData> deleted_;
    CustomHotkeyLibrary library_;
    HotkeyModifiers modifiers_;
    uint16_t mainKey_ = 0;
    bool keyCaptured_ = false;
    bool capture_ = false;
    int32_t id_ = kNoLibraryId;
    std::u16string name_;
    std::filesystem::path imported_;
};

}  // namespace z7
