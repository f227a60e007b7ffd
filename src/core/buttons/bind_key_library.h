#pragma once
// The bind-key library: keyboard keys a button sends, keyed by virtual-key code.
// Item file (*.bindkey): name (string), key (uint32).
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/buttons/library_list.h"
#include "platform/file_system.h"

namespace z7 {

inline constexpr int32_t kNoBindKey = 500;  // the popup's "no key captured"

struct BindKeyEntry {
    int32_t key = 0;  // Windows virtual-key code
    std::u16string name;
    friend bool operator==(const BindKeyEntry&, const BindKeyEntry&) = default;
};

// False for anything but exactly one bind key (a key 1..255); `out` is then unchanged.
[[nodiscard]] bool ParseBindKeyItem(std::span<const uint8_t> bytes, BindKeyEntry& out);
std::vector<uint8_t> SerializeBindKeyItem(const BindKeyEntry& item);

class BindKeyLibrary {
  public:
    explicit BindKeyLibrary(std::filesystem::path folder) : folder_(std::move(folder)) {}
    static BindKeyLibrary ForDataFolder(const std::filesystem::path& dataFolder) {
        return BindKeyLibrary(LibraryFolder(dataFolder, kBindKeyFormat));
    }

    const std::filesystem::path& folder() const { return folder_; }
    // Points a later Save at another folder (moving the data folder).
    void SetFolder(std::filesystem::path folder) { folder_ = std::move(folder); }
    std::vector<BindKeyEntry>& entries() { return entries_; }
    const std::vector<BindKeyEntry>& entries() const { return entries_; }

    // Replaces the entries with the library on disk (empty when there is none). `recover` as
    // for ForEachLibraryItem.
    void Load(FileSystem& fs, bool recover = true);
    // Writes the library over the set it was loaded from; names may grow a "1" where two
    // entries would share a file.
    [[nodiscard]] bool Save(FileSystem& fs, std::string* error);
    // What the last Load found (damaged files, the files a save may replace).
    const FolderState& loadState() const { return loaded_; }

    // The popup's Save rule: an entry with key `key` is replaced in place; a name already taken
    // gets the bind-key suffix and the entry is appended; otherwise it is appended. Returns the
    // position of the stored entry. Nothing is written.
    size_t Add(int32_t key, const std::u16string& name);

    // Import: the item file read, or nothing when it cannot be read.
    static std::optional<BindKeyEntry> Import(FileSystem& fs, const std::filesystem::path& file);

    // The popup's Delete: removes the imported item file when it lies in the library folder,
    // then every entry with exactly this key and name, in memory only.
    void Delete(FileSystem& fs, int32_t key, const std::u16string& name,
                const std::filesystem::path& importedFile);

    const BindKeyEntry* FindByKey(int32_t key) const;

  private:
    std::filesystem::path folder_;
    std::vector<BindKeyEntry> entries_;
    FolderState loaded_;
};

// The name given after a clash: `name` followed by "(" + m + ")" built up by one suffix step for
// every entry whose key differs from `key` (m such entries).
std::u16string SuffixedBindKeyName(const std::vector<BindKeyEntry>& entries, int32_t key,
                                   const std::u16string& name);

}  // namespace z7
