#pragma once
// Pointer input delivered straight to a widget, the way the window system would after a grab.
#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

namespace z7::test {

inline void SendMouse(QWidget* w, QEvent::Type type, QPointF pos,
                      Qt::MouseButton button = Qt::LeftButton,
                      Qt::MouseButtons buttons = Qt::LeftButton) {
    QMouseEvent event(type, pos, QPointF(w->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

inline void Press(QWidget* w, QPointF pos) {
    SendMouse(w, QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton);
}
inline void Drag(QWidget* w, QPointF pos) {
    SendMouse(w, QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton);
}
inline void Hover(QWidget* w, QPointF pos) {
    SendMouse(w, QEvent::MouseMove, pos, Qt::NoButton, Qt::NoButton);
}
inline void Release(QWidget* w, QPointF pos) {
    SendMouse(w, QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton);
}
inline void Click(QWidget* w, QPointF pos) {
    Press(w, pos);
    Release(w, pos);
}

// Records the (code, value) notifications of a control.
struct Recorder {
    std::vector<std::pair<int, int>> calls;
    template <typename T>
    void Watch(T* sender) {
        QObject::connect(sender, &T::sysCommand,
                         [this](int code, int value) { calls.emplace_back(code, value); });
    }
};

}  // namespace z7::test
