#pragma once
// The help balloon shown beside the control under the pointer. It hides when the pointer leaves
// the control's rectangle, on any key, and on any click.
#include <QFont>
#include <QRect>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <optional>

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
    // The same for `control`, placed from where the control really is on the screen (its last
    // pointer event says so) rather than from the window's own idea of its position, which can
    // be stale until the window manager has placed it. `screenAnchor` defaults to the control's
    // top-left corner; one outside the control is taken as that corner too.
    void ShowFor(QWidget* control, const QString& text,
                 std::optional<QPoint> screenAnchor = std::nullopt);
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
    // `screenItem` and `anchor` in screen coordinates; `ownerRight` the owner window's right
    // edge on the screen.
    void ShowOnScreen(const QString& text, int offset, const QRect& screenItem,
                      const QPoint& anchor, int ownerRight);

    QWidget* owner_;
    QString text_;
    QRect screenItem_;
    int placement_ = 0;
    QFont font_;
    QTimer timer_;
};

}  // namespace z7
