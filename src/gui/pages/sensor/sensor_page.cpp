#include "gui/pages/sensor/sensor_page.h"

namespace z7 {

DeviceExchange SensorPage::ApplyExchange() {
    return [](DeviceLink& link, const ProfileRecord& profile) {
        return WriteSensorExchange(link, profile);
    };
}

}  // namespace z7
