#include <gtest/gtest.h>

#include "core/buttons/library_popups.h"
#include "core/buttons/text_block_library.h"
#include "core/macros/custom_hotkey_popup.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"

namespace z7 {
namespace {
namespace fsys = std::filesystem;

class Popups : public ::testing::Test {
  protected:
    test::TempDir dir;
    FileSystem& fs = LocalFileSystem();
};

TEST_F(Popups, BindKeyCaptureSaveAndDelete) {
    BindKeyPopupModel popup(fs, dir.path());
    popup.KeyCaptured(0x5F);  // no key name
    EXPECT_TRUE(popup.keyText().empty());
    EXPECT_FALSE(popup.Save(nullptr));
    popup.KeyCaptured('A');
    EXPECT_EQ(popup.name(), u"A");
    auto saved = popup.Save(nullptr);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->functionId, 3067);
    EXPECT_EQ(saved->name, u"A");

    BindKeyPopupModel next(fs, dir.path());
    ASSERT_TRUE(next.Import(next.library().folder() / "A.bindkey"));
    EXPECT_EQ(next.currentKey(), 'A');
    next.Delete();
    EXPECT_TRUE(next.CloseRestoresFactory());
    EXPECT_EQ(next.currentKey(), kNoBindKey);
    EXPECT_FALSE(fsys::exists(next.library().folder() / "A.bindkey"));
}

TEST_F(Popups, ShortcutAndTextBlockSaveIntoAnotherDataFolder) {
    test::TempDir other;
    {
        ShortcutPopupModel popup(fs, dir.path());
        popup.SetName(u"Docs");
        popup.SetTarget(u"www.example.org");
        ASSERT_TRUE(popup.Save(nullptr));
    }
    ShortcutPopupModel moved(fs, dir.path(), other.path());
    moved.SetName(u"Docs");
    moved.SetTarget(u"http://b");
    auto saved = moved.Save(nullptr);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->functionId, 5003);
    EXPECT_EQ(saved->name, u"Docs(1)");
    EXPECT_TRUE(fsys::exists(ShortcutLibrary::ForDataFolder(other.path()).folder() / "Docs.sc"));

    TextBlockPopupModel text(fs, dir.path());
    text.SetText(std::u16string(100, u'字'));
    EXPECT_EQ(text.text().size(), 100u);
    text.SetText(std::u16string(101, u'字'));
    EXPECT_EQ(text.text().size(), 100u) << "the edit refuses a 101st character";
    text.SetText(std::u16string(99, u'x') + u"\n");
    EXPECT_EQ(text.text(), std::u16string(99, u'x')) << "no CR without its LF";
    text.SetName(u"t");
    EXPECT_EQ(text.Save(nullptr)->functionId, 6002);
}

// Holding Ctrl and pressing A gives Ctrl's toggle and the key A, never a hotkey whose main key
// is Ctrl itself.
TEST_F(Popups, CustomHotkeyIgnoresBareModifiersAsItsMainKey) {
    CustomHotkeyPopupModel popup(fs, dir.path());
    popup.SetCapture(true);
    for (uint16_t vk : {16, 17, 18, 160, 161, 162, 163, 164, 165, 91, 92}) {
        EXPECT_FALSE(popup.KeyArrived(vk)) << vk;
        EXPECT_FALSE(popup.keyCaptured()) << vk;
    }
    EXPECT_EQ(popup.combinationText(), u"CTRL+Alt+");
    EXPECT_TRUE(popup.KeyArrived('A'));
    EXPECT_FALSE(popup.KeyArrived(162));
    EXPECT_EQ(popup.mainKey(), 'A');
    EXPECT_EQ(popup.name(), u"CTRLAltA");
    EXPECT_FALSE(IsModifierKey(93)) << "the Application key is a key of its own";
}

TEST_F(Popups, CustomHotkeyF5WithTheDefaultModifiers) {
    CustomHotkeyPopupModel popup(fs, dir.path());
    popup.KeyArrived(0x74);
    EXPECT_FALSE(popup.keyCaptured()) << "keys are taken only after a click on the popup";
    popup.SetCapture(true);
    popup.KeyArrived(0x74);
    EXPECT_EQ(popup.combinationText(), u"CTRL+Alt+F5");
    EXPECT_EQ(popup.name(), u"CTRLAltF5");
    auto saved = popup.Save(nullptr);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->functionId, 1002);
    const MacroData* hk = popup.library().FindById(0);
    ASSERT_NE(hk, nullptr);
    EXPECT_EQ(hk->events, BuildHotkey(u"", 0, {.ctrl = true, .alt = true}, 0x74).events);

    CustomHotkeyPopupModel second(fs, dir.path());
    second.SetToggle(HotkeyToggle::Ctrl, false);
    second.SetToggle(HotkeyToggle::Alt, false);
    EXPECT_TRUE(second.none());
    second.SetCapture(true);
    second.KeyArrived('A');
    EXPECT_EQ(second.combinationText(), u"A");
    second.SetName(u"CTRLAltF5");
    saved = second.Save(nullptr);
    EXPECT_EQ(saved->name, u"CTRLAltF5(1)");
    EXPECT_EQ(second.library().FindById(1)->events.size(), 2u);

    // Import shows a file; Save adds it as a new hotkey; Delete removes the shown one.
    CustomHotkeyPopupModel third(fs, dir.path());
    ASSERT_TRUE(third.Import(third.library().folder() / "CTRLAltF5.ckey"));
    EXPECT_EQ(third.combinationText(), u"CTRL+Alt+F5");
    EXPECT_EQ(third.Save(nullptr)->id, 2);
    third.Delete();
    EXPECT_EQ(third.library().entries().size(), 2u);
    EXPECT_EQ(third.currentId(), 500);
}

// A popup that stays open while another program adds to its library: the popup's Save keeps
// that entry, and a deletion made in the popup still applies.
TEST_F(Popups, SaveKeepsWhatAnotherProgramAddedWhileThePopupWasOpen) {
    {
        TextBlockPopupModel first(fs, dir.path());
        first.SetName(u"old");
        first.SetText(u"o");
        ASSERT_TRUE(first.Save(nullptr));
    }
    TextBlockPopupModel popup(fs, dir.path());
    ASSERT_TRUE(popup.Import(popup.library().folder() / "old.tb"));
    popup.Delete();  // in memory; the imported file goes now

    TextBlockLibrary other = TextBlockLibrary::ForDataFolder(dir.path());
    other.Load(fs);
    ASSERT_TRUE(other.AddAndSave(fs, u"theirs", u"t", nullptr));

    popup.SetName(u"mine");
    popup.SetText(u"m");
    ASSERT_TRUE(popup.Save(nullptr));
    TextBlockLibrary disk = TextBlockLibrary::ForDataFolder(dir.path());
    disk.Load(fs);
    ASSERT_EQ(disk.entries().size(), 2u);
    EXPECT_EQ(disk.entries()[0].name, u"theirs");
    EXPECT_EQ(disk.entries()[1].name, u"mine");
}

}  // namespace
}  // namespace z7
