// The four library popups: key capture (key-down only, only while the popup is active and
// capturing, stopped however it closes), Save/Import/Delete/Close with the page's menus
// following, the text block's limit and the hotkey's toggles.
#include "buttons_fixture.h"
// After the fixture: its simulator headers come before Qt's.
#include <QTimer>

#include "core/macros/custom_hotkey_library.h"

namespace z7::test {
namespace {

constexpr uint16_t kVkA = 65;
constexpr uint16_t kVkB = 66;
constexpr uint16_t kVkF5 = 116;
constexpr uint16_t kVkLeftCtrl = 162;

// Opens a popup from a button's "设置" entry and runs `act` on it once it is up.
template <typename Popup>
void RunFromMenu(ButtonsTest* test, ButtonPage& page, std::function<void(Popup&)> act) {
    page.beforePopupShown = [act](LibraryPopup& shown) {
        auto* popup = dynamic_cast<Popup*>(&shown);
        ASSERT_NE(popup, nullptr);
        QTimer::singleShot(0, popup, [popup, act] {
            act(*popup);
            // Whatever the action left open ends here, so the test never hangs.
            if (popup->isVisible()) popup->Cancel();
        });
    };
    (void)test;
}

class PopupsTest : public ButtonsTest {
  protected:
    // A popup shown as the active window, as the page shows it.
    template <typename Popup>
    std::unique_ptr<Popup> Open(int button = 4) {
        auto popup = std::make_unique<Popup>(host, button, nullptr);
        popup->show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(popup.get()));
        return popup;
    }
    RecordingInputCapture& Capture() { return *host.captures.back(); }
    void Press(uint16_t vk, bool down = true) {
        Capture().Key(vk, down);
        QCoreApplication::processEvents();
    }
};

TEST_F(PopupsTest, BindKeyTakesKeyDownsOnlyWhileActiveAndCapturing) {
    auto popup = Open<BindKeyPopup>();
    ASSERT_EQ(host.captures.size(), 1u);
    EXPECT_TRUE(popup->capturing()) << "the popup listens from the start";
    EXPECT_TRUE(Capture().running());
    EXPECT_FALSE(Capture().kinds.mouseButtons);

    // A release of a key held from before changes nothing; the first press is the key.
    Press(kVkB, false);
    EXPECT_TRUE(popup->keyField()->text().isEmpty());
    Press(kVkA);
    Press(kVkB);
    Press(kVkB, false);
    Press(kVkA, false);
    EXPECT_EQ(popup->keyField()->text(), U("A"));
    EXPECT_EQ(popup->lineEdit("Name")->text(), U("A"));
    EXPECT_FALSE(popup->capturing()) << "a key with a name ends the capture";
    EXPECT_FALSE(Capture().running());

    // A key without a name shows nothing and keeps listening.
    popup->keyField()->Activate();
    EXPECT_TRUE(Capture().running());
    Press(0x5F);
    EXPECT_TRUE(popup->keyField()->text().isEmpty());
    EXPECT_FALSE(popup->skinButton("Save")->isEnabled());
    EXPECT_TRUE(popup->capturing());

    // Typing a name ends the capture; so does another window becoming the active one.
    popup->lineEdit("Name")->setFocus();
    EXPECT_FALSE(popup->capturing());
    popup->keyField()->Activate();
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_FALSE(Capture().running());
    EXPECT_FALSE(Capture().Key(kVkA, true));
    popup->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(popup.get()));
    EXPECT_TRUE(Capture().running()) << "capture on, popup active again";
    Press(kVkF5);
    EXPECT_EQ(popup->keyField()->text(), U("F5"));
}

