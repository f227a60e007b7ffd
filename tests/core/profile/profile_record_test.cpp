#include "core/profile/profile_record.h"

#include <gtest/gtest.h>

namespace z7 {
namespace {

TEST(ProfileRecord, FreshRecordHasTheFactoryDefaults) {
    const ProfileRecord r = CreateProfileRecord();
    EXPECT_EQ(r.profileName, u"profile");
    EXPECT_EQ(r.inUse, 1u);
    EXPECT_EQ(r.lightColor1, 255u);
    EXPECT_EQ(r.lightColor2, 255u);
    EXPECT_EQ(r.cpiX, (std::array<int16_t, 3>{400, 800, 1600}));
    EXPECT_EQ(r.cpiY, (std::array<int16_t, 3>{400, 800, 1600}));
    EXPECT_EQ(r.stepCount, 3);
    EXPECT_EQ(r.currentStep, 2);
    const int32_t types[7] = {0, 0, 0, 0, 0, 9, 9};
    const int32_t values[7] = {1, 2, 4, 16, 8, 240, 242};
    for (int i = 0; i < 7; ++i) {
        const ButtonBinding& b = r.buttonBindings[static_cast<size_t>(i)];
        EXPECT_EQ(b.buttonIndex, i);
        EXPECT_EQ(b.functionType, types[i]);
        EXPECT_EQ(b.functionValue, values[i]);
        EXPECT_EQ(b.defaultValue, values[i]);
        EXPECT_EQ(b.macroId, 0);
    }
}

TEST(ProfileSet, StartsWithTheFactorySlotOnlyAndSlotNames) {
    ProfileSet set;
    EXPECT_EQ(set.currentSlot(), 0);
    for (int slot = 0; slot < kSlotCount; ++slot) {
        EXPECT_EQ(set[slot].profileSlot, slot);
        EXPECT_EQ(set[slot].profileName, SlotName(slot));
        EXPECT_EQ(set[slot].inUse, slot == 0 ? 1u : 0u);
    }
    EXPECT_EQ(SlotName(0), u"出厂配置");
    EXPECT_EQ(SlotName(4), u"配置4");
}

TEST(ProfileSet, NewProfileTakesTheLowestFreeSlotAndNothingWhenFull) {
    ProfileSet set;
    set[1].inUse = 1;
    set[3].inUse = 1;
    set[2].cpiX[0] = 999;  // leftovers of a deleted profile are reset
    set[2].profileName = u"old";
    EXPECT_EQ(set.NewProfile(), 2);
    EXPECT_EQ(set.currentSlot(), 2);
    EXPECT_EQ(set[2].profileName, u"配置2");
    EXPECT_EQ(set[2].inUse, 1u);
    EXPECT_EQ(set[2].profileSlot, 2);
    EXPECT_EQ(set[2].cpiX[0], 400);

    EXPECT_EQ(set.NewProfile(), 4);
    const ProfileSet before = set;
    EXPECT_EQ(set.FirstFreeSlot(), 0);
    EXPECT_EQ(set.NewProfile(), 0);
    EXPECT_EQ(set.currentSlot(), 4);
    EXPECT_EQ(set.records(), before.records());
}

TEST(ProfileSet, ResetRestoresDefaultsAndSlotNameButKeepsBoundCopiesAndFile) {
    ProfileSet set;
    set[1].inUse = 1;
    set.SetCurrent(1);
    ProfileRecord& r = set.current();
    r.profileName = u"Mine";
    r.pollingRate = 8;
    r.filePath = "/x/Mine.profile";
    r.buttonBindings[3].functionType = 3;
    r.buttonMacros[3] = {u"m", 7, 1, {{1, 2, 3, 4}}};
    set.ResetCurrent();
    EXPECT_EQ(r.profileName, u"配置1");
    EXPECT_EQ(r.profileSlot, 1);
    EXPECT_EQ(r.pollingRate, 1);
    EXPECT_EQ(r.buttonBindings[3], FactoryBinding(3));
    EXPECT_EQ(r.filePath, "/x/Mine.profile");
    EXPECT_EQ(r.buttonMacros[3].id, 7);
}

TEST(ProfileSet, TheFactorySlotCannotBeFreed) {
    ProfileSet set;
    EXPECT_FALSE(set.FreeSlot(0));
    EXPECT_EQ(set[0].inUse, 1u);
    set[2].inUse = 1;
    EXPECT_TRUE(set.FreeSlot(2));
    EXPECT_EQ(set[2].inUse, 0u);
}

TEST(BindMacro, CopiesForMacroTypesOnlyAndFallsBackWithoutAMacro) {
    ProfileRecord r;
    const MacroData macro{u"seq", 12, 2, {{1, 65, 0, 0}, {2, 65, 0, 0}}};

    r.buttonBindings[4].functionType = 17;
    r.buttonBindings[4].macroId = 12;
    EXPECT_EQ(BindMacro(&macro, r.buttonBindings[4], r), BindResult::Bound);
    EXPECT_EQ(r.buttonMacros[4], macro);

    r.buttonBindings[5].functionType = 9;  // CPI: keeps its (empty) copy
    EXPECT_EQ(BindMacro(&macro, r.buttonBindings[5], r), BindResult::Bound);
    EXPECT_TRUE(r.buttonMacros[5].events.empty());

    r.buttonBindings[6].functionType = 3;
    r.buttonBindings[6].functionValue = 99;
    r.buttonBindings[6].macroId = 5;
    EXPECT_EQ(BindMacro(nullptr, r.buttonBindings[6], r), BindResult::Unbound);
    EXPECT_EQ(r.buttonBindings[6].functionValue, 242);
    EXPECT_EQ(r.buttonBindings[6].macroId, 0);
}

TEST(BindMacro, RefusesCopiesTheProfileFileCannotHold) {
    ProfileRecord r;
    r.buttonBindings[0].functionType = 3;
    MacroData big{u"big", 1, 0, std::vector<MacroEvent>(256)};
    const ProfileRecord before = r;
    EXPECT_EQ(BindMacro(&big, r.buttonBindings[0], r), BindResult::TooManyEvents);
    EXPECT_EQ(r, before);
    big.events.resize(255);
    EXPECT_EQ(BindMacro(&big, r.buttonBindings[0], r), BindResult::Bound);
}

}  // namespace
}  // namespace z7
