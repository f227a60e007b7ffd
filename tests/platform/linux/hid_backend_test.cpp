#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/device_monitor.h"
#include "platform/hid_backend.h"

namespace z7 {
namespace {

// The machine running the tests has no mouse; the backend must still enumerate and report a
// failed open with what it tried.
TEST(HidBackend, EnumeratesAndReportsAFailedOpenWithThePath) {
    std::unique_ptr<HidTransport> transport = CreateSystemHidTransport();
    for (const HidCollectionInfo& c : transport->Enumerate()) EXPECT_FALSE(c.path.empty());
    HidStatus status;
    const HidCollectionInfo missing{0x22D4, 0x1206, 0xFF01, 2, "/dev/hidraw-z7-missing", 0, 0, 0};
    EXPECT_EQ(transport->Open(missing, status), nullptr);
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.message.find("/dev/hidraw-z7-missing"), std::string::npos);
    EXPECT_FALSE(DeviceAccessHint().empty());
}

TEST(DeviceMonitor, StopsPromptlyWhetherOrNotItCouldStart) {
    std::unique_ptr<DeviceMonitor> monitor = CreateDeviceMonitor();
    const bool started = monitor->Start([](DeviceChange, const std::string&) {});
    (void)started;  // containers may have no udev netlink socket
    monitor->Stop();
    monitor->Stop();
    EXPECT_TRUE(monitor->Start([](DeviceChange, const std::string&) {}) == started);
}

}  // namespace
}  // namespace z7
