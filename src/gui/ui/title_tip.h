#pragma once
// The help balloon shown beside the control under the pointer. It hides when the pointer leaves
// the control's rectangle, on any key, and on any click.
#include <QFont>
#include <QRect>
#include <QString>
#include <QTimer>
#include <QWidget>

namespace z7 {

// Where a tip goes: its screen rectangle and the placement code 0 (above, right), 1 (below,
// right), 2 (above, left), 3 (below, left).
struct TipPlacement {
    QRect rect;
    int code = 0;
};
// `extent` is the measured text, `anchor` the anchor point in screen coordinates; `ownerRight`
// the owner window's right edge and `screenTop` the top of the anchor's screen.
TipPlacement PlaceTitleTip(QSize extent, QPoint anchor, int offset, int ownerRight, int screenTop);

class TitleTip : public QWidget {
    Q_OBJECT
  public:
    // The tip belongs to `owner` and lives as long as it.
    explicit TitleTip(QWidget* owner);
    // Shows `text` for the control at `itemRect` (owner client coordinates) anchored at
    // `anchor`. Nothing happens for an empty rectangle, a visible tip, or an anchor outside the
    // rectangle. Texts of at most two characters get a space on each side.
    void Show(const QString& text, int offset, const QRect& itemRect, const QPoint& anchor);
    void Hide();

    const QString& text() const { return text_; }
    int placement() const { return placement_; }
    // The item rectangle in screen coordinates while shown.
    const QRect& screenItemRect() const { return screenItem_; }

  protected:
    void paintEvent(QPaintEvent*) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void CheckPointer(const QPoint& globalPos);

    QWidget* owner_;
    QString text_;
    QRect screenItem_;
    int placement_ = 0;
    QFont font_;
    QTimer timer_;
};

}  // namespace z7
