#include "core/profile/data_folder_move.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/buttons/bind_key_library.h"
#include "core/buttons/button_function.h"
#include "core/buttons/shortcut_library.h"
#include "core/buttons/text_block_library.h"
#include "core/macros/custom_hotkey_library.h"
#include "core/macros/macro_library.h"
#include "core/profile/data_lock.h"
#include "core/profile/profile_store.h"
#include "core/profile/settings.h"
#include "core/util/text.h"
#include "platform/fake/faulty_file_system.h"
#include "platform/fake/memory_file_system.h"
#include "support/temp_dir.h"

namespace z7 {
namespace {
namespace fsys = std::filesystem;

constexpr int32_t kShortcut = static_cast<int32_t>(DeviceFunctionType::Shortcut);
constexpr int32_t kMacroType = static_cast<int32_t>(DeviceFunctionType::Macro);

Macro NamedMacro(const std::u16string& name, int32_t id, uint16_t key) {
    Macro m;
    m.name = name;
    m.id = id;
    MacroEventItem e;
    e.kind = kEventKindKey;
    e.code = key;
    e.delay = 50;
    m.events = {e};
    return m;
}

// Every file below `folder`, relative to it, sorted.
std::vector<std::string> Tree(const fsys::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    if (!fsys::exists(folder, ec)) return names;
    for (const auto& e : fsys::recursive_directory_iterator(folder))
        if (!e.is_directory()) {
            const std::u8string name = fsys::relative(e.path(), folder).generic_u8string();
            names.emplace_back(name.begin(), name.end());
        }
    std::sort(names.begin(), names.end());
    return names;
}

// What a program reading a data folder finds there.
struct Snapshot {
    ProfileSet profiles;
    std::vector<BindKeyEntry> bindKeys;
    std::vector<ShortcutEntry> shortcuts;
    std::vector<TextBlockEntry> textBlocks;
    std::vector<std::u16string> macroNames;
    std::vector<MacroData> hotkeys;
};

Snapshot Read(FileSystem& fs, const fsys::path& dataFolder) {
    Snapshot s;
    LoadProfileSet(fs, s.profiles, dataFolder, false);
    auto bindKeys = BindKeyLibrary::ForDataFolder(dataFolder);
    bindKeys.Load(fs, false);
    s.bindKeys = bindKeys.entries();
    auto shortcuts = ShortcutLibrary::ForDataFolder(dataFolder);
    shortcuts.Load(fs, false);
    s.shortcuts = shortcuts.entries();
    auto textBlocks = TextBlockLibrary::ForDataFolder(dataFolder);
    textBlocks.Load(fs, false);
    s.textBlocks = textBlocks.entries();
    auto macros = MacroLibrary::ForDataFolder(dataFolder);
    macros.Load(fs, false);
    for (const Macro& m : macros.macros()) s.macroNames.push_back(m.name);
    auto hotkeys = CustomHotkeyLibrary::ForDataFolder(dataFolder);
    hotkeys.Load(fs, false);
    s.hotkeys = hotkeys.entries();
    return s;
}

void ExpectSameData(const Snapshot& a, const Snapshot& b) {
    EXPECT_TRUE(SameProfiles(a.profiles, b.profiles));
    EXPECT_EQ(a.bindKeys, b.bindKeys);
    EXPECT_EQ(a.shortcuts, b.shortcuts);
    EXPECT_EQ(a.textBlocks, b.textBlocks);
    EXPECT_EQ(a.macroNames, b.macroNames);
    EXPECT_EQ(a.hotkeys, b.hotkeys);
}

// The local disk, except that writing into one folder fails (a full or read-only volume).
class RefusingFileSystem final : public FileSystem {
  public:
    RefusingFileSystem(FileSystem& inner, fsys::path refused)
        : inner_(inner), refused_(std::move(refused)) {}
    bool WriteFile(const fsys::path& p, std::span<const uint8_t> b, std::string* e) override {
        return Allowed(p, e) && inner_.WriteFile(p, b, e);
    }
    bool WriteFileNoSync(const fsys::path& p, std::span<const uint8_t> b, std::string* e) override {
        return Allowed(p, e) && inner_.WriteFileNoSync(p, b, e);
    }
    bool ReadFile(const fsys::path& p, std::vector<uint8_t>& o, size_t m, std::string* e) override {
        return inner_.ReadFile(p, o, m, e);
    }
    bool Rename(const fsys::path& f, const fsys::path& t, std::string* e) override {
        return inner_.Rename(f, t, e);
    }
    bool RenameNoSync(const fsys::path& f, const fsys::path& t, std::string* e) override {
        return inner_.RenameNoSync(f, t, e);
    }
    bool Remove(const fsys::path& p, std::string* e) override { return inner_.Remove(p, e); }
    bool CreateDirectories(const fsys::path& p, std::string* e) override {
        return inner_.CreateDirectories(p, e);
    }
    bool RemoveEmptyFolder(const fsys::path& p, std::string* e) override {
        return inner_.RemoveEmptyFolder(p, e);
    }
    bool Exists(const fsys::path& p) override { return inner_.Exists(p); }
    bool IsDirectory(const fsys::path& p) override { return inner_.IsDirectory(p); }
    std::vector<fsys::path> List(const fsys::path& f) override { return inner_.List(f); }
    bool Sync(const fsys::path& f, std::string* e) override { return inner_.Sync(f, e); }