TEST_F(PopupsTest, CaptureStopsHoweverThePopupCloses) {
    for (int how = 0; how < 3; ++how) {
        SCOPED_TRACE(how);
        auto popup = Open<CustomHotkeyPopup>();
        RecordingInputCapture& capture = Capture();
        ASSERT_TRUE(capture.running());
        if (how == 0) popup->skinButton("Close")->Click();
        if (how == 1) popup->skinButton("Cancel")->Click();
        if (how == 2) popup->reject();  // Esc
        EXPECT_FALSE(popup->isVisible());
        EXPECT_FALSE(capture.running());
        EXPECT_EQ(capture.calls.back(), "stop");
        EXPECT_FALSE(popup->saved());
    }
    // Save ends it too.
    auto popup = Open<CustomHotkeyPopup>();
    Press(kVkF5);
    popup->keyField()->Activate();
    RecordingInputCapture& capture = Capture();
    ASSERT_TRUE(capture.running());
    popup->skinButton("Save")->Click();
    EXPECT_TRUE(popup->saved());
    EXPECT_FALSE(capture.running());
}

TEST_F(PopupsTest, ACaptureThatCannotStartIsSaidAndWithoutGlobalCaptureThePopupSaysSo) {
    host.captureFailure = "the X server has no RECORD extension";
    auto popup = Open<BindKeyPopup>();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], U("无法捕获按键: the X server has no RECORD extension"));
    EXPECT_FALSE(popup->capturing());
    EXPECT_FALSE(popup->keyField()->capturing());

    host.captureFailure.clear();
    host.captureScope = CaptureScope::kOwnWindows;
    auto other = Open<CustomHotkeyPopup>();
    EXPECT_TRUE(other->note()->Text().contains(U("本程序窗口")));
    EXPECT_TRUE(other->capturing());
}

TEST_F(PopupsTest, CustomHotkeyTogglesAndItsMainKey) {
    auto popup = Open<CustomHotkeyPopup>();
    auto checked = [&](int id) { return popup->toggle(id)->checked(); };
    EXPECT_TRUE(checked(CustomHotkeyPopup::kCtrlId));
    EXPECT_TRUE(checked(CustomHotkeyPopup::kAltId));
    EXPECT_FALSE(checked(CustomHotkeyPopup::kNoneId));
    EXPECT_EQ(popup->keyField()->text(), U("CTRL+Alt+"));

    // Bare modifiers are not the main key, whichever side.
    Press(kVkLeftCtrl);
    Press(165);
    EXPECT_TRUE(popup->capturing());
    EXPECT_FALSE(popup->model().keyCaptured());
    Press(kVkF5);
    EXPECT_EQ(popup->keyField()->text(), U("CTRL+Alt+F5"));
    EXPECT_EQ(popup->lineEdit("Name")->text(), U("CTRLAltF5"));
    EXPECT_FALSE(popup->capturing());

    // Ctrl and Alt off: "None" on, the combination is the key alone.
    popup->toggle(CustomHotkeyPopup::kCtrlId)->Toggle();
    popup->toggle(CustomHotkeyPopup::kAltId)->Toggle();
    EXPECT_TRUE(checked(CustomHotkeyPopup::kNoneId));
    EXPECT_EQ(popup->keyField()->text(), U("F5"));
    // "None" cannot be switched off by itself.
    popup->toggle(CustomHotkeyPopup::kNoneId)->Toggle();
    EXPECT_TRUE(checked(CustomHotkeyPopup::kNoneId));
    popup->toggle(CustomHotkeyPopup::kWinId)->Toggle();
    popup->toggle(CustomHotkeyPopup::kShiftId)->Toggle();
    EXPECT_FALSE(checked(CustomHotkeyPopup::kNoneId));
    EXPECT_EQ(popup->keyField()->text(), U("Shift+Win+F5"));
    popup->toggle(CustomHotkeyPopup::kNoneId)->Toggle();
    EXPECT_FALSE(checked(CustomHotkeyPopup::kShiftId));
    EXPECT_FALSE(checked(CustomHotkeyPopup::kWinId));

    // A press on the popup's surface asks for a key again.
    popup->lineEdit("Name")->setFocus();
    EXPECT_FALSE(popup->capturing());
    QTest::mousePress(popup.get(), Qt::LeftButton, {}, QPoint(300, 40));
    QTest::mouseRelease(popup.get(), Qt::LeftButton, {}, QPoint(300, 40));
    EXPECT_TRUE(popup->capturing());
    popup->lineEdit("Name")->setText(U("Hot"));
    popup->skinButton("Save")->Click();
    ASSERT_TRUE(popup->saved());
    EXPECT_EQ(popup->saved()->functionId, 1002);
    CustomHotkeyLibrary lib = CustomHotkeyLibrary::ForDataFolder(temp.path());
    lib.Load(LocalFileSystem());
    ASSERT_EQ(lib.entries().size(), 1u);
    EXPECT_EQ(lib.entries()[0].events.size(), 2u);
}

