#pragma once
// A colour disc of the lighting page: a skin picture of a hue/saturation disc whose pixels are
// the colours it offers. A pick reads the disc's own picture at the pointer, never the screen,
// so the marker, a tooltip or a window in front cannot be picked; outside the disc's circle
// nothing is picked and a press there moves the window as a press on the page does.
#include <QImage>
#include <QPoint>
#include <optional>

#include "gui/ui/skin_controls.h"

namespace z7 {

class ColourDisc : public SkinControl {
    Q_OBJECT
  public:
    // What the pointer or the keyboard is doing with the disc.
    enum Phase { kPress, kDrag, kRelease };

    ColourDisc(int controlId, QWidget* parent);
    // Normal, over and off pictures from a skin element; picks read the normal one.
    void SetSkinElement(int element);
    void SetPictures(const QImage& normal, const QImage& over, const QImage& off);

    // True for a point (widget coordinates) inside the circle picks are taken from: the disc's
    // inscribed circle less a rim, so that picks never read its anti-aliased edge.
    bool Contains(QPointF pos) const;
    // The picture's colour at `pos`, packed as the profile keeps colours; none outside the
    // circle or where the picture is not opaque.
    std::optional<uint32_t> ColorAt(QPointF pos) const;

    // The marker: at a picked point, or at the pixel whose hue and saturation come closest to
    // `color` (typed and loaded colours). Shown only while the disc is enabled.
    void SetMarker(QPoint pos);
    void MarkColor(uint32_t color);
    std::optional<QPoint> marker() const { return marker_; }

    // The colour the disc's light has now, for assistive technology ("255, 0, 0").
    void SetColor(uint32_t color);
    uint32_t color() const { return color_; }
    QString ColorText() const;

  signals:
    // `pos` in widget coordinates; a drag may leave the widget (the page decides which disc is
    // under it). Keyboard moves report a press and a release at the new point.
    void picking(int phase, QPoint pos);

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void PointerLeft() override;

  private:
    QPointF Centre() const;
    double PickRadius() const;
    const QImage& Sample() const;
    void UpdateCursor(QPointF pos);
    // The nearest point of the pick circle.
    QPoint ClampIntoCircle(QPointF pos) const;

    SkinPictures pictures_;
    mutable QImage sample_;  // the normal picture as 32-bit ARGB at the widget's size
    std::optional<QPoint> marker_;
    uint32_t color_ = 0;
    bool dragging_ = false;
    bool hovered_ = false;
};

}  // namespace z7
