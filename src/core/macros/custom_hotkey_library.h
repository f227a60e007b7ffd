#pragma once
// The custom hotkey library: key combinations (up to four modifiers and one key) a button sends,
// each a key sequence. Item file (*.ckey): id (uint32), name (string), event count n (uint8),
// mode (uint8), n events of 8 bytes: kind (u8), code (u16), flag (u8), value (u32).
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/buttons/library_list.h"
#include "core/profile/profile_record.h"
#include "platform/file_system.h"

namespace z7 {

inline constexpr uint16_t kVkLeftCtrl = 162;
inline constexpr uint16_t kVkLeftShift = 160;
inline constexpr uint16_t kVkLeftAlt = 164;
inline constexpr uint16_t kVkLeftWin = 91;
inline constexpr size_t kCustomHotkeyEventBytes = 8;
inline constexpr size_t kMaxCustomHotkeyEvents = 255;  // the file's one-byte count
inline constexpr int32_t kCustomHotkeyFunctionBase = 1002;

// Shift, Ctrl, Alt and the Windows keys, left, right and generic (16, 17, 18): a hotkey's
// modifiers come from its toggles, so none of them can be its main key.
bool IsModifierKey(uint16_t vk);

// False for anything but exactly one hotkey record (key, button or wheel events that are presses
// or releases); `out` is then unchanged.
[[nodiscard]] bool ParseCustomHotkeyItem(std::span<const uint8_t> bytes, MacroData& out);
// Nothing when the record has more events than the count byte holds.
std::optional<std::vector<uint8_t>> SerializeCustomHotkeyItem(const MacroData& item);

struct HotkeyModifiers {
    bool ctrl = false;
    bool shift = false;
    bool alt = false;
    bool win = false;
    bool any() const { return ctrl || shift || alt || win; }
    int count() const { return int(ctrl) + int(shift) + int(alt) + int(win); }
    friend bool operator==(const HotkeyModifiers&, const HotkeyModifiers&) = default;
};

// The record the popup saves: mode 1; presses of the chosen modifiers (Ctrl, Shift, Alt, Win in
// that order) and the key, then their releases in the same order; all kind 1, value 0. An empty
// name becomes "New Hotkey".
MacroData BuildHotkey(const std::u16string& name, int32_t id, HotkeyModifiers modifiers,
                      uint16_t key);

// "CTRL+", "Shift+", "Alt+", "Win+" for the modifiers that are on.
std::u16string ModifierPrefix(HotkeyModifiers modifiers);
// The popup's combination text: prefix + the key's name.
std::u16string CombinationText(HotkeyModifiers modifiers, uint16_t key);
// The name proposed after a key press: the combination text without "+".
std::u16string NameFromCombination(std::u16string_view text);

// What the popup shows after importing a *.ckey file.
struct ImportedHotkey {
    HotkeyModifiers modifiers;
    bool none = false;  // the "None" toggle
    uint16_t mainKey = 0;
    int keyCount = 0;
    std::u16string name;
    int32_t id = 0;
};
// Exactly two events: the first one's code is the key ("None" on unless it is a modifier).
// Otherwise each event's code switches on its modifier or becomes the key.
ImportedHotkey ImportedHotkeyState(const MacroData& record);

class CustomHotkeyLibrary {
  public:
    explicit CustomHotkeyLibrary(std::filesystem::path folder) : folder_(std::move(folder)) {}
    static CustomHotkeyLibrary ForDataFolder(const std::filesystem::path& dataFolder) {
        return CustomHotkeyLibrary(LibraryFolder(dataFolder, kCustomHotkeyFormat));
    }

    const std::filesystem::path& folder() const { return folder_; }
    void SetFolder(std::filesystem::path folder) { folder_ = std::move(folder); }
    std::vector<MacroData>& entries() { return entries_; }
    const std::vector<MacroData>& entries() const { return entries_; }

    const MacroData* FindById(int32_t id) const;

    void Load(FileSystem& fs, bool recover = true);
    // Renumbers the ids to list positions (currentId, if given, follows its entry) and writes
    // the library over the set it was loaded from. Fails for a record of more than 255 events.
    [[nodiscard]] bool Save(FileSystem& fs, int32_t* currentId, std::string* error);
    const FolderState& loadState() const { return loaded_; }
    // Old id -> new id of the last successful Save.
    const IdMap& renumbering() const { return renumbering_; }

    struct Added {
        int32_t id;  // after the save
        std::u16string name;
        int32_t functionId;  // 1002 + id
    };
    // The popup's Save: new id, unique name (only when taken), build, add, save. Nothing when
    // no key or an empty name is given; on a failed save `error` says why.
    std::optional<Added> AddAndSave(FileSystem& fs, const std::u16string& name,
                                    HotkeyModifiers modifiers, uint16_t key, std::string* error);

    static std::optional<MacroData> Import(FileSystem& fs, const std::filesystem::path& file);
    // The popup's Delete: removes the imported file when it lies in the library folder, then
    // every entry with exactly this id and name, in memory only.
    void Delete(FileSystem& fs, int32_t id, const std::u16string& name,
                const std::filesystem::path& importedFile);

  private:
    std::filesystem::path folder_;
    std::vector<MacroData> entries_;
    FolderState loaded_;
    IdMap renumbering_;
};

}  // namespace z7
