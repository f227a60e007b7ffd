#include "device_fixture.h"

namespace z7::test {
namespace {

std::vector<uint8_t> Head(const std::vector<uint8_t>& request) {
    return {request.begin(), request.begin() + 8};
}

DeviceBlock Block(uint8_t first) {
    DeviceBlock b{};
    for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<uint8_t>(first + i);
    return b;
}

TEST_F(SimLinkTest, NormalCommandsSendTheirBytesWaitTheirDelaysAndPassTheStrictMouse) {
    Faults([](SimFaults& f) { f.strict = true; });
    OpenNormal();
    std::array<uint8_t, 4> code{};
    std::array<uint8_t, kFirmwareInfoLength> version{};
    uint8_t slot = 9;
    struct Step {
        std::function<uint8_t()> run;
        std::vector<uint8_t> head;
        int delay;
    };
    const Step steps[] = {
        {[&] { return ReadDeviceCode(link, code); }, {0x60, 0x1A, 0, 0, 0, 0, 0, 0}, 100},
        {[&] { return ReadFirmwareVersion(link, version); }, {0x60, 0x02, 0, 0, 0, 0, 0, 0}, 50},
        {[&] { return ReadActiveSlot(link, slot); }, {0x60, 0x03, 0, 0, 0, 0, 0, 0}, 10},
        {[&] { return ActivateSlot(link, 3); }, {0x60, 0x04, 0, 0, 0, 3, 0, 0}, 1500},
        {[&] { return WriteSensorBlock(link, Block(1), 2); }, {0x60, 0x11, 1, 0, 0, 2, 0, 0}, 80},
        {[&] { return CalibrateSurface(link); }, {0x60, 0x12, 1, 0, 0, 0, 0, 0}, 500},
        {[&] { return WriteLightingBlock(link, Block(1), 4); }, {0x60, 0x13, 1, 0, 0, 4, 0, 0}, 60},
        {[&] { return EraseSlot(link, 1); }, {0x60, 0xED, 0, 0, 0, 1, 0, 0}, 1500},
        {[&] { return EnterBootloader(link); }, {0x60, 0x3A, 0, 0, 0, 0xC3, 0x3C, 0x71}, 50},
    };
    for (const Step& step : steps) {
        clock.ClearSleeps();
        mouse.ClearRequests();
        EXPECT_EQ(step.run(), kResultOk);
        ASSERT_EQ(mouse.requests().size(), 1u);
        EXPECT_EQ(Head(mouse.requests()[0]), step.head);
        EXPECT_EQ(mouse.requests()[0].size(), 64u);
        EXPECT_EQ(clock.Sleeps(), Ms({step.delay}));
    }
    EXPECT_EQ(code, kSimDefaultDeviceCode);
    EXPECT_EQ(FirmwareVersionOf(version), 165);
    EXPECT_EQ(slot, 0);
    EXPECT_EQ(mouse.state().activeSlot, 3);
    const SimState s = mouse.state();
    EXPECT_EQ(s.calibrations, 1u);
    EXPECT_EQ(s.slots[1], MarkedImages()[1]);
    EXPECT_EQ(s.mode, SimMode::kBoot);
}

TEST_F(SimLinkTest, SensorAndLightingBlocksChangeOnlyTheirBytes) {
    OpenNormal();
    ASSERT_EQ(WriteSensorBlock(link, Block(0x80), 2), kResultOk);
    ASSERT_EQ(WriteLightingBlock(link, Block(0x40), 2), kResultOk);
    DeviceImage expected = MarkedImages()[2];
    for (size_t i = 0; i < 40; ++i) expected[0x32 + i] = static_cast<uint8_t>(0x80 + i);
    expected[0x15] = 0x80 + 41;
    for (size_t i = 0; i < 8; ++i) expected[0x17 + i] = static_cast<uint8_t>(0x40 + i);
    expected[0x5A] = 0x40 + 8;
    const SimState s = mouse.state();
    EXPECT_EQ(s.slots[2], expected);
    EXPECT_EQ(s.slots[1], MarkedImages()[1]);
}

TEST_F(SimLinkTest, ActiveSlotAboveFourIsAFailureAndLeavesTheOutputAlone) {
    OpenNormal();
    mouse.Update([](SimState& s) { s.activeSlot = 5; });
    uint8_t slot = 2;
    EXPECT_EQ(ReadActiveSlot(link, slot), kResultFailed);
    EXPECT_EQ(slot, 2);
    // Slots above 4 are not sent at all.
    EXPECT_EQ(ActivateSlot(link, 5), kResultFailed);
    EXPECT_EQ(EraseSlot(link, 5), kResultFailed);
    EXPECT_EQ(mouse.requests().size(), 1u);
}

TEST_F(SimLinkTest, StatusResultsPassTheDeviceStatusAndGuardTheirOutputs) {
    OpenNormal();
    std::array<uint8_t, kFirmwareInfoLength> version{};
    version.fill(0xAB);
    Faults([](SimFaults& f) { f.failStatusReplies = 1; });
    EXPECT_EQ(ReadFirmwareVersion(link, version), kResultFailed);
    EXPECT_EQ(version[0], 0xAB);

    Faults([](SimFaults& f) {
        f.failStatusReplies = 1;
        f.failStatus = 9;
    });
    EXPECT_EQ(ReadFirmwareVersion(link, version), 9);
    // Write commands count any readable reply as success, whatever its status.
    Faults([](SimFaults& f) { f.failStatusReplies = 1; });
    EXPECT_EQ(ActivateSlot(link, 1), kResultOk);
    // No reply: 0 for the status commands, 2 for the writes.
    Faults([](SimFaults& f) { f.unreadableReplies = 1; });
    EXPECT_EQ(ReadFirmwareVersion(link, version), kResultNoReply);
    Faults([](SimFaults& f) { f.unreadableReplies = 1; });
    EXPECT_EQ(ActivateSlot(link, 1), kResultFailed);
}

TEST_F(SimLinkTest, RefusedRequestsSkipOnlyTheDelaysThatFollowAcceptance) {
    OpenNormal();
    auto refuseNext = [&] {
        clock.ClearSleeps();
        Faults([](SimFaults& f) {
            f.transportErrors = 1;
            f.transportError = HidError::kGeneralFailure;
        });
    };
    uint8_t slot = 0;
    refuseNext();
    EXPECT_EQ(EraseSlot(link, 1), kResultFailed);
    EXPECT_TRUE(clock.Sleeps().empty());
    refuseNext();
    EXPECT_EQ(ActivateSlot(link, 1), kResultFailed);
    EXPECT_TRUE(clock.Sleeps().empty());
    refuseNext();
    EXPECT_EQ(ReadActiveSlot(link, slot), kResultFailed);
    EXPECT_TRUE(clock.Sleeps().empty());
    refuseNext();
    EXPECT_EQ(WriteSensorBlock(link, Block(0), 1), kResultFailed);
    EXPECT_EQ(clock.Sleeps(), Ms({80}));
    std::array<uint8_t, 4> code{};
    refuseNext();
    EXPECT_EQ(ReadDeviceCode(link, code), kResultFailed);
    EXPECT_EQ(clock.Sleeps(), Ms({100}));
}

TEST_F(SimLinkTest, ProfileImageGoesInTwoHalvesAndTooManyEntriesSendNothing) {
    OpenNormal();
    DeviceImage image{};
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 7);
    EXPECT_EQ(WriteProfileImage(link, image, kMaxImageEntries + 1, 3), kResultFailed);
    EXPECT_TRUE(mouse.requests().empty());
    EXPECT_TRUE(clock.Sleeps().empty());

