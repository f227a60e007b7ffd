#include <deque>

#include "device_fixture.h"

namespace z7::test {
namespace {

// A transport whose collections and transfer outcomes are scripted by the test.
class ScriptedDevice final : public HidDevice {
  public:
    struct Shared {
        std::deque<HidError> outcomes;           // per transfer; kNone once exhausted
        std::vector<std::vector<uint8_t>> seen;  // the buffer as each transfer got it
        uint8_t replyStatus = kStatusDone;
    };
    explicit ScriptedDevice(Shared& shared) : s_(shared) {}
    HidStatus SetFeature(std::span<const uint8_t> report) override {
        s_.seen.emplace_back(report.begin(), report.end());
        return Next();
    }
    HidStatus GetFeature(std::span<uint8_t> report) override {
        s_.seen.emplace_back(report.begin(), report.end());
        HidStatus st = Next();
        // A failing driver may leave garbage behind; the link must restore the request.
        std::fill(report.begin(), report.end(), 0xEE);
        if (st.ok()) report[kStatusByte] = s_.replyStatus;
        return st;
    }
    HidStatus ReadInput(std::span<uint8_t>, Millis, size_t& length) override {
        length = 0;
        return {HidError::kTimeout, ""};
    }
    void CancelRead() override {}

  private:
    HidStatus Next() {
        if (s_.outcomes.empty()) return {};
        const HidError e = s_.outcomes.front();
        s_.outcomes.pop_front();
        return {e, HidErrorName(e)};
    }
    Shared& s_;
};

class ScriptedTransport final : public HidTransport {
  public:
    std::vector<HidCollectionInfo> collections;
    std::vector<std::string> refused;  // paths whose open is denied
    std::vector<std::string> opened;
    ScriptedDevice::Shared shared;

