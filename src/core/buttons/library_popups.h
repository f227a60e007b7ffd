#pragma once
// What the bind-a-key, shortcut and text block popups do, without the widgets: each model
// keeps the popup's state and library, and its operations are the popup's buttons. The GUI
// shows the state and sends the page the notification code named on each Save.
//
// A Save holds the data folder's lock, loads the library afresh (keeping what other programs
// added while the popup was open), repeats the popup's deletions on it, adds and saves, and
// lets the stored profiles follow the renumbered ids.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "core/buttons/bind_key_library.h"
#include "core/buttons/shortcut_library.h"
#include "core/buttons/text_block_library.h"
#include "platform/file_system.h"

namespace z7 {

inline constexpr int kNotifyBindKeyLibrary = 422;
inline constexpr int kNotifyTextBlockLibrary = 432;
inline constexpr int kNotifyShortcutLibrary = 433;

// What a popup's Save gives the target button.
struct PopupSaveResult {
    int32_t functionId;
    std::u16string name;
};

class BindKeyPopupModel {
  public:
    // Loads the library of `dataFolder`; with `saveFolder`, a later Save writes there instead.
    BindKeyPopupModel(FileSystem& fs, const std::filesystem::path& dataFolder,
                      std::optional<std::filesystem::path> saveFolder = std::nullopt);

    // A key reported while capturing: the key static and the name take the key's name (both
    // empty for a key without one).
    void KeyCaptured(uint16_t vk);
    void SetName(std::u16string name) { name_ = std::move(name); }
    bool CanSave() const { return !name_.empty(); }
    // Adds (replacing by key or suffixing a taken name) and saves. Nothing without a key name
    // or a name, or when the save fails (`error` then says why).
    std::optional<PopupSaveResult> Save(std::string* error);
    // Fills the popup from an item file; false (name emptied) when it cannot be read.
    bool Import(const std::filesystem::path& file);
    // Removes the imported file (inside the library folder only) and the matching entries in
    // memory, and empties the popup.
    void Delete();
    // Close and Cancel give the target button its factory function when this is true.
    bool CloseRestoresFactory() const { return library_.entries().empty(); }

    int32_t currentKey() const { return key_; }
    const std::u16string& keyText() const { return keyText_; }
    const std::u16string& name() const { return name_; }
    const BindKeyLibrary& library() const { return library_; }

  private:
    FileSystem& fs_;
    std::filesystem::path dataFolder_;  // where Save locks and writes
    bool carrying_;                     // loaded from another data folder: no reload
    std::vector<BindKeyEntry> deleted_;
    BindKeyLibrary library_;
    int32_t key_ = kNoBindKey;
    std::u16string keyText_;
    std::u16string name_;
    std::filesystem::path imported_;
};

class ShortcutPopupModel {
  public:
    ShortcutPopupModel(FileSystem& fs, const std::filesystem::path& dataFolder,
                       std::optional<std::filesystem::path> saveFolder = std::nullopt);

    void SetName(std::u16string name) { name_ = std::move(name); }
    void SetTarget(std::u16string target) { target_ = std::move(target); }
    // Classifies the target, makes the name unique, adds and saves; the current id becomes the
    // saved entry's. Nothing when target or name is empty or the save fails.
    std::optional<PopupSaveResult> Save(std::string* error);
    bool Import(const std::filesystem::path& file);
    // Removes the imported file (inside the library folder only) and the entry with the current
    // id in memory, and empties the popup.
    void Delete();
    bool CloseRestoresFactory() const { return library_.entries().empty(); }

    int32_t currentId() const { return id_; }
    const std::u16string& name() const { return name_; }
    const std::u16string& target() const { return target_; }
    const ShortcutLibrary& library() const { return library_; }

  private:
    FileSystem& fs_;
    std::filesystem::path dataFolder_;
    bool carrying_;
    std::vector<ShortcutEntry> deleted_;
    ShortcutLibrary library_;
    int32_t id_ = kNoLibraryId;
    std::u16string name_;
    std::u16string target_;
    std::filesystem::path imported_;
};

class TextBlockPopupModel {
  public:
    TextBlockPopupModel(FileSystem& fs, const std::filesystem::path& dataFolder,
                        std::optional<std::filesystem::path> saveFolder = std::nullopt);

    void SetName(std::u16string name) { name_ = std::move(name); }
    // The edit's text: at most kMaxTextBlockUnits units are kept, line breaks become CR LF.
    void SetText(std::u16string_view text);
    std::optional<PopupSaveResult> Save(std::string* error);
    bool Import(const std::filesystem::path& file);
    void Delete();
    bool CloseRestoresFactory() const { return library_.entries().empty(); }

    int32_t currentId() const { return id_; }
    const std::u16string& name() const { return name_; }
    const std::u16string& text() const { return text_; }
    const TextBlockLibrary& library() const { return library_; }

  private:
    FileSystem& fs_;
    std::filesystem::path dataFolder_;
    bool carrying_;
    std::vector<TextBlockEntry> deleted_;
    TextBlockLibrary library_;
    int32_t id_ = kNoLibraryId;
    std::u16string name_;
    std::u16string text_;
    std::filesystem::path imported_;
};

}  // namespace z7
