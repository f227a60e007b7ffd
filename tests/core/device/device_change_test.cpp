#include "core/device/device_change.h"
#include "device_fixture.h"

namespace z7::test {
namespace {

constexpr const char* kOurs =
    "/sys/devices/pci0000:00/usb1/1-2/1-2:1.1/0003:22D4:1206.0007/hidraw/hidraw3";
constexpr const char* kOther =
    "/sys/devices/pci0000:00/usb1/1-3/1-3:1.0/0003:046D:C52B.0002/hidraw/hidraw1";

TEST_F(SimLinkTest, ArrivalsRefreshOnlyWhileAbsentAndRemovalsCloseOnlyWhilePresent) {
    EXPECT_EQ(OnDeviceChange(link, DeviceChange::kArrival, kOurs),
              DeviceChangeAction::kRefreshLater);
    EXPECT_EQ(OnDeviceChange(link, DeviceChange::kRemoval, kOurs), DeviceChangeAction::kNone);

    clock.SetBlockingWaits(true);
    link.SetEventHandlers(
        {.currentSlot = {}, .onProfileSwitch = [](uint8_t) {}, .onHostAction = {}});
    ASSERT_TRUE(link.OpenEventInterface());
    ASSERT_TRUE(link.StartDeviceListener());
    EXPECT_EQ(OnDeviceChange(link, DeviceChange::kArrival, kOurs), DeviceChangeAction::kNone);
    EXPECT_EQ(OnDeviceChange(link, DeviceChange::kRemoval, kOther), DeviceChangeAction::kNone);
    EXPECT_TRUE(link.listenerRunning());
    EXPECT_EQ(OnDeviceChange(link, DeviceChange::kRemoval, kOurs), DeviceChangeAction::kRemoved);
    EXPECT_FALSE(link.eventOpen());
    EXPECT_FALSE(link.listenerRunning());
}

}  // namespace
}  // namespace z7::test
