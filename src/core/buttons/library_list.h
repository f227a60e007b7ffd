#pragma once
// The on-disk scheme every user library follows: a folder with one item file per entry and a
// list file naming the item files' full paths in library order.
//
// List file: uint32 count, then count strings (DataStream encoding).
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "core/util/folder_commit.h"
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

// False for a list that is not exactly well-formed: a count with the top bit set or running past
// the end, an empty path, bytes after the last path. `paths` is then unchanged.
[[nodiscard]] bool ParseLibraryList(std::span<const uint8_t> bytes,
                                    std::vector<std::u16string>& paths);
std::vector<uint8_t> SerializeLibraryList(const std::vector<std::u16string>& paths);

// Reads the library in `folder`: hands the bytes of every listed item file, in list order, to
// `readItem`, which returns whether they were a sound item. No list: an empty library.
// A listed path is taken for the file of that name in `folder` (whichever folder or system wrote
// the list); one that does not exist there is skipped; nothing outside the folder is read.
// A damaged list does not lose the library: the folder's item files are read in name order
// instead. Items that cannot be read are reported and left alone. With `recover`, an
// interrupted save is completed or discarded first; only a holder of the data folder's lock may
// recover (readers without it, such as the event listener, pass false).
FolderState ForEachLibraryItem(FileSystem& fs, const std::filesystem::path& folder,
                               const LibraryFormat& format,
                               const std::function<bool(std::span<const uint8_t>)>& readItem,
                               bool recover = true);

// Collects a library's new content and replaces the set it was loaded from in one crash-safe
// step. Files that were not part of that set (unknown files, damaged items, folders) are never
// overwritten or removed; damaged items stay listed, after the sound ones.
class LibraryWriter {
  public:
    // `loaded`: what the library's load found in `folder` (nothing loaded: an empty state).
    LibraryWriter(FileSystem& fs, std::filesystem::path folder, const LibraryFormat& format,
                  const FolderState& loaded);

    // Settles the item file of an entry called `name`: while an earlier entry of this save has
    // taken the file name, "1" is appended to `name` (the entry keeps the longer name). The file
    // name is the sanitised name, so odd names never leave the folder, and a file that is not
    // the library's own gets a numbered name beside it. Returns the file name.
    std::u16string Place(std::u16string& name);
    // Adds the item file `fileName` (from Place) of the entry `name` with its bytes.
    void Add(const std::u16string& fileName, const std::u16string& name,
             std::vector<uint8_t> bytes);
    // Writes the items and the list and removes the loaded item files no longer written. Fails
    // (changing nothing) for an item or list its reader could not read back and for a library
    // whose list could not be read; `error` says why.
    [[nodiscard]] bool Commit(std::string* error);
    // After a successful Commit: the set now on disk, for the next save of the same library.
    const FolderState& committed() const { return loaded_; }

  private:
    bool Taken(const std::u16string& fileName) const;

    FileSystem& fs_;
    std::filesystem::path folder_;
    LibraryFormat format_;
    FolderState loaded_;
    FileNameSet owned_;  // the loaded set's files: these may be written over
    FileNameSet taken_;  // file names this save has given out
    std::vector<std::u16string> fileNames_;
    std::vector<std::u16string> listPaths_;
    std::vector<std::vector<uint8_t>> items_;
    std::string tooLarge_;  // the first item that does not fit, described
};

// The name-clash suffix: "N" -> "N(1)", "N(k)" -> "N(k+1)"; the text after the first "(" without
// its last character is read as a number (0 when it is none), so "a(x" -> "a(1)".
std::u16string NextSuffixedName(std::u16string_view name);

// Applies NextSuffixedName until `taken` no longer holds the name. Every library's unique-name
// rule comes down to this.
std::u16string UniqueName(std::u16string name,
                          const std::function<bool(const std::u16string&)>& taken);

// The id a newly added entry gets until the next save: 0 for an empty library, otherwise one
// more than the largest of 500 and every entry's id. When that would overflow (a file carrying
// the largest id), the lowest free id above 500: a new entry never takes an existing one's id.
template <class Entry>
int32_t ProvisionalId(const std::vector<Entry>& entries) {
    if (entries.empty()) return 0;
    int32_t top = 500;
    for (const Entry& e : entries)
        if (e.id > top) top = e.id;
    if (top < INT32_MAX) return top + 1;
    std::set<int32_t> used;
    for (const Entry& e : entries) used.insert(e.id);
    int32_t id = 501;
    while (used.count(id)) ++id;
    return id;
}

// Old id -> new id of one save's renumbering. An id absent from it names no entry any more.
using IdMap = std::map<int32_t, int32_t>;

// Save's renumbering: each entry's id becomes its list position; `currentId` follows the first
// entry that held it, and so does the returned map.
template <class Entry>
IdMap RenumberIds(std::vector<Entry>& entries, int32_t* currentId) {
    IdMap map;
    bool followed = currentId == nullptr;
    for (size_t i = 0; i < entries.size(); ++i) {
        const int32_t position = static_cast<int32_t>(i);
        if (!followed && entries[i].id == *currentId) {
            *currentId = position;
            followed = true;
        }
        map.emplace(entries[i].id, position);
        entries[i].id = position;
    }
    return map;
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
