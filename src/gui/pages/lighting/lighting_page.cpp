#include "gui/pages/lighting/lighting_page.h"

namespace z7 {

DeviceExchange LightingPage::ApplyExchange() {
    return [](DeviceLink& link, const ProfileRecord& profile) {
        return WriteLightingExchange(link, profile);
    };
}

}  // namespace z7
