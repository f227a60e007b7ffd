#include "core/macros/custom_hotkey_popup.h"

#include <algorithm>

#include "core/buttons/library_sources.h"
#include "core/profile/data_lock.h"

namespace z7 {

CustomHotkeyPopupModel::CustomHotkeyPopupModel(FileSystem& fs,
                                               const std::filesystem::path& dataFolder,
                                               std::optional<std::filesystem::path> saveFolder)
    : fs_(fs),
      dataFolder_(saveFolder.value_or(dataFolder)),
      carrying_(saveFolder.has_value()),
      library_(CustomHotkeyLibrary::ForDataFolder(dataFolder)) {
    // Without the data folder's lock: no recovery here; Save loads again under the lock.
    library_.Load(fs, /*recover=*/false);
    if (saveFolder) library_.SetFolder(CustomHotkeyLibrary::ForDataFolder(*saveFolder).folder());
    Reset();
}

void CustomHotkeyPopupModel::Reset() {
    keyCaptured_ = false;
    id_ = kNoLibraryId;
    mainKey_ = 0;
    modifiers_ = {.ctrl = true, .shift = false, .alt = true, .win = false};
    name_.clear();
}

void CustomHotkeyPopupModel::SetToggle(HotkeyToggle toggle, bool on) {
    switch (toggle) {
        case HotkeyToggle::Ctrl:
            modifiers_.ctrl = on;
            break;
        case HotkeyToggle::Shift:
            modifiers_.shift = on;
            break;
        case HotkeyToggle::Alt:
            modifiers_.alt = on;
            break;
        case HotkeyToggle::Win:
            modifiers_.win = on;
            break;
    }
}

void CustomHotkeyPopupModel::SetNone() {
    modifiers_ = {};
}

bool CustomHotkeyPopupModel::KeyArrived(uint16_t vk) {
    if (!capture_ || vk == 0 || IsModifierKey(vk)) return false;
    mainKey_ = vk;
    keyCaptured_ = true;
    name_ = NameFromCombination(combinationText());
    return true;
}

std::optional<CustomHotkeyLibrary::Added> CustomHotkeyPopupModel::Save(std::string* error) {
    if (!keyCaptured_ || name_.empty()) return std::nullopt;
    // Under the lock, on the library as it is on disk now with this popup's deletions repeated.
    const LockAttempt lock = LockDataFolder(dataFolder_, DefaultClock(), error);
    if (lock.status != LockStatus::kAcquired) return std::nullopt;
    if (!carrying_) {
        library_.Load(fs_);
        for (const MacroData& d : deleted_) {
            auto& entries = library_.entries();
            auto it = std::find_if(entries.begin(), entries.end(), [&](const MacroData& e) {
                return e.name == d.name && e.mode == d.mode && e.events == d.events;
            });
            if (it != entries.end()) entries.erase(it);
        }
    }
    auto added = library_.AddAndSave(fs_, name_, modifiers_, mainKey_, error);
    if (!added) return std::nullopt;
    deleted_.clear();
    id_ = added->id;
    name_ = added->name;
    LibraryRenumbering renumbering;
    renumbering.hotkeys = library_.renumbering();
    if (!RemapProfilesOnDisk(fs_, dataFolder_, renumbering, error)) return std::nullopt;
    return added;
}

bool CustomHotkeyPopupModel::Import(const std::filesystem::path& file) {
    imported_ = file;
    auto record = CustomHotkeyLibrary::Import(fs_, file);
    if (!record) return false;
    const ImportedHotkey s = ImportedHotkeyState(*record);
    modifiers_ = s.modifiers;
    mainKey_ = s.mainKey;
    name_ = s.name;
    id_ = s.id;
    keyCaptured_ = true;
    return true;
}

void CustomHotkeyPopupModel::Delete() {
    for (const MacroData& e : library_.entries())
        if (e.id == id_ && e.name == name_) deleted_.push_back(e);
    library_.Delete(fs_, id_, name_, imported_);
    if (!imported_.empty() && !fs_.Exists(imported_)) imported_.clear();
    Reset();
}

}  // namespace z7