  private:
    bool Allowed(const fsys::path& p, std::string* e) {
        if (p.parent_path() != refused_) return true;
        if (e) *e = "cannot create " + p.string() + ": No space left on device";
        return false;
    }
    FileSystem& inner_;
    fsys::path refused_;
};

class DataFolderMove : public ::testing::Test {
  protected:
    // A data folder as the program leaves it: a user profile whose button 3 opens the
    // shortcut "Mail" (id 1) and whose button 4 plays a macro recorded but not saved yet
    // (provisional id 501, in memory only), a file of the user's own among the profiles, and a
    // damaged macro file.
    void Populate(const fsys::path& data) {
        std::string error;
        auto bindKeys = BindKeyLibrary::ForDataFolder(data);
        bindKeys.entries() = {{65, u"Fire"}};
        ASSERT_TRUE(bindKeys.Save(fs, &error)) << error;
        auto shortcuts = ShortcutLibrary::ForDataFolder(data);
        shortcuts.entries() = {{0, kTargetWebAddress, u"Docs", u"http://a.example"},
                               {1, kTargetWebAddress, u"Mail", u"http://b.example"}};
        ASSERT_TRUE(shortcuts.Save(fs, nullptr, &error)) << error;
        auto textBlocks = TextBlockLibrary::ForDataFolder(data);
        textBlocks.entries() = {{0, u"Greeting", u"你好"}};
        ASSERT_TRUE(textBlocks.Save(fs, nullptr, &error)) << error;
        auto hotkeys = CustomHotkeyLibrary::ForDataFolder(data);
        hotkeys.entries() = {{u"Save", 0, 0, {{1, 0x11, 0, 0}, {1, 0x53, 0, 0}}}};
        ASSERT_TRUE(hotkeys.Save(fs, nullptr, &error)) << error;
        auto macros = MacroLibrary::ForDataFolder(data);
        macros.macros() = {NamedMacro(u"Combo", 0, 0x41), NamedMacro(u"Broken", 1, 0x42)};
        ASSERT_TRUE(macros.Save(fs, &error)) << error;
        test::WriteBytes(LibraryFolder(data, kMacroFormat) / "Broken.macro", {1, 2, 3});

        set = ProfileSet();
        set[1].inUse = 1;
        set[1].profileName = u"射击";
        set[1].buttonBindings[2].functionType = kShortcut;
        set[1].buttonBindings[2].functionValue = 1;
        ASSERT_TRUE(SaveProfileSet(fs, set, data, &error)) << error;
        test::WriteBytes(ProfileFolder(data) / "notes.txt", {'m', 'y'});

        live = MacroLibrary::ForDataFolder(data);
        live.Load(fs);
        live.Register(u"New", live.NewMacroId(), 1);
        ASSERT_EQ(live.macros().back().id, 501);
        set[1].buttonBindings[3].functionType = kMacroType;
        set[1].buttonBindings[3].macroId = 501;
    }

    MoveResult Move(const fsys::path& from, const fsys::path& to, MoveOptions options = {},
                    FileSystem* via = nullptr) {
        return MoveDataFolder(via ? *via : fs, clock, from, to, set, &live, options);
    }