    EXPECT_EQ(WriteProfileImage(link, image, kMaxImageEntries, 3), kResultOk);
    const auto requests = mouse.requests();
    ASSERT_EQ(requests.size(), 2u);
    for (uint8_t half = 0; half < 2; ++half) {
        const auto& r = requests[half];
        ASSERT_EQ(r.size(), kLongReportLength);
        EXPECT_EQ(Head(r), (std::vector<uint8_t>{0x61, 0x08, 0, 0, 0, 3, half, 0}));
        EXPECT_TRUE(std::equal(r.begin() + 16, r.begin() + 1040, image.begin() + half * 1024));
        EXPECT_EQ(r[1040], 0);
    }
    EXPECT_EQ(clock.Sleeps(), Ms({80, 80}));
    EXPECT_EQ(mouse.state().slots[3], image);

    // A half whose reply cannot be read ends the write at once.
    mouse.ClearRequests();
    Faults([](SimFaults& f) { f.unreadableReplies = 1; });
    EXPECT_EQ(WriteProfileImage(link, image, 0, 1), kResultFailed);
    EXPECT_EQ(mouse.requests().size(), 1u);
}

class BootTest : public SimLinkTest {
  protected:
    void SetUp() override {
        mouse.Update([](SimState& s) { s.mode = SimMode::kBoot; });
        ASSERT_TRUE(link.OpenConfigInterface(kProductBoot));
        clock.ClearSleeps();
    }
};

TEST_F(BootTest, ReadBootCodeReportsARefusedRequestAsSeven) {
    std::array<uint8_t, 4> code{};
    EXPECT_EQ(ReadBootCode(link, code), kResultOk);
    EXPECT_EQ(code, kSimDefaultDeviceCode);
    Faults([](SimFaults& f) { f.transportErrors = 1; });
    EXPECT_EQ(ReadBootCode(link, code), kResultBootRequestFailed);
    Faults([](SimFaults& f) { f.unreadableReplies = 1; });
    EXPECT_EQ(ReadBootCode(link, code), kResultNoReply);
}

TEST_F(BootTest, WriteBlockCarriesTheSixteenBitSum) {
    std::array<uint8_t, kBlockDataLength> ff;
    ff.fill(0xFF);
    EXPECT_EQ(BlockSum(ff), 0xFC00);
    ASSERT_EQ(BeginDownload(link, 1, 0xFF * 1024), kResultOk);
    mouse.ClearRequests();
    EXPECT_EQ(WriteBlock(link, ff, 20), kResultOk);
    const auto r = mouse.requests().at(0);
    ASSERT_EQ(r.size(), kLongReportLength);
    EXPECT_EQ(Head(r), (std::vector<uint8_t>{0x81, 0x06, 20, 0x00, 0xFC, 0, 0, 0}));
}

TEST_F(BootTest, AFullDownloadReturnsTheMouseToNormalModeWithTheImagesVersion) {
    std::vector<std::array<uint8_t, kBlockDataLength>> blocks(3);
    uint32_t checksum = 0;
    for (size_t b = 0; b < blocks.size(); ++b)
        for (size_t i = 0; i < kBlockDataLength; ++i)
            blocks[b][i] = static_cast<uint8_t>(b * 31 + i);
    std::copy(kFirmwareMarker.begin(), kFirmwareMarker.end(), blocks[0].begin());
    blocks[0][kFirmwareVersionOffset] = 170;
    blocks[0][kFirmwareVersionOffset + 1] = 0;
    for (const auto& block : blocks)
        for (uint8_t v : block) checksum += v;

    EXPECT_EQ(WriteFirstBlock(link, blocks[0]), kResultOk);
    std::array<uint8_t, kBootInfoLength> info{};
    EXPECT_EQ(ReadBootInfo(link, info), kResultOk);
    EXPECT_EQ(info[4] | (info[5] << 8), kVendorId);
    EXPECT_EQ(info[6] | (info[7] << 8), kProductBoot);
    // FinishDownload before every block is in fails and stays in the boot loader.
    ASSERT_EQ(BeginDownload(link, 3, checksum), kResultOk);
    for (uint8_t b = 0; b < 2; ++b) ASSERT_EQ(WriteBlock(link, blocks[b], 20 + b), kResultOk);
    EXPECT_EQ(FinishDownload(link), kResultFailed);
    ASSERT_EQ(WriteBlock(link, blocks[2], 22), kResultOk);

    std::array<uint8_t, kLongReportLength> reply{};
    EXPECT_EQ(ReadBlock(link, 21, reply), kResultOk);
    EXPECT_EQ(reply[6] | (reply[7] << 8), BlockSum(blocks[1]));
    EXPECT_TRUE(std::equal(blocks[1].begin(), blocks[1].end(), reply.begin() + 16));
    std::array<uint8_t, kLongReportLength> untouched{};
    untouched.fill(0x55);
    EXPECT_EQ(ReadBlock(link, 40, untouched), kResultFailed);
    EXPECT_EQ(untouched[0], 0x55);

    EXPECT_EQ(FinishDownload(link), kResultOk);
    EXPECT_FALSE(link.OpenConfigInterface(kProductBoot));
    ASSERT_TRUE(link.OpenConfigInterface(kProductNormal));
    std::array<uint8_t, kFirmwareInfoLength> version{};
    EXPECT_EQ(ReadFirmwareVersion(link, version), kResultOk);
    EXPECT_EQ(FirmwareVersionOf(version), 170);
}

TEST_F(BootTest, BadSumsAndBadEchoesFail) {
    std::array<uint8_t, kBlockDataLength> data{};
    data.fill(3);
    ASSERT_EQ(BeginDownload(link, 1, 3 * 1024), kResultOk);
    // A block whose sum does not match its data is refused by the mouse.
    std::vector<uint8_t> request(kLongReportLength, 0);
    request[0] = kBootLongId;
    request[kCommandByte] = kCmdWriteBlock;
    request[kBlockNumberByte] = 20;
    request[kBlockSumByte] = 0x01;
    std::copy(data.begin(), data.end(), request.begin() + kPayloadOffset);
    ASSERT_TRUE(link.SetFeatureReport(request));
    std::vector<uint8_t> reply(kShortReportLength, 0);
    reply[0] = kBootRequestId;
    ASSERT_TRUE(link.GetFeatureReport(reply));
    EXPECT_EQ(reply[kStatusByte], 2);
    EXPECT_TRUE(mouse.state().blocks.empty());

    // An echo that differs from the data fails even with status 1 (a status-only reply
    // carries no echo).
    Faults([](SimFaults& f) {
        f.failStatusReplies = 1;
        f.failStatus = kStatusDone;
    });
    EXPECT_EQ(WriteFirstBlock(link, data), kResultFailed);
    EXPECT_EQ(WriteFirstBlock(link, data), kResultOk);
}

}  // namespace
}  // namespace z7::test

