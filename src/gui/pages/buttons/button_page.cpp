#include "gui/pages/buttons/button_page.h"

namespace z7 {

void ButtonPage::ChooseFunction(int /*button*/, int32_t /*functionId*/) {}

DeviceExchange ButtonPage::ApplyExchange() {
    return [](DeviceLink& link, const ProfileRecord& profile) {
        return WriteAllExchange(link, profile);
    };
}

}  // namespace z7