    test::TempDir dir;
    FileSystem& fs = LocalFileSystem();
    VirtualClock clock;
    ProfileSet set;
    MacroLibrary live;
};

TEST_F(DataFolderMove, MovesProfilesAndLibrariesAndLeavesOnlyTheUsersFilesBehind) {
    const fsys::path from = dir / "old";
    const fsys::path to = dir / "new";
    Populate(from);
    fsys::create_directories(to);

    const MoveResult r = Move(from, to);
    ASSERT_EQ(r.status, MoveStatus::kMoved) << r.error;

    const Snapshot moved = Read(fs, to);
    EXPECT_EQ(moved.profiles[1].profileName, u"射击");
    EXPECT_EQ(moved.profiles[1].buttonBindings[2].functionValue, 1);  // still "Mail"
    EXPECT_EQ(moved.shortcuts[1].name, u"Mail");
    EXPECT_EQ(moved.bindKeys, (std::vector<BindKeyEntry>{{65, u"Fire"}}));
    EXPECT_EQ(moved.textBlocks.size(), 1u);
    EXPECT_EQ(moved.hotkeys.size(), 1u);
    // The macro held in memory moved too; the damaged file did not become a macro.
    EXPECT_EQ(moved.macroNames, (std::vector<std::u16string>{u"Combo", u"New"}));
    // The binding follows the macro's new id, in the set the program shows and on disk.
    EXPECT_EQ(set[1].buttonBindings[3].macroId, 1);
    EXPECT_EQ(moved.profiles[1].buttonBindings[3].macroId, 1);
    EXPECT_EQ(live.folder(), LibraryFolder(to, kMacroFormat));
    EXPECT_EQ(set.folderState().folder, ProfileFolder(to));

    // Only what this program did not write stays in the old tree, and the move says so. The
    // lock file stays with a tree that stays: another program may be waiting on it.
    EXPECT_EQ(Tree(from), (std::vector<std::string>{"Kesta/Z7 Laser/Macros/Broken.macro",
                                                    "Kesta/Z7 Laser/Profiles/notes.txt",
                                                    "Kesta/Z7 Laser/data.lock"}));
    std::vector<fsys::path> left = r.leftBehind;
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<fsys::path>{LibraryFolder(from, kMacroFormat) / "Broken.macro",
                                             ProfileFolder(from) / "notes.txt"}));
}

TEST_F(DataFolderMove, AnEmptyOldTreeGoesWithItsFolders) {
    const fsys::path from = dir / "old";
    const fsys::path to = dir / "new";
    Populate(from);
    fsys::remove(ProfileFolder(from) / "notes.txt");
    fsys::remove(LibraryFolder(from, kMacroFormat) / "Broken.macro");
    fsys::create_directories(to);
    ASSERT_EQ(Move(from, to).status, MoveStatus::kMoved);
    EXPECT_FALSE(fsys::exists(from / "Kesta"));
    EXPECT_TRUE(fsys::exists(from));  // the folder the user named stays
}

TEST_F(DataFolderMove, SpellingsOfOneFolderMoveNothing) {
    const fsys::path data = dir / "data";
    Populate(data);
    const Snapshot before = Read(fs, data);
    fsys::create_directories(dir / "sub");
    std::vector<fsys::path> spellings = {fsys::path(data.string() + "/"), data / ".",
                                         dir / "sub" / ".." / "data"};
    // Not every file system has links (Wine has none).
    std::error_code noLinks;
    fsys::create_directory_symlink(data, dir / "link", noLinks);
    if (!noLinks) spellings.push_back(dir / "link");
    for (const fsys::path& other : spellings) {
        const MoveResult r = Move(data, other);
        EXPECT_EQ(r.status, MoveStatus::kSameFolder) << other;
    }
    ExpectSameData(Read(fs, data), before);
    EXPECT_EQ(Tree(dir / "sub"), std::vector<std::string>{});

    // Where the file system ignores case, so does the comparison.
    MemoryFileSystem windowsLike(FileNameRules{255, true, true});
    EXPECT_EQ(CompareDataFolders(windowsLike, "/Users/A/Data", "/users/a/DATA/"),
              FolderRelation::kSame);
#ifdef _WIN32
    EXPECT_EQ(CompareDataFolders(fs, "/users/a/data", "/users/a/DATA"), FolderRelation::kSame);
#else
    EXPECT_EQ(CompareDataFolders(fs, "/users/a/data", "/users/a/DATA"), FolderRelation::kDistinct);
#endif
}

