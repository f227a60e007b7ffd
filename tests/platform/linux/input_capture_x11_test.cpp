// gtest first: Xlib defines None, True and False as macros.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
// clang-format on

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/linux/input_capture_x11.h"
#include "platform/linux/keysym_table.h"
#include "private_x_server.h"

namespace z7 {
namespace {

struct Received {
    std::mutex mutex;
    std::condition_variable cv;
    std::vector<InputEvent> events;

    InputCapture::Sink sink() {
        return [this](const InputEvent& e) {
            std::lock_guard lock(mutex);
            events.push_back(e);
            cv.notify_all();
        };
    }
    // Waits for the X server to pass `n` events on, not for time to go by.
    std::vector<InputEvent> WaitFor(size_t n) {
        std::unique_lock lock(mutex);
        cv.wait_for(lock, std::chrono::seconds(10), [&] { return events.size() >= n; });
        return events;
    }
};

struct Step {
    InputDevice device;
    uint16_t code;
    bool down;
};

class X11Capture : public ::testing::Test {
  protected:
    void SetUp() override {
        if (server_.name().empty()) GTEST_SKIP() << "no Xvfb to run an X server of our own";
        display_ = XOpenDisplay(server_.name().c_str());
        ASSERT_NE(display_, nullptr);
    }
    std::unique_ptr<InputCapture> Capture() { return CreateX11InputCapture(server_.name()); }
    void TearDown() override {
        if (display_) XCloseDisplay(display_);
    }
    void Key(uint16_t vk, bool down) {
        const KeyCode code = XKeysymToKeycode(display_, KeysymOfVk(vk));
        ASSERT_NE(code, 0) << "the server's keymap lacks the key of " << vk;
        XTestFakeKeyEvent(display_, code, down, CurrentTime);
    }
    void Tap(uint16_t vk) {
        Key(vk, true);
        Key(vk, false);
    }
    void Button(unsigned button, bool down) {
        XTestFakeButtonEvent(display_, button, down, CurrentTime);
    }