    std::vector<HidCollectionInfo> Enumerate() override { return collections; }
    std::unique_ptr<HidDevice> Open(const HidCollectionInfo& c, HidStatus& status) override {
        if (std::find(refused.begin(), refused.end(), c.path) != refused.end()) {
            status = {HidError::kAccessDenied, "open " + c.path + ": Permission denied"};
            return nullptr;
        }
        opened.push_back(c.path);
        return std::make_unique<ScriptedDevice>(shared);
    }
};

HidCollectionInfo Collection(uint16_t pid, uint16_t page, uint16_t usage, std::string path,
                             uint16_t vid = kVendorId) {
    return {vid, pid, page, usage, std::move(path), 64, 0, 64};
}

class ScriptedLinkTest : public ::testing::Test {
  protected:
    VirtualClock clock;
    ScriptedTransport transport;
    DeviceLink link{transport, clock};
};

TEST_F(ScriptedLinkTest, DiscoveryMatchesIdsAndUsagesOnlyAndTakesTheFirstMatch) {
    transport.collections = {
        Collection(kProductNormal, 0x0001, 0x0002, "/dev/hidraw0"),            // mouse
        Collection(kProductNormal, kConfigUsagePage, 0x0001, "/dev/hidraw1"),  // nested usage
        Collection(kProductNormal, kConfigUsagePage, kConfigUsage, "/dev/hidraw2", 0x1234),
        Collection(kProductBoot, kConfigUsagePage, kConfigUsage, "/dev/hidraw3"),
        Collection(kProductNormal, kConfigUsagePage, kConfigUsage, "/dev/hidraw4"),  // first mouse
        Collection(kProductNormal, kEventUsagePage, kEventUsage, "/dev/hidraw4"),    // shared node
        Collection(kProductNormal, kConfigUsagePage, kConfigUsage, "/dev/hidraw5"),  // second mouse
    };
    ASSERT_TRUE(link.OpenConfigInterface(kProductNormal));
    ASSERT_TRUE(link.OpenEventInterface());
    EXPECT_EQ(transport.opened, (std::vector<std::string>{"/dev/hidraw4", "/dev/hidraw4"}));
    EXPECT_TRUE(link.eventOpen());

    link.CloseDevice();
    EXPECT_FALSE(link.configOpen());
    EXPECT_FALSE(link.eventOpen());
    ASSERT_TRUE(link.OpenConfigInterface(kProductBoot));
    EXPECT_EQ(transport.opened.back(), "/dev/hidraw3");
}

TEST_F(ScriptedLinkTest, APermissionProblemIsReportedWithThePath) {
    transport.collections = {
        Collection(kProductNormal, kConfigUsagePage, kConfigUsage, "/dev/hidraw7")};
    transport.refused = {"/dev/hidraw7"};
    EXPECT_FALSE(link.OpenConfigInterface(kProductNormal));
    EXPECT_EQ(link.lastOpenProblem().outcome, OpenOutcome::kAccessDenied);
    EXPECT_EQ(link.lastOpenProblem().path, "/dev/hidraw7");

    transport.collections.clear();
    EXPECT_FALSE(link.OpenConfigInterface(kProductNormal));
    EXPECT_EQ(link.lastOpenProblem().outcome, OpenOutcome::kNotFound);
}

TEST_F(ScriptedLinkTest, RetriesRestoreTheBufferAndPauseAfterEachFailedRetry) {
    transport.collections = {Collection(kProductNormal, kConfigUsagePage, kConfigUsage, "p")};
    ASSERT_TRUE(link.OpenConfigInterface(kProductNormal));
    transport.shared.outcomes = {HidError::kCrc, HidError::kNotReady, HidError::kWriteFault};
    std::vector<uint8_t> report(64, 0);
    report[0] = 0x60;
    report[5] = 0x42;
    const std::vector<uint8_t> original = report;
    EXPECT_TRUE(link.GetFeatureReport(report));
    ASSERT_EQ(transport.shared.seen.size(), 4u);
    for (const auto& seen : transport.shared.seen) EXPECT_EQ(seen, original);
    // No pause before the first retry; one after each failed retry.
    EXPECT_EQ(clock.Sleeps(), (std::vector<Millis>{Millis(50), Millis(50)}));
}

TEST_F(ScriptedLinkTest, ARetryThatSucceedsWithBusyIsWaitedOut) {
    transport.collections = {Collection(kProductNormal, kConfigUsagePage, kConfigUsage, "p")};
    ASSERT_TRUE(link.OpenConfigInterface(kProductNormal));
    transport.shared.outcomes = {HidError::kNotReady};
    transport.shared.replyStatus = kStatusBusy;
    std::vector<uint8_t> report(64, 0);
    report[0] = 0x60;
    EXPECT_TRUE(link.GetFeatureReport(report));
    EXPECT_EQ(clock.TotalSlept(), Millis(4500));
}

TEST_F(SimLinkTest, BusyRepliesAreWaitedOutWithGrowingPauses) {
    OpenNormal();
    Faults([](SimFaults& f) { f.busyReplies = 5; });
    uint8_t slot = 9;
    EXPECT_EQ(ReadActiveSlot(link, slot), kResultOk);
    EXPECT_EQ(slot, 0);
    EXPECT_EQ(clock.Sleeps(), Ms({10, 0, 100, 200, 300}));  // the command's delay, then the waits
}

TEST_F(SimLinkTest, ABusyDeviceIsGivenUpAfterTenMoreReadsWithTheStatusLeftForTheCaller) {
    OpenNormal();
    Faults([](SimFaults& f) { f.busyReplies = 1000; });
    std::vector<uint8_t> reply(64, 0);
    reply[0] = 0x60;
    EXPECT_TRUE(link.GetFeatureReport(reply));
    EXPECT_EQ(reply[kStatusByte], kStatusBusy);
    EXPECT_EQ(clock.TotalSlept(), Millis(4500));
    mouse.Update([](SimState& s) { EXPECT_EQ(s.faults.busyReplies, 1000u - 11u); });
}

TEST_F(SimLinkTest, OnlyTheFiveTransientErrorsAreRetried) {
    OpenNormal();
    for (HidError e : {HidError::kNotReady, HidError::kCrc, HidError::kWriteFault,
                       HidError::kInvalidParameter, HidError::kFunctionFailed}) {
        clock.ClearSleeps();
        Faults([&](SimFaults& f) {
            f.transportErrors = 5;
            f.transportError = e;
        });
        std::vector<uint8_t> request(64, 0);
        request[0] = 0x60;
        request[1] = kCmdReadActiveSlot;
        EXPECT_FALSE(link.SetFeatureReport(request)) << HidErrorName(e);
        EXPECT_EQ(clock.Sleeps(), Ms({50, 50, 50})) << HidErrorName(e);
        mouse.Update([](SimState& s) { EXPECT_EQ(s.faults.transportErrors, 1u); });
    }
    for (HidError e : {HidError::kGeneralFailure, HidError::kDisconnected}) {
        clock.ClearSleeps();
        Faults([&](SimFaults& f) {
            f.transportErrors = 2;
            f.transportError = e;
        });
        std::vector<uint8_t> request(64, 0);
        request[0] = 0x60;
        EXPECT_FALSE(link.SetFeatureReport(request));
        EXPECT_TRUE(clock.Sleeps().empty());
        mouse.Update([](SimState& s) { EXPECT_EQ(s.faults.transportErrors, 1u); });
        Faults([](SimFaults& f) { f.transportErrors = 0; });
    }
    EXPECT_EQ(link.lastTransferStatus().error, HidError::kDisconnected);
}

TEST_F(SimLinkTest, TransfersWithoutAnOpenInterfaceFailAtOnce) {
    std::vector<uint8_t> report(64, 0);
    report[0] = 0x60;
    EXPECT_FALSE(link.SetFeatureReport(report));
    EXPECT_FALSE(link.GetFeatureReport(report));
    EXPECT_TRUE(clock.Sleeps().empty());
    EXPECT_TRUE(mouse.requests().empty());
}

TEST_F(SimLinkTest, BootModeIsOnlyFoundUnderItsOwnProductId) {
    mouse.Update([](SimState& s) { s.mode = SimMode::kBoot; });
    EXPECT_FALSE(link.OpenConfigInterface(kProductNormal));
    EXPECT_FALSE(link.OpenEventInterface());
    EXPECT_TRUE(link.OpenConfigInterface(kProductBoot));
}

TEST_F(SimLinkTest, EventReportsAreDecodedByTheirCode) {
    ASSERT_TRUE(link.OpenEventInterface());
    struct Case {
        SimEvent event;
        uint8_t code, value;
    };
    const Case cases[] = {
        {{1, 3, 9}, 1, 3},    {{22, 0, 7}, 22, 7},  {{19, 4, 5}, 19, 5},
        {{5, 1, 1}, 0, 0xFF}, {{0, 1, 1}, 0, 0xFF},
    };
    for (const Case& c : cases) {
        mouse.QueueEvent(c.event);
        uint8_t code = 0, value = 0xFF;
        link.ReadDeviceEvent(code, value);
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(value, c.value);
    }
    // Nothing queued: the read gives up after its 10 ms.
    uint8_t code = 0, value = 0xFF;
    link.ReadDeviceEvent(code, value);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(clock.Waits(), Ms({10}));

    link.CloseDevice();
    mouse.QueueEvent({1, 2, 0});
    link.ReadDeviceEvent(code, value);  // closed: nothing read, nothing consumed
    EXPECT_EQ(code, 0);
    EXPECT_EQ(mouse.state().events.size(), 1u);
}

TEST(IsOurDeviceNameTest, MatchesNormalModeNamesInEitherCase) {
    EXPECT_TRUE(IsOurDeviceName(R"(\\?\HID#VID_22D4&PID_1206&MI_01#7&1a2b)"));
    EXPECT_TRUE(IsOurDeviceName(R"(\\?\hid#vid_22d4&pid_1206&mi_01#7&1a2b)"));
    EXPECT_TRUE(
        IsOurDeviceName("/sys/devices/pci0000:00/usb1/1-2/0003:22D4:1206.0007/hidraw/hidraw3"));
    EXPECT_FALSE(IsOurDeviceName(R"(\\?\hid#vid_22d4&pid_1205#boot)"));
    EXPECT_FALSE(IsOurDeviceName(R"(\\?\hid#vid_046d&pid_1206)"));
    // A first occurrence at position 0 counts as none, even with a later one.
    EXPECT_FALSE(IsOurDeviceName("22D4 pid 1206 22D4"));
    EXPECT_TRUE(IsOurDeviceName("22D4 pid 1206 22d4"));
    EXPECT_FALSE(IsOurDeviceName("1206 vid 22D4 1206"));
    EXPECT_FALSE(IsOurDeviceName(""));
}

}  // namespace
}  // namespace z7::test
