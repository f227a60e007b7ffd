#include "sim/uhid_device.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>

#include "core/device/device_commands.h"
#include "core/device/device_link.h"
#include "sim/sim_factory.h"

namespace z7 {
namespace {

// What a report descriptor declares, read the way the kernel's parser reads it.
struct ParsedDescriptor {
    std::vector<std::pair<uint16_t, uint16_t>> applications;   // usage page, usage
    std::map<std::pair<uint8_t, uint8_t>, size_t> reportBits;  // (main item, report id) -> bits
};

ParsedDescriptor Parse(const std::vector<uint8_t>& d) {
    ParsedDescriptor p;
    uint32_t usagePage = 0, usage = 0, reportSize = 0, reportCount = 0, depth = 0;
    uint8_t reportId = 0;
    for (size_t i = 0; i < d.size();) {
        const uint8_t prefix = d[i];
        const size_t size = (prefix & 3) == 3 ? 4 : (prefix & 3);
        uint32_t value = 0;
        for (size_t k = 0; k < size; ++k) value |= uint32_t{d.at(i + 1 + k)} << (8 * k);
        const uint8_t tag = prefix & 0xFC;
        if (tag == 0x04) usagePage = value;
        if (tag == 0x08) usage = value;
        if (tag == 0x74) reportSize = value;
        if (tag == 0x94) reportCount = value;
        if (tag == 0x84) reportId = static_cast<uint8_t>(value);
        if (tag == 0xA0) {
            if (depth == 0 && value == 1)
                p.applications.emplace_back(static_cast<uint16_t>(usagePage),
                                            static_cast<uint16_t>(usage));
            ++depth;
        }
        if (tag == 0xC0) --depth;
        if (tag == 0x80 || tag == 0xB0) p.reportBits[{tag, reportId}] += reportSize * reportCount;
        i += 1 + size;
    }
    EXPECT_EQ(depth, 0u);
    return p;
}

constexpr uint8_t kInputItem = 0x80;
constexpr uint8_t kFeatureItem = 0xB0;

class UhidDeviceTest : public ::testing::Test {
  protected:
    UhidDeviceTest()
        : mouse(clock, FactorySimState()), device(mouse, clock, [this](const uhid_event& ev) {
              sent.push_back(ev);
              return true;
          }) {}

    // Sync once and forget what it published.
    void Publish() {
        ASSERT_TRUE(device.Sync());
        sent.clear();
    }

    uhid_event SetReport(std::vector<uint8_t> report, uint32_t id = 7) {
        uhid_event ev{};
        ev.type = UHID_SET_REPORT;
        ev.u.set_report.id = id;
        ev.u.set_report.rnum = report[0];
        ev.u.set_report.rtype = UHID_FEATURE_REPORT;
        ev.u.set_report.size = static_cast<uint16_t>(report.size());
        std::copy(report.begin(), report.end(), ev.u.set_report.data);
        EXPECT_TRUE(device.Handle(ev));
        return Take(UHID_SET_REPORT_REPLY);
    }

    uhid_event GetReport(uint8_t reportId, uint8_t type = UHID_FEATURE_REPORT, uint32_t id = 8) {
        uhid_event ev{};
        ev.type = UHID_GET_REPORT;
        ev.u.get_report.id = id;
        ev.u.get_report.rnum = reportId;
        ev.u.get_report.rtype = type;
        EXPECT_TRUE(device.Handle(ev));
        return Take(UHID_GET_REPORT_REPLY);
    }

    void Send(uint32_t type) {
        uhid_event ev{};
        ev.type = type;
        ASSERT_TRUE(device.Handle(ev));
    }

    // The first event of `type` sent so far, removed from `sent`.
    uhid_event Take(uint32_t type) {
        for (auto it = sent.begin(); it != sent.end(); ++it) {
            if (it->type != type) continue;
            const uhid_event ev = *it;
            sent.erase(it);
            return ev;
        }
        ADD_FAILURE() << "no event of type " << type;
        return {};
    }

    std::vector<uint32_t> SentTypes() const {
        std::vector<uint32_t> types;
        for (const uhid_event& ev : sent) types.push_back(ev.type);
        return types;
    }

