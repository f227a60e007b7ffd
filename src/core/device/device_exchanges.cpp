#include "core/device/device_exchanges.h"

#include <functional>

#include "core/device/device_commands.h"

namespace z7 {
namespace {

// The frame every exchange shares: lock, close, open, run, restart the listener.
ExchangeResult Run(DeviceLink& link, const std::function<bool()>& commands) {
    std::lock_guard lock(link.deviceLock());
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

}  // namespace

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
    return WriteThenActivate(link, slot,
                             [&] { return WriteProfileImage(link, image, totalEntries, slot); });
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
