// Recording on the "MACRO RECORDING" page with the recording capture: pauses, the filters, the
// limit, Edit Key, starting and stopping capture, Esc, and the tooltips and names of the page.
#include <QAccessible>

#include "gui/app/input_capture_relay.h"
#include "gui/pages/macros/macro_page_fixture.h"

namespace z7::test {
namespace {

TEST_F(MacroPageTest, ARecordedSequenceBecomesEventsWithThePausesBetweenThem) {
    page->nameEdit()->setText(U("Combo"));
    Click(kIdStartRecord);
    ASSERT_TRUE(page->recording());
    EXPECT_EQ(host.capture->kinds.mouseButtons, true);
    EXPECT_TRUE(page->button(kIdStartRecord)->latched());
    page->Tick();
    EXPECT_FALSE(page->button(kIdStartRecord)->isEnabled());
    EXPECT_FALSE(page->button(kIdImportMacro)->isEnabled());
    EXPECT_FALSE(page->checkBox(kIdRepeatX)->isEnabled());
    EXPECT_TRUE(page->button(kIdStopRecord)->isEnabled());

    Wait(1500);  // before the first input: not kept
    Key('A', true);
    Wait(200);
    Key('A', true);  // held: the key repeats
    Key('A', false);
    Wait(75);
    host.capture->Button(kMouseMiddle, true);
    Pump();
    Wait(30);
    host.capture->Button(kMouseX1, true);  // no event; the pause goes on
    Pump();
    Wait(30);
    host.capture->Button(kMouseMiddle, false);
    Pump();
    Click(kIdStopRecord);
    EXPECT_FALSE(page->recording());
    EXPECT_FALSE(host.capture->running());

    const Macro* m = current();
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->events.size(), 4u);
    const int32_t delays[] = {200, 75, 60, 0};
    const uint8_t kinds[] = {kEventKindKey, kEventKindKey, kEventKindMouseButton,
                             kEventKindMouseButton};
    const uint8_t flags[] = {kEventFlagPress, kEventFlagRelease, kEventFlagPress,
                             kEventFlagRelease};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(m->events[i].delay, delays[i]) << i;
        EXPECT_EQ(m->events[i].kind, kinds[i]) << i;
        EXPECT_EQ(m->events[i].flag, flags[i]) << i;
    }
    EXPECT_EQ(m->events[2].code, kMouseMiddle);
    EXPECT_EQ(m->id, 0) << "the first macro of an empty library";
    EXPECT_TRUE(m->events[3].selected) << "the newest row is the selected one";
    EXPECT_EQ(page->list()->RowText(0), U("A 按下 200 毫秒"));
    EXPECT_EQ(page->list()->RowText(3), U("Middle Button 松开 0 毫秒"));

    // Recording again appends; the first pause is counted from Start Record.
    Click(kIdStartRecord);
    Wait(400);
    Key('B', true);
    Click(kIdStopRecord);
    ASSERT_EQ(current()->events.size(), 5u);
    EXPECT_EQ(current()->events[3].delay, 400);
}

TEST_F(MacroPageTest, ClicksThatOperateThePageAreNotRecordedOtherClicksAre) {
    page->nameEdit()->setText(U("clicks"));
    page->StartRecord();
    SkinButton* stop = page->button(kIdStopRecord);
    const QPoint onStop = stop->mapToGlobal(QPoint(4, 4));
    const QPoint onList = page->list()->mapToGlobal(QPoint(40, 60));
    host.capture->Button(kMouseLeft, true, onStop.x(), onStop.y());
    host.capture->Button(kMouseLeft, false, onStop.x(), onStop.y());
    host.capture->Button(kMouseRight, true, onStop.x(), onStop.y());
    host.capture->Button(kMouseLeft, true, onList.x(), onList.y());
    Pump();
    page->StopRecord();
    ASSERT_EQ(current()->events.size(), 2u);
    EXPECT_EQ(current()->events[0].code, kMouseRight);
    EXPECT_EQ(current()->events[1].code, kMouseLeft);

    // Hidden, the page has no buttons to click: every left click counts.
    page->StartRecord();
    page->hide();
    EXPECT_FALSE(page->recording()) << "nothing records what no window shows";
    EXPECT_FALSE(host.capture->running());
}

