#include "core/device/device_image.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/code_page.h"

namespace z7 {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Slice(const DeviceImage& image, size_t offset, size_t length) {
    return Bytes(image.begin() + static_cast<ptrdiff_t>(offset),
                 image.begin() + static_cast<ptrdiff_t>(offset + length));
}

ProfileRecord FactoryProfile() {
    ProfileSet set;
    return set[0];
}

MacroData Sequence(int32_t id, uint8_t mode, size_t events) {
    MacroData m;
    m.id = id;
    m.mode = mode;
    for (size_t i = 0; i < events; ++i)
        m.events.push_back({1, static_cast<uint16_t>('A' + i), static_cast<uint8_t>(i % 2),
                            static_cast<uint32_t>(10 * i)});
    return m;
}

void BindCopy(ProfileRecord& p, size_t button, int32_t type, const MacroData& copy,
              int16_t macroId) {
    p.buttonBindings[button].functionType = type;
    p.buttonBindings[button].functionValue = 1;
    p.buttonBindings[button].macroId = macroId;
    p.buttonMacros[button] = copy;
}

TEST(DeviceImage, FactoryProfileGivesTheFactoryImageByteForByte) {
    DeviceRecord record = BuildDeviceRecord(FactoryProfile());
    const DeviceImage image = BuildImage(record);

    DeviceImage expected{};
    const Bytes header = {
        0x00,                                            // slot
        0xB3, 0xF6, 0xB3, 0xA7, 0xC5, 0xE4, 0xD6, 0xC3,  // "出厂配置" in GBK
    };
    std::copy(header.begin(), header.end(), expected.begin());
    const std::pair<size_t, Bytes> fields[] = {
        {0x11, {0x00, 0x08, 0x00, 0x00}},
        {0x15, {0x01, 0x01, 0xFF, 0x00, 0x00, 0xF1, 0xFF, 0x00, 0x00, 0xF1}},
        {0x32, {0x02, 0x00, 0x90, 0x01, 0x90, 0x01}},
        {0x3C, {0x00, 0x20, 0x03, 0x20, 0x03}},
        {0x46, {0x06}},
        {0x51, {0x00, 0x40, 0x06, 0x40, 0x06, 0x03, 0x00, 0x00, 0x01, 0x1E}},
        {0x65,
         {0x00, 0x01, 0, 0, 0, 0, 0x0F, 0x00, 0x02, 0, 0, 0, 0, 0x0F, 0x00, 0x04, 0, 0, 0, 0, 0x0F,
          0x00, 0x10, 0, 0, 0, 0, 0x0F, 0x00, 0x08, 0, 0, 0, 0, 0x0F, 0x09, 0xF0, 0, 0, 0, 0, 0x0F,
          0x09, 0xF2, 0, 0, 0, 0, 0x0F}},
    };
    for (const auto& [offset, bytes] : fields)
        std::copy(bytes.begin(), bytes.end(), expected.begin() + static_cast<ptrdiff_t>(offset));
    EXPECT_EQ(Bytes(image.begin(), image.end()), Bytes(expected.begin(), expected.end()));
    EXPECT_EQ(TotalEntries(record), 0u);
}

TEST(DeviceImage, HeaderCarriesEverySensorField) {
    ProfileRecord p = FactoryProfile();
    p.profileSlot = 3;
    p.pollingRate = 0x0108;  // only the low byte is sent
    p.inUse = 0;
    p.xyLinked = {1, 0, 1};
    p.cpiX = {8200, 50, 1234};
    p.cpiY = {100, 200, 4321};
    p.liftOffOn = 1;
    p.liftOffLevel = 11;
    p.angleSnapOn = 1;
    p.angleSnapLevel = 15;
    p.stepCount = 2;
    p.currentStep = 1;
    p.smoothingOn = 1;
    p.angleTuneLevel = 7;
    p.surfaceMode = 2;
    DeviceRecord record = BuildDeviceRecord(p);
    const DeviceImage image = BuildImage(record);
    EXPECT_EQ(image[kOffsetSlot], 3);
    EXPECT_EQ(image[kOffsetPollingRate], 0x08);
    EXPECT_EQ(image[kOffsetInUse], 0);
    Bytes expected(kSensorSourceLength, 0);
    const std::pair<size_t, uint8_t> fields[] = {
        {0x32, 1},    {0x33, 1},    {0x34, 0x08}, {0x35, 0x20}, {0x36, 0x64},
        {0x3D, 0x32}, {0x3F, 0xC8}, {0x45, 1},    {0x46, 11},   {0x47, 1},
        {0x48, 15},   {0x51, 1},    {0x52, 0xD2}, {0x53, 0x04}, {0x54, 0xE1},
        {0x55, 0x10}, {0x56, 2},    {0x57, 1},    {0x58, 7},    {0x59, 2},
    };
    for (const auto& [offset, value] : fields) expected[offset - 0x32] = value;
    EXPECT_EQ(Slice(image, 0x32, kSensorSourceLength), expected);
    EXPECT_EQ(image[kOffsetLiftOffOn], 1);

    const DeviceBlock sensor = BuildSensorBlock(record);
    EXPECT_TRUE(std::equal(sensor.begin(), sensor.begin() + 40, image.begin() + 0x32));
    EXPECT_EQ(sensor[40], 0);
    EXPECT_EQ(sensor[41], 0x08);
    EXPECT_TRUE(std::all_of(sensor.begin() + 42, sensor.end(), [](uint8_t b) { return b == 0; }));
}

TEST(DeviceImage, LightingFollowsBrightnessAndGoesIntoTheLightingBlock) {
    ProfileRecord p = FactoryProfile();
    p.lightColor1 = 0xFF8001;  // bytes 0..7, 8..15, 16..23 = 0x01, 0x80, 0xFF
    p.lightColor2 = 0xAB102030;
    p.lightBrightness = 3;
    p.lightEffect = 6;
    p.lightSpeed = 0x40;
    p.lightSleep = 60;
    DeviceRecord record = BuildDeviceRecord(p);
    const DeviceImage image = BuildImage(record);
    EXPECT_EQ(Slice(image, 0x17, 8), (Bytes{0x00, 0x40, 0x7F, 0x46, 0x18, 0x10, 0x08, 0x46}));
    EXPECT_EQ(image[kOffsetLightSleep], 60);

    const DeviceBlock block = BuildLightingBlock(record);
    EXPECT_EQ(Bytes(block.begin(), block.begin() + 9),
              (Bytes{0x00, 0x40, 0x7F, 0x46, 0x18, 0x10, 0x08, 0x46, 60}));
    EXPECT_TRUE(std::all_of(block.begin() + 9, block.end(), [](uint8_t b) { return b == 0; }));
}

TEST(DeviceImage, ScaleColorTruncatesEachByteAndLeavesOtherLevelsAlone) {
    EXPECT_EQ(ScaleColor(0xFF8001, 3), 0x7F4000u);
    EXPECT_EQ(ScaleColor(0x0A6400FF, 1), 0x0A0019u);  // 25.5 -> 25, 100 -> 10, top byte gone
    EXPECT_EQ(ScaleColor(0xFF0307, 2), 0x3F0001u);
    EXPECT_EQ(ScaleColor(0xFF0307, 4), 0xBF0205u);
    EXPECT_EQ(ScaleColor(0x12345678, 5), 0x345678u);
    EXPECT_EQ(ScaleColor(0x12345678, 0), 0x12345678u);
    EXPECT_EQ(ScaleColor(0x12345678, 6), 0x12345678u);
}

TEST(DeviceImage, DataBlocksArePackedInButtonOrder) {
    ProfileRecord p = FactoryProfile();
    MacroData three = Sequence(7, 2, 3);
    three.events[0].code = 162;  // Left Ctrl: sent as its usage
    three.events[1].kind = 16;   // a mouse button: code 1 has no pair
    three.events[1].code = 1;
    three.events[2].value = 3600000;  // top byte of the value is dropped
    BindCopy(p, 2, 3, three, 7);
    BindCopy(p, 5, 24, Sequence(2701, 1, 2), 2701);
    p.buttonBindings[5].functionValue = 113;
    DeviceRecord record = BuildDeviceRecord(p);
    const DeviceImage image = BuildImage(record);

    EXPECT_EQ(Slice(image, 0x65 + 2 * 7, 7), (Bytes{0x03, 0x02, 0x20, 0x03, 0x03, 0x00, 0x0F}));
    EXPECT_EQ(Slice(image, 0x65 + 5 * 7, 7), (Bytes{0x18, 0x71, 0x3C, 0x03, 0x02, 0x00, 0x0F}));
    EXPECT_EQ(Slice(image, 0x320, 28), (Bytes{1,  224, 0, 0, 0,    0,    0,     //
                                              16, 1,   0, 1, 10,   0,    0,     //
                                              1,  6,   0, 0, 0x80, 0xEE, 0x36,  // 'C' -> usage 6
                                              0,  0,   0, 0, 0,    0,    0}));
    EXPECT_EQ(Slice(image, 0x33C, 21),
              (Bytes{1, 4, 0, 0, 0, 0, 0, 1, 5, 0, 1, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(std::all_of(image.begin() + 0x351, image.end(), [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(TotalEntries(record), 5u);
    EXPECT_EQ(record.buttons[5].dataOffset, 0x33C);  // the record learns its place too
}

TEST(DeviceImage, StaleOrEmptyCopiesGetOnlyATerminator) {
    ProfileRecord p = FactoryProfile();
    BindCopy(p, 0, 3, Sequence(9, 242, 4), 8);  // the copy belongs to another macro
    BindCopy(p, 1, 17, MacroData{}, 0);         // matching id, no events
    p.buttonBindings[1].functionValue = 1;
    BindCopy(p, 2, 3, Sequence(-1, 1, 1), -1);     // negative ids compare sign-extended
    BindCopy(p, 3, 3, Sequence(65535, 1, 1), -1);  // 0xFFFF is -1, not 65535
    DeviceRecord record = BuildDeviceRecord(p);
    const DeviceImage image = BuildImage(record);
    EXPECT_EQ(Slice(image, 0x65, 28), (Bytes{0x03, 0x00, 0x20, 0x03, 0x00, 0x00, 0x0F,  //
                                             0x11, 0x01, 0x27, 0x03, 0x00, 0x00, 0x0F,  //
                                             0x03, 0x01, 0x2E, 0x03, 0x01, 0x00, 0x0F,  //
                                             0x03, 0x00, 0x3C, 0x03, 0x00, 0x00, 0x0F}));
    EXPECT_EQ(Slice(image, 0x320, 14), Bytes(14, 0));
    EXPECT_EQ(Slice(image, 0x32E, 7), (Bytes{1, 4, 0, 0, 0, 0, 0}));
}

TEST(DeviceImage, UnknownTypesAreSentAsZero) {
    ProfileRecord p = FactoryProfile();
    p.buttonBindings[0] = {0, 31, 1, 0, 1};  // factory default
    p.buttonBindings[1] = {1, 7, 99, 0, 2};  // nothing the mouse knows
    p.buttonBindings[2] = {2, 255, 255, 0, 4};
    p.buttonBindings[3] = {3, 0x102, 4, 0, 16};  // not type 2: the whole code counts
    DeviceRecord record = BuildDeviceRecord(p);
    const DeviceImage image = BuildImage(record);
    EXPECT_EQ(Slice(image, 0x65, 28),
              (Bytes{0,    0,    0, 0, 0, 0, 0x0F, 0, 0, 0, 0, 0, 0, 0x0F,
                     0xFF, 0xFF, 0, 0, 0, 0, 0x0F, 0, 0, 0, 0, 0, 0, 0x0F}));
}

TEST(DeviceImage, EntryLimitsHoldAndAnOversizedRecordStaysInsideTheImage) {
    ProfileRecord p = FactoryProfile();
    BindCopy(p, 0, 3, Sequence(1, 1, 200), 1);
    DeviceRecord one = BuildDeviceRecord(p);
    EXPECT_EQ(TotalEntries(one), kMaxAreaEntries);  // only the first 128 are sent
    EXPECT_EQ(one.areas[0].entries.back().code, VkToHidUsage(static_cast<uint16_t>('A' + 127)));

    for (size_t b = 1; b < kButtonCount; ++b) BindCopy(p, b, 3, Sequence(1, 1, 128), 1);
    DeviceRecord all = BuildDeviceRecord(p);
    EXPECT_EQ(TotalEntries(all), 7 * kMaxAreaEntries);
    const DeviceImage image = BuildImage(all);  // refused by the writer, but must not overrun
    size_t written = 0;
    for (size_t b = 0; b < kButtonCount; ++b) {
        const DeviceButtonRecord& r = all.buttons[b];
        written += r.entryCount;
        if (r.entryCount > 0) {
            EXPECT_LE(r.dataOffset + (r.entryCount + 1u) * kEntrySize, kImageSize);
        }
    }
    EXPECT_GT(written, kMaxImageEntries);
    EXPECT_LT(written, TotalEntries(all));
    EXPECT_EQ(image[kOffsetButtonRecords + kRecordMarker], kRecordMarkerValue);
}

TEST(DeviceImage, ExactlyTheLimitFits) {
    ProfileRecord p = FactoryProfile();
    const size_t sizes[kButtonCount] = {21, 21, 21, 21, 21, 21, 21};  // 147 in all
    for (size_t b = 0; b < kButtonCount; ++b) BindCopy(p, b, 3, Sequence(1, 1, sizes[b]), 1);
    DeviceRecord record = BuildDeviceRecord(p);
    EXPECT_EQ(TotalEntries(record), kMaxImageEntries);
    BuildImage(record);
    EXPECT_EQ(record.buttons[6].dataOffset, 0x320 + 6 * 22 * 7);
    EXPECT_EQ(record.buttons[6].entryCount, 21);
}

TEST(KeyConversion, PairsFollowTheUsageTable) {
    EXPECT_EQ(VkToHidUsage(65), 4);
    EXPECT_EQ(VkToHidUsage(90), 29);
    EXPECT_EQ(VkToHidUsage(48), 39);
    EXPECT_EQ(VkToHidUsage(49), 30);
    EXPECT_EQ(VkToHidUsage(3), 72);
    EXPECT_EQ(VkToHidUsage(19), 72);
    EXPECT_EQ(VkToHidUsage(123), 69);
    EXPECT_EQ(VkToHidUsage(96), 98);
    EXPECT_EQ(VkToHidUsage(105), 97);
    EXPECT_EQ(VkToHidUsage(92), 231);
    EXPECT_EQ(VkToHidUsage(124), 124);  // F13 has no pair
    EXPECT_EQ(VkToHidUsage(166), 166);
    EXPECT_EQ(VkToHidUsage(0xFFFF), 0xFFFF);
    EXPECT_EQ(HidUsageToVk(72), 19);
    EXPECT_EQ(HidUsageToVk(4), 65);
    EXPECT_EQ(HidUsageToVk(231), 92);
    EXPECT_EQ(HidUsageToVk(100), 100);  // usage 100 has no pair
    for (uint32_t vk = 0; vk <= 0xFFFF; ++vk) {
        const auto code = static_cast<uint16_t>(vk);
        const uint16_t usage = VkToHidUsage(code);
        if (usage != code && code != 3 && code != 42) {  // second keys of Pause, Print Screen
            EXPECT_EQ(HidUsageToVk(usage), code) << vk;
        }
    }
}

TEST(ProfileNameField, GbkNamesAreCutAtACharacterBoundary) {
    EXPECT_EQ(EncodeGbk(u"出厂配置"), "\xB3\xF6\xB3\xA7\xC5\xE4\xD6\xC3");
    EXPECT_EQ(EncodeGbk(u"a\uD55C\U0001F600b"), "a??b");  // no Hangul, no emoji in GBK
    EXPECT_EQ(EncodeGbk(std::u16string(1, u'\xD800') + u"x"), "?x");
    // 1 + 2*7 = 15 bytes: the eighth character would need 17.
    EXPECT_EQ(DeviceProfileName(u"a出厂配置出厂配置x"),
              "a\xB3\xF6\xB3\xA7\xC5\xE4\xD6\xC3\xB3\xF6\xB3\xA7\xC5\xE4");
    // 14 bytes then a two-byte character: cut before it, not in its middle.
    EXPECT_EQ(DeviceProfileName(u"ab出厂配置出厂配"),
              "ab\xB3\xF6\xB3\xA7\xC5\xE4\xD6\xC3\xB3\xF6\xB3\xA7");
    EXPECT_EQ(DeviceProfileName(u"abcdefghijklmnopq"), "abcdefghijklmno");

    ProfileRecord p = FactoryProfile();
    p.profileName = u"ab出厂配置出厂配置";
    DeviceRecord record = BuildDeviceRecord(p);
    const DeviceImage image = BuildImage(record);
    EXPECT_EQ(image[kOffsetName + 13], 0xA7);
    EXPECT_EQ(image[kOffsetName + 14], 0);
    EXPECT_EQ(image[kOffsetName + 15], 0);  // the NUL always fits
    EXPECT_EQ(image[kOffsetImageLength + 1], 0x08);
}

}  // namespace
}  // namespace z7
