#include "core/device/device_exchanges.h"
#include "device_fixture.h"

namespace z7::test {
namespace {

std::vector<uint8_t> Commands(const SimMouse& mouse) {
    std::vector<uint8_t> out;
    for (const auto& r : mouse.requests()) out.push_back(r[kCommandByte]);
    return out;
}

TEST_F(SimLinkTest, WriteAllSendsTheImageActivatesTheSlotAndReopensTheEventInterface) {
    DeviceImage image{};
    image.fill(0x5A);
    EXPECT_EQ(WriteAllExchange(link, 2, image, 10), ExchangeResult::kOk);
    EXPECT_EQ(Commands(mouse), (std::vector<uint8_t>{kCmdReadActiveSlot, kCmdWriteProfileImage,
                                                     kCmdWriteProfileImage, kCmdActivateSlot}));
    EXPECT_EQ(clock.TotalSlept(), Millis(10 + 80 + 80 + 1500));
    const SimState s = mouse.state();
    EXPECT_EQ(s.slots[2], image);
    EXPECT_EQ(s.activeSlot, 2);
    EXPECT_FALSE(link.configOpen());
    EXPECT_TRUE(link.eventOpen());
}

TEST_F(SimLinkTest, ExchangesTellNoDeviceFromNoAccessFromAFailedCommand) {
    DeviceBlock block{};
    mouse.Unplug();
    EXPECT_EQ(WriteSensorExchange(link, 1, block), ExchangeResult::kNoDevice);
    EXPECT_FALSE(link.eventOpen());
    mouse.Plug();
    Faults([](SimFaults& f) { f.accessDenied = true; });
    EXPECT_EQ(WriteLightingExchange(link, 1, block), ExchangeResult::kNoAccess);
    EXPECT_EQ(link.lastOpenProblem().path, "sim:22d4:1206:config");
    Faults([](SimFaults& f) {
        f.accessDenied = false;
        f.unreadableReplies = 1;
    });
    EXPECT_EQ(WriteLightingExchange(link, 1, block), ExchangeResult::kCommandFailed);
    EXPECT_EQ(Commands(mouse), (std::vector<uint8_t>{kCmdReadActiveSlot}));
    EXPECT_TRUE(link.eventOpen());  // the listener comes back after a failure too
    // Refused image: nothing but the slot query is sent.
    mouse.ClearRequests();
    EXPECT_EQ(WriteAllExchange(link, 1, DeviceImage{}, 148), ExchangeResult::kCommandFailed);
    EXPECT_EQ(Commands(mouse), (std::vector<uint8_t>{kCmdReadActiveSlot}));
}

TEST_F(SimLinkTest, AMouseUnpluggedMidExchangeFailsCleanly) {
    Faults([](SimFaults& f) { f.unplugAfterCommands = 2; });
    EXPECT_EQ(WriteAllExchange(link, 1, DeviceImage{}, 0), ExchangeResult::kCommandFailed);
    EXPECT_FALSE(link.configOpen());
    EXPECT_FALSE(link.eventOpen());
    EXPECT_EQ(mouse.state().slots[1], MarkedImages()[1]);  // half an image is never stored
}

TEST_F(SimLinkTest, DeleteErasesTheSlotAndActivatesTheFactoryProfile) {
    DeviceImage image{};
    ASSERT_EQ(WriteAllExchange(link, 3, image, 0), ExchangeResult::kOk);
    mouse.ClearRequests();
    EXPECT_EQ(DeleteOnMouseExchange(link, 3), ExchangeResult::kOk);
    EXPECT_EQ(Commands(mouse),
              (std::vector<uint8_t>{kCmdReadActiveSlot, kCmdEraseSlot, kCmdActivateSlot}));
    const SimState s = mouse.state();
    EXPECT_EQ(s.slots[3], MarkedImages()[3]);
    EXPECT_EQ(s.activeSlot, 0);
}

TEST_F(SimLinkTest, RefreshReadsVersionAndSlotAndKeepsWhatCouldNotBeRead) {
    mouse.Update([](SimState& s) {
        s.activeSlot = 4;
        s.firmwareVersion = 201;
    });
    DeviceInfo info;
    EXPECT_EQ(RefreshFromDevice(link, info, true), ExchangeResult::kOk);
    EXPECT_EQ(info.firmwareVersion, 201);
    EXPECT_EQ(info.activeSlot, 4);
    EXPECT_EQ(info.deviceCode, kSimDefaultDeviceCode);
    Faults([](SimFaults& f) { f.failStatusReplies = 1; });
    EXPECT_EQ(RefreshFromDevice(link, info), ExchangeResult::kOk);
    EXPECT_FALSE(info.firmwareVersion);
    EXPECT_EQ(info.activeSlot, 4);
    EXPECT_FALSE(info.deviceCode);
}

TEST_F(SimLinkTest, CalibrateAsksForTheSlotFirst) {
    EXPECT_EQ(CalibrateExchange(link), ExchangeResult::kOk);
    EXPECT_EQ(Commands(mouse), (std::vector<uint8_t>{kCmdReadActiveSlot, kCmdCalibrateSurface}));
    EXPECT_EQ(mouse.state().calibrations, 1u);
}

}  // namespace
}  // namespace z7::test
