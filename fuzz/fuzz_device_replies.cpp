// Every normal-mode and boot-loader command, the exchanges and the firmware update against a
// mouse that answers with the fuzzer's bytes: each transfer takes one control byte (success or
// which error) and a reply takes its bytes from the input. Nothing may crash or hang, and what
// the commands promise about their outputs must hold.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "core/device/device_commands.h"
#include "core/device/device_exchanges.h"
#include "core/firmware/firmware_updater.h"

namespace {

using namespace z7;

struct Input {
    std::span<const uint8_t> data;
    size_t pos = 0;
    bool empty() const { return pos >= data.size(); }
    uint8_t Next() { return empty() ? 0 : data[pos++]; }
};

HidStatus Outcome(Input& in) {
    if (in.empty()) return {HidError::kDisconnected, "the input ended"};
    const uint8_t b = in.Next();
    if (b & 0x0F) return {};
    return {static_cast<HidError>(1 + (b >> 4) % 11), "scripted failure"};
}

class FuzzDevice final : public HidDevice {
  public:
    explicit FuzzDevice(Input& in) : in_(in) {}
    HidStatus SetFeature(std::span<const uint8_t>) override { return Outcome(in_); }
    HidStatus GetFeature(std::span<uint8_t> report) override {
        HidStatus status = Outcome(in_);
        if (!status.ok()) return status;
        // A short reply leaves the rest as the host zeroed it.
        const size_t n = std::min<size_t>(in_.Next(), report.size() - 1);
        for (size_t i = 1; i <= n; ++i) report[i] = in_.Next();
        return status;
    }
    HidStatus ReadInput(std::span<uint8_t> report, Millis, size_t& length) override {
        length = 0;
        HidStatus status = Outcome(in_);
        if (!status.ok()) return status;
        length = std::min<size_t>(in_.Next(), report.size());
        for (size_t i = 0; i < length; ++i) report[i] = in_.Next();
        return status;
    }
    void CancelRead() override {}

  private:
    Input& in_;
};

class FuzzTransport final : public HidTransport {
  public:
    explicit FuzzTransport(Input& in) : in_(in) {}
    std::vector<HidCollectionInfo> Enumerate() override {
        return {{kVendorId, kProductNormal, kConfigUsagePage, kConfigUsage, "normal", 0, 0, 1041},
                {kVendorId, kProductNormal, kEventUsagePage, kEventUsage, "event", 64, 0, 0},
                {kVendorId, kProductBoot, kConfigUsagePage, kConfigUsage, "boot", 0, 0, 1041}};
    }
    std::unique_ptr<HidDevice> Open(const HidCollectionInfo&, HidStatus& status) override {
        status = {};
        return std::make_unique<FuzzDevice>(in_);
    }

  private:
    Input& in_;
};

void Check(bool promise) {
    if (!promise) std::abort();
}

void Commands(DeviceLink& link) {
    std::array<uint8_t, 4> code{};
    (void)ReadDeviceCode(link, code);
    std::array<uint8_t, kFirmwareInfoLength> info{};
    info.fill(0xAB);
    if (ReadFirmwareVersion(link, info) != kResultOk)
        Check(std::all_of(info.begin(), info.end(), [](uint8_t b) { return b == 0xAB; }));
    uint8_t slot = 9;
    if (ReadActiveSlot(link, slot) == kResultOk)
        Check(slot <= kMaxSlot);
    else
        Check(slot == 9);
    (void)ActivateSlot(link, 3);
    (void)EnterBootloader(link);
    const DeviceBlock block{};
    (void)WriteSensorBlock(link, block, 1);
    (void)WriteLightingBlock(link, block, 2);
    (void)CalibrateSurface(link);
    (void)EraseSlot(link, 4);
    (void)WriteProfileImage(link, DeviceImage{}, 10, 1);
    (void)ReadBootCode(link, code);
    std::array<uint8_t, kBootInfoLength> bootInfo{};
    (void)ReadBootInfo(link, bootInfo);
    (void)BeginDownload(link, 3, 0x12345678);
    std::array<uint8_t, kBlockDataLength> data{};
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i);
    (void)WriteBlock(link, data, 20);
    (void)WriteFirstBlock(link, data);
    std::array<uint8_t, kLongReportLength> reply{};
    if (ReadBlock(link, 21, reply) == kResultOk) Check(reply[kStatusByte] == kStatusDone);
    (void)FinishDownload(link);
    uint8_t evCode = 0, evValue = 0xFF;
    link.ReadDeviceEvent(evCode, evValue);
    Check(evCode == 0 || evCode == kEventProfileSwitch || evCode == kEventShortcut ||
          evCode == kEventTextBlock);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in{{data, size}};
    FuzzTransport transport(in);
    VirtualClock clock;
    DeviceLink link(transport, clock);
    if (link.OpenConfigInterface(kProductNormal)) Commands(link);
    (void)link.OpenEventInterface();
    Commands(link);

    DeviceInfo info;
    (void)RefreshFromDevice(link, info, true);
    if (info.activeSlot) Check(*info.activeSlot <= kMaxSlot);
    (void)WriteAllExchange(link, 2, DeviceImage{}, 0);
    (void)DeleteOnMouseExchange(link, 3);

    // The update of a two-block image, as far as the replies carry it.
    FirmwarePackage package;
    std::vector<uint8_t> file(kFirmwareHeaderSize + 1500, 0x5A);
    const uint32_t sum = PayloadChecksum(std::span(file).subspan(kFirmwareHeaderSize));
    for (int i = 0; i < 4; ++i)
        file[kFirmwareChecksumOffset + i] = static_cast<uint8_t>(sum >> (8 * i));
    file[kFirmwareVendorOffset] = 0xD4;
    file[kFirmwareVendorOffset + 1] = 0x22;
    file[kFirmwareProductOffset] = 0x06;
    file[kFirmwareProductOffset + 1] = 0x12;
    file[kFirmwareHeaderVersionOffset] = 170;
    if (ParseFirmwareImage(file, package.image) != FirmwareLoadError::None) std::abort();
    FirmwareUpdater updater(link, {});
    const UpdaterView start = updater.Start(FirmwareLoadError::None, package);
    if (start == UpdaterView::kFileNewer || start == UpdaterView::kMouseNewer ||
        start == UpdaterView::kProgress) {
        const UpdaterView end = updater.Update();
        Check(end == UpdaterView::kSuccess || end == UpdaterView::kProblem);
        Check(updater.progress() >= 0 && updater.progress() <= kMaxProgress);
        // Success means the mouse reports the package's version (or none at all).
        if (end == UpdaterView::kSuccess)
            Check(updater.mouseVersionText() == "1.70" || updater.mouseVersionText() == "-.--");
    }
    link.CloseDevice();
    return 0;
}
