#pragma once
// The shortcut library: files, folders, programs and web addresses a button opens on the PC.
// Item file (*.sc): id (uint32), kind (uint8), name (string), target (string).
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/buttons/library_list.h"
#include "platform/file_system.h"

namespace z7 {

enum ShortcutKind : int32_t {
    kTargetNotFound = 0,
    kTargetWebAddress = 1,
    kTargetProgram = 2,
    kTargetFile = 3,
    kTargetOther = 4,  // an existing path that is no plain file: a folder
};

struct ShortcutEntry {
    int32_t id = 0;    // button function 5002 + id
    int32_t kind = 0;  // ShortcutKind; one byte in the file
    std::u16string name;
    std::u16string target;
    friend bool operator==(const ShortcutEntry&, const ShortcutEntry&) = default;
};

// False for anything but exactly one item of this kind; `out` is then unchanged.
[[nodiscard]] bool ParseShortcutItem(std::span<const uint8_t> bytes, ShortcutEntry& out);
std::vector<uint8_t> SerializeShortcutItem(const ShortcutEntry& item);

// The kind of a target; "www.x" becomes "http://www.x". The schemes are recognised in lower
// case only. Linux has no exclusive open, so every existing plain file is 2 or 3.
int32_t ClassifyTarget(FileSystem& fs, std::u16string& target);

class ShortcutLibrary {
  public:
    explicit ShortcutLibrary(std::filesystem::path folder) : folder_(std::move(folder)) {}
    static ShortcutLibrary ForDataFolder(const std::filesystem::path& dataFolder) {
        return ShortcutLibrary(LibraryFolder(dataFolder, kShortcutFormat));
    }

    const std::filesystem::path& folder() const { return folder_; }
    void SetFolder(std::filesystem::path folder) { folder_ = std::move(folder); }
    std::vector<ShortcutEntry>& entries() { return entries_; }
    const std::vector<ShortcutEntry>& entries() const { return entries_; }

    // Replaces the entries with the library on disk. `recover` as for ForEachLibraryItem.
    void Load(FileSystem& fs, bool recover = true);
    // Renumbers the ids to list positions (currentId, if given, follows its entry) and writes
    // the library over the set it was loaded from.
    [[nodiscard]] bool Save(FileSystem& fs, int32_t* currentId, std::string* error);
    // What the last Load found (damaged files, the files a save may replace).
    const FolderState& loadState() const { return loaded_; }
    // Old id -> new id of the last successful Save.
    const IdMap& renumbering() const { return renumbering_; }

    // The popup's unique-name rule (exact comparison): N, N(1), N(2), ...
    std::u16string UniqueEntryName(const std::u16string& name) const;
    int32_t NextId() const { return ProvisionalId(entries_); }

    struct Added {
        int32_t id;  // after the save: the entry's list position
        std::u16string name;
        std::u16string target;
        int32_t kind;
    };
    // The popup's Save: classifies the target, makes the name unique, adds the entry under a
    // provisional id and saves the library. Nothing when name or target is empty; on a failed
    // save the entry stays in memory and `error` says why.
    std::optional<Added> AddAndSave(FileSystem& fs, const std::u16string& name,
                                    const std::u16string& target, std::string* error);

    static std::optional<ShortcutEntry> Import(FileSystem& fs, const std::filesystem::path& file);
    // The popup's Delete: removes the imported item file when it lies in the library folder,
    // then the first entry with `id`, in memory only.
    void Delete(FileSystem& fs, int32_t id, const std::filesystem::path& importedFile);

    const ShortcutEntry* FindById(int32_t id) const;

  private:
    std::filesystem::path folder_;
    FolderState loaded_;
    IdMap renumbering_;
    std::vector<ShortcutEntry> entries_;
};

}  // namespace z7
