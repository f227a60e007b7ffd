#include "gui/pages/lighting/lighting_preview.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <mutex>

#include "gui/ui/skin_style.h"

namespace z7 {
namespace {

class PreviewInterface : public QAccessibleWidget {
  public:
    explicit PreviewInterface(QWidget* w) : QAccessibleWidget(w, QAccessible::Animation) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value || t == QAccessible::Description)
            return static_cast<LightingPreview*>(widget())->Summary();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* PreviewFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("z7::LightingPreview") && object && object->isWidgetType())
        return new PreviewInterface(static_cast<QWidget*>(object));
    return nullptr;
}

QColor ColorOf(uint32_t c) {
    return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

QString ChannelsOf(uint32_t c) {
    return QStringLiteral("%1, %2, %3").arg(RedOf(c)).arg(GreenOf(c)).arg(BlueOf(c));
}

// A soft halo around a lit light; its reach follows how bright the light is.
void Glow(QPainter& p, QPointF centre, qreal radius, uint32_t color) {
    const QColor c = ColorOf(color);
    const int strength = std::max({c.red(), c.green(), c.blue()});
    if (strength == 0) return;
    QRadialGradient halo(centre, radius);
    QColor inner = c;
    inner.setAlpha(std::min(255, strength));
    QColor outer = c;
    outer.setAlpha(0);
    halo.setColorAt(0, inner);
    halo.setColorAt(0.35, QColor(c.red(), c.green(), c.blue(), strength / 3));
    halo.setColorAt(1, outer);
    p.setPen(Qt::NoPen);
    p.setBrush(halo);
    p.drawEllipse(centre, radius, radius);
}

}  // namespace

LightingPreview::LightingPreview(QWidget* parent)
    : QWidget(parent), clock_(&DefaultClock()), start_(clock_->Now()) {
    static std::once_flag once;
    std::call_once(once, [] { QAccessible::installFactory(PreviewFactory); });
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    timer_.setInterval(kFrameMs);
    timer_.setTimerType(Qt::CoarseTimer);
    connect(&timer_, &QTimer::timeout, this, qOverload<>(&QWidget::update));
}

void LightingPreview::SetClock(Clock& clock) {
    clock_ = &clock;
    start_ = clock_->Now();
}

void LightingPreview::SetState(const PreviewSettings& settings, uint32_t wheelColor,
                               uint32_t logoColor) {
    if (settings.effect != settings_.effect || settings.speed != settings_.speed)
        start_ = clock_->Now();
    settings_ = settings;
    colors_[0] = wheelColor & 0xFFFFFFu;
    colors_[1] = logoColor & 0xFFFFFFu;
    UpdateTimer();
    update();
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&event);
    }
}

void LightingPreview::SetPaused(bool paused) {
    paused_ = paused;
    UpdateTimer();
}

void LightingPreview::UpdateTimer() {
    const bool run = isVisible() && !paused_ && PreviewAnimates(settings_.effect) &&
                     (colors_[0] != 0 || colors_[1] != 0);
    if (run && !timer_.isActive())
        timer_.start();
    else if (!run && timer_.isActive())
        timer_.stop();
}

int64_t LightingPreview::ElapsedMs() const {
    return std::chrono::duration_cast<Millis>(clock_->Now() - start_).count();
}

uint32_t LightingPreview::ShownColor(Light light) const {
    return PreviewColor(settings_, colors_[light == Light::kWheel ? 0 : 1], ElapsedMs());
}

QString LightingPreview::Summary() const {
    const auto one = [](const char* name, uint32_t c) {
        return QString::fromUtf8(name) + (c == 0 ? QString::fromUtf8("关闭") : ChannelsOf(c));
    };
    return one("滚轮 ", colors_[0]) + QStringLiteral("; ") + one("标志 ", colors_[1]);
}

void LightingPreview::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    UpdateTimer();
}

void LightingPreview::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    timer_.stop();
}

void LightingPreview::paintEvent(QPaintEvent*) {
    using namespace skin;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF area = rect();
    const qreal cx = area.center().x();
    // A top view of the mouse, its front up: the wheel between the main buttons, the logo on
    // the palm rest.
    const qreal bodyWidth = std::min<qreal>(area.width() - 24, 112);
    const qreal bodyHeight = std::min<qreal>(area.height() - 40, bodyWidth * 2);
    const QRectF body(cx - bodyWidth / 2, area.top() + (area.height() - bodyHeight) / 2, bodyWidth,
                      bodyHeight);
    const uint32_t wheel = ShownColor(Light::kWheel);
    const uint32_t logo = ShownColor(Light::kLogo);

    p.setPen(QPen(kBorder, 2));
    p.setBrush(kPanel);
    p.drawRoundedRect(body, bodyWidth / 2, bodyWidth * 0.56);
    const qreal split = body.top() + bodyHeight * 0.38;
    p.setPen(QPen(kTextOff, 1.5));
    p.drawLine(QPointF(cx, body.top() + 2), QPointF(cx, split));
    p.drawLine(QPointF(body.left() + 6, split), QPointF(body.right() - 6, split));

    // The wheel: a lit ring around the scroll wheel.
    const QRectF wheelRect(cx - 9, body.top() + bodyHeight * 0.1, 18, bodyHeight * 0.2);
    Glow(p, wheelRect.center(), bodyWidth * 0.48, wheel);
    p.setPen(QPen(wheel ? ColorOf(wheel) : kBorder, 2));
    p.setBrush(kField);
    p.drawRoundedRect(wheelRect, 9, 9);
    p.setPen(QPen(kRaisedOver, 1.5));
    for (int i = 1; i <= 4; ++i) {
        const qreal y = wheelRect.top() + wheelRect.height() * i / 5.0;
        p.drawLine(QPointF(cx - 4, y), QPointF(cx + 4, y));
    }

    // The logo: the maker's slanted mark on the palm rest.
    const QPointF logoCentre(cx, body.top() + bodyHeight * 0.72);
    Glow(p, logoCentre, bodyWidth * 0.55, logo);
    QPainterPath mark;
    const qreal s = bodyWidth * 0.14;
    mark.moveTo(logoCentre + QPointF(-1.4 * s, s));
    mark.lineTo(logoCentre + QPointF(-0.2 * s, -s));
    mark.lineTo(logoCentre + QPointF(0.6 * s, -s));
    mark.lineTo(logoCentre + QPointF(-0.6 * s, s));
    mark.closeSubpath();
    mark.moveTo(logoCentre + QPointF(0.2 * s, s));
    mark.lineTo(logoCentre + QPointF(1.4 * s, -s));
    mark.lineTo(logoCentre + QPointF(2.0 * s, -s));
    mark.lineTo(logoCentre + QPointF(0.8 * s, s));
    mark.closeSubpath();
    p.setPen(logo ? Qt::NoPen : QPen(kBorder, 1.5));
    p.setBrush(logo ? QBrush(ColorOf(logo)) : QBrush(kField));
    p.drawPath(mark.translated(-0.3 * s, 0));
}

}  // namespace z7
