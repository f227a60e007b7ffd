#pragma once
// The text block library: texts a button types into the focused window.
// Item file (*.tb): id (uint32), name (string), text (string).
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/buttons/library_list.h"
#include "platform/file_system.h"

namespace z7 {

// The popup's edit takes at most this many UTF-16 units.
inline constexpr size_t kMaxTextBlockUnits = 100;

struct TextBlockEntry {
    int32_t id = 0;  // button function 6002 + id
    std::u16string name;
    std::u16string text;  // line breaks as CR LF
    friend bool operator==(const TextBlockEntry&, const TextBlockEntry&) = default;
};

// False for anything but exactly one item of this kind; `out` is then unchanged.
[[nodiscard]] bool ParseTextBlockItem(std::span<const uint8_t> bytes, TextBlockEntry& out);
std::vector<uint8_t> SerializeTextBlockItem(const TextBlockEntry& item);

// Line breaks as the popup's edit gives them: every lone LF or CR becomes CR LF.
std::u16string WithCrLf(std::u16string_view text);

class TextBlockLibrary {
  public:
    explicit TextBlockLibrary(std::filesystem::path folder) : folder_(std::move(folder)) {}
    static TextBlockLibrary ForDataFolder(const std::filesystem::path& dataFolder) {
        return TextBlockLibrary(LibraryFolder(dataFolder, kTextBlockFormat));
    }

    const std::filesystem::path& folder() const { return folder_; }
    void SetFolder(std::filesystem::path folder) { folder_ = std::move(folder); }
    std::vector<TextBlockEntry>& entries() { return entries_; }
    const std::vector<TextBlockEntry>& entries() const { return entries_; }

    // Replaces the entries with the library on disk. `recover` as for ForEachLibraryItem.
    void Load(FileSystem& fs, bool recover = true);
    // Renumbers the ids to list positions (currentId, if given, follows its entry) and writes
    // the library over the set it was loaded from.
    [[nodiscard]] bool Save(FileSystem& fs, int32_t* currentId, std::string* error);
    // What the last Load found (damaged files, the files a save may replace).
    const FolderState& loadState() const { return loaded_; }
    // Old id -> new id of the last successful Save.
    const IdMap& renumbering() const { return renumbering_; }

    std::u16string UniqueEntryName(const std::u16string& name) const;
    int32_t NextId() const { return ProvisionalId(entries_); }

    struct Added {
        int32_t id;  // after the save: the entry's list position
        std::u16string name;
    };
    // The popup's Save: unique name, provisional id, add, save. Nothing when name or text is
    // empty; on a failed save the entry stays in memory and `error` says why.
    std::optional<Added> AddAndSave(FileSystem& fs, const std::u16string& name,
                                    const std::u16string& text, std::string* error);

    static std::optional<TextBlockEntry> Import(FileSystem& fs, const std::filesystem::path& file);
    // The popup's Delete: removes the imported item file when it lies in the library folder,
    // then the first entry with `id`, in memory only.
    void Delete(FileSystem& fs, int32_t id, const std::filesystem::path& importedFile);

    const TextBlockEntry* FindById(int32_t id) const;

  private:
    std::filesystem::path folder_;
    FolderState loaded_;
    IdMap renumbering_;
    std::vector<TextBlockEntry> entries_;
};

}  // namespace z7
