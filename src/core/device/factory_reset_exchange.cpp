#include "core/device/factory_reset_exchange.h"

#include <algorithm>
#include <string>

#include "core/device/device_commands.h"
#include "core/device/device_image.h"

namespace z7 {

SlotProfiles FactoryProfiles(const SlotProfiles& current) {
    SlotProfiles reset;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        ProfileRecord& r = reset[static_cast<size_t>(slot)];
        // A fresh record: the bound macro copies go with the bindings that carried them.
        r = CreateProfileRecord();
        r.filePath = current[static_cast<size_t>(slot)].filePath;
        r.profileSlot = static_cast<uint8_t>(slot);
        r.profileName = SlotName(slot);
        r.inUse = 1;
    }
    return reset;
}

ExchangeResult FactoryResetExchange(DeviceLink& link, const SlotProfiles& profiles,
                                    const std::function<void(int, int)>& progress) {
    auto step = [&](int done) {
        if (progress) progress(done, kFactoryResetSteps);
    };
    return RunExchange(link, [&] {
        uint8_t active = 0;
        if (ReadActiveSlot(link, active) != kResultOk) return false;
        std::array<DeviceImage, kSlotCount> images;
        for (int slot = 0; slot < kSlotCount; ++slot) {
            const auto index = static_cast<size_t>(slot);
            DeviceRecord record = BuildDeviceRecord(profiles[index]);
            images[index] = BuildImage(record);
            if (WriteProfileImage(link, images[index], TotalEntries(record),
                                  static_cast<uint8_t>(slot)) != kResultOk) {
                link.SetExchangeProblem("writing slot " + std::to_string(slot) + " failed");
                return false;
            }
            step(slot + 1);
        }
        if (ActivateSlot(link, 0) != kResultOk) return false;
        // The write rule counts any reply as success: check what the mouse lets us see.
        if (ReadActiveSlot(link, active) != kResultOk || active != 0) {
            link.SetExchangeProblem("the mouse does not report the factory slot active");
            return false;
        }
        for (int slot = 0; slot < kSlotCount; ++slot) {
            const auto index = static_cast<size_t>(slot);
            const std::vector<uint8_t> stored =
                link.transport().StoredImage(static_cast<uint8_t>(slot));
            if (!stored.empty() && !std::equal(images[index].begin(), images[index].end(),
                                               stored.begin(), stored.end())) {
                link.SetExchangeProblem("the mouse does not store the image sent to slot " +
                                        std::to_string(slot));
                return false;
            }
        }
        step(kFactoryResetSteps);
        return true;
    });
}

}  // namespace z7
