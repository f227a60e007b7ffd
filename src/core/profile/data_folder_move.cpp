#include "core/profile/data_folder_move.h"

#include <algorithm>
#include <optional>
#include <system_error>
#include <utility>

#include "core/buttons/bind_key_library.h"
#include "core/buttons/library_sources.h"
#include "core/buttons/shortcut_library.h"
#include "core/buttons/text_block_library.h"
#include "core/macros/custom_hotkey_library.h"
#include "core/macros/macro_file.h"
#include "core/macros/macro_library.h"
#include "core/profile/data_lock.h"
#include "core/profile/profile_store.h"
#include "core/profile/settings.h"
#include "core/util/folder_commit.h"
#include "core/util/text.h"

namespace z7 {
namespace fsys = std::filesystem;

namespace {

// ---- comparing folders ------------------------------------------------------------------------

fsys::path Canonical(const fsys::path& path) {
    std::error_code ec;
    fsys::path p = fsys::absolute(path, ec);
    if (ec) p = path;
    const fsys::path resolved = fsys::weakly_canonical(p, ec);
    if (!ec) p = resolved;
    p = p.lexically_normal();
    // "/d/x/" and "/d/x" name one folder.
    while (!p.has_filename() && p.has_relative_path()) p = p.parent_path();
    return p;
}

bool SameSpelling(const FileSystem& fs, const fsys::path& a, const fsys::path& b) {
    auto x = a.begin();
    auto y = b.begin();
    for (; x != a.end() && y != b.end(); ++x, ++y)
        if (!fs.SameFileName(PathToUtf16(*x), PathToUtf16(*y))) return false;
    return x == a.end() && y == b.end();
}

bool SamePlace(const FileSystem& fs, const fsys::path& a, const fsys::path& b) {
    if (SameSpelling(fs, a, b)) return true;
    // Bind mounts and case-insensitive volumes on a case-sensitive system.
    std::error_code ec;
    return fsys::exists(a, ec) && fsys::exists(b, ec) && fsys::equivalent(a, b, ec) && !ec;
}

// `inner` is `outer` or lies below it.
bool Within(const FileSystem& fs, const fsys::path& inner, const fsys::path& outer) {
    for (fsys::path p = inner;; p = p.parent_path()) {
        if (SamePlace(fs, p, outer)) return true;
        if (p == p.parent_path() || p.empty()) return false;
    }
}

// ---- the libraries, one shape ------------------------------------------------------------------

std::vector<BindKeyEntry>& Entries(BindKeyLibrary& l) {
    return l.entries();
}
std::vector<ShortcutEntry>& Entries(ShortcutLibrary& l) {
    return l.entries();
}
std::vector<TextBlockEntry>& Entries(TextBlockLibrary& l) {
    return l.entries();
}
std::vector<MacroData>& Entries(CustomHotkeyLibrary& l) {
    return l.entries();
}
std::vector<Macro>& Entries(MacroLibrary& l) {
    return l.macros();
}

bool SaveLibrary(FileSystem& fs, BindKeyLibrary& l, std::string* e) {
    return l.Save(fs, e);
}
bool SaveLibrary(FileSystem& fs, ShortcutLibrary& l, std::string* e) {
    return l.Save(fs, nullptr, e);
}
bool SaveLibrary(FileSystem& fs, TextBlockLibrary& l, std::string* e) {
    return l.Save(fs, nullptr, e);
}
bool SaveLibrary(FileSystem& fs, CustomHotkeyLibrary& l, std::string* e) {
    return l.Save(fs, nullptr, e);
}
bool SaveLibrary(FileSystem& fs, MacroLibrary& l, std::string* e) {
    return l.Save(fs, e);
}

// Content equality; `withId` also compares the ids.
template <class Entry>
bool SameEntry(Entry a, const Entry& b, bool withId) {
    if constexpr (requires { a.id; }) {
        if (!withId) a.id = b.id;
    }
    if constexpr (std::is_same_v<Entry, Macro>) {
        return SerializeMacroFile(a) == SerializeMacroFile(b);
    } else {
        return a == b;
    }
}

template <class Entry>
bool SameEntries(const std::vector<Entry>& a, const std::vector<Entry>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (!SameEntry(a[i], b[i], true)) return false;
    return true;
}

// Ours first (their ids become list positions), then theirs not already among them, with a
// clashing name numbered. Returns the old id -> position map of ours.
template <class Entry>
std::optional<IdMap> Combine(std::vector<Entry>& combined, const std::vector<Entry>& ours,
                             const std::vector<Entry>& theirs) {
    combined = ours;
    for (const Entry& t : theirs) {
        const bool present = std::any_of(combined.begin(), combined.end(),
                                         [&](const Entry& c) { return SameEntry(t, c, false); });
        if (present) continue;
        Entry added = t;
        added.name = UniqueName(added.name, [&](const std::u16string& name) {
            return std::any_of(combined.begin(), combined.end(),
                               [&](const Entry& c) { return c.name == name; });
        });
        combined.push_back(std::move(added));
    }
    if constexpr (requires(Entry e) { e.id; }) {
        IdMap map;
        for (size_t i = 0; i < ours.size(); ++i) map.emplace(ours[i].id, static_cast<int32_t>(i));
        return map;
    } else {
        return std::nullopt;
    }
}

// One library from the old folder (or memory) into the new one, read back.
template <class Library>
bool MoveLibrary(FileSystem& fs, const Library& ours, const fsys::path& to,
                 std::optional<IdMap>* map, Library* saved, std::string* error) {
    Library target = Library::ForDataFolder(to);
    target.Load(fs, /*recover=*/true);
    const auto theirs = Entries(target);
    Library source = ours;
    auto combined = Entries(source);
    const std::optional<IdMap> ids = Combine(combined, Entries(source), theirs);
    Entries(target) = std::move(combined);
    if (!SaveLibrary(fs, target, error)) return false;
    Library check = Library::ForDataFolder(to);
    check.Load(fs, /*recover=*/false);
    if (!SameEntries(Entries(check), Entries(target))) {
        if (error)
            *error = "the library written to " + PathToUtf8(target.folder()) +
                     " does not read back as written";
        return false;
    }
    if (map) *map = ids;
    *saved = std::move(target);
    return true;
}

bool SameInUse(const ProfileSet& a, const ProfileSet& b) {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (a[slot].inUse != b[slot].inUse) return false;
        if (a[slot].inUse != 1) continue;
        ProfileRecord x = a[slot];
        x.filePath = b[slot].filePath;
        if (!(x == b[slot])) return false;
    }
    return true;
}

// Removes `names` from `folder`, then the folder once empty; whatever stays is noted.
void RemoveOwn(FileSystem& fs, const fsys::path& folder, const std::vector<fsys::path>& names,
               MoveResult* result) {
    for (const fsys::path& name : names) {
        std::string error;
        if (!fs.Remove(folder / name, &error) && result && result->error.empty())
            result->error = error;
    }
    if (!fs.IsDirectory(folder)) return;
    const std::vector<fsys::path> rest = fs.List(folder);
    if (rest.empty()) {
        (void)fs.RemoveEmptyFolder(folder, nullptr);
        return;
    }
    if (result)
        for (const fsys::path& name : rest) result->leftBehind.push_back(folder / name);
}

// The data root and "Kesta" above it go when nothing but the lock file is left in them.
void RemoveEmptyRoot(FileSystem& fs, const fsys::path& dataFolder, MoveResult* result) {
    const fsys::path root = DataRoot(dataFolder);
    if (!fs.IsDirectory(root)) return;
    std::vector<fsys::path> rest = fs.List(root);
    std::erase(rest, fsys::path(kDataLockFileName));
    if (!rest.empty()) {
        if (result)
            for (const fsys::path& name : rest)
                if (!fs.IsDirectory(root / name)) result->leftBehind.push_back(root / name);
        return;
    }
    (void)fs.Remove(root / kDataLockFileName, nullptr);
    if (fs.RemoveEmptyFolder(root, nullptr) && fs.List(root.parent_path()).empty())
        (void)fs.RemoveEmptyFolder(root.parent_path(), nullptr);
}

const LibraryFormat* const kFormats[] = {&kBindKeyFormat, &kShortcutFormat, &kTextBlockFormat,
                                         &kMacroFormat, &kCustomHotkeyFormat};

// The profile folder and the five library folders.
std::vector<fsys::path> DataFolders(const fsys::path& dataFolder) {
    std::vector<fsys::path> folders = {ProfileFolder(dataFolder)};
    for (const LibraryFormat* format : kFormats)
        folders.push_back(LibraryFolder(dataFolder, *format));
    return folders;
}

}  // namespace

