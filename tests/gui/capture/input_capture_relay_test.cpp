#include "gui/app/input_capture_relay.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QWidget>
#include <QWindow>
#include <thread>

#include "platform/fake/recording_input_capture.h"

namespace z7 {
namespace {

struct Relay {
    Relay() {
        auto owned = std::make_unique<RecordingInputCapture>(clock);
        fake = owned.get();
        relay = std::make_unique<InputCaptureRelay>(std::move(owned));
        QObject::connect(relay.get(), &InputCaptureRelay::inputReceived,
                         [this](const InputEvent& e) {
                             got.push_back(e);
                             onUiThread = onUiThread && QThread::currentThread() == qApp->thread();
                         });
    }
    VirtualClock clock;
    RecordingInputCapture* fake = nullptr;
    std::unique_ptr<InputCaptureRelay> relay;
    std::vector<InputEvent> got;
    bool onUiThread = true;
};

TEST(InputCaptureRelay, DeliversQueuedOnTheUiThreadAndNothingAfterStop) {
    Relay r;
    ASSERT_TRUE(r.relay->Start({.keys = true, .mouseButtons = true}));
    EXPECT_TRUE(r.relay->running());
    EXPECT_TRUE(r.relay->isGlobal());
    EXPECT_EQ(r.fake->calls, (std::vector<std::string>{"start keys buttons"}));

    r.clock.Advance(Millis(250));
    ASSERT_TRUE(r.fake->Key('A', true));
    EXPECT_TRUE(r.got.empty());  // queued, never inside the capture's call
    std::thread other([&] { r.fake->Button(kMouseRight, true, 10, 20); });
    other.join();
    QCoreApplication::processEvents();
    ASSERT_EQ(r.got.size(), 2u);
    EXPECT_TRUE(r.onUiThread);
    EXPECT_EQ(r.got[0].code, 'A');
    EXPECT_EQ(r.got[0].time, Clock::TimePoint(Millis(250)));
    EXPECT_EQ(r.got[1].code, kMouseRight);
    EXPECT_EQ(r.got[1].x, 10);

    // Queued but not yet delivered when Stop comes: dropped.
    ASSERT_TRUE(r.fake->Key('B', true));
    r.relay->Stop();
    r.relay->Stop();
    QCoreApplication::processEvents();
    EXPECT_EQ(r.got.size(), 2u);
    EXPECT_FALSE(r.relay->running());
    EXPECT_FALSE(r.fake->Key('C', true));

    // Nor does a restart bring back what was queued before it.
    ASSERT_TRUE(r.relay->Start({}));
    ASSERT_TRUE(r.fake->Key('D', true));
    r.relay->Stop();
    ASSERT_TRUE(r.relay->Start({}));
    ASSERT_TRUE(r.fake->Key('E', true));
    QCoreApplication::processEvents();
    ASSERT_EQ(r.got.size(), 3u);
    EXPECT_EQ(r.got[2].code, 'E');
}

TEST(InputCaptureRelay, AFailedStartSaysWhyAndIsNotRunning) {
    Relay r;
    r.fake->failStart = "the X display \":0\" has no RECORD extension";
    QString error;
    EXPECT_FALSE(r.relay->Start({}, &error));
    EXPECT_EQ(error, QString("the X display \":0\" has no RECORD extension"));
    EXPECT_FALSE(r.relay->running());
}

TEST(InputCaptureRelay, WaylandSessionsCaptureInTheProgramsOwnWindows) {
    qputenv("WAYLAND_DISPLAY", "wayland-0");
    InputCaptureRelay relay;
    qunsetenv("WAYLAND_DISPLAY");
    EXPECT_FALSE(relay.isGlobal());
    EXPECT_EQ(relay.capture().scope(), CaptureScope::kOwnWindows);
}

TEST(WindowInputCapture, SeesEachInputToItsWindowsOnce) {
    QWidget window;
    window.setGeometry(40, 30, 200, 100);
    QWidget child(&window);
    child.setGeometry(0, 0, 200, 100);
    child.setFocusPolicy(Qt::StrongFocus);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    child.setFocus();

    InputCaptureRelay relay(std::make_unique<WindowInputCapture>());
    std::vector<InputEvent> got;
    QObject::connect(&relay, &InputCaptureRelay::inputReceived,
                     [&](const InputEvent& e) { got.push_back(e); });
    ASSERT_TRUE(relay.Start({.keys = true, .mouseButtons = true}));
    EXPECT_FALSE(relay.isGlobal());

    QWindow* handle = window.windowHandle();
    QTest::keyClick(handle, Qt::Key_A);
    QTest::keyClick(handle, Qt::Key_7);
    QTest::mouseClick(handle, Qt::RightButton, Qt::NoModifier, QPoint(15, 25));
    QTest::keyClick(handle, Qt::Key_Backtab);  // no virtual key: left out
    QCoreApplication::processEvents();
    ASSERT_EQ(got.size(), 6u);
    EXPECT_EQ(got[0].code, 'A');
    EXPECT_TRUE(got[0].down);
    EXPECT_FALSE(got[1].down);
    EXPECT_EQ(got[2].code, '7');
    EXPECT_EQ(got[4].device, InputDevice::kMouse);
    EXPECT_EQ(got[4].code, kMouseRight);
    EXPECT_EQ(InputCaptureRelay::LogicalPosition(got[4]), window.mapToGlobal(QPoint(15, 25)));
    EXPECT_FALSE(got[5].down);

    relay.Stop();
    QTest::keyClick(handle, Qt::Key_B);
    QCoreApplication::processEvents();
    EXPECT_EQ(got.size(), 6u);

    // Keys only: the buttons are left out.
    ASSERT_TRUE(relay.Start({}));
    QTest::mouseClick(handle, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTest::keyClick(handle, Qt::Key_C);
    QCoreApplication::processEvents();
    ASSERT_EQ(got.size(), 8u);
    EXPECT_EQ(got[6].code, 'C');
}

}  // namespace
}  // namespace z7
