#pragma once
// The on-disk scheme every user library follows: a folder with one item file per entry and a
// list file naming the item files' full paths in library order.
//
// List file: uint32 count (0 or top bit set: empty), then count strings (DataStream encoding).
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace z7 {

struct LibraryFormat {
    const char* folderName;  // below the data root
    const char* listFileName;
    const char16_t* extension;  // of the item files, with its dot
    size_t maxItemBytes;        // larger item files are not read
};

inline constexpr size_t kMaxListFileBytes = 16u << 20;
inline constexpr int32_t kNoLibraryId = 500;  // a popup's "no current entry"

inline constexpr LibraryFormat kBindKeyFormat{"BindKeys", "bindKeyList.dat", u".bindkey", 1u << 16};
inline constexpr LibraryFormat kShortcutFormat{"Shortcut", "SCList.dat", u".sc", 1u << 20};
inline constexpr LibraryFormat kTextBlockFormat{"Text Block", "TBList.dat", u".tb", 1u << 20};
inline constexpr LibraryFormat kMacroFormat{"Macros", "macroList.dat", u".macro", 16u << 20};
inline constexpr LibraryFormat kCustomHotkeyFormat{"Custom Hotkeys", "CKeyList.dat", u".ckey",
                                                   1u << 16};

// Data folder + "Kesta/Z7 Laser/" + the library's folder name.
std::filesystem::path LibraryFolder(const std::filesystem::path& dataFolder,
                                    const LibraryFormat& format);

// False for a list whose count runs past the end of the file (damaged); `paths` is then unchanged.
[[nodiscard]] bool ParseLibraryList(std::span<const uint8_t> bytes,
                                    std::vector<std::u16string>& paths);
std::vector<uint8_t> SerializeLibraryList(const std::vector<std::u16string>& paths);

// Hands the bytes of every listed item file to `readItem`, in list order. No list: nothing.
// A listed path is taken for the file of that name in `folder` (whichever folder or system wrote
// the list); one that does not exist there is skipped. A damaged list does not lose the
// library: the folder's item files are read in name order instead. With `recover`, an
// interrupted save is completed or discarded first; readers on other threads than the one that
// saves (the event listener) pass false, so that they never touch a save in progress.
void ForEachLibraryItem(FileSystem& fs, const std::filesystem::path& folder,
                        const LibraryFormat& format,
                        const std::function<void(std::span<const uint8_t>)>& readItem,
                        bool recover = true);

// Collects a library's new content and replaces the folder with it in one crash-safe step.
class LibraryWriter {
  public:
    // caseInsensitiveNames: names differing only in ASCII case count as the same file, as on
    // the Windows file system.
    LibraryWriter(std::filesystem::path folder, const LibraryFormat& format,
                  bool caseInsensitiveNames = false);

    // Settles the item file of an entry called `name`: while an earlier entry of this save has
    // taken the file name, "1" is appended to `name` (the entry keeps the longer name). The file
    // name is the sanitised name, so odd names never leave the folder. Returns the file name.
    std::u16string Place(std::u16string& name);
    // Adds the item file `fileName` (from Place) with its bytes and lists its full path.
    void Add(const std::u16string& fileName, std::vector<uint8_t> bytes);
    // Writes the items and the list; afterwards the folder holds exactly those files. On failure
    // `error` says why and the folder holds the old set (or, once committed, the new one).
    [[nodiscard]] bool Commit(FileSystem& fs, std::string* error);

  private:
    bool Taken(const std::u16string& fileName) const;

    std::filesystem::path folder_;
    LibraryFormat format_;
    bool caseInsensitive_;
    std::vector<std::u16string> fileNames_;
    std::vector<std::u16string> listPaths_;
    std::vector<std::vector<uint8_t>> items_;
};

// The name-clash suffix: "N" -> "N(1)", "N(k)" -> "N(k+1)"; the text after the first "(" without
// its last character is read as a number (0 when it is none), so "a(x" -> "a(1)".
std::u16string NextSuffixedName(std::u16string_view name);

// Applies NextSuffixedName until `taken` no longer holds the name. Every library's unique-name
// rule comes down to this.
std::u16string UniqueName(std::u16string name,
                          const std::function<bool(const std::u16string&)>& taken);

// The id a newly added entry gets until the next save: 0 for an empty library, otherwise one
// more than the largest of 500 and every entry's id.
template <class Entry>
int32_t ProvisionalId(const std::vector<Entry>& entries) {
    if (entries.empty()) return 0;
    int32_t top = 500;
    for (const Entry& e : entries)
        if (e.id > top) top = e.id;
    return top == INT32_MAX ? top : top + 1;
}

// Save's renumbering: each entry's id becomes its list position; `currentId` follows the first
// entry that held it.
template <class Entry>
void RenumberIds(std::vector<Entry>& entries, int32_t* currentId) {
    bool followed = currentId == nullptr;
    for (size_t i = 0; i < entries.size(); ++i) {
        const int32_t position = static_cast<int32_t>(i);
        if (!followed && entries[i].id == *currentId) {
            *currentId = position;
            followed = true;
        }
        entries[i].id = position;
    }
}

// True when `file` names a file inside `folder` itself (not a subfolder, not a link elsewhere).
bool IsInsideFolder(const std::filesystem::path& file, const std::filesystem::path& folder);

// Deletes the file last chosen with Import when it still exists and lies in the library folder;
// a file elsewhere is the user's own and stays. Returns true when a file was deleted.
bool DeleteImportedFile(FileSystem& fs, const std::filesystem::path& imported,
                        const std::filesystem::path& folder);

// Reads one item file of at most maxBytes; nothing when it cannot be read.
std::optional<std::vector<uint8_t>> ReadItemFile(FileSystem& fs, const std::filesystem::path& path,
                                                 size_t maxBytes);

}  // namespace z7
