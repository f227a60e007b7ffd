#include "platform/fake/recording_input_capture.h"

#include <gtest/gtest.h>

namespace z7 {
namespace {

TEST(RecordingInputCapture, DeliversWhatARealCaptureWouldOnVirtualTime) {
    VirtualClock clock;
    RecordingInputCapture capture(clock);
    std::vector<InputEvent> got;
    auto sink = [&](const InputEvent& e) { got.push_back(e); };

    EXPECT_FALSE(capture.Key('A', true));  // not started
    std::string error;
    ASSERT_TRUE(capture.Start({}, sink, &error));
    EXPECT_FALSE(capture.Button(kMouseLeft, true));  // keys only
    clock.Advance(Millis(40));
    EXPECT_TRUE(capture.Key(163, true));  // Right Ctrl
    EXPECT_TRUE(capture.Key('C', true));
    EXPECT_TRUE(capture.Key(163, false));
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].time, Clock::TimePoint(Millis(40)));
    EXPECT_EQ(got[1].modifiers, kRightCtrl);
    EXPECT_EQ(got[2].modifiers, 0);

    ASSERT_TRUE(capture.Start({.keys = false, .mouseButtons = true}, sink, &error));
    EXPECT_FALSE(capture.Key('A', true));
    EXPECT_TRUE(capture.Button(kMouseX1, false, 3, 4));
    EXPECT_EQ(got.back().device, InputDevice::kMouse);
    capture.Stop();
    capture.Stop();
    EXPECT_EQ(capture.calls,
              (std::vector<std::string>{"start keys", "stop", "start buttons", "stop"}));

    capture.failStart = "no hook";
    EXPECT_FALSE(capture.Start({}, sink, &error));
    EXPECT_EQ(error, "no hook");
    EXPECT_FALSE(capture.running());
}

}  // namespace
}  // namespace z7
