// Editing a recorded macro on the page: the list's operations with and without scrolling, the
// delay controls and their 400 ms rule, the repeat controls, and the in-place delay edit.
#include <QWheelEvent>

#include "core/macros/macro_events.h"
#include "gui/pages/macros/macro_page_fixture.h"

namespace z7::test {
namespace {

class MacroEditingTest : public MacroPageTest {
  protected:
    // A macro of `n` key presses 'A', 'B', ... recorded through the page.
    void RecordPresses(int n) {
        page->nameEdit()->setText(U("rows"));
        page->StartRecord();
        for (int i = 0; i < n; ++i) {
            Wait(10);
            Key(static_cast<uint16_t>('A' + i % 26), i % 2 == 0);
        }
        page->StopRecord();
        ASSERT_EQ(page->list()->rowCount(), n);
    }
    void ClickRow(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::mouseClick(page->list(), Qt::LeftButton, modifiers,
                          page->list()->RowRect(row).center());
    }
    void Wheel(int dy) {
        const QPointF at = page->list()->rect().center();
        QWheelEvent wheel(at, page->list()->mapToGlobal(at), QPoint(), QPoint(0, dy), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(page->list(), &wheel);
    }
};

TEST_F(MacroEditingTest, FiveEventsFitInTheEightVisibleRowsAndNeverScroll) {
    RecordPresses(5);
    MacroEventList* list = page->list();
    EXPECT_EQ(list->visibleRows(), 8);
    EXPECT_FALSE(list->scrollBar()->isVisible());
    list->ScrollTo(3);
    EXPECT_EQ(list->topRow(), 0);
    Wheel(-120);
    EXPECT_EQ(list->topRow(), 0);

    // Click, Shift+click and Ctrl+click; the wheel moves a one-row selection.
    ClickRow(1);
    EXPECT_EQ(list->FirstSelectedIndex(), 1);
    ClickRow(3, Qt::ShiftModifier);
    EXPECT_EQ(list->SelectedCount(), 3);
    ClickRow(2, Qt::ControlModifier);
    EXPECT_EQ(list->SelectedCount(), 2);
    ClickRow(0);
    Wheel(-120);  // towards the user
    EXPECT_EQ(list->FirstSelectedIndex(), 1);
    Wheel(120);
    Wheel(120);  // the first row has nothing before it
    EXPECT_EQ(list->FirstSelectedIndex(), 0);
    QTest::mouseClick(list, Qt::LeftButton, Qt::NoModifier, QPoint(40, list->height() - 8));
    EXPECT_EQ(list->FirstSelectedIndex(), 0) << "a click below the rows changes nothing";

    // Up and Down move the selected event; the edges stay.
    Click(kIdMoveUp);
    EXPECT_EQ(Codes(), (std::vector<uint16_t>{'A', 'B', 'C', 'D', 'E'}));
    Click(kIdMoveDown);
    EXPECT_EQ(Codes(), (std::vector<uint16_t>{'B', 'A', 'C', 'D', 'E'}));
    EXPECT_EQ(list->FirstSelectedIndex(), 1);
    ClickRow(4);
    Click(kIdMoveDown);
    EXPECT_EQ(Codes().back(), 'E');

    // Delete the middle: the follower is selected; the last: the first row.
    ClickRow(2);
    Click(kIdDeleteEvents);
    EXPECT_EQ(Codes(), (std::vector<uint16_t>{'B', 'A', 'D', 'E'}));
    EXPECT_EQ(list->FirstSelectedIndex(), 2);
    ClickRow(3);
    Click(kIdDeleteEvents);
    EXPECT_EQ(list->FirstSelectedIndex(), 0);
    // Select All and one click: only that row goes.
    Click(kIdSelectAll);
    ClickRow(1);
    Click(kIdDeleteEvents);
    EXPECT_EQ(Codes(), (std::vector<uint16_t>{'B', 'D'}));
    Click(kIdSelectAll);
    Click(kIdDeleteEvents);
    EXPECT_TRUE(Codes().empty());
    page->Tick();
    EXPECT_FALSE(page->button(kIdSelectAll)->isEnabled());
}

TEST_F(MacroEditingTest, ThirtyEventsScrollAndTheFileDoesNotDependOnTheScrolling) {
    RecordPresses(30);
    MacroEventList* list = page->list();
    EXPECT_TRUE(list->scrollBar()->isVisible());
    EXPECT_EQ(list->scrollMaximum(), 22);
    EXPECT_EQ(list->topRow(), 22) << "recording brought the last row into view";
    const std::vector<uint8_t> scrolled = SerializeMacroFile(*current());
    list->ScrollTo(0);
    EXPECT_EQ(SerializeMacroFile(*current()), scrolled);
    EXPECT_EQ(current()->events[29].rowRect, RowRectOf(*current(), 29));
    list->scrollBar()->MoveByUser(10);
    EXPECT_EQ(list->topRow(), 10);
    EXPECT_EQ(list->RowAt(list->RowRect(10).center()), 10);
    EXPECT_EQ(list->RowRect(10).top(), MacroEventList::kHeaderHeight);

    // The wheel follows the selection out of view.
    list->SelectRow(17);
    Wheel(-120);
    EXPECT_EQ(list->FirstSelectedIndex(), 18);
    EXPECT_EQ(list->topRow(), 11);
    // Moving rows brings them along.
    list->SelectRow(11);
    Click(kIdMoveUp);
    EXPECT_EQ(list->FirstSelectedIndex(), 10);
    EXPECT_EQ(list->topRow(), 10);
    // Deleting the last row selects the first and shows the top.
    list->ScrollTo(22);
    list->SelectRow(29);
    Click(kIdDeleteEvents);
    EXPECT_EQ(list->FirstSelectedIndex(), 0);
    EXPECT_EQ(list->topRow(), 0);
    EXPECT_EQ(list->rowCount(), 29);
    EXPECT_EQ(list->scrollMaximum(), 21);
    // The keyboard walks rows and extends ranges.
    list->setFocus();
    QTest::keyClick(list, Qt::Key_End);
    EXPECT_EQ(list->FirstSelectedIndex(), 28);
    EXPECT_EQ(list->topRow(), 21);
    QTest::keyClick(list, Qt::Key_Up, Qt::ShiftModifier);
    QTest::keyClick(list, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(list->SelectedCount(), 3);
    QTest::keyClick(list, Qt::Key_Home);
    EXPECT_EQ(list->SelectedCount(), 1);
    EXPECT_EQ(list->topRow(), 0);
}

TEST_F(MacroEditingTest, CopyInsertsOnceAndNeverPastTheLimit) {
    RecordPresses(5);
    page->list()->SelectRow(1);
    page->Tick();
    EXPECT_FALSE(page->button(kIdInsertEvent)->isEnabled()) << "nothing copied yet";
    Click(kIdCopyEvent);
    EXPECT_EQ(page->list()->SelectedCount(), 0);
    page->list()->SelectRow(3);
    page->Tick();
    ASSERT_TRUE(page->button(kIdInsertEvent)->isEnabled());
    Click(kIdInsertEvent);
    EXPECT_EQ(Codes(), (std::vector<uint16_t>{'A', 'B', 'C', 'B', 'D', 'E'}));
    EXPECT_EQ(page->list()->SelectedCount(), 0);
    page->list()->SelectRow(0);
    page->InsertCopy();
    EXPECT_EQ(Codes().size(), 6u) << "a second Insert needs a new Copy";

    // At 100 events Insert says why it does nothing: past 127 the mouse would cut the macro.
    Macro& m = *current();
    while (m.events.size() < kMaxRecordedEvents) AddEvent(m, kEventKindKey, 'Z', 0);
    page->list()->Refresh();
    page->list()->SelectRow(0);
    Click(kIdCopyEvent);
    page->list()->SelectRow(5);
    page->InsertCopy();
    EXPECT_EQ(m.events.size(), kMaxRecordedEvents);
    ASSERT_FALSE(host.messages.empty());
    EXPECT_TRUE(host.messages.back().contains(U("100")));
}

TEST_F(MacroEditingTest, DelayControlsAndTheirFourHundredMillisecondRule) {
    RecordPresses(4);
    // With nothing selected the boxes do not stay checked.
    page->list()->SelectNone();
    Click(kIdSelDelay50);
    EXPECT_FALSE(page->checkBox(kIdSelDelay50)->checked());

    page->list()->SelectRow(1);
    page->list()->SelectRangeTo(2);
    Click(kIdSelDelay50);
    EXPECT_TRUE(page->checkBox(kIdSelDelay50)->checked());
    EXPECT_EQ(current()->events[1].delay, 50);
    EXPECT_EQ(current()->events[2].delay, 50);
    EXPECT_EQ(current()->events[0].delay, 10);

    page->delayEdit()->clear();
    Click(kIdSelDelay);
    EXPECT_TRUE(page->checkBox(kIdSelDelay)->checked());
    EXPECT_FALSE(page->checkBox(kIdSelDelay50)->checked());
    EXPECT_EQ(page->delayEdit()->text(), U("0")) << "an empty edit becomes 0";
    EXPECT_EQ(current()->events[1].delay, 0);
    Click(kIdSelDelay);
    EXPECT_TRUE(page->checkBox(kIdSelDelay)->checked()) << "stays on while rows are selected";

    // Eight nines: 3600000 within one tick; Up stays there, Down gives one less to the rows.
    page->delayEdit()->setText(U("99999999"));
    page->Tick();
    EXPECT_EQ(page->delayEdit()->text(), U("3600000"));
    EXPECT_EQ(current()->events[2].delay, kMaxEventDelayMs);
    page->delayEdit()->setText(U("123456789"));
    page->Tick();
    EXPECT_EQ(page->delayEdit()->text(), U("3600000")) << "the last eight, then the limit";
    Click(kIdDelayUp);
    EXPECT_EQ(page->delayEdit()->text(), U("3600000"));
    Click(kIdDelayDown);
    EXPECT_EQ(current()->events[1].delay, kMaxEventDelayMs - 1);
    page->delayEdit()->setText(U("0"));
    Click(kIdDelayDown);
    EXPECT_EQ(page->delayEdit()->text(), U("0"));

    // The in-place edit of one row's pause; Esc drops it.
    MacroEventList* list = page->list();
    list->EditDelay(3);
    ASSERT_TRUE(list->delayEditor()->isVisible());
    list->delayEditor()->setText(U("4321"));
    QTest::keyClick(list->delayEditor(), Qt::Key_Return);
    EXPECT_EQ(current()->events[3].delay, 4321);
    EXPECT_FALSE(list->delayEditor()->isVisible());
    list->EditDelay(3);
    list->delayEditor()->setText(U("7"));
    QTest::keyClick(list->delayEditor(), Qt::Key_Escape);
    EXPECT_EQ(current()->events[3].delay, 4321);
    EXPECT_TRUE(page->isVisible()) << "Esc in the edit is not the page's Esc";
    QTest::mouseDClick(list, Qt::LeftButton, Qt::NoModifier, list->RowRect(0).center());
    EXPECT_EQ(list->delayEditRow(), 0);
    list->delayEditor()->setText(U("99999999"));
    list->CommitDelayEdit();
    EXPECT_EQ(current()->events[0].delay, kMaxEventDelayMs);
}

TEST_F(MacroEditingTest, RepeatModesActAsAGroupAndTheCountStaysOneToFive) {
    page->countEdit()->setText(U("12"));
    page->Tick();
    EXPECT_EQ(page->countEdit()->text(), U("2"));
    page->countEdit()->setText(U("9"));
    page->Tick();
    EXPECT_EQ(page->countEdit()->text(), U("5"));
    page->countEdit()->setText(U("0"));
    page->Tick();
    EXPECT_EQ(page->countEdit()->text(), U("1"));
    Click(kIdRepeatDown);
    EXPECT_EQ(page->countEdit()->text(), U("1"));
    for (int i = 0; i < 6; ++i) Click(kIdRepeatUp);
    EXPECT_EQ(page->countEdit()->text(), U("5"));
    EXPECT_EQ(page->RepeatModeFromControls(), 5);

    Click(kIdRepeatPress);
    EXPECT_FALSE(page->checkBox(kIdRepeatX)->checked());
    EXPECT_EQ(page->RepeatModeFromControls(), kRepeatWhileHeld);
    page->Tick();
    EXPECT_FALSE(page->countEdit()->isEnabled());
    Click(kIdRepeatUntilKey);
    EXPECT_FALSE(page->checkBox(kIdRepeatPress)->checked());
    EXPECT_EQ(page->RepeatModeFromControls(), kRepeatUntilNextKey);
    Click(kIdRepeatUntilKey);
    EXPECT_EQ(page->RepeatModeFromControls(), 1) << "none checked";

    // The mode goes into the macro at Apply.
    Click(kIdRepeatUntilKey);
    RecordTaps("mode", {'M'});
    page->Apply();
    EXPECT_EQ(OnDisk().macros().at(0).repeatMode, kRepeatUntilNextKey);
}

}  // namespace
}  // namespace z7::test
