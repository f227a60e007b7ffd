#pragma once
// Global key and mouse-button capture for the pages and popups: the platform's capture, or on
// a Wayland session (where no program sees another's input) a capture inside this program's
// own windows; events always arrive on the user-interface thread.
#include <QObject>
#include <QPoint>
#include <QString>
#include <atomic>
#include <memory>

#include "platform/event_time.h"
#include "platform/input_capture.h"

Q_DECLARE_METATYPE(z7::InputEvent)

namespace z7 {

// The inputs aimed at this program's windows, seen by an application-wide event filter. Runs
// on the user-interface thread; positions are in the window system's pixels like the global
// captures'.
class WindowInputCapture final : public QObject, public InputCapture {
    Q_OBJECT

  public:
    explicit WindowInputCapture(QObject* parent = nullptr);
    ~WindowInputCapture() override;

    bool Start(InputKinds kinds, Sink sink, std::string* error) override;
    void Stop() override;
    bool running() const override { return static_cast<bool>(sink_); }
    CaptureScope scope() const override { return CaptureScope::kOwnWindows; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    InputKinds kinds_;
    Sink sink_;
    uint8_t modifiers_ = 0;
    EventTimeline timeline_;
};

// Delivers a capture's events on the user-interface thread (queued, in order). Nothing is
// delivered after Stop returns, not even events the capture had already queued.
class InputCaptureRelay final : public QObject {
    Q_OBJECT

  public:
    // The capture this session offers (see above).
    explicit InputCaptureRelay(QObject* parent = nullptr);
    // A given capture (the recording fake in tests).
    explicit InputCaptureRelay(std::unique_ptr<InputCapture> capture, QObject* parent = nullptr);
    ~InputCaptureRelay() override;

    // False with `error` (the platform's reason) when capture cannot start.
    bool Start(InputKinds kinds, QString* error = nullptr);
    void Stop();
    bool running() const { return running_; }
    // False when only inputs aimed at this program's own windows are seen; the popups say so.
    bool isGlobal() const { return capture_->scope() == CaptureScope::kDesktop; }
    InputCapture& capture() { return *capture_; }

    // A mouse event's position in Qt's logical screen coordinates, for comparing with widget
    // geometry.
    static QPoint LogicalPosition(const InputEvent& event);

  signals:
    void inputReceived(const z7::InputEvent& event);

  private:
    std::unique_ptr<InputCapture> capture_;
    std::atomic<uint64_t> generation_{0};
    bool running_ = false;
};

}  // namespace z7
