#include <gtest/gtest.h>

#include "core/macros/macro_events.h"
#include "core/macros/macro_recorder.h"

namespace z7 {
namespace {

using std::chrono::milliseconds;

class MacroRecorderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        macro.areaRect = {0, 0, 336, 336};
        recorder.Start(start);
    }
    MacroRecorder::Outcome At(int ms, InputDevice device, uint16_t code, bool down) {
        InputEvent e;
        e.device = device;
        e.code = code;
        e.down = down;
        e.time = start + milliseconds(ms);
        return recorder.Record(macro, e);
    }
    MacroRecorder::Outcome Key(int ms, uint16_t vk, bool down) {
        return At(ms, InputDevice::kKeyboard, vk, down);
    }

    Clock::TimePoint start = Clock::TimePoint{} + std::chrono::hours(1);
    MacroRecorder recorder;
    Macro macro;
};

TEST_F(MacroRecorderTest, PausesBelongToTheEventBeforeThemAndHeldKeysRecordOnce) {
    EXPECT_EQ(Key(700, 'A', true), MacroRecorder::Outcome::kAdded);
    EXPECT_EQ(Key(750, 'A', true), MacroRecorder::Outcome::kRepeated) << "auto-repeat";
    EXPECT_EQ(Key(900, 'A', false), MacroRecorder::Outcome::kAdded);
    ASSERT_EQ(macro.events.size(), 2u);
    EXPECT_EQ(macro.events[0].delay, 200);
    EXPECT_EQ(macro.events[0].flag, kEventFlagPress);
    EXPECT_EQ(macro.events[1].delay, 0) << "the last keeps 0 until something follows";
    EXPECT_EQ(macro.events[1].flag, kEventFlagRelease);
    EXPECT_EQ(SelectedCount(macro), 1);
    EXPECT_TRUE(macro.events[1].selected);

    // Buttons: kind 16 with 1, 2, 4; side buttons are no event and leave the pause whole.
    EXPECT_EQ(At(1000, InputDevice::kMouse, kMouseRight, true), MacroRecorder::Outcome::kAdded);
    EXPECT_EQ(At(1100, InputDevice::kMouse, kMouseX1, true), MacroRecorder::Outcome::kSkipped);
    EXPECT_EQ(At(1150, InputDevice::kMouse, kMouseX1, false), MacroRecorder::Outcome::kSkipped);
    EXPECT_EQ(At(1300, InputDevice::kMouse, kMouseRight, false), MacroRecorder::Outcome::kAdded);
    EXPECT_EQ(macro.events[2].kind, kEventKindMouseButton);
    EXPECT_EQ(macro.events[2].code, kMouseRight);
    EXPECT_EQ(macro.events[2].delay, 300);
}

TEST_F(MacroRecorderTest, AnHourIsTheLongestPauseAndTimeNeverRunsBackwards) {
    Key(0, 'A', true);
    Key(5 * 3600 * 1000, 'A', false);  // 5 hours would wrap in the mouse's 24 bits
    EXPECT_EQ(macro.events[0].delay, kMaxEventDelayMs);
    Key(5 * 3600 * 1000 - 10, 'B', true);  // a stamp slightly older (two devices)
    EXPECT_EQ(macro.events[1].delay, 0);
}

TEST_F(MacroRecorderTest, RecordingAgainAppendsAndCountsFromTheStart) {
    Key(100, 'A', true);
    Key(200, 'A', false);
    recorder.Start(start + milliseconds(10'000));
    Key(10'400, 'A', false);  // a new run forgets the previous input: not a repeat
    ASSERT_EQ(macro.events.size(), 3u);
    EXPECT_EQ(macro.events[1].delay, 400);
    EXPECT_EQ(macro.events[2].sequence, 3);
}

TEST_F(MacroRecorderTest, OneHundredEventsAndThenOnlyThePauseAfterTheLast) {
    for (int i = 0; i < 100; ++i) Key(i * 10, static_cast<uint16_t>('A' + i % 2), i % 4 < 2);
    ASSERT_EQ(macro.events.size(), 100u);
    EXPECT_EQ(Key(2000, 'Z', true), MacroRecorder::Outcome::kFull);
    EXPECT_EQ(macro.events.back().delay, 2000 - 990);
    EXPECT_EQ(Key(9000, 'Z', false), MacroRecorder::Outcome::kFull);
    EXPECT_EQ(macro.events.back().delay, 1010);
    EXPECT_EQ(macro.events.size(), 100u);
}

TEST(MacroInput, WhatAMacroCanHold) {
    InputEvent key;
    key.code = 0x41;
    EXPECT_EQ(MacroInputOf(key)->kind, kEventKindKey);
    key.code = 0;
    EXPECT_FALSE(MacroInputOf(key));
    InputEvent middle;
    middle.device = InputDevice::kMouse;
    middle.code = kMouseMiddle;
    EXPECT_EQ(MacroInputOf(middle)->code, 4);
    middle.code = kMouseX2;
    EXPECT_FALSE(MacroInputOf(middle));
}

}  // namespace
}  // namespace z7