TEST_F(MacroPageTest, TheHundredthEventIsTheLastAndTheNoteSaysSo) {
    page->nameEdit()->setText(U("long"));
    page->StartRecord();
    for (int i = 0; i < 51; ++i) {
        Wait(10);
        Tap(static_cast<uint16_t>('A' + i % 26));
    }
    page->StopRecord();
    EXPECT_EQ(current()->events.size(), kMaxRecordedEvents);
    EXPECT_EQ(current()->events.back().delay, 10) << "the pause up to the first that did not fit";
    EXPECT_EQ(page->list()->rowCount(), 100);
    EXPECT_EQ(page->list()->topRow(), page->list()->scrollMaximum()) << "scrolled to the last";
}

TEST_F(MacroPageTest, StartRecordWithoutANameOrWithoutCaptureStaysIdle) {
    page->StartRecord();
    EXPECT_EQ(host.messages, std::vector<QString>{U("请先输入宏名")});
    EXPECT_FALSE(page->recording());

    host.makeCapture = [] {
        auto capture = std::make_unique<RecordingInputCapture>();
        capture->failStart = "no RECORD extension";
        return capture;
    };
    page = std::make_unique<MacroPage>(host, nullptr);
    host.pages = {page.get()};
    page->Open();
    page->nameEdit()->setText(U("x"));
    page->StartRecord();
    EXPECT_FALSE(page->recording());
    EXPECT_EQ(host.messages.back(), U("start hook error!\nno RECORD extension"));
    EXPECT_TRUE(host.macros.macros().empty()) << "no empty macro left behind";
    page->Tick();
    EXPECT_TRUE(page->button(kIdStartRecord)->isEnabled());
    EXPECT_FALSE(page->button(kIdStopRecord)->isEnabled());
}

