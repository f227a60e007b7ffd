#include "core/profile/profile_file.h"

#include <gtest/gtest.h>

#include "core/profile/profile_record.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"

namespace z7 {
namespace {

// The factory profile's file, written out from the file layout table by hand.
std::vector<uint8_t> FactoryProfileBytes() {
    std::vector<uint8_t> b = {
        0xB9, 0x52, 0x33, 0x01,                                                  // magic
        4,    0,    0,    0,    0xFA, 0x51, 0x82, 0x53, 0x4D, 0x91, 0x6E, 0x7F,  // "出厂配置"
        1,    0,    0,    0,                                                     // inUse
        0,                                                                       // slot
        6,    0,    0,                                            // speed, acceleration, snap
        1,    0,    0,    0,                                      // scrollByLines
        3,    0,                                                  // scrollLines
        0,    0,    0,    0,                                      // scrollByPage
        6,                                                        // doubleClickSpeed
        0,    0,    0,    0,    0,    0,    0,    0,              // trails, ctrl
        0x0F, 0x01, 0xF0, 0x1E, 0x05, 0x00,                       // lighting bytes
        3,    0,    0,    0,    0x32, 0,    0x35, 0,    0x35, 0,  // "255"
        3,    0,    0,    0,    0x32, 0,    0x35, 0,    0x35, 0,  // "255"
        3,    2,                                                  // steps, current
        0,    0,    0,    0,    0x90, 0x01, 0x90, 0x01,           // step 1
        0,    0,    0,    0,    0x20, 0x03, 0x20, 0x03,           // step 2
        0,    0,    0,    0,    0x40, 0x06, 0x40, 0x06,           // step 3
        0,    0,    0,    0,    0,                                // angle snap
        0,    0,    0,    0,    0,    0,                          // angle tune (level 16-bit)
        0,    0,    0,    0,    6,                                // lift-off
        1,    0,                                                  // polling rate
        0,    0,    0,    0,                                      // smoothing
        1,                                                        // surface mode
    };
    const uint8_t types[7] = {0, 0, 0, 0, 0, 9, 9};
    const uint8_t values[7] = {1, 2, 4, 16, 8, 240, 242};
    for (int i = 0; i < 7; ++i) {
        const uint8_t rec[11] = {
            static_cast<uint8_t>(i), types[i], 0, 0, 0, values[i], 0, 0, 0, 0, 0};
        b.insert(b.end(), rec, rec + 11);
    }
    for (int i = 0; i < 7; ++i) b.insert(b.end(), 10, 0);  // id, empty name, count, mode
    return b;
}

ProfileRecord FactoryRecord() {
    ProfileSet set;
    return set[0];
}

TEST(ProfileFile, FactoryProfileMatchesTheLayoutByteForByte) {
    const auto bytes = SerializeProfile(FactoryRecord());
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes, FactoryProfileBytes());
}

TEST(ProfileFile, EveryStoredFieldSurvivesARoundTrip) {
    ProfileRecord r = FactoryRecord();
    r.profileName = u"Game \U0001F600";
    r.profileSlot = 3;
    r.inUse = 1;
    r.lightColor1 = 0x00FF8001;
    r.lightColor2 = 0x00123456;
    r.cpiX = {50, 8200, 1234};
    r.cpiY = {100, 200, 300};
    r.xyLinked = {1, 0, 1};
    r.angleTuneLevel = 0xF0;  // stored sign-extended, read back as the low byte
    r.pollingRate = 8;
    r.surfaceMode = 2;
    r.buttonBindings[2] = {2, 3, 5, -12, 4};
    r.buttonMacros[2] = {u"macro", -12, 2, {{1, 65, 0, 100}, {2, 65, 1, 0xFFFFFFFF}}};
    const auto bytes = SerializeProfile(r);
    ASSERT_TRUE(bytes);

    ProfileRecord back;
    ASSERT_TRUE(ParseProfile(*bytes, back));
    back.buttonBindings[2].defaultValue = r.buttonBindings[2].defaultValue;  // not stored
    back.filePath = r.filePath;
    EXPECT_EQ(back, r);
    EXPECT_EQ(SerializeProfile(back), bytes);
}

TEST(ProfileFile, ReadingReplacesTheOldEventsOfABoundCopy) {
    ProfileRecord target;
    target.buttonMacros[0].events.assign(5, MacroEvent{1, 2, 3, 4});
    ASSERT_TRUE(ParseProfile(FactoryProfileBytes(), target));
    EXPECT_TRUE(target.buttonMacros[0].events.empty());
}

TEST(ProfileFile, DamagedFilesLeaveTheRecordUntouched) {
    ProfileRecord original = FactoryRecord();
    original.profileName = u"mine";
    const auto good = FactoryProfileBytes();

    std::vector<std::vector<uint8_t>> damaged;
    auto wrongMagic = good;
    wrongMagic[0] = 0xB8;
    damaged.push_back(wrongMagic);
    for (size_t cut :
         {size_t{0}, size_t{3}, size_t{4}, size_t{10}, good.size() / 2, good.size() - 1})
        damaged.emplace_back(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
    auto hugeName = good;
    hugeName[4] = 0xFF, hugeName[5] = 0xFF, hugeName[6] = 0xFF, hugeName[7] = 0x7F;
    damaged.push_back(hugeName);
    auto tooManyEvents = good;
    tooManyEvents[good.size() - 2] = 200;  // last copy claims 200 events that are not there
    damaged.push_back(tooManyEvents);

    for (const auto& bytes : damaged) {
        ProfileRecord r = original;
        EXPECT_FALSE(ParseProfile(bytes, r)) << bytes.size();
        EXPECT_EQ(r, original);
    }
}

TEST(ProfileFile, BoundCopiesOverTheOneByteCountAreRefusedNotTruncated) {
    ProfileRecord r = FactoryRecord();
    r.buttonMacros[1].events.assign(256, MacroEvent{});
    EXPECT_FALSE(SerializeProfile(r));
    r.buttonMacros[1].events.resize(255);
    const auto bytes = SerializeProfile(r);
    ASSERT_TRUE(bytes);
    ProfileRecord back;
    ASSERT_TRUE(ParseProfile(*bytes, back));
    EXPECT_EQ(back.buttonMacros[1].events.size(), 255u);

    test::TempDir dir;
    r.buttonMacros[1].events.resize(256);
    std::string error;
    EXPECT_FALSE(WriteProfileFile(LocalFileSystem(), r, dir / "x.profile", &error));
    EXPECT_NE(error.find("255"), std::string::npos);
    EXPECT_FALSE(LocalFileSystem().Exists(dir / "x.profile"));
}

TEST(ProfileFile, ReadProfileFileReportsMissingAndForeignFiles) {
    test::TempDir dir;
    ProfileRecord r;
    EXPECT_EQ(ReadProfileFile(LocalFileSystem(), dir / "none.profile", r), 0);
    test::WriteBytes(dir / "text.profile", {'h', 'e', 'l', 'l', 'o'});
    EXPECT_EQ(ReadProfileFile(LocalFileSystem(), dir / "text.profile", r), 0);
    test::WriteBytes(dir / "good.profile", FactoryProfileBytes());
    EXPECT_EQ(ReadProfileFile(LocalFileSystem(), dir / "good.profile", r), 1);
    EXPECT_EQ(r.profileName, u"出厂配置");
}

TEST(ProfileList, RoundTripsAndRejectsDamage) {
    const std::vector<ProfileListEntry> entries = {{0, u"/a/出厂配置.profile"},
                                                   {4, u"/a/b.profile"}};
    const auto bytes = SerializeProfileList(entries);
    EXPECT_EQ(bytes[0], 2);
    EXPECT_EQ(bytes[4], 0);
    std::vector<ProfileListEntry> back;
    ASSERT_TRUE(ParseProfileList(bytes, back));
    EXPECT_EQ(back, entries);

    std::vector<ProfileListEntry> untouched = entries;
    EXPECT_FALSE(ParseProfileList(std::vector<uint8_t>(bytes.begin(), bytes.end() - 1), untouched));
    EXPECT_EQ(untouched, entries);
    EXPECT_FALSE(ParseProfileList(std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 0}, untouched));
}

}  // namespace
}  // namespace z7
