// The data folder as people use it: two programs at once, copied folders, damaged files, odd
// names. Every case here lost data or reported a failure as success before.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "core/buttons/bind_key_library.h"
#include "core/buttons/text_block_library.h"
#include "core/macros/custom_hotkey_library.h"
#include "core/profile/profile_file.h"
#include "core/profile/profile_store.h"
#include "core/util/clock.h"
#include "core/util/text.h"
#include "platform/process_lock.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"

namespace z7 {
namespace {
namespace fsys = std::filesystem;

class DataFolderCommands : public ::testing::Test {
  protected:
    test::TempDir dir;
    fsys::path data() const { return dir / "data"; }
    fsys::path root() const { return data() / "Kesta" / "Z7 Laser"; }
    fsys::path profiles() const { return root() / "Profiles"; }
    fsys::path textBlocks() const { return root() / "Text Block"; }

    test::CliResult Run(std::vector<std::string> args, const fsys::path& folder = {}) {
        args.insert(args.begin(), {"--data-dir", PathToUtf8(folder.empty() ? data() : folder),
                                   "--config", PathToUtf8(dir / "none.ini")});
        return test::RunCli(args);
    }
    std::string Out(std::vector<std::string> args) {
        const auto r = Run(std::move(args));
        EXPECT_EQ(r.code, 0) << r.err;
        return r.out;
    }
    static std::vector<uint8_t> Profile(const ProfileRecord& r) { return *SerializeProfile(r); }
};

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Another program holding the data folder makes a writer wait; past the bounded wait it gives
// up with exit 1 and says why, and nothing it would have touched is touched (staged files of
// the other writer's save included).
TEST_F(DataFolderCommands, AWriterWaitsForTheHolderAndGivesUpClearly) {
    ASSERT_EQ(Run({"library", "add", "textblock", "a", "t"}).code, 0);
    test::WriteBytes(textBlocks() / "b.tb.z7new", {1, 2, 3});  // the holder's save in progress
    SystemClock clock;
    LockAttempt other = AcquireProcessLock(root() / "data.lock", Millis(0), clock);
    ASSERT_EQ(other.status, LockStatus::kAcquired);

    for (const std::vector<std::string>& cmd :
         {std::vector<std::string>{"--virtual-time", "library", "add", "textblock", "c", "t"},
          {"--virtual-time", "library", "list", "textblock"},
          {"--virtual-time", "profile", "set", "1", "cpiX=900"}}) {
        const auto r = Run(cmd);
        EXPECT_EQ(r.code, 1) << cmd[2];
        EXPECT_TRUE(Has(r.err, "another program")) << r.err;
    }
    EXPECT_TRUE(fsys::exists(textBlocks() / "b.tb.z7new"));
    EXPECT_FALSE(fsys::exists(profiles()));

    other.lock.reset();
    ASSERT_EQ(Run({"library", "add", "textblock", "c", "t"}).code, 0);
    EXPECT_FALSE(fsys::exists(textBlocks() / "b.tb.z7new")) << "an abandoned save is cleaned up";
    EXPECT_EQ(Out({"library", "list", "textblock"}), "0\ta\tt\n1\tc\tt\n");
}

// A copy of the data folder reads and changes only itself, whatever paths its list stores, and
// a list entry naming a folder never gets that folder deleted.
TEST_F(DataFolderCommands, ACopiedFolderNeverTouchesTheOriginalAndNoFolderIsDeleted) {
    ASSERT_EQ(Run({"profile", "save"}).code, 0);
    ASSERT_EQ(Run({"profile", "set", "1", "profileName=Game"}).code, 0);
    const fsys::path copy = dir / "copy";
    fsys::copy(data(), copy, fsys::copy_options::recursive);
    const fsys::path original = profiles() / "Game.profile";
    const auto before = test::ReadBytes(original);

    ASSERT_EQ(Run({"profile", "delete", "1"}, copy).code, 0);
    EXPECT_EQ(test::ReadBytes(original), before);
    EXPECT_FALSE(fsys::exists(copy / "Kesta" / "Z7 Laser" / "Profiles" / "Game.profile"));
    ASSERT_EQ(Run({"profile", "set", "2", "profileName=Copy"}, copy).code, 0);
    EXPECT_FALSE(Has(Out({"profile", "list"}), "Copy"));

    // Slot 2 listed twice: its profile, then a folder outside. Deleting slot 2 removes the
    // profile's file and nothing else.
    const fsys::path victim = dir / "victim";
    test::WriteBytes(victim / "precious.txt", {1});
    std::vector<ProfileListEntry> list;
    ASSERT_TRUE(ParseProfileList(test::ReadBytes(profiles() / "pfList.dat"), list));
    list.push_back({2, PathToUtf16(victim)});
    test::WriteBytes(profiles() / "pfList.dat", SerializeProfileList(list));
    ASSERT_EQ(Run({"profile", "delete", "2"}).code, 0);
    EXPECT_TRUE(fsys::exists(victim / "precious.txt"));
    EXPECT_FALSE(Has(Out({"profile", "list"}), "配置2"));
}

// A save removes only what it wrote before; the user's files and folders beside the data stay.
TEST_F(DataFolderCommands, ASaveKeepsWhatIsNotItsOwn) {
    ASSERT_EQ(Run({"profile", "save"}).code, 0);
    ASSERT_EQ(Run({"library", "add", "textblock", "a", "t"}).code, 0);
    const auto backup = Profile(CreateProfileRecord());
    test::WriteBytes(profiles() / "backup.profile", backup);
    test::WriteBytes(profiles() / "notes.txt", {'n'});
    test::WriteBytes(root() / "Macros" / "my backups" / "old.macro", {1});
    test::WriteBytes(textBlocks() / "exported.tb", SerializeTextBlockItem({0, u"mine", u"x"}));

    ASSERT_EQ(Run({"profile", "set", "2", "cpiX=900"}).code, 0);
    ASSERT_EQ(Run({"library", "add", "textblock", "exported", "t"}).code, 0);
    EXPECT_EQ(test::ReadBytes(profiles() / "backup.profile"), backup);
    EXPECT_TRUE(fsys::exists(profiles() / "notes.txt"));
    EXPECT_TRUE(fsys::exists(root() / "Macros" / "my backups" / "old.macro"));
    EXPECT_EQ(test::ReadBytes(textBlocks() / "exported.tb"),
              SerializeTextBlockItem({0, u"mine", u"x"}))
        << "the new entry's file goes beside the user's";
    EXPECT_EQ(Out({"library", "list", "textblock"}), "0\ta\tt\n1\texported\tt\n");
}

// A list with its count's top bit set (or any other damage) is no empty library: the folder's
// items are read, and the next save keeps every one of them.
TEST_F(DataFolderCommands, ADamagedListLosesNoItem) {
    ASSERT_EQ(Run({"library", "add", "textblock", "a", "t"}).code, 0);
    ASSERT_EQ(Run({"library", "add", "textblock", "b", "t"}).code, 0);
    auto list = test::ReadBytes(textBlocks() / "TBList.dat");
    list[3] = 0x90;
    test::WriteBytes(textBlocks() / "TBList.dat", list);
    const auto r = Run({"library", "add", "textblock", "c", "t"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(Has(r.err, "TBList.dat")) << r.err;
    EXPECT_EQ(Out({"library", "list", "textblock"}), "0\ta\tt\n1\tb\tt\n2\tc\tt\n");
}

// A damaged profile or item is reported, kept byte for byte, and the rest loads and saves.
TEST_F(DataFolderCommands, ADamagedFileIsReportedAndKept) {
    ASSERT_EQ(Run({"profile", "save"}).code, 0);
    ASSERT_EQ(Run({"profile", "set", "3", "profileName=Keep"}).code, 0);
    auto bytes = test::ReadBytes(profiles() / "Keep.profile");
    bytes.resize(bytes.size() / 2);
    test::WriteBytes(profiles() / "Keep.profile", bytes);

    auto r = Run({"profile", "list"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(Has(r.err, "Keep.profile")) << r.err;
    EXPECT_FALSE(Has(r.out, "Keep"));
    ASSERT_EQ(Run({"profile", "set", "1", "cpiX=900"}).code, 0);
    ASSERT_EQ(Run({"profile", "new"}).code, 0);  // takes the free slot 3, under another file
    EXPECT_EQ(test::ReadBytes(profiles() / "Keep.profile"), bytes);

    ASSERT_EQ(Run({"library", "add", "textblock", "a", "t"}).code, 0);
    ASSERT_EQ(Run({"library", "add", "textblock", "b", "t"}).code, 0);
    auto item = test::ReadBytes(textBlocks() / "a.tb");
    item.pop_back();
    test::WriteBytes(textBlocks() / "a.tb", item);
    r = Run({"library", "add", "textblock", "a", "again"});
    ASSERT_EQ(r.code, 0);
    EXPECT_TRUE(Has(r.err, "a.tb")) << r.err;
    EXPECT_EQ(test::ReadBytes(textBlocks() / "a.tb"), item);
    r = Run({"library", "list", "textblock"});
    EXPECT_EQ(r.out, "0\tb\tt\n1\ta\tagain\n");
    EXPECT_TRUE(Has(r.err, "a.tb")) << "still reported: " << r.err;
}

// A reader takes only whole files of its own kind.
TEST_F(DataFolderCommands, ImportTakesOnlyFilesOfItsKind) {
    HotkeyModifiers ctrl;
    ctrl.ctrl = true;
    const auto hotkey = *SerializeCustomHotkeyItem(BuildHotkey(u"Hk", 0, ctrl, 0x41));
    test::WriteBytes(dir / "good.ckey", hotkey);
    EXPECT_EQ(Run({"library", "import", "macro", PathToUtf8(dir / "good.ckey")}).code, 4);
    EXPECT_EQ(Run({"library", "import", "hotkey", PathToUtf8(dir / "good.ckey")}).code, 0);

    std::mt19937 random(13);
    int accepted = 0;
    for (int i = 0; i < 40; ++i) {
        std::vector<uint8_t> junk(3000);
        for (auto& b : junk) b = static_cast<uint8_t>(random());
        test::WriteBytes(dir / "junk.bin", junk);
        for (const char* kind : {"macro", "hotkey", "shortcut", "textblock", "bindkey"})
            accepted += Run({"library", "import", kind, PathToUtf8(dir / "junk.bin")}).code == 0;
    }
    EXPECT_EQ(accepted, 0);
}

// What a writer writes, its reader reads back: names and items too large for the reader are
// refused with exit 4, and nothing is stored.
TEST_F(DataFolderCommands, ItemsTheReaderCannotHoldAreRefused) {
    const std::string huge(40000, 'n');
    auto r = Run({"library", "add", "bindkey", "65", huge});
    EXPECT_EQ(r.code, 4);
    EXPECT_TRUE(Has(r.err, "more than an item file may hold")) << r.err.substr(0, 200);
    EXPECT_EQ(Run({"library", "add", "hotkey", huge, "0x41", "--ctrl"}).code, 4);
    EXPECT_EQ(Out({"library", "list", "bindkey"}), "");
    EXPECT_EQ(Out({"library", "list", "hotkey"}), "");
}

// Names longer than a file name may be, or holding half a surrogate pair (possible in files
// written elsewhere), still save; one odd entry never blocks the others, and a committed change
// is reported as done.
TEST_F(DataFolderCommands, LongAndUnconvertibleNamesNeverBlockASave) {
    ASSERT_EQ(Run({"profile", "save"}).code, 0);
    std::string cjk;
    for (int i = 0; i < 90; ++i) cjk += "配";
    ASSERT_EQ(Run({"profile", "set", "1", "profileName=" + cjk}).code, 0);
    EXPECT_TRUE(Has(Out({"profile", "list"}), cjk));

    ProfileRecord odd = CreateProfileRecord();
    odd.profileSlot = 2;
    odd.profileName = std::u16string(u"x") + char16_t(0xD800) + u"y";
    test::WriteBytes(profiles() / PathFromUtf16(u"配置2.profile"), Profile(odd));
    const auto r = Run({"profile", "set", "1", "cpiX=1250"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(Has(Out({"--json", "profile", "show", "1"}), "\"cpiX\":[1250,800,1600]"));
    ASSERT_EQ(Run({"library", "add", "textblock", cjk + cjk + cjk, "t"}).code, 0);
    ASSERT_EQ(Run({"library", "add", "textblock", "after", "t"}).code, 0);
    EXPECT_TRUE(Has(Out({"library", "list", "textblock"}), "1\tafter\tt\n"));
}

// Two names that differ only in letter case are two entries with two files on every platform
// (on Windows the second file is named X1).
TEST_F(DataFolderCommands, NamesDifferingOnlyInCaseKeepBothEntries) {
    ASSERT_EQ(Run({"library", "add", "textblock", "x", "first"}).code, 0);
    ASSERT_EQ(Run({"library", "add", "textblock", "X", "second"}).code, 0);
    const std::string list = Out({"library", "list", "textblock"});
    EXPECT_TRUE(Has(list, "0\tx\tfirst\n")) << list;
    EXPECT_TRUE(Has(list, "\tsecond\n")) << list;
    size_t files = 0;
    for (const auto& e : fsys::directory_iterator(textBlocks()))
        files += e.path().extension() == ".tb";
    EXPECT_EQ(files, 2u);
}

// A file carrying the largest id does not make the next add take that id and replace it.
TEST_F(DataFolderCommands, NewIdsNeverCollide) {
    ASSERT_EQ(Run({"library", "add", "textblock", "seed", "t"}).code, 0);
    test::WriteBytes(textBlocks() / "seed.tb", SerializeTextBlockItem({2147483647, u"top", u"t"}));
    ASSERT_EQ(Run({"library", "add", "textblock", "new", "t"}).code, 0);
    EXPECT_EQ(Out({"library", "list", "textblock"}), "0\ttop\tt\n1\tnew\tt\n");
}

TEST_F(DataFolderCommands, AddedBindKeyReportsTheNameItWasStoredUnder) {
    ASSERT_EQ(Run({"library", "add", "bindkey", "66", "N"}).code, 0);
    ASSERT_EQ(Run({"library", "add", "bindkey", "65", "M"}).code, 0);
    const auto r = Run({"library", "add", "bindkey", "65", "N"});
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "added \"N(1)\" as key 65 (function 3067)\n");
}

// Values no page offers are replaced by the field's factory default, on import and on load,
// with a warning that names the fields.
TEST_F(DataFolderCommands, ValuesNoPageOffersAreRepairedWithAWarning) {
    ASSERT_EQ(Run({"profile", "save"}).code, 0);
    ProfileRecord crafted = CreateProfileRecord();
    crafted.profileName = u"crafted";
    crafted.pollingRate = 0;
    crafted.cpiX = {0, 800, 1600};
    crafted.cpiY = {-1, 800, 1600};
    crafted.stepCount = 0;
    crafted.currentStep = 9;
    test::WriteBytes(dir / "crafted.profile", Profile(crafted));
    auto r = Run({"profile", "import", PathToUtf8(dir / "crafted.profile"), "--slot", "1"});
    ASSERT_EQ(r.code, 0) << r.err;
    for (const char* field : {"pollingRate", "cpiX", "cpiY", "stepCount", "currentStep"})
        EXPECT_TRUE(Has(r.err, field)) << field << ": " << r.err;
    std::string show = Out({"--json", "profile", "show", "1"});
    EXPECT_TRUE(Has(show, "\"pollingRate\":1,")) << show;
    EXPECT_TRUE(Has(show, "\"cpiX\":[400,800,1600]")) << show;
    EXPECT_TRUE(Has(show, "\"stepCount\":3,\"currentStep\":2")) << show;

    crafted.profileSlot = 3;
    test::WriteBytes(profiles() / PathFromUtf16(u"配置3.profile"), Profile(crafted));
    r = Run({"--json", "profile", "show", "3"});
    EXPECT_TRUE(Has(r.err, "pollingRate")) << r.err;
    EXPECT_TRUE(Has(r.out, "\"pollingRate\":1,")) << r.out;
}

// Plain output shows control characters in names as escapes: an ESC or a line break in a name
// can neither drive the terminal nor split a listing.
TEST_F(DataFolderCommands, TextOutputEscapesControlCharacters) {
    ASSERT_EQ(Run({"profile", "save"}).code, 0);
    ASSERT_EQ(Run({"profile", "set", "1", "profileName=a\x1b[31mb\nc\xc2\x9b"}).code, 0);
    const std::string list = Out({"profile", "list"});
    EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 5);
    EXPECT_FALSE(Has(list, "\x1b"));
    EXPECT_TRUE(Has(list, "1  a\\x1b[31mb\\nc\\u009b\n")) << list;
    EXPECT_TRUE(Has(Out({"--json", "profile", "list"}), "a\\u001b[31mb\\nc")) << "JSON as before";

    ASSERT_EQ(Run({"library", "add", "textblock", "two\nlines", "x\ty"}).code, 0);
    EXPECT_EQ(Out({"library", "list", "textblock"}), "0\ttwo\\nlines\tx\\ty\n");
}

// Removing a library entry renumbers the library; every profile's binding still names the
// entry it named, and one that named the removed entry falls back to the button's factory
// function.
TEST_F(DataFolderCommands, BindingsFollowTheRenumberedLibrary) {
    ASSERT_EQ(Run({"profile", "save"}).code, 0);
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(Run({"library", "add", "shortcut", "s" + std::to_string(i),
                       "www.t" + std::to_string(i) + ".org"})
                      .code,
                  0);
    ASSERT_EQ(Run({"button", "set", "1", "2", "5005"}).code, 0);  // shortcut 3
    ASSERT_EQ(Run({"button", "set", "2", "3", "5005"}).code, 0);
    ASSERT_EQ(Run({"button", "set", "1", "4", "5003"}).code, 0);  // shortcut 1
    ASSERT_EQ(Run({"library", "remove", "shortcut", "1"}).code, 0);

    const std::string one = Out({"--json", "button", "list", "1"});
    EXPECT_TRUE(Has(one, "{\"button\":2,\"functionId\":5004,")) << one;
    EXPECT_TRUE(Has(Out({"--json", "button", "list", "2"}), "{\"button\":3,\"functionId\":5004,"));
    EXPECT_TRUE(Has(one, "{\"button\":4,\"functionId\":2105,")) << "factory function: " << one;
    EXPECT_TRUE(Has(Out({"--json", "library", "list", "shortcut"}),
                    "{\"id\":2,\"name\":\"s3\",\"kind\":1,\"target\":\"http://www.t3.org\"}"));
}

#ifndef _WIN32  // the default data folder comes from XDG_DATA_HOME here
// A settings file that cannot be read is an error, not a silent switch to the default folder;
// one that names no data folder says which folder is used instead.
TEST_F(DataFolderCommands, SettingsFileProblemsAreNotSilent) {
    const fsys::path config = dir / "Config.ini";
    ::setenv("XDG_DATA_HOME", PathToUtf8(dir / "xdg").c_str(), 1);
    std::string big = "[ConfigData]\nDataPath=" + PathToUtf8(data()) + "\n";
    big.resize((1 << 20) + 10, ';');
    test::WriteBytes(config, std::vector<uint8_t>(big.begin(), big.end()));
    auto r = test::RunCli({"--config", PathToUtf8(config), "profile", "list"});
    EXPECT_EQ(r.code, 4);
    EXPECT_TRUE(Has(r.err, "settings file")) << r.err;

    const std::string none = "[ConfigData]\nAutoStartAP=1\n";
    test::WriteBytes(config, std::vector<uint8_t>(none.begin(), none.end()));
    r = test::RunCli({"--config", PathToUtf8(config), "profile", "list"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(Has(r.err, "warning")) << r.err;
    EXPECT_TRUE(Has(r.err, PathToUtf8(dir / "xdg"))) << r.err;
    ::unsetenv("XDG_DATA_HOME");
}
#endif

}  // namespace
}  // namespace z7
