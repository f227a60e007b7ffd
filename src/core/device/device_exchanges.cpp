#include "core/device/device_exchanges.h"

#include <algorithm>
#include <functional>
#include <string>

#include "core/device/device_commands.h"

namespace z7 {
namespace {

// The frame every exchange shares: lock, close, open, run, restart the listener.
ExchangeResult Run(DeviceLink& link, const std::function<bool()>& commands) {
    ExchangeLock lock(link);
    if (!lock.held()) return ExchangeResult::kBusy;
    link.CloseDevice();
    ExchangeResult result = ExchangeResult::kOk;
    if (!link.OpenConfigInterface(kProductNormal)) {
        result = link.lastOpenProblem().outcome == OpenOutcome::kAccessDenied
                     ? ExchangeResult::kNoAccess
                     : ExchangeResult::kNoDevice;
    } else if (!commands()) {
        result = ExchangeResult::kCommandFailed;
    }
    link.RestartListening();
    return result;
}

ExchangeResult WriteThenActivate(DeviceLink& link, uint8_t slot,
                                 const std::function<uint8_t()>& write) {
    return Run(link, [&] {
        uint8_t active = 0;
        return ReadActiveSlot(link, active) == kResultOk && write() == kResultOk &&
               ActivateSlot(link, slot) == kResultOk;
    });
}

// The write rule counts any reply as success, so a half the mouse rejected would pass
// unnoticed: check what the mouse lets us see.
bool Confirm(DeviceLink& link, uint8_t slot, const DeviceImage& image) {
    uint8_t active = 0;
    if (ReadActiveSlot(link, active) != kResultOk) {
        link.SetExchangeProblem("the mouse did not report its active slot after the write");
        return false;
    }
    if (active != slot) {
        link.SetExchangeProblem("the mouse reports slot " + std::to_string(active) +
                                " active after slot " + std::to_string(slot) + " was written");
        return false;
    }
    const std::vector<uint8_t> stored = link.transport().StoredImage(slot);
    if (!stored.empty() && !std::equal(image.begin(), image.end(), stored.begin(), stored.end())) {
        link.SetExchangeProblem("the mouse does not store the image sent to slot " +
                                std::to_string(slot));
        return false;
    }
    return true;
}

}  // namespace

ExchangeResult RunExchange(DeviceLink& link, const std::function<bool()>& commands) {
    return Run(link, commands);
}

ExchangeResult RefreshFromDevice(DeviceLink& link, DeviceInfo& info, bool readDeviceCode) {
    info = DeviceInfo{};
    return Run(link, [&] {
        std::array<uint8_t, kFirmwareInfoLength> version{};
        if (ReadFirmwareVersion(link, version) == kResultOk)
            info.firmwareVersion = FirmwareVersionOf(version);
        uint8_t slot = 0;
        if (ReadActiveSlot(link, slot) == kResultOk) info.activeSlot = slot;
        std::array<uint8_t, 4> code{};
        if (readDeviceCode && ReadDeviceCode(link, code) == kResultOk) info.deviceCode = code;
        return true;
    });
}

ExchangeResult WriteAllExchange(DeviceLink& link, uint8_t slot, const DeviceImage& image,
                                size_t totalEntries) {
    return Run(link, [&] {
        uint8_t active = 0;
        return ReadActiveSlot(link, active) == kResultOk &&
               WriteProfileImage(link, image, totalEntries, slot) == kResultOk &&
               ActivateSlot(link, slot) == kResultOk && Confirm(link, slot, image);
    });
}

ExchangeResult WriteSensorExchange(DeviceLink& link, uint8_t slot, const DeviceBlock& block) {
    return WriteThenActivate(link, slot, [&] { return WriteSensorBlock(link, block, slot); });
}

ExchangeResult WriteLightingExchange(DeviceLink& link, uint8_t slot, const DeviceBlock& block) {
    return WriteThenActivate(link, slot, [&] { return WriteLightingBlock(link, block, slot); });
}

ExchangeResult DeleteOnMouseExchange(DeviceLink& link, uint8_t slot) {
    return Run(link, [&] {
        uint8_t active = 0;
        return ReadActiveSlot(link, active) == kResultOk && EraseSlot(link, slot) == kResultOk &&
               ActivateSlot(link, 0) == kResultOk;
    });
}

ExchangeResult CalibrateExchange(DeviceLink& link) {
    return Run(link, [&] {
        uint8_t active = 0;
        return ReadActiveSlot(link, active) == kResultOk && CalibrateSurface(link) == kResultOk;
    });
}

ExchangeResult ActivateExchange(DeviceLink& link, uint8_t slot) {
    return Run(link, [&] { return ActivateSlot(link, slot) == kResultOk; });
}

}  // namespace z7
