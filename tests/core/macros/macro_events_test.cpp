#include <gtest/gtest.h>

#include "core/macros/macro_events.h"

namespace z7 {
namespace {

Macro WithEvents(int n) {
    Macro m;
    m.areaRect = {0, 0, 300, 336};
    for (int i = 0; i < n; ++i) AddEvent(m, kEventKindKey, static_cast<uint16_t>(65 + i), 0);
    return m;
}

std::vector<uint16_t> Codes(const Macro& m) {
    std::vector<uint16_t> c;
    for (const auto& e : m.events) c.push_back(e.code);
    return c;
}

TEST(MacroEvents, AddLaysOutRowsSelectsTheNewOneAndStopsAtOneHundred) {
    Macro m = WithEvents(3);
    EXPECT_EQ(m.events[2].rowRect, (Rect{4, 84, 298, 126}));
    EXPECT_EQ(m.events[2].sequence, 3);
    EXPECT_EQ(SelectedCount(m), 1);
    EXPECT_EQ(FirstSelected(m)->code, 67);
    m = WithEvents(100);
    EXPECT_FALSE(AddEvent(m, kEventKindKey, 1, 0));
    EXPECT_EQ(m.events.size(), 100u);
    EXPECT_EQ(m.events.back().code, 65 + 99);
}

TEST(MacroEvents, DelaysAndReplace) {
    Macro m = WithEvents(3);
    SetLastDelay(m, 3600000);
    EXPECT_EQ(m.events[2].delay, 3600000);
    SelectOnly(m, 0);
    m.events[0].flag = kEventFlagRelease;
    ReplaceSelected(m, kEventKindMouseButton, 4);
    SetSelectedDelay(m, 15);
    EXPECT_EQ(m.events[0].kind, kEventKindMouseButton);
    EXPECT_EQ(m.events[0].code, 4);
    EXPECT_EQ(m.events[0].flag, kEventFlagPress);
    EXPECT_EQ(m.events[0].delay, 15);
    EXPECT_EQ(m.events[1].delay, 0);
}

TEST(MacroEvents, DeleteSelectsTheFollowerOrTheFirstRow) {
    Macro m = WithEvents(5);
    SelectOnly(m, 2);
    auto out = DeleteSelected(m);
    EXPECT_EQ(Codes(m), (std::vector<uint16_t>{65, 66, 68, 69}));
    EXPECT_EQ(FirstSelected(m)->code, 68);
    EXPECT_EQ(m.events[2].rowRect.top, 84) << "rows below moved up";
    EXPECT_FALSE(out.scrollToTop);

    SelectOnly(m, 3);
    out = DeleteSelected(m);
    EXPECT_TRUE(out.scrollToTop);
    EXPECT_EQ(FirstSelected(m)->code, 65);

    SelectAll(m);
    SelectOnly(m, 1);
    DeleteSelected(m);
    EXPECT_EQ(Codes(m), (std::vector<uint16_t>{65, 68})) << "a click after Select All ends it";
    SelectAll(m);
    EXPECT_EQ(DeleteSelected(m).removed, 2u);
    EXPECT_TRUE(m.events.empty());

    m = WithEvents(2);
    SelectAll(m);
    AddEvent(m, kEventKindKey, 90, 0);
    DeleteSelected(m);
    EXPECT_EQ(Codes(m), (std::vector<uint16_t>{65, 66})) << "Select All does not outlive an add";
}

TEST(MacroEvents, CopyInsertAndMove) {
    Macro m = WithEvents(5);
    SelectOnly(m, 1);
    ASSERT_TRUE(CopySelected(m));
    EXPECT_EQ(SelectedCount(m), 0);
    EXPECT_FALSE(InsertCopy(m)) << "nothing selected";
    SelectOnly(m, 3);
    const Rect row3 = m.events[3].rowRect;
    ASSERT_TRUE(InsertCopy(m));
    EXPECT_EQ(Codes(m), (std::vector<uint16_t>{65, 66, 67, 66, 68, 69}));
    EXPECT_EQ(m.events[3].rowRect, row3);
    EXPECT_EQ(m.events[4].rowRect.top, row3.top + kRowHeight);
    EXPECT_EQ(m.events[3].sequence, m.events[1].sequence);
    EXPECT_EQ(SelectedCount(m), 0);
    EXPECT_FALSE(InsertCopy(m));

    SelectOnly(m, 0);
    EXPECT_FALSE(MoveSelectedUp(m));
    EXPECT_TRUE(MoveSelectedDown(m));
    EXPECT_EQ(Codes(m)[1], 65);
    EXPECT_EQ(m.events[1].rowRect.top, 42);
    EXPECT_TRUE(m.events[1].selected);
    SelectOnly(m, 5);
    EXPECT_FALSE(MoveSelectedDown(m));
    Macro empty = WithEvents(0);
    EXPECT_FALSE(CopySelected(empty));
}

TEST(MacroEvents, RangesTogglesAndReplacingKeepsPressOrRelease) {
    Macro m = WithEvents(6);
    SelectAll(m);
    SelectRange(m, 4, 2);
    EXPECT_EQ(SelectedCount(m), 3);
    EXPECT_FALSE(m.allSelected) << "a range after Select All ends it";
    ToggleSelected(m, 3);
    ToggleSelected(m, 0);
    SelectRange(m, 5, 99);
    EXPECT_EQ(SelectedCount(m), 1) << "cut to the list";
    ToggleSelected(m, 0);
    m.events[0].flag = kEventFlagPress;
    m.events[5].flag = kEventFlagRelease;
    ReplaceSelectedInput(m, kEventKindMouseButton, 2);
    EXPECT_EQ(m.events[0].flag, kEventFlagPress);
    EXPECT_EQ(m.events[5].flag, kEventFlagRelease);
    EXPECT_EQ(m.events[5].code, 2);
    EXPECT_EQ(m.events[5].kind, kEventKindMouseButton);
    EXPECT_EQ(m.events[1].code, 66);
}

TEST(MacroEvents, DelaysStayWithinWhatTheMouseKeeps) {
    Macro m = WithEvents(2);
    EXPECT_TRUE(SetEventDelay(m, 0, 5'000'000'000));
    EXPECT_EQ(m.events[0].delay, kMaxEventDelayMs);
    EXPECT_TRUE(SetEventDelay(m, 1, -4));
    EXPECT_EQ(m.events[1].delay, 0);
    EXPECT_FALSE(SetEventDelay(m, 2, 1));
    m.events[1].rowRect = {4, 420, 298, 462};  // as a scrolled list once wrote it
    LayOutRows(m);
    EXPECT_EQ(m.events[1].rowRect, (Rect{4, 42, 298, 84}));
}

}  // namespace
}  // namespace z7