FolderRelation CompareDataFolders(const FileSystem& fs, const fsys::path& a, const fsys::path& b) {
    const fsys::path x = Canonical(a);
    const fsys::path y = Canonical(b);
    if (SamePlace(fs, x, y)) return FolderRelation::kSame;
    // The trees may be links of their own.
    const fsys::path treeX = Canonical(DataRoot(x));
    const fsys::path treeY = Canonical(DataRoot(y));
    if (SamePlace(fs, treeX, treeY)) return FolderRelation::kSame;
    if (Within(fs, treeX, treeY) || Within(fs, treeY, treeX)) return FolderRelation::kNested;
    return FolderRelation::kDistinct;
}

bool HoldsDataTree(FileSystem& fs, const fsys::path& dataFolder) {
    for (const fsys::path& folder : DataFolders(dataFolder))
        if (fs.IsDirectory(folder) && !fs.List(folder).empty()) return true;
    return false;
}

MoveResult MoveDataFolder(FileSystem& fs, Clock& clock, const fsys::path& from,
                          const fsys::path& to, ProfileSet& set, MacroLibrary* liveMacros,
                          const MoveOptions& options) {
    MoveResult result;
    auto fail = [&](MoveStatus status, std::string error) {
        result.status = status;
        result.error = std::move(error);
        return result;
    };
    if (!to.is_absolute())
        return fail(MoveStatus::kNotAbsolute, "not a full path: " + PathToUtf8(to));
    switch (CompareDataFolders(fs, from, to)) {
        case FolderRelation::kSame:
            result.status = MoveStatus::kSameFolder;
            return result;
        case FolderRelation::kNested:
            return fail(MoveStatus::kNested, "the data folders " + PathToUtf8(from) + " and " +
                                                 PathToUtf8(to) + " lie inside each other");
        case FolderRelation::kDistinct:
            break;
    }
    if (fs.Exists(to) && !fs.IsDirectory(to))
        return fail(MoveStatus::kNotAFolder, PathToUtf8(to) + " is not a folder");
    if (!fs.Exists(to)) {
        if (!options.createFolder)
            return fail(MoveStatus::kMissingFolder,
                        "the folder " + PathToUtf8(to) + " does not exist");
        std::string error;
        if (!fs.CreateDirectories(to, &error)) return fail(MoveStatus::kFailed, error);
    }
    const bool targetHeldData = HoldsDataTree(fs, to);
    if (targetHeldData && !options.mergeIntoExisting)
        return fail(MoveStatus::kTargetHasData,
                    PathToUtf8(DataRoot(to)) + " already holds profiles or libraries");
    const bool targetHadTree = fs.Exists(DataRoot(to));

    bool moved = false;
    ProfileSet oldDisk;
    BindKeyLibrary oldBindKeys = BindKeyLibrary::ForDataFolder(from);
    ShortcutLibrary oldShortcuts = ShortcutLibrary::ForDataFolder(from);
    TextBlockLibrary oldTextBlocks = TextBlockLibrary::ForDataFolder(from);
    MacroLibrary oldMacros = MacroLibrary::ForDataFolder(from);
    CustomHotkeyLibrary oldHotkeys = CustomHotkeyLibrary::ForDataFolder(from);
    MacroLibrary savedMacros;
    {
        // Both folders, always in one order, so that two programs never wait for each other.
        // An old folder that is gone or cannot take a lock file (a read-only medium) has no
        // writer to keep out, and its data must still be able to leave it.
        const bool lockFrom = fs.IsDirectory(from);
        const bool fromFirst = Canonical(from).native() < Canonical(to).native();
        std::string error;
        std::vector<LockAttempt> locks;
        for (bool isFrom : {fromFirst, !fromFirst}) {
            if (isFrom && !lockFrom) continue;
            locks.push_back(LockDataFolder(isFrom ? from : to, clock, &error));
            const LockStatus status = locks.back().status;
            if (status == LockStatus::kBusy) return fail(MoveStatus::kBusy, error);
            if (status == LockStatus::kError && !isFrom) return fail(MoveStatus::kFailed, error);
        }
        error.clear();

        LoadProfileSet(fs, oldDisk, from, /*recover=*/true);
        oldBindKeys.Load(fs);
        oldShortcuts.Load(fs);
        oldTextBlocks.Load(fs);
        oldMacros.Load(fs);
        oldHotkeys.Load(fs);

        LibraryRenumbering renumbering;
        BindKeyLibrary bindKeys(fsys::path{});
        ShortcutLibrary shortcuts(fsys::path{});
        TextBlockLibrary textBlocks(fsys::path{});
        CustomHotkeyLibrary hotkeys(fsys::path{});
        std::optional<IdMap> none;
        ProfileSet movedSet = set;
        moved = MoveLibrary(fs, oldBindKeys, to, &none, &bindKeys, &error) &&
                MoveLibrary(fs, oldShortcuts, to, &renumbering.shortcuts, &shortcuts, &error) &&
                MoveLibrary(fs, oldTextBlocks, to, &renumbering.textBlocks, &textBlocks, &error) &&
                MoveLibrary(fs, liveMacros ? *liveMacros : oldMacros, to, &renumbering.macros,
                            &savedMacros, &error) &&
                MoveLibrary(fs, oldHotkeys, to, &renumbering.hotkeys, &hotkeys, &error);
        if (moved) {
            RemapBindings(movedSet, renumbering);
            moved = SaveProfileSetForSystemPage(fs, movedSet, to, &error);
            if (moved) {
                ProfileSet check;
                LoadProfileSet(fs, check, to, /*recover=*/false);
                moved = SameInUse(check, movedSet);
                if (!moved)
                    error = "the profiles written to " + PathToUtf8(ProfileFolder(to)) +
                            " do not read back as written";
            }
        }
        if (moved && options.beforeRemovingOld) moved = options.beforeRemovingOld(&error);
        if (!moved) {
            result = fail(MoveStatus::kFailed, error);
            // A tree that was not there before goes again, also what an interrupted save
            // staged; a merged one keeps every entry, and a retry merges again.
            if (!targetHeldData) {
                for (const fsys::path& folder : DataFolders(to)) {
                    RecoverFolder(fs, folder);
                    std::vector<fsys::path> files;
                    for (const fsys::path& name : fs.List(folder))
                        if (!fs.IsDirectory(folder / name)) files.push_back(name);
                    RemoveOwn(fs, folder, files, nullptr);
                }
            }
        } else {
            set = std::move(movedSet);
            if (liveMacros) *liveMacros = savedMacros;
            result.status = MoveStatus::kMoved;
            // Only now, with everything written and read back, does the old tree go.
            RemoveOwn(fs, ProfileFolder(from), oldDisk.folderState().owned, &result);
            const FolderState* states[] = {&oldBindKeys.loadState(), &oldShortcuts.loadState(),
                                           &oldTextBlocks.loadState(), &oldMacros.loadState(),
                                           &oldHotkeys.loadState()};
            for (size_t i = 0; i < std::size(kFormats); ++i)
                RemoveOwn(fs, LibraryFolder(from, *kFormats[i]), states[i]->owned, &result);
        }
    }
    // The locks are released: their files may go with their folders.
    if (moved)
        RemoveEmptyRoot(fs, from, &result);
    else if (!targetHadTree)
        RemoveEmptyRoot(fs, to, nullptr);
    return result;
}

}  // namespace z7
