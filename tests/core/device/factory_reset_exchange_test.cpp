#include "core/device/factory_reset_exchange.h"

#include "core/device/device_image.h"
#include "device_fixture.h"
#include "support/temp_dir.h"

namespace z7::test {
namespace {

std::vector<uint8_t> Commands(const SimMouse& mouse) {
    std::vector<uint8_t> out;
    for (const auto& r : mouse.requests()) out.push_back(r[kCommandByte]);
    return out;
}

SlotProfiles Customised() {
    SlotProfiles profiles;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        ProfileRecord& r = profiles[static_cast<size_t>(slot)];
        r.profileSlot = static_cast<uint8_t>(slot);
        r.profileName = u"custom";
        r.inUse = slot == 3 ? 0 : 1;
        r.pollingRate = 1;
        r.filePath = "/data/p" + std::to_string(slot) + ".profile";
        r.buttonMacros[2].name = u"left over";
    }
    return profiles;
}

DeviceImage ImageOf(const ProfileRecord& profile) {
    DeviceRecord record = BuildDeviceRecord(profile);
    return BuildImage(record);
}

TEST(FactoryProfilesTest, EverySlotGetsItsFactoryProfileAndNameAndKeepsItsFile) {
    const SlotProfiles before = Customised();
    const SlotProfiles reset = FactoryProfiles(before);
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const ProfileRecord& r = reset[static_cast<size_t>(slot)];
        ProfileRecord expected = CreateProfileRecord();
        expected.profileSlot = static_cast<uint8_t>(slot);
        expected.profileName = SlotName(slot);
        expected.inUse = 1;  // a freed slot is back in use, as on a first start
        expected.filePath = before[static_cast<size_t>(slot)].filePath;
        EXPECT_EQ(r, expected) << "slot " << slot;
    }
}

TEST_F(SimLinkTest, FactoryResetWritesEverySlotThenActivatesTheFactorySlotInOneHold) {
    TempDir dir;
    link.SetProcessLock(dir / "mouse.lock", Millis(0));
    SimTransport otherTransport(mouse);
    DeviceLink other(otherTransport, clock);  // another program
    other.SetProcessLock(dir / "mouse.lock", Millis(0));
    mouse.Update([](SimState& s) { s.activeSlot = 3; });
    const SlotProfiles profiles = FactoryProfiles(Customised());

    std::vector<std::pair<int, int>> steps;
    std::vector<bool> othersKeptOut;
    const ExchangeResult result = FactoryResetExchange(link, profiles, [&](int done, int total) {
        steps.emplace_back(done, total);
        ExchangeLock intruder(other);
        othersKeptOut.push_back(!intruder.held());
    });
    EXPECT_EQ(result, ExchangeResult::kOk) << link.exchangeProblem();
    EXPECT_EQ(steps,
              (std::vector<std::pair<int, int>>{{1, 6}, {2, 6}, {3, 6}, {4, 6}, {5, 6}, {6, 6}}));
    EXPECT_EQ(othersKeptOut, std::vector<bool>(6, true));
    std::vector<uint8_t> expected = {kCmdReadActiveSlot};
    for (int slot = 0; slot < kSlotCount; ++slot) {
        expected.push_back(kCmdWriteProfileImage);
        expected.push_back(kCmdWriteProfileImage);
    }
    expected.push_back(kCmdActivateSlot);
    expected.push_back(kCmdReadActiveSlot);
    EXPECT_EQ(Commands(mouse), expected);
    const SimState s = mouse.state();
    for (int slot = 0; slot < kSlotCount; ++slot)
        EXPECT_EQ(s.slots[static_cast<size_t>(slot)], ImageOf(profiles[static_cast<size_t>(slot)]))
            << "slot " << slot;
    EXPECT_EQ(s.activeSlot, 0);
    EXPECT_TRUE(link.eventOpen());
}

TEST_F(SimLinkTest, AFactoryResetThatLosesTheMouseStopsAndSaysSo) {
    const SlotProfiles profiles = FactoryProfiles(Customised());
    mouse.Unplug();
    EXPECT_EQ(FactoryResetExchange(link, profiles), ExchangeResult::kNoDevice);
    mouse.Plug();
    mouse.Update([](SimState& st) { st.activeSlot = 3; });
    // Lost after the slot query and slots 0 and 1.
    Faults([](SimFaults& f) { f.unplugAfterCommands = 5; });
    std::vector<int> done;
    EXPECT_EQ(FactoryResetExchange(link, profiles, [&](int d, int) { done.push_back(d); }),
              ExchangeResult::kCommandFailed);
    EXPECT_EQ(done, (std::vector<int>{1, 2}));
    EXPECT_NE(link.exchangeProblem().find("slot 2"), std::string::npos) << link.exchangeProblem();
    const SimState s = mouse.state();
    EXPECT_EQ(s.slots[2], MarkedImages()[2]);
    EXPECT_EQ(s.slots[4], MarkedImages()[4]);
    EXPECT_EQ(s.activeSlot, 3);
}

}  // namespace
}  // namespace z7::test