    static std::vector<uint8_t> Request(uint8_t id, uint8_t command, size_t length = 64) {
        std::vector<uint8_t> r(length, 0);
        r[0] = id;
        r[kCommandByte] = command;
        return r;
    }

    VirtualClock clock;
    SimMouse mouse;
    std::vector<uhid_event> sent;
    UhidDevice device;
};

TEST(UhidDescriptor, NormalModeHasTheMouseAndBothVendorCollections) {
    const ParsedDescriptor p = Parse(UhidReportDescriptor(SimMode::kNormal));
    const std::vector<std::pair<uint16_t, uint16_t>> apps = {
        {0x0001, 0x0002}, {kConfigUsagePage, kConfigUsage}, {kEventUsagePage, kEventUsage}};
    EXPECT_EQ(p.applications, apps);
    // Lengths without the report id byte.
    EXPECT_EQ(p.reportBits.at({kFeatureItem, kNormalRequestId}), (kShortReportLength - 1) * 8);
    EXPECT_EQ(p.reportBits.at({kFeatureItem, kImageRequestId}), (kLongReportLength - 1) * 8);
    EXPECT_EQ(p.reportBits.at({kInputItem, kEventReportId}), (kEventReportLength - 1) * 8);
    EXPECT_EQ(p.reportBits.at({kInputItem, kUhidMouseReportId}) % 8, 0u);
    EXPECT_EQ(p.reportBits.size(), 4u);
}

TEST(UhidDescriptor, BootModeHasOnlyTheConfigurationCollection) {
    const ParsedDescriptor p = Parse(UhidReportDescriptor(SimMode::kBoot));
    ASSERT_EQ(p.applications.size(), 1u);
    EXPECT_EQ(p.applications[0], std::make_pair(kConfigUsagePage, kConfigUsage));
    EXPECT_EQ(p.reportBits.at({kFeatureItem, kBootRequestId}), (kShortReportLength - 1) * 8);
    EXPECT_EQ(p.reportBits.at({kFeatureItem, kBootLongId}), (kLongReportLength - 1) * 8);
    EXPECT_EQ(p.reportBits.size(), 2u);
    EXPECT_EQ(UhidFeatureLength(SimMode::kBoot, kNormalRequestId), 0u);
    EXPECT_EQ(UhidFeatureLength(SimMode::kNormal, kBootLongId), 0u);
}

TEST_F(UhidDeviceTest, PublishesTheMouseOnceAsAUsbDevice) {
    ASSERT_TRUE(device.Sync());
    ASSERT_TRUE(device.Sync());
    ASSERT_EQ(SentTypes(), std::vector<uint32_t>{UHID_CREATE2});
    const uhid_create2_req& c = sent[0].u.create2;
    EXPECT_EQ(c.bus, 0x03);
    EXPECT_EQ(c.vendor, kVendorId);
    EXPECT_EQ(c.product, kProductNormal);
    const std::vector<uint8_t> d = UhidReportDescriptor(SimMode::kNormal);
    ASSERT_EQ(c.rd_size, d.size());
    EXPECT_TRUE(std::equal(d.begin(), d.end(), c.rd_data));
    EXPECT_STREQ(reinterpret_cast<const char*>(c.name), kUhidDeviceName);
}

TEST_F(UhidDeviceTest, AnswersACommandWithTheReportIdInByteZero) {
    Publish();
    EXPECT_EQ(SetReport(Request(kNormalRequestId, kCmdReadFirmwareVersion)).u.set_report_reply.err,
              0);
    const uhid_event reply = GetReport(kNormalRequestId, UHID_FEATURE_REPORT, 42);
    const uhid_get_report_reply_req& r = reply.u.get_report_reply;
    EXPECT_EQ(r.id, 42u);
    EXPECT_EQ(r.err, 0);
    ASSERT_EQ(r.size, kShortReportLength);
    EXPECT_EQ(r.data[0], kNormalRequestId);
    EXPECT_EQ(r.data[kStatusByte], kStatusDone);
    EXPECT_EQ(r.data[kPayloadOffset] | (r.data[kPayloadOffset + 1] << 8), kSimDefaultVersion);
}

TEST_F(UhidDeviceTest, StoresBothHalvesOfA1041ByteImageRequest) {
    Publish();
    for (uint8_t half = 0; half < 2; ++half) {
        std::vector<uint8_t> r = Request(kImageRequestId, kCmdWriteProfileImage, kLongReportLength);
        r[kSlotByte] = 3;
        r[kHalfByte] = half;
        std::fill(r.begin() + kPayloadOffset, r.end() - 1, static_cast<uint8_t>(0xA0 + half));
        EXPECT_EQ(SetReport(r).u.set_report_reply.err, 0);
        EXPECT_EQ(GetReport(kNormalRequestId).u.get_report_reply.data[kStatusByte], kStatusDone);
    }
    const DeviceImage stored = mouse.state().slots[3];
    EXPECT_EQ(stored[0], 0xA0);
    EXPECT_EQ(stored[kHalfImageLength], 0xA1);
    EXPECT_EQ(stored[2 * kHalfImageLength - 1], 0xA1);
}

TEST_F(UhidDeviceTest, RefusesReportsTheDescriptorDoesNotHave) {
    Publish();
    EXPECT_NE(GetReport(0x70).u.get_report_reply.err, 0);            // unknown id
    EXPECT_NE(GetReport(kBootRequestId).u.get_report_reply.err, 0);  // boot id in normal mode
    EXPECT_NE(GetReport(kEventReportId, UHID_INPUT_REPORT).u.get_report_reply.err, 0);
    EXPECT_EQ(GetReport(0x70).u.get_report_reply.size, 0);
    // A short request stalls, as the firmware does.
    EXPECT_NE(
        SetReport(Request(kNormalRequestId, kCmdReadFirmwareVersion, 63)).u.set_report_reply.err,
        0);
    std::vector<uint8_t> mismatched = Request(kNormalRequestId, kCmdReadActiveSlot);
    uhid_event ev{};
    ev.type = UHID_SET_REPORT;
    ev.u.set_report.rnum = kImageRequestId;  // byte 0 says otherwise
    ev.u.set_report.rtype = UHID_FEATURE_REPORT;
    ev.u.set_report.size = static_cast<uint16_t>(mismatched.size());
    std::copy(mismatched.begin(), mismatched.end(), ev.u.set_report.data);
    ASSERT_TRUE(device.Handle(ev));
    EXPECT_NE(Take(UHID_SET_REPORT_REPLY).u.set_report_reply.err, 0);
    EXPECT_TRUE(mouse.requests().empty());
}

TEST_F(UhidDeviceTest, SendsQueuedEventsOnlyWhileAHostHasTheDeviceOpen) {
    Publish();
    mouse.QueueEvent({kEventProfileSwitch, 2, 0});
    ASSERT_TRUE(device.Sync());
    EXPECT_TRUE(sent.empty());

    Send(UHID_OPEN);
    const uhid_input2_req input = Take(UHID_INPUT2).u.input2;
    ASSERT_EQ(input.size, kEventReportLength);
    EXPECT_EQ(input.data[0], kEventReportId);
    EXPECT_EQ(input.data[kEventCodeByte], kEventProfileSwitch);
    EXPECT_EQ(input.data[kEventSlotByte], 2);
    EXPECT_TRUE(mouse.state().events.empty());

    Send(UHID_CLOSE);
    mouse.QueueEvent({kEventShortcut, 0, 5});
    ASSERT_TRUE(device.Sync());
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(mouse.state().events.size(), 1u);
}

TEST_F(UhidDeviceTest, ReEnumeratesWithTheBootProductIdAndBack) {
    Publish();
    std::vector<uint8_t> enter = Request(kNormalRequestId, kCmdEnterBootloader);
    std::copy(kBootloaderKey.begin(), kBootloaderKey.end(), enter.begin() + kSlotByte);
    EXPECT_EQ(SetReport(enter).u.set_report_reply.err, 0);
    sent.clear();
    const uhid_event reply = GetReport(kNormalRequestId);
    EXPECT_EQ(reply.u.get_report_reply.data[kStatusByte], kStatusDone);
    // The host gets to read that reply before the device goes away.
    EXPECT_TRUE(sent.empty());
    clock.Advance(kUhidReenumerateDelay - Millis(1));
    ASSERT_TRUE(device.Sync());
    EXPECT_TRUE(sent.empty());
    clock.Advance(Millis(1));
    ASSERT_TRUE(device.Sync());
    ASSERT_EQ(SentTypes(), (std::vector<uint32_t>{UHID_DESTROY, UHID_CREATE2}));
    EXPECT_EQ(sent[1].u.create2.product, kProductBoot);
    EXPECT_EQ(sent[1].u.create2.rd_size, UhidReportDescriptor(SimMode::kBoot).size());
    sent.clear();

    // The boot loader answers on its own report ids.
    EXPECT_EQ(SetReport(Request(kBootRequestId, kCmdReadBootCode)).u.set_report_reply.err, 0);
    EXPECT_EQ(GetReport(kBootRequestId).u.get_report_reply.data[kStatusByte], kStatusDone);

    mouse.Update([](SimState& s) { s.mode = SimMode::kNormal; });
    ASSERT_TRUE(device.Sync());
    clock.Advance(kUhidReenumerateDelay);
    ASSERT_TRUE(device.Sync());
    ASSERT_EQ(SentTypes(), (std::vector<uint32_t>{UHID_DESTROY, UHID_CREATE2}));
    EXPECT_EQ(sent[1].u.create2.product, kProductNormal);
}

TEST_F(UhidDeviceTest, LeavesTheKernelWhenUnpluggedMidExchangeAndComesBack) {
    Publish();
    mouse.Update([](SimState& s) { s.faults.unplugAfterCommands = 1; });
    EXPECT_EQ(SetReport(Request(kNormalRequestId, kCmdReadActiveSlot)).u.set_report_reply.err, 0);
    sent.clear();
    EXPECT_NE(SetReport(Request(kNormalRequestId, kCmdReadActiveSlot)).u.set_report_reply.err, 0);
    EXPECT_EQ(SentTypes(), std::vector<uint32_t>{UHID_DESTROY});
    EXPECT_FALSE(device.published());
    sent.clear();
    ASSERT_TRUE(device.Sync());
    EXPECT_TRUE(sent.empty());
    // A request the kernel queued before the device went is not answered (the kernel would
    // refuse the reply), and serving goes on.
    uhid_event late{};
    late.type = UHID_GET_REPORT;
    late.u.get_report.rnum = kNormalRequestId;
    late.u.get_report.rtype = UHID_FEATURE_REPORT;
    EXPECT_TRUE(device.Handle(late));
    EXPECT_TRUE(sent.empty());

    SimState plugged = mouse.state();
    plugged.unplugged = false;
    mouse.SetState(plugged);
    ASSERT_TRUE(device.Sync());
    EXPECT_EQ(SentTypes(), std::vector<uint32_t>{UHID_CREATE2});
}

TEST_F(UhidDeviceTest, KeepsTheDeviceWhenAStateOfTheSameModeIsLoaded) {
    Publish();
    SimState busy = mouse.state();
    busy.faults.busyReplies = 1;
    mouse.SetState(busy);
    ASSERT_TRUE(device.Sync());
    EXPECT_TRUE(sent.empty());
    // Requests still reach the mouse under its new generation.
    EXPECT_EQ(SetReport(Request(kNormalRequestId, kCmdReadActiveSlot)).u.set_report_reply.err, 0);
    EXPECT_EQ(GetReport(kNormalRequestId).u.get_report_reply.data[kStatusByte], kStatusBusy);
    EXPECT_EQ(GetReport(kNormalRequestId).u.get_report_reply.data[kStatusByte], kStatusDone);
}

TEST_F(UhidDeviceTest, AFailedWriteIsReported) {
    UhidDevice broken(mouse, clock, [](const uhid_event&) { return false; });
    EXPECT_FALSE(broken.Sync());
    EXPECT_FALSE(broken.published());
}

}  // namespace
}  // namespace z7
