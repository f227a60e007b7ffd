#include <gtest/gtest.h>

#include "gui/ui/message_popup.h"
#include "gui/ui/skin_layout.h"
#include "gui/ui/title_tip.h"
#include "pointer.h"

namespace z7 {
namespace {
using test::Click;

int Answer(int kind, SkinButton* (MessagePopup::*button)() const) {
    MessagePopup dlg(kind, nullptr);
    dlg.open();
    SkinButton* b = (dlg.*button)();
    if (!b) return -1;
    Click(b, QPointF(3, 3));
    EXPECT_FALSE(dlg.isVisible());
    return dlg.result();
}

TEST(MessagePopup, YesAnswersOneEverythingElseTwo) {
    for (int kind : {185, 189, 194, 198, 202, 206, 282, 286}) {
        EXPECT_EQ(Answer(kind, &MessagePopup::yesButton), kPopupYes) << kind;
        EXPECT_EQ(Answer(kind, &MessagePopup::noButton), kPopupNo) << kind;
        EXPECT_EQ(Answer(kind, &MessagePopup::closeButton), kPopupNo) << kind;
    }
    // Notices have only Close and Yes.
    for (int kind : {291, 294, 297}) {
        MessagePopup dlg(kind, nullptr);
        EXPECT_FALSE(dlg.isQuestion());
        EXPECT_EQ(Answer(kind, &MessagePopup::closeButton), kPopupNo) << kind;
        EXPECT_EQ(Answer(kind, &MessagePopup::yesButton), kPopupYes) << kind;
    }
    MessagePopup dlg(297, nullptr);
    dlg.open();
    dlg.reject();  // Escape
    EXPECT_EQ(dlg.result(), kPopupNo);
}

TEST(MessagePopup, ButtonsSitWhereTheSkinDrewThem) {
    for (int kind : {185, 286, 297}) {
        MessagePopup dlg(kind, nullptr);
        EXPECT_EQ(dlg.size(), FamilyOf(kind)->size);
        EXPECT_EQ(dlg.yesButton()->geometry(), ElementRect(ElementNamed(kind, "Yes")));
        EXPECT_EQ(dlg.closeButton()->geometry(), ElementRect(ElementNamed(kind, "Close")));
    }
}

TEST(MessagePopup, OnlyTheFirmwareOfferShowsAVersion) {
    MessagePopup offer(kPopupCheckStart, nullptr);
    offer.SetText(QStringLiteral("V1.05"));
    ASSERT_NE(offer.versionText(), nullptr);
    EXPECT_EQ(offer.versionText()->Text(), QStringLiteral("V1.05"));
    EXPECT_EQ(offer.versionText()->controlId(), MessagePopup::kVersionId);

    MessagePopup question(kPopupDataChanged, nullptr);
    question.SetText(QStringLiteral("ignored"));
    EXPECT_EQ(question.versionText(), nullptr);
    EXPECT_EQ(question.yesButton()->controlId(), MessagePopup::kYesId);
    EXPECT_EQ(question.noButton()->controlId(), MessagePopup::kNoId);
    EXPECT_EQ(question.closeButton()->controlId(), MessagePopup::kCloseId);
}

TEST(MessagePopup, ItsDraggedOnlyWhenItOffersFirmware) {
    MessagePopup offer(kPopupCheckStart, nullptr);
    offer.move(100, 100);
    offer.show();
    test::Press(&offer, QPointF(10, 100));
    test::Drag(&offer, QPointF(40, 130));
    test::Release(&offer, QPointF(40, 130));
    EXPECT_EQ(offer.pos(), QPoint(130, 130));

    MessagePopup notice(kPopupDeviceNotFound, nullptr);
    notice.move(100, 100);
    notice.show();
    test::Press(&notice, QPointF(10, 100));
    test::Drag(&notice, QPointF(40, 130));
    test::Release(&notice, QPointF(40, 130));
    EXPECT_EQ(notice.pos(), QPoint(100, 100));
}

class Tip : public ::testing::Test {
  protected:
    void SetUp() override {
        owner.setGeometry(100, 200, 500, 300);
        owner.show();
    }
    QWidget owner;
    TitleTip tip{&owner};
};

TEST_F(Tip, ShortTextsArePaddedAndShowOnlyForTheirControl) {
    tip.Show(QStringLiteral("开"), 0, QRect(10, 10, 40, 20), QPoint(10, 10));
    EXPECT_TRUE(tip.isVisible());
    EXPECT_EQ(tip.text(), QStringLiteral(" 开 "));
    // Already showing: the second request is ignored.
    tip.Show(QStringLiteral("other"), 0, QRect(10, 10, 40, 20), QPoint(10, 10));
    EXPECT_EQ(tip.text(), QStringLiteral(" 开 "));
    tip.Hide();
    EXPECT_FALSE(tip.isVisible());

    tip.Show(QStringLiteral("abc"), 0, QRect(10, 10, 40, 20), QPoint(100, 100));
    EXPECT_FALSE(tip.isVisible());  // anchor outside the control
    tip.Show(QStringLiteral("abc"), 0, QRect(), QPoint(0, 0));
    EXPECT_FALSE(tip.isVisible());
    tip.Show(QStringLiteral("abc"), 0, QRect(10, 10, 40, 20), QPoint(12, 12));
    EXPECT_EQ(tip.text(), QStringLiteral("abc"));
}

TEST_F(Tip, LeavingTheControlOrTypingHidesIt) {
    tip.Show(QStringLiteral("帮助"), 0, QRect(10, 10, 40, 20), QPoint(10, 10));
    test::Hover(&owner, QPointF(20, 20));
    EXPECT_TRUE(tip.isVisible());
    test::Hover(&owner, QPointF(200, 200));
    EXPECT_FALSE(tip.isVisible());

    tip.Show(QStringLiteral("帮助"), 0, QRect(10, 10, 40, 20), QPoint(10, 10));
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QApplication::sendEvent(&owner, &key);
    EXPECT_FALSE(tip.isVisible());

    tip.Show(QStringLiteral("帮助"), 0, QRect(10, 10, 40, 20), QPoint(10, 10));
    Click(&owner, QPointF(20, 20));
    EXPECT_FALSE(tip.isVisible());
}

TEST(TipPlacement, OpensBelowNearTheTopAndLeftNearTheRightEdge) {
    const QSize text(100, 14);
    TipPlacement p = PlaceTitleTip(text, QPoint(200, 300), 0, 800, 0);
    EXPECT_EQ(p.code, 0);
    EXPECT_EQ(p.rect, QRect(200, 300 - 14 - 20, 120, 34));
    p = PlaceTitleTip(text, QPoint(200, 20), 0, 800, 0);
    EXPECT_EQ(p.code, 1);
    EXPECT_EQ(p.rect.top(), 20);
    p = PlaceTitleTip(text, QPoint(750, 300), 0, 800, 0);
    EXPECT_EQ(p.code, 2);
    EXPECT_EQ(p.rect.left(), 650);
    p = PlaceTitleTip(text, QPoint(750, 10), 6, 800, 0);
    EXPECT_EQ(p.code, 3);
    EXPECT_EQ(p.rect.height(), 6 + 14 + 20);
    // The top of a second screen above the first counts as the edge, not y = 0.
    EXPECT_EQ(PlaceTitleTip(text, QPoint(200, 20), 0, 800, -1080).code, 0);
}

}  // namespace
}  // namespace z7
