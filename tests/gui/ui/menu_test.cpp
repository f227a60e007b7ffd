#include <gtest/gtest.h>

#include <QTest>

#include "gui/ui/skin_menu.h"
#include "gui/ui/skin_style.h"
#include "pointer.h"

namespace z7 {
namespace {
using test::Click;
using test::Hover;
using test::Recorder;
using Calls = std::vector<std::pair<int, int>>;

class Menu : public ::testing::Test {
  protected:
    void SetUp() override {
        owner.setGeometry(20, 20, 300, 200);
        owner.show();
        elsewhere.setGeometry(500, 400, 100, 100);
        elsewhere.show();
        menu = new ButtonFunctionMenu(&owner, 77, QRect(0, 0, 180, 10));
        menu->AddItem(2101, QStringLiteral("左击"));
        menu->AddItem(2600, QStringLiteral("指派按键"));
        menu->AddItem(2102, QStringLiteral("右击"), 0, false);
        ASSERT_TRUE(menu->AddSubItem(2600, 2601, QStringLiteral("设置")));
        ASSERT_TRUE(menu->AddSubItem(2600, 2602, QStringLiteral("A")));
        rec.Watch(menu);
        menu->PopUp(0, 40, 60);
        ASSERT_TRUE(menu->isVisible());
    }
    QPointF Row(SkinMenu* m, int index) { return m->items()[index].rect.center(); }

