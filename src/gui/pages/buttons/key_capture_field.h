#pragma once
// The field of the bind-a-key and custom hotkey popups that shows the captured key (or the
// whole combination). A click on it, or Space or Enter while it has the focus, asks for a key;
// while it waits it takes every key press itself, so that Tab, Esc or Enter become the key
// instead of moving the focus or closing the popup.
#include <QImage>
#include <QString>
#include <cstdint>

#include "gui/ui/skin_controls.h"

class QKeyEvent;

namespace z7 {

class KeyCaptureField : public SkinControl {
    Q_OBJECT
  public:
    KeyCaptureField(int controlId, QWidget* parent);

    void SetBackground(const QImage& background);
    // What was captured: a key's name or a combination; may be empty.
    void SetText(const QString& text);
    const QString& text() const { return text_; }
    // The dim line at the right: what to do next.
    void SetHints(const QString& idle, const QString& waiting);
    const QString& hint() const { return capturing_ ? waitingHint_ : idleHint_; }
    // Drawn as waiting for a key (the popup decides when it captures).
    void SetCapturing(bool capturing);
    bool capturing() const { return capturing_; }
    // The press of `vk` that ended a capture may still reach the field after the capture has
    // seen it: it is kept from acting on the popup until the key is released.
    void SwallowUntilReleased(uint16_t vk) { swallowed_ = vk; }
    // What a click does, for the keyboard and assistive technology.
    void Activate();

  signals:
    // `heldKey`: the key whose press asked (Space or Enter), still held; 0 for a click.
    void captureRequested(uint16_t heldKey);

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    bool Swallows(const QKeyEvent& key) const;

    QImage background_;
    QString text_;
    QString idleHint_, waitingHint_;
    bool capturing_ = false;
    uint16_t swallowed_ = 0;
};

// Registers the field's interface for assistive technology (a button named by the popup whose
// text is what was captured; its press action asks for a key).
void EnsureKeyCaptureFieldAccessibility();

}  // namespace z7