TEST_F(PopupsTest, ATextBlockSavedThroughThePopupIsOfferedAndGivenToItsButton) {
    Show();
    RunFromMenu<TextBlockPopup>(this, *page, [](TextBlockPopup& popup) {
        popup.textEdit()->setPlainText(U("hello 你好"));
        popup.lineEdit("Name")->setText(U("问候"));
        popup.skinButton("Save")->Click();
    });
    Pick(4, 6000, 6001);
    EXPECT_EQ(page->functionOf(4), 6002);
    EXPECT_EQ(page->labelOf(4), U("问候"));
    for (int b = 0; b < kButtonCount; ++b) EXPECT_EQ(ItemText(b, 6002), U("问候")) << b;
    TextBlockLibrary lib = TextBlockLibrary::ForDataFolder(temp.path());
    lib.Load(LocalFileSystem());
    ASSERT_EQ(lib.entries().size(), 1u);
    EXPECT_EQ(lib.entries()[0].text, u"hello 你好");

    // Cancel with entries in the library leaves the button as it was.
    RunFromMenu<TextBlockPopup>(this, *page, [](TextBlockPopup& popup) { popup.Cancel(); });
    Pick(4, 6000, 6001);
    EXPECT_EQ(page->functionOf(4), 6002);
    page->Apply();
    RunDevice();
    EXPECT_EQ(Stored(4), std::make_pair(22, 0));
}

TEST_F(PopupsTest, AnEntryPastWhatAButtonCanNameIsKeptButNotGivenToTheButton) {
    AddTextBlocks(256);
    Show();
    RunFromMenu<TextBlockPopup>(this, *page, [](TextBlockPopup& popup) {
        popup.textEdit()->setPlainText(U("x"));
        popup.lineEdit("Name")->setText(U("extra"));
        popup.skinButton("Save")->Click();
    });
    Pick(4, 6000, 6001);
    EXPECT_EQ(page->functionOf(4), 2104) << "text block 256 would reach the mouse as 0";
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0],
              U("“extra”已保存，但按键只能使用前 256 个文本块，所以没有指派给按键 5。"));
    TextBlockLibrary lib = TextBlockLibrary::ForDataFolder(temp.path());
    lib.Load(LocalFileSystem());
    EXPECT_EQ(lib.entries().size(), 257u);
}

TEST_F(PopupsTest, ImportThenDeleteRemovesTheEntryAndAnEmptyLibraryRestoresTheFactoryFunction) {
    AddBindKey(65, u"Fire");
    Show();
    Pick(2, 3000, 3067);
    const std::filesystem::path item =
        BindKeyLibrary::ForDataFolder(temp.path()).folder() / "Fire.bindkey";
    ASSERT_TRUE(std::filesystem::exists(item));
    host.chosenFile = QString::fromStdString(item.string());
    RunFromMenu<BindKeyPopup>(this, *page, [](BindKeyPopup& popup) {
        popup.skinButton("Import")->Click();
        EXPECT_EQ(popup.keyField()->text(), U("A"));
        EXPECT_EQ(popup.lineEdit("Name")->text(), U("Fire"));
        popup.skinButton("Delete")->Click();
        EXPECT_TRUE(popup.lineEdit("Name")->text().isEmpty());
        popup.skinButton("Close")->Click();
    });
    Pick(2, 3000, 3001);
    EXPECT_FALSE(std::filesystem::exists(item));
    EXPECT_EQ(SubmenuIds(0, 3000), std::vector<int>{3001});
    EXPECT_EQ(page->functionOf(2), 2103) << "an empty library: the button's factory function";
    EXPECT_EQ(page->labelOf(2), U("Middle click"));
}

