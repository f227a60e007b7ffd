#include "gui/pages/lighting/colour_disc.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <mutex>

#include "core/profile/lighting_rules.h"
#include "gui/ui/skin_accessible.h"
#include "gui/ui/skin_layout.h"

namespace z7 {
namespace {

// The disc pictures paint their colours out to 1 pixel inside the element's inscribed circle;
// picks stay this far inside it, clear of the anti-aliased edge and the hover ring.
constexpr double kPickRim = 2.5;
constexpr int kMarkerSize = 6;
constexpr int kKeyStep = 3;
constexpr int kKeyStepLarge = 12;

class ColourDiscInterface : public QAccessibleWidget {
  public:
    explicit ColourDiscInterface(ColourDisc* disc)
        : QAccessibleWidget(disc, QAccessible::ColorChooser) {}
    ColourDisc* disc() const { return static_cast<ColourDisc*>(widget()); }

    QString text(QAccessible::Text t) const override {
        switch (t) {
            case QAccessible::Value:
                return disc()->ColorText();
            case QAccessible::Description: {
                const QString description = widget()->accessibleDescription();
                return description.isEmpty() ? widget()->toolTip() : description;
            }
            default:
                return QAccessibleWidget::text(t);
        }
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.focusable = disc()->isEnabled();
        return s;
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }
};

QAccessibleInterface* DiscFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("z7::ColourDisc") && object && object->isWidgetType())
        return new ColourDiscInterface(static_cast<ColourDisc*>(object));
    return nullptr;
}

double Distance(QPointF a, QPointF b) {
    return std::hypot(a.x() - b.x(), a.y() - b.y());
}

}  // namespace

ColourDisc::ColourDisc(int controlId, QWidget* parent) : SkinControl(controlId, parent) {
    static std::once_flag once;
    std::call_once(once, [] { QAccessible::installFactory(DiscFactory); });
    setCursor(Qt::ArrowCursor);
}

void ColourDisc::SetSkinElement(int element) {
    skinElement_ = element;
    pictures_.SetElement(element);
    sample_ = QImage();
    update();
}

void ColourDisc::SetPictures(const QImage& normal, const QImage& over, const QImage& off) {
    pictures_.Set(kStateNormal, normal);
    pictures_.Set(kStateOver, over);
    pictures_.Set(kStateOff, off);
    sample_ = QImage();
    update();
}

QPointF ColourDisc::Centre() const {
    return QPointF(width() / 2.0, height() / 2.0);
}

double ColourDisc::PickRadius() const {
    return std::min(width(), height()) / 2.0 - kPickRim;
}

bool ColourDisc::Contains(QPointF pos) const {
    // Pixel centres: the pixel under a pointer at (x, y) is the one whose centre is (x+.5, y+.5).
    const QPointF pixel(std::floor(pos.x()) + 0.5, std::floor(pos.y()) + 0.5);
    return Distance(pixel, Centre()) <= PickRadius();
}

const QImage& ColourDisc::Sample() const {
    if (sample_.isNull() || sample_.size() != size()) {
        QImage picture = pictures_[kStateNormal];
        // Scaling would blend neighbouring colours; a picture of another size keeps its pixels.
        if (!picture.isNull() && picture.size() != size())
            picture = picture.scaled(size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
        sample_ = picture.convertToFormat(QImage::Format_ARGB32);
    }
    return sample_;
}

std::optional<uint32_t> ColourDisc::ColorAt(QPointF pos) const {
    if (!Contains(pos)) return std::nullopt;
    const QImage& sample = Sample();
    const QPoint pixel(static_cast<int>(std::floor(pos.x())),
                       static_cast<int>(std::floor(pos.y())));
    if (!sample.valid(pixel)) return std::nullopt;
    const QRgb rgb = sample.pixel(pixel);
    if (qAlpha(rgb) != 255) return std::nullopt;
    return PackColor(static_cast<uint8_t>(qRed(rgb)), static_cast<uint8_t>(qGreen(rgb)),
                     static_cast<uint8_t>(qBlue(rgb)));
}

void ColourDisc::SetMarker(QPoint pos) {
    marker_ = pos;
    update();
}

void ColourDisc::MarkColor(uint32_t color) {
    // Compare hue and saturation only: the disc is at full value, so bring the colour there.
    int r = RedOf(color), g = GreenOf(color), b = BlueOf(color);
    const int top = std::max({r, g, b});
    if (top == 0) {
        r = g = b = 255;
    } else {
        r = r * 255 / top;
        g = g * 255 / top;
        b = b * 255 / top;
    }
    const QImage& sample = Sample();
    std::optional<QPoint> best;
    long bestDistance = 0;
    for (int y = 0; y < sample.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(sample.constScanLine(y));
        for (int x = 0; x < sample.width(); ++x) {
            const QRgb p = line[x];
            if (qAlpha(p) != 255 || !Contains(QPointF(x, y))) continue;
            const long dr = qRed(p) - r, dg = qGreen(p) - g, db = qBlue(p) - b;
            const long d = dr * dr + dg * dg + db * db;
            if (!best || d < bestDistance) {
                best = QPoint(x, y);
                bestDistance = d;
            }
        }
    }
    marker_ = best;
    update();
}

void ColourDisc::SetColor(uint32_t color) {
    color &= 0xFFFFFFu;
    if (color == color_) return;
    color_ = color;
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, ColorText());
        QAccessible::updateAccessibility(&event);
    }
}

