#include "core/macros/macro.h"

#include <gtest/gtest.h>

#include "core/buttons/button_function.h"
#include "core/device/device_image.h"

namespace z7 {
namespace {

Macro ThreeEventMacro() {
    Macro m;
    m.name = u"combo";
    m.id = 12;
    m.repeatMode = kRepeatUntilNextKey;
    m.events = {
        {{4, 0, 100, 42}, 1, 1, kEventKindKey, 'A', kEventFlagPress, 15},
        {{4, 42, 100, 84}, 2, 0, kEventKindMouseButton, 2, kEventFlagPress, 0},
        {{4, 84, 100, 126}, 3, 0, kEventKindKey, 'A', kEventFlagRelease, kMaxEventDelayMs},
    };
    return m;
}

TEST(MakeKeySequenceCopy, CopiesEventsAndAddsAZeroTerminator) {
    const MacroData copy = MakeKeySequenceCopy(ThreeEventMacro());
    EXPECT_EQ(copy.name, u"combo");
    EXPECT_EQ(copy.id, 12);
    EXPECT_EQ(copy.mode, 0xF2);
    EXPECT_EQ(copy.events,
              (std::vector<MacroEvent>{
                  {1, 'A', 0, 15}, {16, 2, 0, 0}, {1, 'A', 1, 3600000}, {0, 0, 0, 0}}));
    EXPECT_EQ(MakeKeySequenceCopy(Macro{}).events, std::vector<MacroEvent>(1));
}

TEST(MakeKeySequenceCopy, BoundCopyBecomesADataBlockWithItsTerminator) {
    ProfileRecord p;
    const Macro macro = ThreeEventMacro();
    MacroSources sources;
    sources.macro = [&macro](int32_t id) -> std::optional<MacroData> {
        if (id != macro.id) return std::nullopt;
        return MakeKeySequenceCopy(macro);
    };
    ASSERT_EQ(EncodeFunction(4002 + 12, 3, p, sources), EncodeResult::Encoded);
    DeviceRecord record = BuildDeviceRecord(p);
    const DeviceImage image = BuildImage(record);

    const size_t recordAt = kOffsetButtonRecords + 3 * kButtonRecordSize;
    EXPECT_EQ(image[recordAt + kRecordType], 3);
    EXPECT_EQ(image[recordAt + kRecordValue], 0xF2);
    EXPECT_EQ(image[recordAt + kRecordEntryCount], 4);
    const std::vector<uint8_t> block(image.begin() + kDataBlockStart,
                                     image.begin() + kDataBlockStart + 35);
    EXPECT_EQ(block, (std::vector<uint8_t>{1,  4, 0, 0, 15,   0,    0,     //
                                           16, 2, 0, 0, 0,    0,    0,     // mouse codes pass
                                           1,  4, 0, 1, 0x80, 0xEE, 0x36,  //
                                           0,  0, 0, 0, 0,    0,    0,     // the copy's terminator
                                           0,  0, 0, 0, 0,    0,    0}));  // the block's end
}

}  // namespace
}  // namespace z7