TEST_F(DataFolderMove, TreesInsideEachOtherAreRefusedButNeighboursAreNot) {
    const fsys::path data = dir / "data";
    Populate(data);
    const Snapshot before = Read(fs, data);
    fsys::create_directories(ProfileFolder(data) / "x");
    const fsys::path insideOld = ProfileFolder(data) / "x";
    EXPECT_EQ(Move(data, insideOld).status, MoveStatus::kNested);
    EXPECT_EQ(Move(data, DataRoot(data)).status, MoveStatus::kNested);
    ExpectSameData(Read(fs, data), before);
    EXPECT_EQ(Tree(insideOld), std::vector<std::string>{});
    // The old folder inside the new tree.
    EXPECT_EQ(CompareDataFolders(fs, DataRoot(dir / "up") / "down", dir / "up"),
              FolderRelation::kNested);

    // A folder below the old data folder, beside its tree, is a folder like any other.
    fsys::create_directories(data / "moved");
    const MoveResult r = Move(data, data / "moved");
    ASSERT_EQ(r.status, MoveStatus::kMoved) << r.error;
    EXPECT_EQ(Read(fs, data / "moved").macroNames, (std::vector<std::u16string>{u"Combo", u"New"}));
}

TEST_F(DataFolderMove, ATargetThatIsMissingOrNoFolderOrNoFullPathIsRefusedUnlessToBeCreated) {
    const fsys::path from = dir / "old";
    Populate(from);
    const fsys::path missing = dir / "a" / "b";
    EXPECT_EQ(Move(from, missing).status, MoveStatus::kMissingFolder);
    EXPECT_FALSE(fsys::exists(dir / "a"));
    test::WriteBytes(dir / "file", {1});
    EXPECT_EQ(Move(from, dir / "file").status, MoveStatus::kNotAFolder);
    EXPECT_EQ(Move(from, "relative/data").status, MoveStatus::kNotAbsolute);
    EXPECT_FALSE(fsys::exists("relative"));

    MoveOptions create;
    create.createFolder = true;
    const MoveResult r = Move(from, missing, create);
    ASSERT_EQ(r.status, MoveStatus::kMoved) << r.error;
    EXPECT_EQ(Read(fs, missing).profiles[1].profileName, u"射击");
}

TEST_F(DataFolderMove, AFailureAtAnyStepLeavesTheOldTreeWholeAndTheProgramOnIt) {
    // Every point at which the disk can stop (a crash there): before the read-back the old
    // tree and the program's own data stay as they were.
    bool completed = false;
    for (int allowed = 0; allowed < 400 && !completed; ++allowed) {
        const fsys::path from = dir / ("old" + std::to_string(allowed));
        const fsys::path to = dir / ("new" + std::to_string(allowed));
        Populate(from);
        fsys::create_directories(to);
        const Snapshot before = Read(fs, from);
        const ProfileSet shown = set;
        const size_t liveCount = live.macros().size();

        FaultyFileSystem faulty(fs, allowed);
        const MoveResult r = Move(from, to, {}, &faulty);
        if (r.status == MoveStatus::kMoved) {
            // Everything reached the new folder; only the clean-up may have stopped short, and
            // what it left is named.
            const Snapshot moved = Read(fs, to);
            EXPECT_EQ(moved.macroNames, (std::vector<std::u16string>{u"Combo", u"New"}));
            EXPECT_EQ(moved.profiles[1].profileName, u"射击");
            completed = r.leftBehind.size() == 2;
            if (!completed) {
                EXPECT_FALSE(r.error.empty());
                EXPECT_GT(r.leftBehind.size(), 2u);
            }
            continue;
        }
        ASSERT_EQ(r.status, MoveStatus::kFailed) << allowed;
        EXPECT_FALSE(r.error.empty());
        ExpectSameData(Read(fs, from), before);
        EXPECT_TRUE(SameProfiles(set, shown)) << allowed;
        EXPECT_EQ(live.macros().size(), liveCount);
        EXPECT_EQ(live.folder(), LibraryFolder(from, kMacroFormat));
    }
    EXPECT_TRUE(completed);
}

TEST_F(DataFolderMove, AFailedWriteTakesBackWhatItWroteAndSaysWhy) {
    const fsys::path from = dir / "old";
    const fsys::path to = dir / "new";
    Populate(from);
    fsys::create_directories(to);
    const Snapshot before = Read(fs, from);
    // The libraries go through; the profiles cannot be written.
    RefusingFileSystem full(fs, ProfileFolder(to));
    const MoveResult r = Move(from, to, {}, &full);
    EXPECT_EQ(r.status, MoveStatus::kFailed);
    EXPECT_NE(r.error.find("No space left"), std::string::npos) << r.error;
    ExpectSameData(Read(fs, from), before);
    EXPECT_EQ(Tree(to), std::vector<std::string>{});
    EXPECT_TRUE(fsys::exists(to));
    // Nothing keeps a second attempt from going through once there is room.
    EXPECT_EQ(Move(from, to).status, MoveStatus::kMoved);
}