QString ColourDisc::ColorText() const {
    return QStringLiteral("%1, %2, %3").arg(RedOf(color_)).arg(GreenOf(color_)).arg(BlueOf(color_));
}

void ColourDisc::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QImage& off = pictures_.off();
    if (!isEnabled() && !off.isNull()) {
        DrawStretched(painter, off);
    } else {
        const QImage& over = pictures_[kStateOver];
        DrawStretched(painter, hovered_ && !over.isNull() ? over : pictures_[kStateNormal]);
    }
    if (isEnabled() && marker_) {
        // A 6 x 6 outline centred on the point: black shows on every colour of a full-value disc.
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(marker_->x() - kMarkerSize / 2, marker_->y() - kMarkerSize / 2,
                               kMarkerSize - 1, kMarkerSize - 1));
    }
    PaintFocusMark(painter);
}

void ColourDisc::UpdateCursor(QPointF pos) {
    const bool cross = isEnabled() && Contains(pos);
    const bool hovered = cross;
    if (hovered != hovered_) {
        hovered_ = hovered;
        update();
    }
    setCursor(cross ? Qt::CrossCursor : Qt::ArrowCursor);
}

void ColourDisc::mousePressEvent(QMouseEvent* event) {
    NotePointerUse(this);
    Track(event->position().toPoint());
    if (event->button() != Qt::LeftButton || !Contains(event->position())) {
        // Around the circle the press belongs to the page: it moves the window.
        event->ignore();
        return;
    }
    setFocus(Qt::MouseFocusReason);
    dragging_ = true;
    emit picking(kPress, event->position().toPoint());
}

void ColourDisc::mouseMoveEvent(QMouseEvent* event) {
    SkinControl::mouseMoveEvent(event);
    UpdateCursor(event->position());
    if (dragging_) emit picking(kDrag, event->position().toPoint());
}

void ColourDisc::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !dragging_) {
        event->ignore();
        return;
    }
    dragging_ = false;
    emit picking(kRelease, event->position().toPoint());
}

void ColourDisc::keyPressEvent(QKeyEvent* event) {
    const int step = event->modifiers() & Qt::ShiftModifier ? kKeyStepLarge : kKeyStep;
    QPointF from = marker_ ? QPointF(*marker_) : Centre();
    switch (event->key()) {
        case Qt::Key_Left:
            from.rx() -= step;
            break;
        case Qt::Key_Right:
            from.rx() += step;
            break;
        case Qt::Key_Up:
            from.ry() -= step;
            break;
        case Qt::Key_Down:
            from.ry() += step;
            break;
        case Qt::Key_Home:
            from = Centre();
            break;
        default:
            SkinControl::keyPressEvent(event);
            return;
    }
    NoteKeyboardUse(this);
    const QPoint to = ClampIntoCircle(from);
    emit picking(kPress, to);
    emit picking(kRelease, to);
}

QPoint ColourDisc::ClampIntoCircle(QPointF pos) const {
    const QPointF c = Centre();
    QPointF p = pos;
    for (int shrink = 0; shrink < 64 && !Contains(p); ++shrink) {
        // Step back toward the centre until the pixel lies inside.
        const double d = Distance(pos, c);
        const double r = std::max(0.0, PickRadius() - 0.75 - shrink);
        if (d <= 0) return c.toPoint();
        p = c + (pos - c) * (r / d);
    }
    return QPoint(static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y())));
}

void ColourDisc::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled()) {
            dragging_ = false;
            hovered_ = false;
            setCursor(Qt::ArrowCursor);
        }
        update();
    }
    SkinControl::changeEvent(event);
}

void ColourDisc::PointerLeft() {
    if (hovered_) {
        hovered_ = false;
        update();
    }
}

}  // namespace z7