    test::PrivateXServer server_;
    Display* display_ = nullptr;
};

TEST_F(X11Capture, XTestKeysAndButtonsArriveAsVirtualKeysInOrder) {
    auto capture = Capture();
    Received got;
    std::string error;
    ASSERT_TRUE(capture->Start({.keys = true, .mouseButtons = true}, got.sink(), &error)) << error;
    EXPECT_TRUE(capture->running());
    EXPECT_EQ(capture->scope(), CaptureScope::kDesktop);

    const auto before = std::chrono::steady_clock::now();
    Key(160, true);  // Left Shift
    Tap('A');
    Key(160, false);
    Tap('1');
    Tap(13);   // Enter
    Tap(116);  // F5
    Tap(188);  // ,
    Tap(163);  // Right Ctrl
    XTestFakeMotionEvent(display_, -1, 120, 45, CurrentTime);
    Button(3, true);
    Button(3, false);
    Button(2, true);
    Button(4, true);  // a wheel step is not a button
    Button(4, false);
    Button(2, false);
    Button(1, true);
    Button(1, false);
    XSync(display_, False);

    const std::vector<Step> expected = {
        {InputDevice::kKeyboard, 160, true},       {InputDevice::kKeyboard, 'A', true},
        {InputDevice::kKeyboard, 'A', false},      {InputDevice::kKeyboard, 160, false},
        {InputDevice::kKeyboard, '1', true},       {InputDevice::kKeyboard, '1', false},
        {InputDevice::kKeyboard, 13, true},        {InputDevice::kKeyboard, 13, false},
        {InputDevice::kKeyboard, 116, true},       {InputDevice::kKeyboard, 116, false},
        {InputDevice::kKeyboard, 188, true},       {InputDevice::kKeyboard, 188, false},
        {InputDevice::kKeyboard, 163, true},       {InputDevice::kKeyboard, 163, false},
        {InputDevice::kMouse, kMouseRight, true},  {InputDevice::kMouse, kMouseRight, false},
        {InputDevice::kMouse, kMouseMiddle, true}, {InputDevice::kMouse, kMouseMiddle, false},
        {InputDevice::kMouse, kMouseLeft, true},   {InputDevice::kMouse, kMouseLeft, false},
    };
    const std::vector<InputEvent> events = got.WaitFor(expected.size());
    ASSERT_EQ(events.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(events[i].device, expected[i].device) << i;
        EXPECT_EQ(events[i].code, expected[i].code) << i;
        EXPECT_EQ(events[i].down, expected[i].down) << i;
        if (i) {
            EXPECT_GE(events[i].time, events[i - 1].time) << i;
        }
    }
    EXPECT_GE(events.front().time, before);
    EXPECT_LE(events.back().time, std::chrono::steady_clock::now());
    // Modifiers held once each event has taken effect.
    EXPECT_EQ(events[0].modifiers, kLeftShift);
    EXPECT_EQ(events[1].modifiers, kLeftShift);
    EXPECT_EQ(events[3].modifiers, 0);
    EXPECT_EQ(events[12].modifiers, kRightCtrl);
    EXPECT_EQ(events[14].x, 120);
    EXPECT_EQ(events[14].y, 45);

    capture->Stop();
    EXPECT_FALSE(capture->running());
    Tap('B');
    XSync(display_, False);
    capture->Stop();  // a second Stop is harmless
    EXPECT_EQ(got.WaitFor(0).size(), expected.size());
}

TEST_F(X11Capture, KeysOnlyLeavesButtonsOutAndNumLockDecidesTheKeypad) {
    auto capture = Capture();
    Received got;
    std::string error;
    ASSERT_TRUE(capture->Start({}, got.sink(), &error)) << error;
    const KeyCode keypad1 = XKeysymToKeycode(display_, XK_KP_End);
    ASSERT_NE(keypad1, 0);
    Button(1, true);
    Button(1, false);
    XTestFakeKeyEvent(display_, keypad1, True, CurrentTime);
    XTestFakeKeyEvent(display_, keypad1, False, CurrentTime);
    Tap(144);  // Num Lock on
    XTestFakeKeyEvent(display_, keypad1, True, CurrentTime);
    XTestFakeKeyEvent(display_, keypad1, False, CurrentTime);
    Tap(144);
    XSync(display_, False);
    const std::vector<InputEvent> events = got.WaitFor(8);
    ASSERT_EQ(events.size(), 8u);
    EXPECT_EQ(events[0].code, 35);  // End
    EXPECT_EQ(events[2].code, 144);
    EXPECT_EQ(events[4].code, 97);  // keypad 1
    EXPECT_EQ(events[4].device, InputDevice::kKeyboard);
}

TEST_F(X11Capture, StartsAgainAfterStopAndReplacesARunningCapture) {
    auto capture = Capture();
    Received first, second;
    std::string error;
    ASSERT_TRUE(capture->Start({}, first.sink(), &error)) << error;
    Tap('Q');
    XSync(display_, False);
    ASSERT_EQ(first.WaitFor(2).size(), 2u);
    // Start on a running capture stops the old one: its sink hears nothing more.
    ASSERT_TRUE(capture->Start({}, second.sink(), &error)) << error;
    Tap('W');
    XSync(display_, False);
    ASSERT_EQ(second.WaitFor(2).size(), 2u);
    EXPECT_EQ(second.events[0].code, 'W');
    EXPECT_EQ(first.WaitFor(0).size(), 2u);
    capture.reset();  // destruction stops it
}

TEST_F(X11Capture, AServerThatGoesAwayEndsTheCaptureWithoutHarm) {
    auto capture = Capture();
    Received got;
    std::string error;
    ASSERT_TRUE(capture->Start({.keys = true, .mouseButtons = true}, got.sink(), &error)) << error;
    XCloseDisplay(display_);
    display_ = nullptr;
    server_.Kill();
    capture->Stop();
    EXPECT_FALSE(capture->running());
    EXPECT_FALSE(capture->Start({}, got.sink(), &error));
    EXPECT_NE(error.find("cannot open the X display"), std::string::npos) << error;
}

TEST(X11CaptureErrors, ADisplayThatCannotBeOpenedIsAClearError) {
    auto capture = CreateX11InputCapture(":4711");
    std::string error;
    EXPECT_FALSE(capture->Start(
        {}, [](const InputEvent&) {}, &error));
    EXPECT_NE(error.find("cannot open the X display \":4711\""), std::string::npos) << error;
    EXPECT_FALSE(capture->running());
    capture->Stop();
}

}  // namespace
}  // namespace z7
