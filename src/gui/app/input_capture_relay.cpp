#include "gui/app/input_capture_relay.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>
#include <chrono>
#include <cmath>

namespace z7 {
namespace {

// Qt 6 keeps a screen's origin in window-system pixels and scales only its extent.
QPoint ToNative(QPointF logical) {
    for (QScreen* s : QGuiApplication::screens()) {
        if (!s->geometry().contains(logical.toPoint())) continue;
        const QPointF origin = s->geometry().topLeft();
        return (origin + (logical - origin) * s->devicePixelRatio()).toPoint();
    }
    return logical.toPoint();
}

QPoint ToLogical(QPoint native) {
    for (QScreen* s : QGuiApplication::screens()) {
        const qreal ratio = s->devicePixelRatio();
        const QRect g = s->geometry();
        const QRect nativeRect(g.topLeft(),
                               QSize(qRound(g.width() * ratio), qRound(g.height() * ratio)));
        if (!nativeRect.contains(native)) continue;
        return (QPointF(g.topLeft()) + QPointF(native - g.topLeft()) / ratio).toPoint();
    }
    return native;
}

// Toolkits without native key codes (the offscreen platform) still name letters and digits.
uint16_t VirtualKeyOf(const QKeyEvent& key) {
    if (const uint16_t vk = VirtualKeyOfNativeKey(key.nativeVirtualKey(), key.nativeScanCode()))
        return vk;
    const int k = key.key();
    if ((k >= Qt::Key_A && k <= Qt::Key_Z) || (k >= Qt::Key_0 && k <= Qt::Key_9))
        return static_cast<uint16_t>(k);
    return 0;
}

uint16_t MouseCodeOf(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return kMouseLeft;
        case Qt::RightButton:
            return kMouseRight;
        case Qt::MiddleButton:
            return kMouseMiddle;
        case Qt::BackButton:
            return kMouseX1;
        case Qt::ForwardButton:
            return kMouseX2;
        default:
            return 0;
    }
}

uint8_t HeldModifiers() {
    // Qt does not tell left from right; the left key stands for either.
    const Qt::KeyboardModifiers m = QGuiApplication::queryKeyboardModifiers();
    uint8_t held = 0;
    if (m & Qt::ShiftModifier) held |= kLeftShift;
    if (m & Qt::ControlModifier) held |= kLeftCtrl;
    if (m & Qt::AltModifier) held |= kLeftAlt;
    if (m & Qt::MetaModifier) held |= kLeftWin;
    return held;
}

}  // namespace

WindowInputCapture::WindowInputCapture(QObject* parent) : QObject(parent) {}

WindowInputCapture::~WindowInputCapture() {
    Stop();
}

bool WindowInputCapture::Start(InputKinds kinds, Sink sink, std::string* error) {
    Stop();
    if (!qApp) {
        if (error) *error = "no application to capture input in";
        return false;
    }
    kinds_ = kinds;
    sink_ = std::move(sink);
    modifiers_ = HeldModifiers();
    timeline_ = EventTimeline{};
    qApp->installEventFilter(this);
    return true;
}

void WindowInputCapture::Stop() {
    if (!sink_) return;
    if (qApp) qApp->removeEventFilter(this);
    sink_ = nullptr;
}

bool WindowInputCapture::eventFilter(QObject* watched, QEvent* event) {
    // Input reaches a window first and its widgets after; taking it at the window sees each
    // input once.
    if (!sink_ || !watched->isWindowType()) return false;
    InputEvent out;
    const QEvent::Type type = event->type();
    if ((type == QEvent::KeyPress || type == QEvent::KeyRelease) && kinds_.keys) {
        const auto* key = static_cast<QKeyEvent*>(event);
        out.code = VirtualKeyOf(*key);
        if (!out.code) return false;
        out.down = type == QEvent::KeyPress;
        modifiers_ = ApplyModifierKey(modifiers_, out.code, out.down);
    } else if ((type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease) &&
               kinds_.mouseButtons) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        out.device = InputDevice::kMouse;
        out.code = MouseCodeOf(mouse->button());
        if (!out.code) return false;
        out.down = type == QEvent::MouseButtonPress;
        const QPoint p = ToNative(mouse->globalPosition());
        out.x = p.x();
        out.y = p.y();
    } else {
        return false;
    }
    const auto* input = static_cast<QInputEvent*>(event);
    out.modifiers = modifiers_;
    out.time =
        timeline_.At(static_cast<uint32_t>(input->timestamp()), std::chrono::steady_clock::now());
    sink_(out);
    return false;
}

InputCaptureRelay::InputCaptureRelay(QObject* parent)
    : InputCaptureRelay(CreateInputCapture(), parent) {}

InputCaptureRelay::InputCaptureRelay(std::unique_ptr<InputCapture> capture, QObject* parent)
    : QObject(parent), capture_(std::move(capture)) {
    if (!capture_) capture_ = std::make_unique<WindowInputCapture>();
}

InputCaptureRelay::~InputCaptureRelay() {
    Stop();
}

bool InputCaptureRelay::Start(InputKinds kinds, QString* error) {
    Stop();
    const uint64_t generation = ++generation_;
    std::string why;
    const bool started = capture_->Start(
        kinds,
        [this, generation](const InputEvent& event) {
            // Queued even from the user-interface thread, so that a handler that stops the
            // capture never runs inside the capture's own call.
            QMetaObject::invokeMethod(
                this,
                [this, generation, event] {
                    if (running_ && generation == generation_) emit inputReceived(event);
                },
                Qt::QueuedConnection);
        },
        &why);
    running_ = started;
    if (!started && error) *error = QString::fromStdString(why);
    return started;
}

void InputCaptureRelay::Stop() {
    capture_->Stop();  // joins the capture's thread: nothing more is queued after this
    ++generation_;     // and what is queued already is dropped
    running_ = false;
}

QPoint InputCaptureRelay::LogicalPosition(const InputEvent& event) {
    return ToLogical(QPoint(event.x, event.y));
}

}  // namespace z7
