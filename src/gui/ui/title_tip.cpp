#include "gui/ui/title_tip.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

#include "gui/ui/skin_controls.h"

namespace z7 {
namespace {
constexpr int kTipMargin = 20;  // text extent plus this on each axis
constexpr int kPointerHeight = 8;
constexpr int kPointerWidth = 12;
constexpr int kPointerInset = 10;
constexpr int kHideCheckMs = 2000;
constexpr int kMaxTextWidth = 360;
const QColor kTipOutline(0x76, 0x76, 0x76);
const QColor kTipText(0x57, 0x57, 0x57);
}  // namespace

TipPlacement PlaceTitleTip(QSize extent, QPoint anchor, int offset, int ownerRight, int screenTop) {
    const int w = extent.width();
    const int h = extent.height();
    const int height = offset + h + kTipMargin;
    const int top = anchor.y() - offset - h - kTipMargin;
    const bool above = top >= screenTop;
    const bool right = anchor.x() + w + 10 <= ownerRight;
    TipPlacement p;
    p.code = (above ? 0 : 1) + (right ? 0 : 2);
    p.rect = QRect(right ? anchor.x() : anchor.x() - w, above ? top : anchor.y(), w + kTipMargin,
                   height);
    return p;
}

TitleTip::TitleTip(QWidget* owner)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      owner_(owner),
      font_(SkinFont(12)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    timer_.setInterval(kHideCheckMs);
    connect(&timer_, &QTimer::timeout, this, [this] { CheckPointer(QCursor::pos()); });
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
        if (s != Qt::ApplicationActive && isVisible()) Hide();
    });
    hide();
}

void TitleTip::Show(const QString& text, int offset, const QRect& itemRect, const QPoint& anchor) {
    if (itemRect.isEmpty() || isVisible() || !itemRect.contains(anchor) || !owner_) return;
    ShowOnScreen(text, offset, QRect(owner_->mapToGlobal(itemRect.topLeft()), itemRect.size()),
                 owner_->mapToGlobal(anchor), owner_->window()->frameGeometry().right());
}

void TitleTip::ShowFor(QWidget* control, const QString& text, std::optional<QPoint> screenAnchor) {
    if (!control || isVisible()) return;
    const QPoint origin = ScreenOrigin(control);
    const QRect item(origin, control->size());
    if (item.isEmpty()) return;
    const QPoint anchor = screenAnchor && item.contains(*screenAnchor) ? *screenAnchor : origin;
    // The window's real right edge, from the same measurement.
    QWidget* window = control->window();
    const int windowLeft = origin.x() - control->mapTo(window, QPoint(0, 0)).x();
    ShowOnScreen(text, 0, item, anchor, windowLeft + window->width() - 1);
}

void TitleTip::ShowOnScreen(const QString& text, int offset, const QRect& screenItem,
                            const QPoint& anchor, int ownerRight) {
    text_ = text.size() <= 2 ? QStringLiteral(" ") + text + QStringLiteral(" ") : text;
    screenItem_ = screenItem;
    const QFontMetrics metrics(font_);
    // Long help texts wrap instead of running across the screen.
    QSize extent = metrics.size(0, text_);
    if (extent.width() > kMaxTextWidth) {
        extent =
            metrics.boundingRect(QRect(0, 0, kMaxTextWidth, 4096), Qt::TextWordWrap, text_).size();
    }
    QScreen* screen = QGuiApplication::screenAt(anchor);
    if (!screen) screen = QGuiApplication::primaryScreen();
    const int screenTop = screen ? screen->geometry().top() : 0;
    const TipPlacement p = PlaceTitleTip(extent, anchor, offset, ownerRight, screenTop);
    placement_ = p.code;
    setGeometry(p.rect);
    show();
    qApp->installEventFilter(this);
    timer_.start();
    update();
}

void TitleTip::Hide() {
    timer_.stop();
    qApp->removeEventFilter(this);
    hide();
}

void TitleTip::CheckPointer(const QPoint& globalPos) {
    if (isVisible() && !screenItem_.contains(globalPos)) Hide();
}

bool TitleTip::eventFilter(QObject* watched, QEvent* event) {
    if (!watched->isWidgetType() || !isVisible()) return false;
    switch (event->type()) {
        case QEvent::MouseMove:
            CheckPointer(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
            break;
        // Keys and clicks still reach their targets; the tip just gets out of the way.
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::Leave:
            if (event->type() != QEvent::Leave || watched == owner_) Hide();
            break;
        default:
            break;
    }
    return false;
}

void TitleTip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool above = placement_ == 0 || placement_ == 2;
    const bool right = placement_ == 0 || placement_ == 1;
    const QRectF body = QRectF(rect()).adjusted(0.5, above ? 0.5 : kPointerHeight + 0.5, -0.5,
                                                above ? -kPointerHeight - 0.5 : -0.5);
    QPainterPath path;
    path.addRoundedRect(body, 4, 4);
    // The pointer faces the anchor: the bottom or top edge, on the anchor's side.
    const qreal px = right ? kPointerInset : width() - kPointerInset - kPointerWidth;
    QPainterPath pointer;
    if (above) {
        pointer.moveTo(px, body.bottom() - 1);
        pointer.lineTo(px + (right ? 0 : kPointerWidth), height() - 0.5);
        pointer.lineTo(px + kPointerWidth, body.bottom() - 1);
    } else {
        pointer.moveTo(px, body.top() + 1);
        pointer.lineTo(px + (right ? 0 : kPointerWidth), 0.5);
        pointer.lineTo(px + kPointerWidth, body.top() + 1);
    }
    pointer.closeSubpath();
    path = path.united(pointer);
    painter.setPen(QPen(kTipOutline, 1));
    painter.setBrush(Qt::white);
    painter.drawPath(path);
    painter.setFont(font_);
    painter.setPen(kTipText);
    painter.drawText(body, Qt::AlignCenter | Qt::TextWordWrap, text_);
}

}  // namespace z7