TEST_F(MacroPageTest, EscStopsTheCaptureFirstAndThenActsAsCancel) {
    page->nameEdit()->setText(U("esc"));
    page->StartRecord();
    Tap('A');
    Wait(50);
    Key(27, true);  // the global capture may see the Esc before the page does
    host.popupAnswer = kPopupNo;
    QTest::keyClick(page->list(), Qt::Key_Escape);
    EXPECT_FALSE(host.capture->running());
    EXPECT_EQ(host.capture->calls.back(), "stop");
    ASSERT_EQ(current()->events.size(), 2u) << "the Esc is no event";
    EXPECT_EQ(current()->events.back().delay, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(host.popups, std::vector<int>{kPopupDataChanged});
    EXPECT_FALSE(page->isVisible());
    EXPECT_TRUE(host.macros.macros().empty()) << "No: the recorded macro goes";

    // Keys typed while recording are input, not typing into the page's controls.
    page->Open();
    page->nameEdit()->setText(U("typed"));
    page->StartRecord();
    page->nameEdit()->setFocus();
    QTest::keyClick(page->nameEdit(), Qt::Key_X);
    EXPECT_EQ(page->nameEdit()->text(), U("typed"));
    page->StopRecord();
    QTest::keyClick(page->nameEdit(), Qt::Key_X);
    EXPECT_EQ(page->nameEdit()->text(), U("typedx"));
}

TEST_F(MacroPageTest, EditKeyReplacesTheSelectedInputWithTheNextPress) {
    RecordTaps("edit", {'A', 'B'});
    page->list()->SelectRow(1);  // the release of A
    page->Tick();
    ASSERT_TRUE(page->button(kIdEditKey)->isEnabled());
    Click(kIdEditKey);
    ASSERT_TRUE(page->capturing());
    EXPECT_TRUE(page->list()->prompt()->isVisible());
    host.capture->Button(kMouseX2, true);  // no key: capture goes on
    Key('Q', false);                       // a release: the press is awaited
    Pump();
    EXPECT_TRUE(page->capturing());
    Key('Q', true);
    EXPECT_FALSE(page->capturing());
    EXPECT_FALSE(host.capture->running());
    EXPECT_FALSE(page->list()->prompt()->isVisible());
    EXPECT_EQ(Codes(), (std::vector<uint16_t>{'A', 'Q', 'B', 'B'}));
    EXPECT_EQ(current()->events[1].flag, kEventFlagRelease) << "a release stays a release";

    page->list()->SelectRangeTo(2);
    page->Tick();
    EXPECT_FALSE(page->button(kIdEditKey)->isEnabled()) << "two rows selected";
    page->list()->SelectRow(0);
    Click(kIdEditKey);
    host.capture->Button(kMouseRight, true);
    Pump();
    EXPECT_EQ(current()->events[0].kind, kEventKindMouseButton);
    EXPECT_EQ(current()->events[0].code, kMouseRight);
}

TEST_F(MacroPageTest, ThePageIsNamedAndExplainedForAssistiveTechnology) {
    EXPECT_EQ(page->windowTitle(), U("MACRO RECORDING"));
    for (const char* name : {"Macro Name",
                             "Macro list",
                             "Start Record",
                             "Stop Record",
                             "Repeat X",
                             "Repeat Press",
                             "Repeat until nkey",
                             "Edit Key",
                             "Select All",
                             "Select None",
                             "Delete",
                             "Delete Macro",
                             "Copy",
                             "Insert",
                             "UpPage",
                             "DownPage",
                             "Import",
                             "Sel Delay sek",
                             "Sel Delay 50ms",
                             "Delay",
                             "Repeat Count",
                             "Apply",
                             "Cancel"}) {
        const auto found = page->findChildren<QWidget*>();
        const bool named = std::any_of(found.begin(), found.end(),
                                       [&](QWidget* w) { return w->accessibleName() == U(name); });
        EXPECT_TRUE(named) << name;
    }
    EXPECT_EQ(page->nameEdit()->toolTip(), U("为本次的宏录制命名"));
    EXPECT_EQ(page->button(kIdDeleteMacro)->toolTip(), U("删除本次宏录制"));
    EXPECT_EQ(page->button(kIdImportMacro)->toolTip(), U("开启已存的宏录制"));
    EXPECT_EQ(page->checkBox(kIdRepeatX)->toolTip(), U("勾选后即可重复动作"));
    EXPECT_EQ(page->countEdit()->toolTip(), U("在这里可以设置你想重复动作的次数"));
    EXPECT_EQ(page->checkBox(kIdSelDelay)->toolTip(), U("调整延迟功能（以毫秒计数）"));
    EXPECT_TRUE(page->button(kIdStartRecord)->toolTip().isEmpty());
    EXPECT_EQ(page->backButton(), nullptr);
    EXPECT_EQ(page->defaultButton(), nullptr);

    // The list and its rows: a list of items named by what they show.
    RecordTaps("named", {'K'});
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(page->list());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->role(), QAccessible::List);
    EXPECT_EQ(list->text(QAccessible::Name), U("Macro list"));
    QAccessibleInterface* row = list->child(1);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->role(), QAccessible::ListItem);
    EXPECT_EQ(row->text(QAccessible::Name), U("K 松开 0 毫秒"));
    EXPECT_TRUE(row->state().selected);
    EXPECT_EQ(list->indexOfChild(row), 1);
    EXPECT_EQ(row->parent()->object(), page->list());
    list->child(0)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(list->child(0)->state().selected);
    EXPECT_FALSE(row->state().selected);
    list->child(1)->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(page->list()->SelectedCount(), 2);
}

}  // namespace
}  // namespace z7::test
