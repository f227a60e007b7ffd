#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QPainter>
#include <QTextBlock>

#include "gui/ui/skin_combo_button.h"
#include "gui/ui/skin_controls.h"
#include "pointer.h"

namespace z7 {
namespace {
using test::Click;
using test::Drag;
using test::Hover;
using test::Press;
using test::Recorder;
using test::Release;
using Calls = std::vector<std::pair<int, int>>;

QImage Solid(QSize size, QColor color) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

// Width 116 with a 16-pixel thumb leaves 100 pixels of travel: 10 pixels per value for 0..10.
class Slider : public ::testing::Test {
  protected:
    void SetUp() override {
        slider.resize(116, 24);
        slider.SetPictures(Solid({116, 6}, Qt::gray), Solid({16, 24}, Qt::white),
                           Solid({16, 24}, Qt::red));
        slider.SetRange(0, 10);
        rec.Watch(&slider);
    }
    SkinSlider slider{1050, nullptr};
    Recorder rec;
};

TEST_F(Slider, PointerPositionsRoundHalvesUpAndClamp) {
    EXPECT_EQ(slider.ValueAt(8 + 44.9), 4);
    EXPECT_EQ(slider.ValueAt(8 + 45.0), 5);  // exactly halfway between 4 and 5
    EXPECT_EQ(slider.ValueAt(-50), 0);
    EXPECT_EQ(slider.ValueAt(500), 10);
    slider.SetRange(-5, 5);
    EXPECT_EQ(slider.ValueAt(8 + 5.0), -4);  // -4.5 rounds up
}

TEST_F(Slider, HalfwayClickReportsTheUpperValue) {
    Press(&slider, QPointF(53.0, 10));
    Release(&slider, QPointF(53.0, 10));
    EXPECT_EQ(rec.calls, (Calls{{1050, 5}}));
    EXPECT_EQ(slider.pos(), 5);
}

TEST_F(Slider, DraggingPastAnEndReportsTheLimitOnce) {
    Press(&slider, QPointF(58, 10));
    Drag(&slider, QPointF(400, 10));
    Drag(&slider, QPointF(900, 10));
    Release(&slider, QPointF(950, 10));
    Press(&slider, QPointF(58, 10));
    Drag(&slider, QPointF(-30, 10));
    Drag(&slider, QPointF(-300, 10));
    Release(&slider, QPointF(-300, 10));
    EXPECT_EQ(rec.calls, (Calls{{1050, 5}, {1050, 10}, {1050, 5}, {1050, 0}}));
}

TEST_F(Slider, SettingThePositionAlwaysNotifies) {
    slider.SetPos(3);
    slider.SetPos(3);
    slider.SetPos(42);  // clamped
    EXPECT_EQ(rec.calls, (Calls{{1050, 3}, {1050, 3}, {1050, 10}}));
    // The owner was told 10, so dragging back to an earlier mouse value is news to it.
    Press(&slider, QPointF(8, 10));
    Release(&slider, QPointF(8, 10));
    ASSERT_EQ(rec.calls.size(), 4u);
    EXPECT_EQ(rec.calls.back(), std::make_pair(1050, 0));
}

TEST_F(Slider, HoverAnnouncesItselfForHelp) {
    Hover(&slider, QPointF(10, 10));
    Hover(&slider, QPointF(20, 10));
    Hover(&slider, QPointF(200, 10));
    Hover(&slider, QPointF(20, 10));
    EXPECT_EQ(rec.calls, (Calls{{kHoverCode, 1050}, {kHoverCode, 1050}}));
}

TEST(CheckBox, ClickTogglesBeforeTheOwnerHearsAndDraggingOutCancels) {
    SkinCheckBox box(1036, nullptr);
    box.resize(100, 24);
    std::vector<bool> seen;
    QObject::connect(&box, &SkinControl::clicked, [&] { seen.push_back(box.checked()); });

    Hover(&box, QPointF(5, 5));
    Click(&box, QPointF(5, 5));
    EXPECT_EQ(seen, std::vector<bool>{true});

    Press(&box, QPointF(5, 5));
    Drag(&box, QPointF(300, 5));
    Release(&box, QPointF(300, 5));
    EXPECT_TRUE(box.checked());
    // Coming back before the release does not revive the cancelled press.
    Press(&box, QPointF(5, 5));
    Drag(&box, QPointF(300, 5));
    Drag(&box, QPointF(5, 5));
    Release(&box, QPointF(5, 5));
    EXPECT_TRUE(box.checked());
    EXPECT_EQ(seen.size(), 1u);

    box.SetChecked(false);
    EXPECT_FALSE(box.checked());
}

TEST(Button, HoverClickAndDisabledLook) {
    QWidget owner;
    SkinButton button(1031, &owner);
    button.resize(40, 20);
    Recorder rec;
    rec.Watch(&button);
    int clicks = 0;
    QObject::connect(&button, &SkinControl::clicked, [&] { ++clicks; });
    button.SetPictures(Solid({40, 20}, Qt::blue), Solid({40, 20}, Qt::green),
                       Solid({40, 20}, Qt::red));

    Hover(&button, QPointF(3, 3));
    EXPECT_EQ(rec.calls, (Calls{{1031, 0}, {kHoverCode, 1031}}));
    EXPECT_EQ(button.pictureState(), 1);
    Press(&button, QPointF(3, 3));
    EXPECT_EQ(button.pictureState(), 2);
    Release(&button, QPointF(3, 3));
    EXPECT_EQ(clicks, 1);
    // Released outside: no click.
    Press(&button, QPointF(3, 3));
    Release(&button, QPointF(90, 3));
    EXPECT_EQ(clicks, 1);

    // Without an off picture a disabled button keeps its normal look.
    Hover(&button, QPointF(90, 3));
    button.setEnabled(false);
    EXPECT_EQ(button.grab().toImage().pixelColor(5, 5), QColor(Qt::blue));
    button.SetOffPicture(Solid({40, 20}, Qt::darkGray));
    EXPECT_EQ(button.grab().toImage().pixelColor(5, 5), QColor(Qt::darkGray));
    button.setEnabled(true);
    button.SetLatched(true);
    EXPECT_EQ(button.grab().toImage().pixelColor(5, 5), QColor(Qt::red));
}

TEST(DoubleClickTestArea, DoubleClickToggles) {
    DoubleClickTestArea button(1131, nullptr);
    button.resize(40, 40);
    test::SendMouse(&button, QEvent::MouseButtonDblClick, QPointF(5, 5));
    EXPECT_EQ(button.pictureState(), 2);
    Click(&button, QPointF(5, 5));
    EXPECT_EQ(button.pictureState(), 2);
    test::SendMouse(&button, QEvent::MouseButtonDblClick, QPointF(5, 5));
    EXPECT_EQ(button.pictureState(), 0);
}

TEST(TextControls, EditsReportChangesAndStaticsDoubleClicks) {
    SkinLineEdit edit(1138, nullptr);
    Recorder rec;
    rec.Watch(&edit);
    edit.setText(QStringLiteral("配置 1"));
    EXPECT_EQ(rec.calls, (Calls{{1138, kTextChangedValue}}));

    SkinTextEdit text(1135, nullptr);
    Recorder textRec;
    textRec.Watch(&text);
    text.setPlainText(QStringLiteral("你好"));
    EXPECT_EQ(textRec.calls, (Calls{{1135, kTextChangedValue}}));

    SkinLabel label(1137, nullptr);
    Recorder labelRec;
    labelRec.Watch(&label);
    EXPECT_EQ(label.Text(), QString());
    label.SetText(QStringLiteral("F5"));
    label.SetText(QStringLiteral("F6"));
    EXPECT_EQ(label.Text(), QStringLiteral("F6"));
    test::SendMouse(&label, QEvent::MouseButtonDblClick, QPointF(1, 1));
    EXPECT_EQ(labelRec.calls, (Calls{{1137, 1}}));
}

TEST(TextControls, TextBlockEditorStartsANewLineInsteadOfRunningPastItsBand) {
    SkinTextEdit edit(1135, nullptr);
    edit.resize(512, 120);
    edit.SetFixedFont();
    edit.show();
    for (int i = 0; i < 90; ++i) {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QApplication::sendEvent(&edit, &key);
    }
    const QString text = edit.toPlainText();
    EXPECT_EQ(text.count(QLatin1Char('x')), 90);  // no key lost
    ASSERT_GE(edit.document()->blockCount(), 2);
    const QString first = edit.document()->firstBlock().text();
    const int width = QFontMetrics(edit.font()).horizontalAdvance(first);
    EXPECT_GE(width + 2 * edit.document()->documentMargin(), 479 - 20);
    EXPECT_LE(width, 488);
}

TEST(ScrollCtrl, EndButtonsJumpToTheLimitsAndTheTrackFollowsThePointer) {
    SkinScrollBar scroll(1084, nullptr);
    scroll.resize(16, 200);
    scroll.SetPictures(Solid({16, 100}, Qt::gray), Solid({16, 20}, Qt::white),
                       Solid({16, 16}, Qt::blue), Solid({16, 16}, Qt::red),
                       Solid({16, 16}, Qt::blue), Solid({16, 16}, Qt::red));
    scroll.SetRange(0, 50);
    scroll.SetPos(30);
    Recorder rec;
    rec.Watch(&scroll);
    Click(&scroll, QPointF(8, 5));
    EXPECT_EQ(scroll.pos(), 0);
    Click(&scroll, QPointF(8, 195));
    EXPECT_EQ(scroll.pos(), 50);
    // Track from 16 to 184, thumb 20: the middle of the travel is y = 100.
    Press(&scroll, QPointF(8, 100));
    Release(&scroll, QPointF(8, 100));
    EXPECT_EQ(scroll.pos(), 25);
    EXPECT_EQ(rec.calls, (Calls{{1084, 0}, {1084, 50}, {1084, 25}}));
    scroll.SetPos(500);
    EXPECT_EQ(scroll.pos(), 50);
}

class Combo : public ::testing::Test {
  protected:
    void SetUp() override {
        owner.setGeometry(100, 100, 400, 300);
        combo = new SkinComboButton(1054, &owner);
        combo->setGeometry(10, 10, 200, 30);
        combo->SetClock(clock);
        combo->AddItem(1, QStringLiteral("1"));
        combo->AddItem(2, QStringLiteral("2"));
        combo->AddItem(3, QStringLiteral("3"));
        owner.show();
        rec.Watch(combo);
    }
    void ChooseRow(int row) {
        SkinMenu* menu = combo->menu();
        const QPointF at = menu->items()[row].rect.center();
        Hover(menu, at);
        Click(menu, at);
    }
    VirtualClock clock;
    QWidget owner;
    SkinComboButton* combo = nullptr;
    Recorder rec;
};

TEST_F(Combo, ClickOnTheOpenButtonClosesTheMenuWithoutReopening) {
    Click(combo, QPointF(20, 15));
    ASSERT_TRUE(combo->menuOpen());
    // The press reaches the program's event filters before the button, like the mouse hook.
    Click(combo, QPointF(20, 15));
    EXPECT_FALSE(combo->menuOpen());
    EXPECT_EQ(rec.calls, (Calls{{kHoverCode, 1054}, {kMenuClosingCode, 1}, {kMenuClosingCode, 0}}));
    // A later click opens it again.
    clock.Advance(Millis(300));
    Click(combo, QPointF(20, 15));
    EXPECT_TRUE(combo->menuOpen());
    combo->menu()->Close();
}

TEST_F(Combo, ChoiceIsReportedAndShownUnlessTheOwnerVetoes) {
    QObject::connect(combo, &SkinComboButton::sysCommand, [this](int code, int value) {
        if (code == 1054 && value == 3) combo->VetoChosenText();
    });
    Click(combo, QPointF(20, 15));
    ChooseRow(1);
    EXPECT_EQ(combo->text(), QStringLiteral("2"));
    EXPECT_EQ(combo->currentId(), 2);
    EXPECT_FALSE(combo->menuOpen());

    clock.Advance(Millis(300));
    Click(combo, QPointF(20, 15));
    ChooseRow(2);  // vetoed
    EXPECT_EQ(combo->text(), QStringLiteral("2"));
    EXPECT_EQ(combo->currentId(), 2);

    clock.Advance(Millis(300));
    Click(combo, QPointF(20, 15));
    ChooseRow(0);  // the veto held for one choice only
    EXPECT_EQ(combo->currentId(), 1);

    Calls choices;
    for (const auto& call : rec.calls) {
        if (call.first == 1054) choices.push_back(call);
    }
    EXPECT_EQ(choices, (Calls{{1054, 2}, {1054, 3}, {1054, 1}}));
}

TEST_F(Combo, SelectingAndClearing) {
    combo->SelectItem(3);
    EXPECT_EQ(combo->text(), QStringLiteral("3"));
    combo->SelectItem(99);
    EXPECT_EQ(combo->currentId(), 3);
    EXPECT_FALSE(combo->AddItem(3, QStringLiteral("again")));
    combo->RemoveAllItems();
    EXPECT_EQ(combo->currentId(), -1);
    EXPECT_TRUE(combo->text().isEmpty());
    // An empty menu never opens.
    Click(combo, QPointF(20, 15));
    EXPECT_FALSE(combo->menuOpen());
}

TEST(BnCombo, HotkeysShowTheirShortLabels) {
    ButtonFunctionCombo combo(1023, nullptr);
    combo.resize(200, 30);
    combo.AddItem(2700, QStringLiteral("Windows 快捷键"));
    ASSERT_TRUE(combo.AddSubItem(2700, 2705, QStringLiteral("Ctrl+Tab")));
    EXPECT_FALSE(combo.AddSubItem(2700, 2705, QStringLiteral("dup")));
    EXPECT_FALSE(combo.AddSubItem(4242, 2706, QStringLiteral("no parent")));
    combo.AddSubItem(2700, 2799, QStringLiteral("其他"));
    combo.SelectItem(2705);
    EXPECT_EQ(combo.text(), QStringLiteral("浏览器下一个选项卡"));
    combo.SelectItem(2799);
    EXPECT_EQ(combo.text(), QStringLiteral("其他"));
    EXPECT_TRUE(combo.menu()->items()[0].hasSubmenu);
}

}  // namespace
}  // namespace z7
