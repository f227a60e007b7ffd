#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/buttons/bind_key_library.h"
#include "core/buttons/library_list.h"
#include "core/buttons/shortcut_library.h"
#include "core/buttons/text_block_library.h"
#include "core/macros/custom_hotkey_library.h"
#include "core/macros/macro_file.h"
#include "core/util/text.h"
#include "platform/fake/faulty_file_system.h"
#include "platform/fake/memory_file_system.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"

namespace z7 {
namespace {
namespace fsys = std::filesystem;

std::vector<std::u16string> ListedPaths(const fsys::path& listFile) {
    std::vector<std::u16string> paths;
    EXPECT_TRUE(ParseLibraryList(test::ReadBytes(listFile), paths));
    return paths;
}

TEST(LibraryList, ListFileBytesAndDamagedCounts) {
    const auto bytes = SerializeLibraryList({u"/d/a.sc"});
    const std::vector<uint8_t> expected = {1, 0,   0, 0,   7, 0,   0, 0,   '/', 0,   'd',
                                           0, '/', 0, 'a', 0, '.', 0, 's', 0,   'c', 0};
    EXPECT_EQ(bytes, expected);

    // Anything but exactly what the writer writes is damage (the loader then reads the folder).
    std::vector<std::u16string> paths = {u"unchanged"};
    EXPECT_FALSE(ParseLibraryList(std::vector<uint8_t>{0, 0, 0, 0x90}, paths)) << "top bit";
    EXPECT_FALSE(ParseLibraryList(std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0}, paths));
    auto truncated = bytes;
    truncated.pop_back();
    EXPECT_FALSE(ParseLibraryList(truncated, paths));
    auto trailing = bytes;
    trailing.push_back(0);
    EXPECT_FALSE(ParseLibraryList(trailing, paths));
    EXPECT_FALSE(ParseLibraryList(std::vector<uint8_t>{1, 0, 0, 0, 0, 0, 0, 0}, paths))
        << "empty path";
    EXPECT_FALSE(ParseLibraryList(std::vector<uint8_t>{1, 0, 0, 0, 0, 0, 0, 0x80}, paths));
    EXPECT_EQ(paths, std::vector<std::u16string>{u"unchanged"});
    EXPECT_TRUE(ParseLibraryList(std::vector<uint8_t>{0, 0, 0, 0}, paths));
    EXPECT_TRUE(paths.empty());
}

TEST(LibraryList, SuffixedAndUniqueNames) {
    EXPECT_EQ(NextSuffixedName(u"N"), u"N(1)");
    EXPECT_EQ(NextSuffixedName(u"N(1)"), u"N(2)");
    EXPECT_EQ(NextSuffixedName(u"a(x"), u"a(1)");
    EXPECT_EQ(NextSuffixedName(u"a(7)b(2)"), u"a(8)");  // the first "(" counts
    const std::vector<std::u16string> taken = {u"N", u"N(1)", u"M"};
    auto isTaken = [&](const std::u16string& n) {
        return std::find(taken.begin(), taken.end(), n) != taken.end();
    };
    EXPECT_EQ(UniqueName(u"N", isTaken), u"N(2)");
    EXPECT_EQ(UniqueName(u"Q", isTaken), u"Q");
    // A saturated number must not loop for ever on a taken name.
    const std::u16string huge = u"x(99999999999999999999)";
    EXPECT_NE(NextSuffixedName(huge), huge);
}

class LibraryFolderTest : public ::testing::Test {
  protected:
    test::TempDir dir;
    FileSystem& fs = LocalFileSystem();
};

TEST_F(LibraryFolderTest, SaveRenumbersIdsAndTheCurrentIdFollowsItsEntry) {
    ShortcutLibrary lib = ShortcutLibrary::ForDataFolder(dir.path());
    lib.entries() = {
        {7, 1, u"a", u"http://a"}, {501, 1, u"b", u"http://b"}, {3, 1, u"c", u"http://c"}};
    int32_t current = 501;
    ASSERT_TRUE(lib.Save(fs, &current, nullptr));
    EXPECT_EQ(current, 1);
    ShortcutLibrary again = ShortcutLibrary::ForDataFolder(dir.path());
    again.Load(fs);
    ASSERT_EQ(again.entries().size(), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(again.entries()[size_t(i)].id, i);
    const auto paths = ListedPaths(lib.folder() / "SCList.dat");
    ASSERT_EQ(paths.size(), 3u);
    EXPECT_EQ(PathFromUtf16(paths[2]), lib.folder() / "c.sc");
}

TEST_F(LibraryFolderTest, MissingItemFilesAreSkippedAndTheNextSaveRenumbers) {
    ShortcutLibrary lib = ShortcutLibrary::ForDataFolder(dir.path());
    lib.entries() = {
        {0, 1, u"a", u"http://a"}, {1, 1, u"b", u"http://b"}, {2, 1, u"c", u"http://c"}};
    ASSERT_TRUE(lib.Save(fs, nullptr, nullptr));
    fsys::remove(lib.folder() / "a.sc");
    lib.Load(fs);
    ASSERT_EQ(lib.entries().size(), 2u);
    EXPECT_EQ(lib.entries()[0].id, 1);
    EXPECT_EQ(lib.entries()[1].id, 2);
    ASSERT_TRUE(lib.Save(fs, nullptr, nullptr));
    EXPECT_EQ(lib.entries()[1].id, 1);
    EXPECT_EQ(lib.entries()[1].name, u"c");
    EXPECT_EQ(ListedPaths(lib.folder() / "SCList.dat").size(), 2u);
}

TEST_F(LibraryFolderTest, ClashingFileNamesGrowTheEntryName) {
    BindKeyLibrary lib = BindKeyLibrary::ForDataFolder(dir.path());
    lib.entries() = {{65, u"a"}, {66, u"a"}, {67, u"x"}, {68, u"X"}};
    ASSERT_TRUE(lib.Save(fs, nullptr));
    EXPECT_EQ(lib.entries()[1].name, u"a1");
    EXPECT_TRUE(fsys::exists(lib.folder() / "a1.bindkey"));
    // Where file names are case-sensitive (Linux), x and X stay two files under their own
    // names; where they are not (Windows, the platform's own rule), the second becomes X1.
    EXPECT_EQ(lib.entries()[3].name, fs.nameRules().ignoreCase ? u"X1" : u"X");
    // Where the file system ignores case (Windows) it sees one file: the second entry is X1.
    MemoryFileSystem windowsLike({.maxNameUnits = 255, .utf16Units = true, .ignoreCase = true});
    BindKeyLibrary cased = BindKeyLibrary::ForDataFolder(dir.path());
    cased.entries() = {{67, u"x"}, {68, u"X"}};
    ASSERT_TRUE(cased.Save(windowsLike, nullptr));
    EXPECT_EQ(cased.entries()[1].name, u"X1");
    EXPECT_TRUE(windowsLike.Exists(cased.folder() / "x.bindkey"));
    EXPECT_TRUE(windowsLike.Exists(cased.folder() / "X1.bindkey"));
}

TEST_F(LibraryFolderTest, OddNamesStayInsideTheFolderAndKeepTheirName) {
    BindKeyLibrary lib = BindKeyLibrary::ForDataFolder(dir.path());
    const std::u16string longName(300, u'n');
    lib.entries() = {{65, u"../x"},  {66, u"a/b"},   {67, u"c:?"},        {68, u""},
                     {69, longName}, {70, longName}, {71, u"bindKeyList"}};
    ASSERT_TRUE(lib.Save(fs, nullptr));
    EXPECT_FALSE(fsys::exists(lib.folder().parent_path() / "x.bindkey"));
    for (const auto& entry : fsys::directory_iterator(lib.folder()))
        EXPECT_EQ(entry.path().parent_path(), lib.folder());
    EXPECT_EQ(ListedPaths(lib.folder() / "bindKeyList.dat").size(), 7u);
    BindKeyLibrary again = BindKeyLibrary::ForDataFolder(dir.path());
    again.Load(fs);
    ASSERT_EQ(again.entries().size(), 7u);
    EXPECT_EQ(again.entries()[0].name, u"../x");
    EXPECT_EQ(again.entries()[1].name, u"a/b");
    EXPECT_EQ(again.entries()[2].name, u"c:?");
    EXPECT_EQ(again.entries()[3].name, u"");
    EXPECT_EQ(again.entries()[4].name, longName);
}

TEST_F(LibraryFolderTest, SaveReplacesTheFolderOnlyOnceTheNewSetIsComplete) {
    BindKeyLibrary lib = BindKeyLibrary::ForDataFolder(dir.path());
    lib.entries() = {{65, u"old"}};
    ASSERT_TRUE(lib.Save(fs, nullptr));
    fsys::create_directories(lib.folder() / "stray");
    test::WriteBytes(lib.folder() / "stray.txt", {1});
    lib.entries() = {{66, u"new1"}, {67, u"new2"}};
    for (int allowed = 0; allowed < 6; ++allowed) {
        FaultyFileSystem faulty(fs, allowed);
        BindKeyLibrary copy = lib;
        std::string error;
        if (copy.Save(faulty, &error)) break;
        EXPECT_FALSE(error.empty());
        BindKeyLibrary seen = BindKeyLibrary::ForDataFolder(dir.path());
        seen.Load(fs);
        const bool old = seen.entries() == std::vector<BindKeyEntry>{{65, u"old"}};
        EXPECT_TRUE(old || seen.entries() == lib.entries()) << "after " << allowed << " changes";
    }
    ASSERT_TRUE(lib.Save(fs, nullptr));
    // The old item goes; what the library never had stays.
    EXPECT_FALSE(fsys::exists(lib.folder() / "old.bindkey"));
    EXPECT_TRUE(fsys::exists(lib.folder() / "stray"));
    EXPECT_TRUE(fsys::exists(lib.folder() / "stray.txt"));
}

#ifndef _WIN32  // inode numbers tell a rewritten file from a kept one
TEST_F(LibraryFolderTest, UnchangedItemsAreNotRewritten) {
    BindKeyLibrary lib = BindKeyLibrary::ForDataFolder(dir.path());
    lib.entries() = {{65, u"a"}, {66, u"b"}};
    ASSERT_TRUE(lib.Save(fs, nullptr));
    auto inode = [&](const char* name) {
        struct stat st {};
        EXPECT_EQ(stat((lib.folder() / name).c_str(), &st), 0);
        return st.st_ino;
    };
    const auto a = inode("a.bindkey"), b = inode("b.bindkey");
    lib.entries()[1].key = 67;
    ASSERT_TRUE(lib.Save(fs, nullptr));
    EXPECT_EQ(inode("a.bindkey"), a);
    EXPECT_NE(inode("b.bindkey"), b);
    BindKeyLibrary again = BindKeyLibrary::ForDataFolder(dir.path());
    again.Load(fs);
    EXPECT_EQ(again.entries(), lib.entries());
}
#endif

TEST_F(LibraryFolderTest, DamagedListStillFindsTheItemFiles) {
    BindKeyLibrary lib = BindKeyLibrary::ForDataFolder(dir.path());
    lib.entries() = {{66, u"b"}, {65, u"a"}};
    ASSERT_TRUE(lib.Save(fs, nullptr));
    auto list = test::ReadBytes(lib.folder() / "bindKeyList.dat");
    list.resize(list.size() - 3);
    test::WriteBytes(lib.folder() / "bindKeyList.dat", list);
    test::WriteBytes(lib.folder() / "broken.bindkey", {9, 0, 0, 0, 'x'});
    lib.Load(fs);
    EXPECT_EQ(lib.entries(), (std::vector<BindKeyEntry>{{65, u"a"}, {66, u"b"}}));
}

TEST_F(LibraryFolderTest, ListWrittenElsewhereFindsTheFilesByName) {
    BindKeyLibrary lib = BindKeyLibrary::ForDataFolder(dir.path());
    fsys::create_directories(lib.folder());
    test::WriteBytes(lib.folder() / "k.bindkey", SerializeBindKeyItem({75, u"k"}));
    test::WriteBytes(lib.folder() / "bindKeyList.dat",
                     SerializeLibraryList(
                         {u"C:\\Users\\u\\AppData\\Roaming\\Kesta\\Z7 Laser\\BindKeys\\k.bindkey",
                          u"C:\\gone\\missing.bindkey"}));
    lib.Load(fs);
    EXPECT_EQ(lib.entries(), (std::vector<BindKeyEntry>{{75, u"k"}}));

    // Paths outside the folder, and things that are no plain files, are not read.
    const auto outside = dir / "outside.bindkey";
    test::WriteBytes(outside, SerializeBindKeyItem({76, u"outside"}));
#ifndef _WIN32
    ASSERT_EQ(mkfifo((lib.folder() / "fifo.bindkey").c_str(), 0600), 0);
#endif
    test::WriteBytes(
        lib.folder() / "bindKeyList.dat",
        SerializeLibraryList({outside.u16string(), (lib.folder() / "fifo.bindkey").u16string(),
                              u"..", u"", u"k.bindkey"}));
    lib.Load(fs);
    EXPECT_EQ(lib.entries(), (std::vector<BindKeyEntry>{{75, u"k"}}));
}

TEST_F(LibraryFolderTest, ImportedFilesAreDeletedOnlyInsideTheLibraryFolder) {
    BindKeyLibrary lib = BindKeyLibrary::ForDataFolder(dir.path());
    lib.entries() = {{65, u"A"}};
    ASSERT_TRUE(lib.Save(fs, nullptr));
    const fsys::path outside = dir / "mine.bindkey";
    test::WriteBytes(outside, SerializeBindKeyItem({65, u"A"}));
    lib.Delete(fs, 65, u"A", outside);
    EXPECT_TRUE(fsys::exists(outside));
    EXPECT_TRUE(lib.entries().empty());
    const fsys::path sneaky = lib.folder() / ".." / "mine.bindkey";
    lib.Delete(fs, 65, u"A", sneaky);
    EXPECT_TRUE(fsys::exists(outside));
    lib.Delete(fs, 65, u"A", lib.folder() / "A.bindkey");
    EXPECT_FALSE(fsys::exists(lib.folder() / "A.bindkey"));
}

// A damaged item is left on disk byte for byte, reported, and stays listed after the sound
// entries, so that every later load reports it again (and reads it once it is repaired).
TEST_F(LibraryFolderTest, DamagedItemsAreKeptReportedAndStayListed) {
    TextBlockLibrary lib = TextBlockLibrary::ForDataFolder(dir.path());
    lib.entries() = {{0, u"a", u"1"}, {1, u"b", u"2"}, {2, u"c", u"3"}};
    ASSERT_TRUE(lib.Save(fs, nullptr, nullptr));
    const auto sound = test::ReadBytes(lib.folder() / "b.tb");
    auto damaged = sound;
    damaged.push_back(0);  // a byte after the last field
    test::WriteBytes(lib.folder() / "b.tb", damaged);

    lib.Load(fs);
    EXPECT_EQ(lib.entries(), (std::vector<TextBlockEntry>{{0, u"a", u"1"}, {2, u"c", u"3"}}));
    ASSERT_EQ(lib.loadState().issues.size(), 1u);
    EXPECT_EQ(lib.loadState().issues[0].kind, DataIssue::Kind::DamagedFile);
    EXPECT_EQ(lib.loadState().issues[0].file, lib.folder() / "b.tb");

    lib.entries().push_back({9, u"b", u"new"});  // the same name as the damaged file
    ASSERT_TRUE(lib.Save(fs, nullptr, nullptr));
    EXPECT_EQ(test::ReadBytes(lib.folder() / "b.tb"), damaged);
    const auto listed = ListedPaths(lib.folder() / "TBList.dat");
    ASSERT_EQ(listed.size(), 4u);
    EXPECT_EQ(PathFromUtf16(listed[3]), lib.folder() / "b.tb");

    test::WriteBytes(lib.folder() / "b.tb", sound);  // repaired by the user
    lib.Load(fs);
    EXPECT_TRUE(lib.loadState().issues.empty());
    EXPECT_EQ(lib.entries().back(), (TextBlockEntry{1, u"b", u"2"}));
    ASSERT_TRUE(lib.Save(fs, nullptr, nullptr));
    EXPECT_EQ(lib.entries().back().id, 3) << "ids are positions again";
}

// A list that cannot be read (here: larger than any list) is not saved over.
TEST_F(LibraryFolderTest, AListThatCannotBeReadIsNotReplaced) {
    BindKeyLibrary lib = BindKeyLibrary::ForDataFolder(dir.path());
    lib.entries() = {{65, u"a"}};
    ASSERT_TRUE(lib.Save(fs, nullptr));
    std::vector<uint8_t> huge(kMaxListFileBytes + 1, 0);
    test::WriteBytes(lib.folder() / "bindKeyList.dat", huge);
    lib.Load(fs);
    ASSERT_FALSE(lib.loadState().issues.empty());
    EXPECT_EQ(lib.loadState().issues[0].kind, DataIssue::Kind::Unreadable);
    std::string error;
    EXPECT_FALSE(lib.Save(fs, &error));
    EXPECT_NE(error.find("bindKeyList.dat"), std::string::npos) << error;
    EXPECT_EQ(test::ReadBytes(lib.folder() / "bindKeyList.dat").size(), huge.size());
}

TEST_F(LibraryFolderTest, ItemsTooLargeForTheirReaderAreRefusedAndNothingChanges) {
    BindKeyLibrary lib = BindKeyLibrary::ForDataFolder(dir.path());
    lib.entries() = {{65, u"a"}};
    ASSERT_TRUE(lib.Save(fs, nullptr));
    const auto list = test::ReadBytes(lib.folder() / "bindKeyList.dat");
    lib.entries().push_back({66, std::u16string(40000, u'n')});
    std::string error;
    EXPECT_FALSE(lib.Save(fs, &error));
    EXPECT_NE(error.find("more than an item file may hold"), std::string::npos) << error;
    EXPECT_EQ(test::ReadBytes(lib.folder() / "bindKeyList.dat"), list);
    // Just below the limit it is stored and read back.
    lib.entries().back().name.resize((kBindKeyFormat.maxItemBytes - 8) / 2);
    ASSERT_TRUE(lib.Save(fs, &error)) << error;
    BindKeyLibrary again = BindKeyLibrary::ForDataFolder(dir.path());
    again.Load(fs);
    EXPECT_EQ(again.entries(), lib.entries());
}

TEST(LibraryIds, ANewIdNeverTakesAnExistingOne) {
    std::vector<TextBlockEntry> entries;
    EXPECT_EQ(ProvisionalId(entries), 0);
    entries = {{3, u"a", u""}, {7, u"b", u""}};
    EXPECT_EQ(ProvisionalId(entries), 501);
    entries = {{INT32_MAX, u"a", u""}, {501, u"b", u""}, {502, u"c", u""}};
    EXPECT_EQ(ProvisionalId(entries), 503);

    entries = {{5, u"a", u""}, {5, u"b", u""}, {2, u"c", u""}};
    int32_t current = 2;
    const IdMap map = RenumberIds(entries, &current);
    EXPECT_EQ(current, 2);
    EXPECT_EQ(map, (IdMap{{5, 0}, {2, 2}})) << "the first entry holding an id keeps its bindings";
}

// Readers take exactly one item of their kind: nothing after it, no kind or count it cannot have.
TEST(LibraryReaders, TakeExactlyOneItemOfTheirKind) {
    auto withExtra = [](std::vector<uint8_t> bytes) {
        bytes.push_back(0);
        return bytes;
    };
    BindKeyEntry key;
    EXPECT_TRUE(ParseBindKeyItem(SerializeBindKeyItem({65, u"A"}), key));
    EXPECT_FALSE(ParseBindKeyItem(withExtra(SerializeBindKeyItem({65, u"A"})), key));
    EXPECT_FALSE(ParseBindKeyItem(SerializeBindKeyItem({0x4141, u"A"}), key)) << "no key code";
    ShortcutEntry shortcut;
    EXPECT_FALSE(ParseShortcutItem(withExtra(SerializeShortcutItem({0, 1, u"a", u"b"})), shortcut));
    EXPECT_FALSE(ParseShortcutItem(SerializeShortcutItem({0, 9, u"a", u"b"}), shortcut)) << "kind";
    TextBlockEntry text;
    EXPECT_FALSE(ParseTextBlockItem(withExtra(SerializeTextBlockItem({0, u"a", u"b"})), text));
    HotkeyModifiers ctrl;
    ctrl.ctrl = true;
    MacroData hotkey = BuildHotkey(u"h", 0, ctrl, 65);
    MacroData read;
    EXPECT_TRUE(ParseCustomHotkeyItem(*SerializeCustomHotkeyItem(hotkey), read));
    EXPECT_FALSE(ParseCustomHotkeyItem(withExtra(*SerializeCustomHotkeyItem(hotkey)), read));
    hotkey.events[0].kind = 5;
    EXPECT_FALSE(ParseCustomHotkeyItem(*SerializeCustomHotkeyItem(hotkey), read));
    Macro macro;
    macro.events.resize(1);
    macro.events[0].kind = kEventKindKey;
    EXPECT_TRUE(ParseMacroFile(SerializeMacroFile(macro), macro));
    EXPECT_FALSE(ParseMacroFile(withExtra(SerializeMacroFile(macro)), macro));
    macro.repeatMode = 0;
    EXPECT_FALSE(ParseMacroFile(SerializeMacroFile(macro), macro)) << "repeat mode";
    macro.repeatMode = 1;
    macro.events[0].flag = 2;
    EXPECT_FALSE(ParseMacroFile(SerializeMacroFile(macro), macro)) << "neither press nor release";
}

}  // namespace
}  // namespace z7
