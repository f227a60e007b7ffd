#include "core/profile/pointer_settings.h"

#include <gtest/gtest.h>

#include "platform/fake/recording_pointer_system.h"

namespace z7 {
namespace {

TEST(PointerSettings, ValuesMapOntoTheSystemScale) {
    const int speeds[11] = {1, 3, 5, 7, 9, 10, 12, 14, 16, 18, 20};
    for (uint8_t v = 1; v <= 11; ++v) EXPECT_EQ(SystemMouseSpeed(v), speeds[v - 1]) << int(v);
    EXPECT_EQ(SystemDoubleClickTime(8), 500u);
    EXPECT_EQ(SystemDoubleClickTime(6), 700u);
    EXPECT_EQ(LimitScrollLines(0), 1u);
    EXPECT_EQ(LimitScrollLines(250), 100u);
    EXPECT_EQ(SystemMouseAcceleration(0), (std::array<int, 3>{0, 0, 0}));
    EXPECT_NE(SystemMouseAcceleration(1), SystemMouseAcceleration(3));
    EXPECT_NE(SystemMouseAcceleration(3), SystemMouseAcceleration(6));
    EXPECT_NE(SystemMouseAcceleration(6)[2], 0);
}

TEST(PointerSettings, ValuesFromDamagedFilesStayInTheSystemsRange) {
    // Unclamped, speed 255 gave 463 and double-click speed 20 a time of 4294966596 ms.
    EXPECT_EQ(SystemMouseSpeed(255), 20);
    EXPECT_EQ(SystemMouseSpeed(12), 20);
    EXPECT_EQ(SystemMouseSpeed(0), 1);
    EXPECT_EQ(SystemDoubleClickTime(20), 200u);
    EXPECT_EQ(SystemDoubleClickTime(255), 200u);
    EXPECT_EQ(SystemDoubleClickTime(0), 1200u);
    ProfileRecord p;
    p.pointerSpeed = 255;
    p.doubleClickSpeed = 20;
    RecordingPointerSystem system;
    ApplyPointerSettings(p, system, false);
    EXPECT_EQ(system.calls[0], "speed 20");
    EXPECT_EQ(system.calls[3], "doubleclick 200");
}

TEST(PointerSettings, ApplyFollowsThePageOrderAndLeavesTheWheelWhenNeitherOptionIsSet) {
    ProfileRecord p;
    p.pointerSpeed = 11;
    p.pointerAcceleration = 3;
    p.scrollLines = 0;
    RecordingPointerSystem system;
    ApplyPointerSettings(p, system, true);
    EXPECT_EQ(system.calls, (std::vector<std::string>{"speed 20", "accel 6,10,1 saved", "snap 0",
                                                      "doubleclick 700", "trails 0", "sonar 0",
                                                      "wheel 1 saved"}));
    p.scrollByPage = 1;
    system.calls.clear();
    ApplyPointerSettings(p, system, false);
    EXPECT_EQ(system.calls.back(), "wheel 4294967295");
    p.scrollByPage = 0;
    p.scrollByLines = 0;
    system.calls.clear();
    ApplyPointerSettings(p, system, false);
    EXPECT_EQ(system.calls.size(), 6u);
}

}  // namespace
}  // namespace z7

namespace z7 {
namespace {

TEST(PointerSettings, TheLinesEditCountsNothingAsOneAndStaysWithinAHundred) {
    EXPECT_EQ(ScrollLinesFromText(u""), 1u);
    EXPECT_EQ(ScrollLinesFromText(u"0"), 1u);
    EXPECT_EQ(ScrollLinesFromText(u"250"), 100u);
    EXPECT_EQ(ScrollLinesFromText(u"99999999999999999999999"), 100u);
    EXPECT_EQ(ScrollLinesFromText(u"7"), 7u);
    // The timer: above 100 at once; 0 or nothing only once the edit has lost the focus.
    EXPECT_EQ(NormaliseScrollLinesText(u"250", true), u"100");
    EXPECT_EQ(NormaliseScrollLinesText(u"0", true), std::nullopt);
    EXPECT_EQ(NormaliseScrollLinesText(u"", true), std::nullopt);
    EXPECT_EQ(NormaliseScrollLinesText(u"0", false), u"1");
    EXPECT_EQ(NormaliseScrollLinesText(u"", false), u"1");
    EXPECT_EQ(NormaliseScrollLinesText(u"100", false), std::nullopt);
    // Up at 100 and Down at 1 change nothing.
    EXPECT_EQ(StepScrollLines(u"100", 1), 100u);
    EXPECT_EQ(StepScrollLines(u"99", 1), 100u);
    EXPECT_EQ(StepScrollLines(u"1", -1), 1u);
    EXPECT_EQ(StepScrollLines(u"0", 1), 2u);
    EXPECT_EQ(StepScrollLines(u"3", -1), 2u);
}

}  // namespace
}  // namespace z7
