// The page and the saved library: Apply, Cancel and its "No", Import with its conflicts,
// Delete of a macro and of the file last imported, and other programs' macros.
#include "core/buttons/library_list.h"
#include "gui/pages/macros/macro_page_fixture.h"

namespace z7::test {
namespace {

class MacroLibraryPageTest : public MacroPageTest {
  protected:
    // A library saved on disk before the page is used: "keep" (A) and "other" (B).
    void SaveTwo() {
        host.macros.macros() = {MacroOf(u"keep", 0, {'A'}), MacroOf(u"other", 1, {'B'})};
        std::string error;
        ASSERT_TRUE(host.macros.Save(LocalFileSystem(), &error)) << error;
        page->hide();
        page->Open();  // a new visit
    }
    std::filesystem::path Import(const Macro& m, const char* file) {
        const auto path = temp / "elsewhere" / file;
        WriteMacro(path, m);
        host.chosenFile = QString::fromStdU16String(path.u16string());
        page->Import();
        return path;
    }
};

TEST_F(MacroLibraryPageTest, ApplySavesTheLibraryAndCancelWithoutChangesAsksNothing) {
    RecordTaps("first", {'A'});
    page->Apply();
    EXPECT_TRUE(page->isVisible()) << "not opened for a button: the page stays";
    MacroLibrary disk = OnDisk();
    ASSERT_EQ(disk.macros().size(), 1u);
    EXPECT_EQ(disk.macros()[0].name, u"first");
    EXPECT_EQ(disk.macros()[0].events.size(), 2u);
    page->Cancel();
    EXPECT_TRUE(host.popups.empty());
    EXPECT_FALSE(page->isVisible());

    // An empty name is saved as newMacro, made unique; a taken name too.
    page->Open();
    host.macros.macros().push_back(MacroOf(u"newMacro", 7, {'Q'}));
    RecordTaps("x", {'B'});
    page->nameEdit()->clear();
    page->Apply();
    EXPECT_EQ(page->nameEdit()->text(), U("newMacro(1)"));
    EXPECT_EQ(OnDisk().macros().size(), 3u);
    // Ids are list positions after the save, and the page follows its macro.
    EXPECT_EQ(host.macros.currentId(), 2);
}

TEST_F(MacroLibraryPageTest, CancelNoAfterARecordingOfASavedMacroKeepsTheSavedMacro) {
    SaveTwo();
    const auto keepFile = macroFolder() / "keep.macro";
    const std::vector<uint8_t> saved = ReadBytes(keepFile);
    // Import the saved file: same id, same name, it takes the macro's place; record onto it.
    host.chosenFile = QString::fromStdU16String(keepFile.u16string());
    page->Import();
    ASSERT_NE(current(), nullptr);
    EXPECT_EQ(page->nameEdit()->text(), U("keep"));
    EXPECT_EQ(host.macros.macros().size(), 2u);
    page->StartRecord();
    Tap('Z');
    page->StopRecord();
    host.popupAnswer = kPopupNo;
    page->Cancel();
    EXPECT_EQ(host.popups, std::vector<int>{kPopupDataChanged});
    EXPECT_TRUE(std::filesystem::exists(keepFile));
    EXPECT_EQ(ReadBytes(keepFile), saved);
    MacroLibrary disk = OnDisk();
    ASSERT_EQ(disk.macros().size(), 2u);
    EXPECT_EQ(disk.macros()[0].name, u"keep");
    EXPECT_EQ(disk.macros()[0].events.size(), 1u);
    ASSERT_EQ(host.macros.macros().size(), 2u);
    EXPECT_EQ(host.macros.macros()[0].events.size(), 1u);

    // Saved in between (another page's Apply saves everything): "No" writes the old state back.
    page->Open();
    host.chosenFile = QString::fromStdU16String(keepFile.u16string());
    page->Import();
    page->StartRecord();
    Tap('Y');
    page->StopRecord();
    ASSERT_TRUE(host.SaveMacroLibrary());
    EXPECT_EQ(OnDisk().macros()[0].events.size(), 3u);
    page->Cancel();
    EXPECT_EQ(OnDisk().macros()[0].events.size(), 1u);
    EXPECT_EQ(ReadBytes(keepFile), saved);
}

TEST_F(MacroLibraryPageTest, CancelYesAppliesAndNoAfterDeleteBringsTheMacroBack) {
    SaveTwo();
    RecordTaps("new", {'N'});
    host.popupAnswer = kPopupYes;
    page->Cancel();
    EXPECT_EQ(OnDisk().macros().size(), 3u);
    EXPECT_FALSE(page->isVisible());

    // Delete of the shown macro changes the disk only at a save; "No" brings it back.
    page->Open();
    host.chosenFile = QString::fromStdU16String((macroFolder() / "other.macro").u16string());
    page->Import();
    page->DeleteMacro();
    EXPECT_TRUE(page->nameEdit()->text().isEmpty());
    EXPECT_EQ(host.macros.macros().size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(macroFolder() / "other.macro"))
        << "the file last imported lies in the macro folder";
    host.popupAnswer = kPopupNo;
    page->Cancel();
    MacroLibrary disk = OnDisk();
    ASSERT_EQ(disk.macros().size(), 3u);
    EXPECT_EQ(disk.macros()[1].name, u"other");
    EXPECT_TRUE(std::filesystem::exists(macroFolder() / "other.macro"));
}

TEST_F(MacroLibraryPageTest, ImportConflictsAndFilesFromElsewhere) {
    SaveTwo();
    // Same id, other name: added under a new id.
    Import(MacroOf(u"stranger", 1, {'S'}), "s.macro");
    EXPECT_EQ(host.macros.macros().size(), 3u);
    EXPECT_GE(current()->id, 501);
    EXPECT_EQ(page->nameEdit()->text(), U("stranger"));
    // Other id, same name: renamed.
    Macro twin = MacroOf(u"keep", 40, {'T', 'U'});
    twin.repeatMode = kRepeatWhileHeld;
    Import(twin, "t.macro");
    EXPECT_EQ(current()->name, u"keep(1)");
    EXPECT_EQ(current()->id, 40);
    EXPECT_TRUE(page->checkBox(kIdRepeatPress)->checked());
    EXPECT_FALSE(page->checkBox(kIdRepeatX)->checked());
    EXPECT_EQ(page->list()->rowCount(), 2);
    // A file written by a scrolled list: its rows are laid out again.
    Macro scrolled = MacroOf(u"rows", 3, {'R'});
    scrolled.repeatMode = 3;
    scrolled.events[0].rowRect = {4, -420, 330, -378};
    Import(scrolled, "r.macro");
    EXPECT_EQ(current()->events[0].rowRect, RowRectOf(*current(), 0));
    EXPECT_EQ(page->countEdit()->text(), U("3"));

    // Delete: the file chosen elsewhere is the user's own and stays.
    const auto elsewhere = temp / "elsewhere" / "r.macro";
    page->DeleteMacro();
    EXPECT_TRUE(std::filesystem::exists(elsewhere));
    EXPECT_EQ(host.macros.macros().size(), 4u);

    // A damaged file: a clear message, nothing changes.
    const auto bad = temp / "elsewhere" / "bad.macro";
    WriteBytes(bad, {1, 0, 0});
    host.chosenFile = QString::fromStdU16String(bad.u16string());
    page->Import();
    EXPECT_TRUE(host.messages.back().contains(U("bad.macro")));
    EXPECT_EQ(host.macros.macros().size(), 4u);
    page->Apply();
    EXPECT_EQ(OnDisk().macros().size(), 4u);
}

TEST_F(MacroLibraryPageTest, MacrosAnotherProgramSavedAreTakenInOverUnsavedEdits) {
    SaveTwo();
    RecordTaps("mine", {'M'});
    // z7ctl imports a macro meanwhile.
    MacroLibrary theirs = OnDisk();
    theirs.macros().push_back(MacroOf(u"theirs", theirs.NewMacroId(), {'T'}));
    std::string error;
    ASSERT_TRUE(theirs.Save(LocalFileSystem(), &error));
    page->AdoptLibrary(OnDisk());
    ASSERT_NE(current(), nullptr);
    EXPECT_EQ(current()->name, u"mine") << "the recording goes on being shown";
    EXPECT_EQ(page->list()->rowCount(), 2);
    page->Apply();
    MacroLibrary disk = OnDisk();
    ASSERT_EQ(disk.macros().size(), 4u);
    EXPECT_EQ(disk.macros()[2].name, u"theirs");
    EXPECT_EQ(disk.macros()[3].name, u"mine");

    // Without edits the library is simply the one on disk.
    page->Cancel();
    page->Open();
    theirs = OnDisk();
    theirs.macros().erase(theirs.macros().begin());
    ASSERT_TRUE(theirs.Save(LocalFileSystem(), &error));
    page->AdoptLibrary(OnDisk());
    EXPECT_EQ(host.macros.macros().size(), 3u);
    EXPECT_FALSE(page->HasChanges());
}

}  // namespace
}  // namespace z7::test
