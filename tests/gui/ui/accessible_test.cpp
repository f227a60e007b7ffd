// Each skinned control as assistive technology sees it, and the keys that work it.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QTest>

#include "gui/ui/skin_accessible.h"
#include "gui/ui/skin_combo_button.h"
#include "gui/ui/skin_controls.h"
#include "gui/ui/skin_layout.h"
#include "gui/ui/skin_style.h"
#include "pointer.h"

namespace z7 {
namespace {

QAccessibleInterface* Of(QObject* object) {
    return QAccessible::queryAccessibleInterface(object);
}

class Accessible : public ::testing::Test {
  protected:
    void SetUp() override {
        window.resize(400, 300);
        window.show();
    }
    SkinWindow window;
    test::Recorder rec;
};

TEST_F(Accessible, ButtonsAndCheckBoxesPressAndToggleLikeAClick) {
    auto* button = new SkinButton(1086, &window);
    button->SetSkinElement(ElementNamed(71, "Apply"));
    auto* box = new SkinCheckBox(1034, &window);
    NameControl(box, QStringLiteral("x"), QString::fromUtf8("设置滚轮翻动的速度"));
    int clicks = 0, toggles = 0;
    QObject::connect(button, &SkinButton::clicked, [&] { ++clicks; });
    QObject::connect(box, &SkinCheckBox::clicked, [&] { ++toggles; });

    QAccessibleInterface* b = Of(button);
    EXPECT_EQ(b->role(), QAccessible::Button);
    EXPECT_EQ(b->text(QAccessible::Name), QStringLiteral("Apply"));  // from the layout table
    EXPECT_TRUE(b->state().focusable);
    b->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTest::keyClick(button, Qt::Key_Space);
    QTest::keyClick(button, Qt::Key_Enter);
    EXPECT_EQ(clicks, 3);
    button->setEnabled(false);
    EXPECT_TRUE(b->state().disabled);
    b->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(clicks, 3);
    button->SetLatched(true);
    EXPECT_TRUE(b->state().pressed);

    QAccessibleInterface* c = Of(box);
    EXPECT_EQ(c->role(), QAccessible::CheckBox);
    EXPECT_EQ(c->text(QAccessible::Name), QStringLiteral("x"));
    EXPECT_EQ(c->text(QAccessible::Description), QString::fromUtf8("设置滚轮翻动的速度"));
    EXPECT_TRUE(c->state().checkable);
    EXPECT_FALSE(c->state().checked);
    c->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(box->checked());
    EXPECT_TRUE(c->state().checked);
    QTest::keyClick(box, Qt::Key_Space);
    EXPECT_FALSE(box->checked());
    EXPECT_EQ(toggles, 2);

    auto* area = new DoubleClickTestArea(1131, &window);
    Of(area)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(area->pictureState(), 2);
    QTest::keyClick(area, Qt::Key_Space);
    EXPECT_EQ(area->pictureState(), 0);
}

TEST_F(Accessible, SlidersAndScrollBarsHaveValuesTheUserCanSet) {
    auto* slider = new SkinSlider(1050, &window);
    slider->setGeometry(10, 10, 200, 24);
    slider->SetRange(1, 11);
    slider->SetPos(6);
    NameControl(slider, QStringLiteral("Pointer Speed"));
    rec.Watch(slider);
    QAccessibleInterface* s = Of(slider);
    EXPECT_EQ(s->role(), QAccessible::Slider);
    ASSERT_NE(s->valueInterface(), nullptr);
    EXPECT_EQ(s->valueInterface()->currentValue().toInt(), 6);
    EXPECT_EQ(s->valueInterface()->minimumValue().toInt(), 1);
    EXPECT_EQ(s->valueInterface()->maximumValue().toInt(), 11);
    s->valueInterface()->setCurrentValue(9);
    s->valueInterface()->setCurrentValue(9);  // unchanged: not told again
    s->valueInterface()->setCurrentValue(40);
    EXPECT_EQ(slider->pos(), 11);
    s->actionInterface()->doAction(QAccessibleActionInterface::decreaseAction());
    QTest::keyClick(slider, Qt::Key_PageDown);
    QTest::keyClick(slider, Qt::Key_End);
    EXPECT_EQ(rec.calls, (std::vector<std::pair<int, int>>{
                             {1050, 9}, {1050, 11}, {1050, 10}, {1050, 9}, {1050, 11}}));

    auto* scroll = new SkinScrollBar(1200, &window);
    scroll->setGeometry(300, 10, 16, 200);
    scroll->SetRange(0, 50);
    QAccessibleInterface* sb = Of(scroll);
    EXPECT_EQ(sb->role(), QAccessible::ScrollBar);
    sb->valueInterface()->setCurrentValue(20);
    EXPECT_EQ(scroll->pos(), 20);
    QTest::keyClick(scroll, Qt::Key_Down);  // vertical: Down moves on
    QTest::keyClick(scroll, Qt::Key_Left);  // and Left does nothing
    EXPECT_EQ(scroll->pos(), 21);

    SkinProgressBar bar(&window);
    bar.SetPos(40);
    QAccessibleInterface* p = Of(&bar);
    EXPECT_EQ(p->role(), QAccessible::ProgressBar);
    EXPECT_EQ(p->valueInterface()->currentValue().toInt(), 40);
    p->valueInterface()->setCurrentValue(90);  // progress is only shown
    EXPECT_EQ(bar.pos(), 40);
}

TEST_F(Accessible, ComboButtonsOpenTheirMenuAndShowTheirValue) {
    auto* combo = new SkinComboButton(1079, &window);
    combo->setGeometry(10, 10, 140, 30);
    NameControl(combo, QStringLiteral("Polling Rate"), QString::fromUtf8("此项数值决定着鼠标"));
    combo->AddItem(1, QStringLiteral("1000 Hz"));
    combo->AddItem(2, QStringLiteral("500 Hz"), 0, false);
    combo->AddItem(4, QStringLiteral("250 Hz"));
    combo->SelectItem(1);
    QAccessibleInterface* c = Of(combo);
    EXPECT_EQ(c->role(), QAccessible::ComboBox);
    EXPECT_EQ(c->text(QAccessible::Value), QStringLiteral("1000 Hz"));
    EXPECT_TRUE(c->state().hasPopup);
    EXPECT_FALSE(c->state().expanded);
    ASSERT_EQ(c->childCount(), 1);
    QAccessibleInterface* menu = c->child(0);
    EXPECT_EQ(menu->parent(), c);
    EXPECT_EQ(menu->text(QAccessible::Name), QStringLiteral("Polling Rate"));
    ASSERT_EQ(menu->childCount(), 3);
    EXPECT_TRUE(menu->child(1)->state().disabled);

    c->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
    EXPECT_TRUE(combo->menuOpen());
    EXPECT_TRUE(c->state().expanded);
    EXPECT_TRUE(menu->child(0)->state().focused);  // the current item is highlighted
    EXPECT_EQ(menu->focusChild(), menu->child(0));
    // A disabled item cannot be chosen; an enabled one can.
    menu->child(1)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(combo->currentId(), 1);
    combo->OpenMenu();
    menu->child(2)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(combo->currentId(), 4);
    EXPECT_EQ(c->text(QAccessible::Value), QStringLiteral("250 Hz"));
    EXPECT_FALSE(combo->menuOpen());

    // The keyboard opens it too; Esc shuts it without a choice.
    combo->setFocus(Qt::TabFocusReason);
    QTest::keyClick(combo, Qt::Key_Space);
    EXPECT_TRUE(combo->menuOpen());
    QTest::keyClick(combo, Qt::Key_Up);
    QTest::keyClick(combo, Qt::Key_Escape);
    EXPECT_FALSE(combo->menuOpen());
    EXPECT_EQ(combo->currentId(), 4);

    combo->SetActsAsMenuButton(true);
    SkinComboButton share(1001, &window);
    share.SetActsAsMenuButton(true);
    EXPECT_EQ(Of(&share)->role(), QAccessible::ButtonMenu);
    EXPECT_EQ(Of(&share)->childCount(), 0);  // no items, no menu
}

TEST_F(Accessible, LabelsAreStaticTextThatCanBeRead) {
    auto* version = new SkinLabel(1020, &window);
    version->setAccessibleName(QStringLiteral("Firmware Version"));
    version->SetText(QStringLiteral("V1.65"));
    QAccessibleInterface* l = Of(version);
    EXPECT_EQ(l->role(), QAccessible::StaticText);
    EXPECT_EQ(l->text(QAccessible::Name), QStringLiteral("Firmware Version"));
    EXPECT_EQ(l->text(QAccessible::Description), QStringLiteral("V1.65"));
    ASSERT_NE(l->textInterface(), nullptr);
    EXPECT_EQ(l->textInterface()->characterCount(), 5);
    EXPECT_EQ(l->textInterface()->text(1, 5), QStringLiteral("1.65"));
    auto* plain = new SkinLabel(0, &window);
    plain->SetText(QString::fromUtf8("未连接鼠标"));
    EXPECT_EQ(Of(plain)->text(QAccessible::Name), QString::fromUtf8("未连接鼠标"));
}

TEST_F(Accessible, TheFocusMarkShowsInTheAccentColourOnceTheKeyboardIsUsed) {
    auto* button = new SkinButton(7, &window);
    button->setGeometry(20, 20, 100, 32);
    button->SetFallbackText(QStringLiteral("OK"));
    auto* other = new SkinButton(8, &window);
    other->setGeometry(20, 80, 100, 32);
    button->show();
    other->show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    auto marked = [](QWidget* w) {
        const QImage image = w->grab().toImage();
        int accent = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                accent += QColor(image.pixel(x, y)) == skin::kAccent;
        return accent > 20;
    };

    button->setFocus(Qt::MouseFocusReason);
    EXPECT_FALSE(ShowsFocusMark(button));
    EXPECT_FALSE(marked(button));
    QTest::keyClick(button, Qt::Key_Tab);  // the keyboard in use: the mark follows the focus
    EXPECT_TRUE(other->hasFocus());
    EXPECT_TRUE(marked(other));
    test::Click(other, QPointF(10, 10));  // a click hides the marks again
    EXPECT_FALSE(marked(other));
}

}  // namespace
}  // namespace z7
