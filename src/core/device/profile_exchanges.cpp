// The exchanges that build their bytes from a profile; kept apart so that the byte-level
// exchanges link without the image module.
#include "core/device/device_exchanges.h"

namespace z7 {

ExchangeResult WriteAllExchange(DeviceLink& link, const ProfileRecord& profile) {
    DeviceRecord record = BuildDeviceRecord(profile);
    const DeviceImage image = BuildImage(record);
    return WriteAllExchange(link, profile.profileSlot, image, TotalEntries(record));
}

ExchangeResult WriteSensorExchange(DeviceLink& link, const ProfileRecord& profile) {
    const DeviceRecord record = BuildDeviceRecord(profile);
    return WriteSensorExchange(link, profile.profileSlot, BuildSensorBlock(record));
}

ExchangeResult WriteLightingExchange(DeviceLink& link, const ProfileRecord& profile) {
    const DeviceRecord record = BuildDeviceRecord(profile);
    return WriteLightingExchange(link, profile.profileSlot, BuildLightingBlock(record));
}

}  // namespace z7