namespace z7::test {
namespace {

TEST_F(SimLinkTest, AStrictMouseAnswersBusyUntilTheCommandsDelayHasPassed) {
    Faults([](SimFaults& f) { f.strict = true; });
    OpenNormal();
    std::vector<uint8_t> request(kShortReportLength, 0);
    request[0] = kNormalRequestId;
    request[kCommandByte] = kCmdActivateSlot;
    request[kSlotByte] = 2;
    ASSERT_TRUE(link.SetFeatureReport(request));
    std::vector<uint8_t> reply(kShortReportLength, 0);
    reply[0] = kNormalRequestId;
    ASSERT_TRUE(link.GetFeatureReport(reply));  // read at once: the busy-wait covers the delay
    EXPECT_EQ(reply[kStatusByte], kStatusDone);
    EXPECT_EQ(clock.Sleeps(), Ms({0, 100, 200, 300, 400, 500}));
}

TEST_F(SimLinkTest, ReportsTheFirmwareDoesNotHaveStallAndAreRetried) {
    OpenNormal();
    std::vector<uint8_t> request(kShortReportLength, 0);
    request[0] = kBootRequestId;  // a boot-mode request in normal mode
    EXPECT_FALSE(link.SetFeatureReport(request));
    EXPECT_EQ(link.lastTransferStatus().error, HidError::kFunctionFailed);
    EXPECT_EQ(clock.Sleeps(), Ms({50, 50, 50}));
    EXPECT_TRUE(mouse.requests().empty());
}

}  // namespace
}  // namespace z7::test