TEST_F(DataFolderMove, AFolderWithDataIsMergedOnlyWhenAskedAndLosesNothing) {
    const fsys::path from = dir / "old";
    const fsys::path to = dir / "new";
    Populate(from);
    std::string error;
    // The other tree: one shortcut like ours, one of a name we use for something else, one
    // of its own; a profile of its own.
    auto theirShortcuts = ShortcutLibrary::ForDataFolder(to);
    theirShortcuts.entries() = {{0, kTargetWebAddress, u"Docs", u"http://a.example"},
                                {1, kTargetWebAddress, u"Mail", u"http://other.example"},
                                {2, kTargetWebAddress, u"Wiki", u"http://w.example"}};
    ASSERT_TRUE(theirShortcuts.Save(fs, nullptr, &error)) << error;
    ProfileSet theirs;
    theirs[2].inUse = 1;
    theirs[2].profileName = u"Theirs";
    ASSERT_TRUE(SaveProfileSet(fs, theirs, to, &error)) << error;
    const std::vector<std::string> theirFiles = Tree(to);

    EXPECT_EQ(Move(from, to).status, MoveStatus::kTargetHasData);
    EXPECT_EQ(Tree(to), theirFiles);
    EXPECT_EQ(Read(fs, from).profiles[1].profileName, u"射击");

    MoveOptions merge;
    merge.mergeIntoExisting = true;
    const MoveResult r = Move(from, to, merge);
    ASSERT_EQ(r.status, MoveStatus::kMoved) << r.error;
    const Snapshot merged = Read(fs, to);
    std::vector<std::u16string> names;
    for (const ShortcutEntry& e : merged.shortcuts) names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::u16string>{u"Docs", u"Mail", u"Mail(1)", u"Wiki"}));
    EXPECT_EQ(merged.shortcuts[2].target, u"http://other.example");
    // Our profiles are the set; theirs stay on disk for an import.
    EXPECT_EQ(merged.profiles[1].profileName, u"射击");
    EXPECT_EQ(merged.profiles[2].inUse, 0u);
    EXPECT_TRUE(fsys::exists(ProfileFolder(to) / "Theirs.profile"));
    EXPECT_EQ(merged.profiles[1].buttonBindings[2].functionValue, 1);
}

TEST_F(DataFolderMove, AnotherProgramSavingInEitherFolderMakesTheMoveWaitThenGiveUp) {
    const fsys::path from = dir / "old";
    const fsys::path to = dir / "new";
    Populate(from);
    fsys::create_directories(to);
    for (const fsys::path& busy : {from, to}) {
        LockAttempt other = LockDataFolder(busy, clock, nullptr);
        ASSERT_EQ(other.status, LockStatus::kAcquired);
        const Millis waitedBefore = clock.TotalSlept();
        const MoveResult r = Move(from, to);
        EXPECT_EQ(r.status, MoveStatus::kBusy);
        EXPECT_NE(r.error.find("another program"), std::string::npos) << r.error;
        EXPECT_GE(clock.TotalSlept() - waitedBefore, kDataLockWait);
        EXPECT_FALSE(HoldsDataTree(fs, to));
    }
    EXPECT_EQ(Move(from, to).status, MoveStatus::kMoved);
}

TEST_F(DataFolderMove, DataOfAFolderThatIsGoneMovesFromMemory) {
    const fsys::path from = dir / "gone";
    const fsys::path to = dir / "new";
    fsys::create_directories(to);
    set[1].inUse = 1;
    set[1].profileName = u"Kept";
    live = MacroLibrary::ForDataFolder(from);
    live.macros() = {NamedMacro(u"Only", 501, 0x43)};
    const MoveResult r = Move(from, to);
    ASSERT_EQ(r.status, MoveStatus::kMoved) << r.error;
    EXPECT_EQ(Read(fs, to).profiles[1].profileName, u"Kept");
    EXPECT_EQ(Read(fs, to).macroNames, std::vector<std::u16string>{u"Only"});
    EXPECT_FALSE(fsys::exists(from));
}

}  // namespace
}  // namespace z7
