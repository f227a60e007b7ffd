#include <gtest/gtest.h>

#include "core/profile/value_sets.h"

namespace z7 {
namespace {

TEST(ValueSets, TheFactoryProfileIsInsideEveryValueSet) {
    ProfileRecord record = CreateProfileRecord();
    const ProfileRecord before = record;
    EXPECT_TRUE(RepairProfileValues(record).empty());
    EXPECT_EQ(record, before);
}

TEST(ValueSets, ValuesNoPageOffersFallBackToTheFieldsFactoryDefault) {
    ProfileRecord record = CreateProfileRecord();
    record.pollingRate = 0;
    record.cpiX = {0, 800, 1600};
    record.cpiY = {400, -1, 9999};
    record.stepCount = 0;
    record.currentStep = 9;
    record.lightSpeed = 0x41;  // a value between two items
    record.lightColor2 = 0x01000000;
    record.liftOffLevel = 7;  // inside its range: kept
    const std::vector<std::string> repaired = RepairProfileValues(record);
    EXPECT_EQ(repaired, (std::vector<std::string>{"pollingRate", "lightSpeed", "lightColor2",
                                                  "stepCount", "cpiX", "cpiY", "currentStep"}));
    EXPECT_EQ(record.pollingRate, 1);
    EXPECT_EQ(record.cpiX, (std::array<int16_t, 3>{400, 800, 1600}));
    EXPECT_EQ(record.cpiY, (std::array<int16_t, 3>{400, 800, 1600}));
    EXPECT_EQ(record.stepCount, 3);
    EXPECT_EQ(record.currentStep, 2);
    EXPECT_EQ(record.lightSpeed, 240);
    EXPECT_EQ(record.lightColor2, 255u);
    EXPECT_EQ(record.liftOffLevel, 7);
}

TEST(ValueSets, ACurrentStepBeyondAValidStepCountFollowsTheSensorPagesRule) {
    ProfileRecord record = CreateProfileRecord();
    record.stepCount = 1;
    record.currentStep = 2;
    EXPECT_EQ(RepairProfileValues(record), std::vector<std::string>{"currentStep"});
    EXPECT_EQ(record.currentStep, 1);
}

TEST(ValueSets, SettingTheStepCountSetsTheCurrentStepAsThePageDoes) {
    const ProfileField* steps = FindProfileField("stepCount");
    ASSERT_NE(steps, nullptr);
    ProfileRecord record = CreateProfileRecord();
    steps->set(record, 0, 1);
    EXPECT_EQ(record.currentStep, 1);
    steps->set(record, 0, 3);
    EXPECT_EQ(record.currentStep, 2);
    EXPECT_EQ(FindProfileField("currentStep")->set, nullptr);
    EXPECT_EQ(FindProfileField("nonsense"), nullptr);
    EXPECT_EQ(FindProfileField("pollingRate")->AllowedText(), "1, 2, 4, 8");
    EXPECT_EQ(FindProfileField("cpiX")->AllowedText(), "50..8200");
}

}  // namespace
}  // namespace z7
