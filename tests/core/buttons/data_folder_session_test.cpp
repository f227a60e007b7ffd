// The window's hold on the data folder while z7ctl changes it too.
#include "core/buttons/data_folder_session.h"

#include <gtest/gtest.h>

#include "core/buttons/library_sources.h"
#include "core/buttons/shortcut_library.h"
#include "core/util/text.h"
#include "platform/process_lock.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"

namespace z7 {
namespace {
namespace fsys = std::filesystem;

class DataFolderSessionTest : public ::testing::Test {
  protected:
    test::TempDir dir;
    FileSystem& fs = LocalFileSystem();
    VirtualClock clock;
    fsys::path data() const { return dir / "data"; }

    test::CliResult Z7ctl(std::vector<std::string> args) {
        args.insert(args.begin(),
                    {"--data-dir", PathToUtf8(data()), "--config", PathToUtf8(dir / "none.ini")});
        auto r = test::RunCli(args);
        EXPECT_EQ(r.code, 0) << r.err;
        return r;
    }
    ProfileSet OnDisk() {
        ProfileSet set;
        LoadProfileSet(fs, set, data());
        return set;
    }
};

// z7ctl changes one profile and adds a library entry while the window edits another profile:
// the window's save keeps both, and the window then shows what z7ctl did.
TEST_F(DataFolderSessionTest, AWindowSaveKeepsWhatAnotherProgramSavedMeanwhile) {
    Z7ctl({"profile", "save"});
    DataFolderSession session(fs, clock, data());
    ProfileSet window;
    session.Load(window);
    EXPECT_FALSE(session.HasUnsavedChanges(window));

    Z7ctl({"profile", "set", "2", "profileName=FromCli", "cpiX=900"});
    Z7ctl({"library", "add", "textblock", "t", "text"});
    window[1].cpiX = {500, 1000, 2000};
    window[2].pollingRate = 8;  // the same profile, another field
    EXPECT_TRUE(session.HasUnsavedChanges(window));

    bool tookOthers = false;
    std::string error;
    ASSERT_TRUE(session.Save(window, &error, SaveVariant::Normal, &tookOthers)) << error;
    EXPECT_TRUE(tookOthers);
    EXPECT_EQ(window[2].profileName, u"FromCli");
    const ProfileSet disk = OnDisk();
    EXPECT_EQ(disk[1].cpiX, (std::array<int16_t, 3>{500, 1000, 2000}));
    EXPECT_EQ(disk[2].profileName, u"FromCli");
    EXPECT_EQ(disk[2].cpiX[0], 900);
    EXPECT_EQ(disk[2].pollingRate, 8);
    EXPECT_EQ(Z7ctl({"library", "list", "textblock"}).out, "0\tt\ttext\n");
    EXPECT_FALSE(session.HasUnsavedChanges(window));
}

// Changes on disk are noticed (the window's own saves are not), and taken over when asked.
TEST_F(DataFolderSessionTest, ChangesOfOtherProgramsAreNoticedAndOwnSavesAreNot) {
    Z7ctl({"profile", "save"});
    DataFolderSession session(fs, clock, data());
    ProfileSet window;
    session.Load(window);
    window.SetCurrent(3);
    EXPECT_FALSE(session.ChangedOnDisk());
    window[1].lightBrightness = 3;
    ASSERT_TRUE(session.Save(window, nullptr));
    EXPECT_FALSE(session.ChangedOnDisk()) << "our own save";

    Z7ctl({"profile", "delete", "3"});
    std::optional<ProfileSet> disk = session.ChangedOnDisk();
    ASSERT_TRUE(disk);
    session.Adopt(window, std::move(*disk));
    EXPECT_EQ(window[3].inUse, 0u);
    EXPECT_EQ(window.currentSlot(), 0) << "the current profile was deleted";
    EXPECT_EQ(window[1].lightBrightness, 3);
    EXPECT_FALSE(session.HasUnsavedChanges(window));

    // Busy: nothing is read now; the holder's save changes the folder again when it is done.
    Z7ctl({"profile", "set", "1", "cpiX=700"});
    SystemClock real;
    LockAttempt other =
        AcquireProcessLock(data() / "Kesta" / "Z7 Laser" / "data.lock", Millis(0), real);
    EXPECT_FALSE(session.ChangedOnDisk());
    other.lock.reset();
    EXPECT_TRUE(session.ChangedOnDisk());
}

// A library whose ids are not its positions (an item file was removed by hand) is renumbered
// by the window's save; a button bound to shortcut 3 still opens the same target after
// shortcut 1 is gone.
TEST_F(DataFolderSessionTest, TheWindowsBindingsFollowTheRenumberedLibrary) {
    Z7ctl({"profile", "save"});
    for (int i = 0; i < 4; ++i)
        Z7ctl({"library", "add", "shortcut", "s" + std::to_string(i),
               "www.t" + std::to_string(i) + ".org"});
    DataFolderSession session(fs, clock, data());
    ProfileSet window;
    session.Load(window);
    window[1].buttonBindings[1] = {1, 19, 3, 0, 2};
    fsys::remove(data() / "Kesta" / "Z7 Laser" / "Shortcut" / "s1.sc");
    ASSERT_TRUE(session.Save(window, nullptr));

    EXPECT_EQ(window[1].buttonBindings[1].functionValue, 2);
    EXPECT_EQ(OnDisk()[1].buttonBindings[1].functionValue, 2);
    ShortcutLibrary shortcuts = ShortcutLibrary::ForDataFolder(data());
    shortcuts.Load(fs);
    ASSERT_NE(shortcuts.FindById(2), nullptr);
    EXPECT_EQ(shortcuts.FindById(2)->target, u"http://www.t3.org");
}

// Problems are told once per session, however often the folder is read.
TEST_F(DataFolderSessionTest, EachProblemIsToldOnce) {
    Z7ctl({"library", "add", "textblock", "a", "t"});
    Z7ctl({"profile", "save"});
    const fsys::path item = data() / "Kesta" / "Z7 Laser" / "Text Block" / "a.tb";
    test::WriteBytes(item, {1, 2, 3});
    DataFolderSession session(fs, clock, data());
    ProfileSet window;
    session.Load(window);
    window[1].cpiX[0] = 600;
    ASSERT_TRUE(session.Save(window, nullptr));
    const auto issues = session.TakeNewIssues();
    ASSERT_EQ(issues.size(), 1u);
    EXPECT_EQ(issues[0].file, item);
    window[1].cpiX[0] = 700;
    ASSERT_TRUE(session.Save(window, nullptr));
    EXPECT_TRUE(session.TakeNewIssues().empty());
    EXPECT_EQ(test::ReadBytes(item), (std::vector<uint8_t>{1, 2, 3}));
}

}  // namespace
}  // namespace z7
