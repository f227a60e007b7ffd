#include "gui/pages/buttons/key_capture_field.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QPainter>
#include <mutex>

#include "gui/ui/skin_accessible.h"
#include "gui/ui/skin_style.h"
#include "platform/input_capture.h"

namespace z7 {
namespace {

constexpr int kTextInset = 10;

// The virtual-key code of a key event as far as the toolkit tells it (letters and digits even
// where it gives no native codes).
uint16_t VirtualKeyOf(const QKeyEvent& key) {
    if (const uint16_t vk = VirtualKeyOfNativeKey(key.nativeVirtualKey(), key.nativeScanCode()))
        return vk;
    const int k = key.key();
    if ((k >= Qt::Key_A && k <= Qt::Key_Z) || (k >= Qt::Key_0 && k <= Qt::Key_9))
        return static_cast<uint16_t>(k);
    return 0;
}

class KeyFieldInterface : public QAccessibleWidget, public QAccessibleTextInterface {
  public:
    explicit KeyFieldInterface(KeyCaptureField* field)
        : QAccessibleWidget(field, QAccessible::Button) {}
    KeyCaptureField* field() const { return static_cast<KeyCaptureField*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QString text(QAccessible::Text t) const override {
        switch (t) {
            case QAccessible::Name:
                return widget()->accessibleName();
            case QAccessible::Value:
                return field()->text();
            case QAccessible::Description:
                return field()->hint() + QStringLiteral("。") + widget()->toolTip();
            default:
                return QAccessibleWidget::text(t);
        }
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.pressed = field()->capturing();
        return s;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction()) field()->Activate();
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    // Read-only text: what was captured.
    void selection(int, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = 0;
    }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override {
        return field()->text().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return static_cast<int>(field()->text().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* startOffset, int* endOffset) const override {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }
};

QAccessibleInterface* KeyFieldFactory(const QString& className, QObject* object) {
    if (object && object->isWidgetType() && className == QLatin1String("z7::KeyCaptureField"))
        return new KeyFieldInterface(static_cast<KeyCaptureField*>(object));
    return nullptr;
}

}  // namespace

void EnsureKeyCaptureFieldAccessibility() {
    static std::once_flag once;
    std::call_once(once, [] { QAccessible::installFactory(KeyFieldFactory); });
}

KeyCaptureField::KeyCaptureField(int controlId, QWidget* parent) : SkinControl(controlId, parent) {
    EnsureKeyCaptureFieldAccessibility();
    setFont(SkinFont(16));
    setCursor(Qt::PointingHandCursor);
}

void KeyCaptureField::SetBackground(const QImage& background) {
    background_ = background;
    update();
}

void KeyCaptureField::SetText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    update();
    NotifyTextChanged(this);
}

void KeyCaptureField::SetHints(const QString& idle, const QString& waiting) {
    idleHint_ = idle;
    waitingHint_ = waiting;
    update();
}

void KeyCaptureField::SetCapturing(bool capturing) {
    if (capturing == capturing_) return;
    capturing_ = capturing;
    update();
    NotifyStateChanged(this);
}

void KeyCaptureField::Activate() {
    if (!isEnabled()) return;
    setFocus(Qt::OtherFocusReason);
    emit captureRequested(0);
}

bool KeyCaptureField::Swallows(const QKeyEvent& key) const {
    return capturing_ || (swallowed_ != 0 && VirtualKeyOf(key) == swallowed_);
}

bool KeyCaptureField::event(QEvent* event) {
    // Tab and Shift+Tab never reach keyPressEvent, and shortcuts come before it: while the
    // field waits, they are keys like any other.
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (Swallows(*key)) {
            event->accept();
            return true;
        }
    }
    return SkinControl::event(event);
}

void KeyCaptureField::keyPressEvent(QKeyEvent* event) {
    NoteKeyboardUse(this);
    const int k = event->key();
    if ((k == Qt::Key_Space || k == Qt::Key_Return || k == Qt::Key_Enter) &&
        !event->isAutoRepeat()) {
        // The capture then must not take the press that started it.
        const uint16_t vk = VirtualKeyOf(*event);
        SwallowUntilReleased(vk);
        emit captureRequested(vk);
        return;
    }
    SkinControl::keyPressEvent(event);
}

void KeyCaptureField::keyReleaseEvent(QKeyEvent* event) {
    if (swallowed_ != 0 && VirtualKeyOf(*event) == swallowed_) {
        swallowed_ = 0;
        event->accept();
        return;
    }
    SkinControl::keyReleaseEvent(event);
}

void KeyCaptureField::focusOutEvent(QFocusEvent* event) {
    swallowed_ = 0;
    SkinControl::focusOutEvent(event);
}

void KeyCaptureField::mousePressEvent(QMouseEvent* event) {
    NotePointerUse(this);
    Track(event->position().toPoint());
    if (event->button() != Qt::LeftButton) return;
    Activate();
}

void KeyCaptureField::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!background_.isNull())
        painter.drawImage(rect(), background_);
    else
        painter.fillRect(rect(), skin::kField);
    if (capturing_) {
        // Waiting for a key: the field says so in the accent colour.
        painter.setPen(QPen(skin::kAccent, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 4, 4);
    }
    const QRect inner = rect().adjusted(kTextInset, 0, -kTextInset, 0);
    painter.setFont(font());
    const QString hintText = hint();
    int hintWidth = 0;
    if (!hintText.isEmpty()) {
        QFont small = SkinFont(13);
        painter.setFont(small);
        hintWidth = painter.fontMetrics().horizontalAdvance(hintText);
        painter.setPen(capturing_ ? skin::kAccent : skin::kTextDim);
        painter.drawText(inner, Qt::AlignRight | Qt::AlignVCenter, hintText);
        painter.setFont(font());
    }
    if (!text_.isEmpty()) {
        painter.setPen(isEnabled() ? skin::kText : skin::kTextOff);
        const QRect textRect = inner.adjusted(0, 0, -(hintWidth ? hintWidth + 12 : 0), 0);
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                         painter.fontMetrics().elidedText(text_, Qt::ElideRight, textRect.width()));
    }
    PaintFocusMark(painter);
}

}  // namespace z7