TEST_F(PopupsTest, AFailedSaveIsSaidAndThePopupStaysOpen) {
    // A file where the library's folder belongs: nothing can be written there.
    const std::filesystem::path folder = ShortcutLibrary::ForDataFolder(temp.path()).folder();
    std::filesystem::create_directories(folder.parent_path());
    WriteBytes(folder, {1, 2, 3});
    auto popup = Open<ShortcutPopup>();
    host.chosenFile = QString::fromStdString((temp.path() / "notes.txt").string());
    popup->skinButton("Open")->Click();
    EXPECT_EQ(popup->lineEdit("Target")->text(), host.chosenFile);
    popup->lineEdit("Target")->setText(U("www.example.org"));
    popup->lineEdit("Name")->setText(U("Docs"));
    popup->skinButton("Save")->Click();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_TRUE(host.messages[0].startsWith(U("保存失败: "))) << host.messages[0].toStdString();
    EXPECT_TRUE(popup->isVisible());
    EXPECT_FALSE(popup->saved());

    std::filesystem::remove(folder);
    popup->skinButton("Save")->Click();
    ASSERT_TRUE(popup->saved());
    EXPECT_EQ(popup->saved()->functionId, 5002);
    EXPECT_EQ(popup->model().library().entries()[0].target, u"http://www.example.org");
}

TEST_F(PopupsTest, TheTextBlockTakesAHundredUnitsWithEachLineBreakCountingTwo) {
    auto popup = Open<TextBlockPopup>();
    TextBlockEdit* edit = popup->textEdit();
    edit->setFocus();
    QTest::keyClicks(edit, QString(99, QLatin1Char('a')));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(edit->toPlainText(), QString(99, QLatin1Char('a'))) << "a line break needs two";
    QTest::keyClicks(edit, U("bc"));
    EXPECT_EQ(edit->toPlainText().size(), 100);
    EXPECT_EQ(popup->note()->Text(), U("已输入 100 / 100"));

    // Pasted text keeps the part that fits, where it was put.
    edit->setPlainText(QString(90, QLatin1Char('x')));
    QTextCursor cursor = edit->textCursor();
    cursor.setPosition(10);
    edit->setTextCursor(cursor);
    edit->insertPlainText(U("一二\n三四五六七八九十"));
    EXPECT_EQ(edit->toPlainText(), QString(10, QLatin1Char('x')) + U("一二\n三四五六七八") +
                                       QString(80, QLatin1Char('x')));
    popup->lineEdit("Name")->setText(U("签名"));
    popup->skinButton("Save")->Click();
    ASSERT_TRUE(popup->saved());
    const TextBlockEntry& saved = popup->model().library().entries()[0];
    EXPECT_EQ(saved.text.size(), 100u);
    EXPECT_NE(saved.text.find(u"一二\r\n三"), std::u16string::npos);
}

TEST_F(PopupsTest, AButtonFollowsItsEntryWhenAPopupSaveRenumbersTheLibrary) {
    AddTextBlocks(3, u"t");
    Show();
    Pick(5, 6000, 6004);  // the third entry, id 2
    const std::filesystem::path first =
        TextBlockLibrary::ForDataFolder(temp.path()).folder() / "t 0aa.tb";
    ASSERT_TRUE(std::filesystem::exists(first));
    host.chosenFile = QString::fromStdString(first.string());
    RunFromMenu<TextBlockPopup>(this, *page, [](TextBlockPopup& popup) {
        popup.skinButton("Import")->Click();
        popup.skinButton("Delete")->Click();
        popup.textEdit()->setPlainText(U("new"));
        popup.lineEdit("Name")->setText(U("new"));
        popup.skinButton("Save")->Click();
    });
    Pick(4, 6000, 6001);
    EXPECT_EQ(page->functionOf(5), 6003) << "entry 2 is at position 1 now";
    EXPECT_EQ(page->functionOf(4), 6004);
    EXPECT_EQ(ItemText(0, 6003), U("t 2aa"));
}

}  // namespace
}  // namespace z7::test