    QWidget owner;
    QWidget elsewhere;
    ButtonFunctionMenu* menu = nullptr;
    Recorder rec;
};

TEST_F(Menu, DuplicateIdsAreIgnoredAndFoundInSubmenus) {
    EXPECT_FALSE(menu->AddItem(2101, QStringLiteral("again")));
    EXPECT_EQ(menu->items().size(), 3u);
    ASSERT_NE(menu->FindItem(2602), nullptr);
    EXPECT_EQ(menu->FindItem(2602)->text, QStringLiteral("A"));
    EXPECT_EQ(menu->FindItem(9999), nullptr);
    EXPECT_EQ(menu->Submenu(2600, false)->key(), 2600);
}

TEST_F(Menu, ChoosingReportsKeyAndIdThenCloses) {
    Hover(menu, Row(menu, 0));
    Click(menu, Row(menu, 0));
    EXPECT_EQ(rec.calls, (Calls{{77, 2101}, {kMenuClosingCode, 1}, {kMenuClosingCode, 0}}));
    EXPECT_FALSE(menu->isVisible());
}

TEST_F(Menu, SubmenuParentOpensItsSubmenuAndReportsNothing) {
    Hover(menu, Row(menu, 1));
    SkinMenu* sub = menu->Submenu(2600, false);
    ASSERT_TRUE(sub->isVisible());
    Click(menu, Row(menu, 1));
    EXPECT_TRUE(rec.calls.empty());
    EXPECT_TRUE(menu->isVisible());
    // A choice in the submenu carries the submenu's key and closes the tree.
    Hover(sub, Row(sub, 1));
    Click(sub, Row(sub, 1));
    ASSERT_FALSE(rec.calls.empty());
    EXPECT_EQ(rec.calls.front(), std::make_pair(2600, 2602));
    EXPECT_FALSE(menu->isVisible());
    EXPECT_FALSE(sub->isVisible());
}

TEST_F(Menu, DisabledItemReportsNothingButCloses) {
    Hover(menu, Row(menu, 2));
    Click(menu, Row(menu, 2));
    EXPECT_EQ(rec.calls, (Calls{{kMenuClosingCode, 1}, {kMenuClosingCode, 0}}));
    EXPECT_FALSE(menu->isVisible());
}

TEST_F(Menu, OutsideClickClosesTheWholeTree) {
    Hover(menu, Row(menu, 1));
    SkinMenu* sub = menu->Submenu(2600, false);
    ASSERT_TRUE(sub->isVisible());
    // A click inside the tree keeps it open.
    test::Press(sub, QPointF(sub->items()[0].rect.center()));
    EXPECT_TRUE(menu->isVisible());
    rec.calls.clear();
    Click(&elsewhere, QPointF(50, 50));
    EXPECT_FALSE(menu->isVisible());
    EXPECT_FALSE(sub->isVisible());
    ASSERT_GE(rec.calls.size(), 2u);
    EXPECT_EQ(rec.calls.front(), std::make_pair(kMenuClosingCode, 1));
    EXPECT_EQ(rec.calls.back(), std::make_pair(kMenuClosingCode, 0));
    for (const auto& call : rec.calls) EXPECT_EQ(call.first, kMenuClosingCode);
    // Once closed, further clicks say nothing.
    const size_t before = rec.calls.size();
    Click(&elsewhere, QPointF(50, 50));
    EXPECT_EQ(rec.calls.size(), before);
}

TEST_F(Menu, LayoutAndPlacement) {
    const int row = menu->RowHeight();
    EXPECT_EQ(menu->height(), 3 * row + 8);
    EXPECT_EQ(menu->items()[1].rect.top(), 4 + row);
    EXPECT_EQ(menu->items()[0].rect.width(), menu->width() - 15);
    EXPECT_EQ(menu->pos(), QPoint(40, 60));
    menu->Close();
    menu->PopUp(2, 40, 300);
    EXPECT_EQ(menu->geometry().bottom() + 1, 300);

    SkinMenu plain(&owner, 5, QRect(0, 0, 120, 10));
    plain.PopUp(0, 10, 10);
    EXPECT_FALSE(plain.isVisible());  // empty
    plain.AddItem(1, QStringLiteral("一"));
    plain.PopUp(3, 300, 300);
    EXPECT_EQ(plain.geometry().bottomRight() + QPoint(1, 1), QPoint(300, 300));
    plain.RemoveAllItems();
    EXPECT_FALSE(plain.isVisible());
    EXPECT_TRUE(plain.items().empty());
}

TEST_F(Menu, MovingOntoAPlainRowClosesTheSubmenuButNotTheMenu) {
    Hover(menu, Row(menu, 1));
    SkinMenu* sub = menu->Submenu(2600, false);
    ASSERT_TRUE(sub->isVisible());
    rec.calls.clear();
    Hover(menu, Row(menu, 0));
    EXPECT_FALSE(sub->isVisible());
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(menu->hotItem(), 0);
    // Only the submenu closed: the owner heard its pair, not the menu's.
    EXPECT_EQ(rec.calls, (Calls{{kMenuClosingCode, 1}, {kMenuClosingCode, 0}}));
    Hover(menu, Row(menu, 1));
    EXPECT_TRUE(sub->isVisible());
}

TEST_F(Menu, TheKeyboardWalksTheTreeWhileItIsOpen) {
    // Keys go to whatever has the focus; the open tree takes them first.
    QWidget* target = &owner;
    auto key = [target](int k) { QTest::keyClick(target, static_cast<Qt::Key>(k)); };
    key(Qt::Key_Down);
    EXPECT_EQ(menu->hotItem(), 0);
    key(Qt::Key_Down);
    EXPECT_EQ(menu->hotItem(), 1);
    key(Qt::Key_Down);  // the disabled row is passed over
    EXPECT_EQ(menu->hotItem(), 0);
    key(Qt::Key_Up);
    EXPECT_EQ(menu->hotItem(), 1);
    key(Qt::Key_Right);
    SkinMenu* sub = menu->Submenu(2600, false);
    ASSERT_TRUE(sub->isVisible());
    EXPECT_EQ(sub->hotItem(), 0);
    key(Qt::Key_Left);  // back out of the submenu only
    EXPECT_FALSE(sub->isVisible());
    EXPECT_TRUE(menu->isVisible());
    key(Qt::Key_Return);  // Enter on a submenu row opens it
    ASSERT_TRUE(sub->isVisible());
    key(Qt::Key_Escape);  // Esc closes the innermost menu first
    EXPECT_FALSE(sub->isVisible());
    EXPECT_TRUE(menu->isVisible());
    key(Qt::Key_Right);
    key(Qt::Key_Down);
    rec.calls.clear();
    key(Qt::Key_Return);
    ASSERT_FALSE(rec.calls.empty());
    EXPECT_EQ(rec.calls.front(), std::make_pair(2600, 2602));
    EXPECT_FALSE(menu->isVisible());
    // Closed, the menu leaves the keys alone.
    rec.calls.clear();
    key(Qt::Key_Escape);
    EXPECT_TRUE(rec.calls.empty());
}

TEST_F(Menu, AMenuHasAVisibleBorderAndItsOwnFillApartFromTheCardBelow) {
    SkinMenu plain(&owner, 5, QRect(0, 0, 120, 10));
    plain.AddItem(1, QStringLiteral("一"));
    plain.AddItem(2, QStringLiteral("二"));
    plain.PopUp(0, 10, 10);
    for (SkinMenu* m : {static_cast<SkinMenu*>(&plain), static_cast<SkinMenu*>(menu)}) {
        const QImage image = m->grab().toImage();
        const int mid = image.height() / 2;
        EXPECT_EQ(QColor(image.pixel(0, mid)), skin::kMenuBorder);
        EXPECT_EQ(QColor(image.pixel(image.width() - 1, mid)), skin::kMenuBorder);
        EXPECT_EQ(QColor(image.pixel(mid, 0)), skin::kMenuBorder);
        EXPECT_EQ(QColor(image.pixel(image.width() - 3, 2)), skin::kMenu);
    }
    EXPECT_NE(skin::kMenu, skin::kPanel);
    EXPECT_NE(skin::kMenuBorder, skin::kMenu);
}

TEST_F(Menu, BnMeasures) {
    EXPECT_GT(menu->TotalHeight(), 3 * 4);
    EXPECT_GT(menu->WidestText(77), menu->WidestText(2600));
    EXPECT_EQ(menu->WidestText(12345), 0);
}

}  // namespace
}  // namespace z7
