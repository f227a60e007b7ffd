// Device arrival and removal from a udev monitor on the hidraw subsystem. The names handed on
// are sysfs paths, which carry the ids as "0003:22D4:1206.0007".
#include "platform/device_monitor.h"

#ifdef Z7_HAVE_UDEV
#include <libudev.h>
#include <poll.h>
#include <unistd.h>

#include <cstring>
#include <thread>
#endif

namespace z7 {
namespace {

#ifdef Z7_HAVE_UDEV
class UdevDeviceMonitor final : public DeviceMonitor {
  public:
    ~UdevDeviceMonitor() override { Stop(); }

    bool Start(Callback callback) override {
        Stop();
        udev_ = udev_new();
        if (!udev_) return false;
        monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
        if (!monitor_ ||
            udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
            udev_monitor_enable_receiving(monitor_) < 0 || ::pipe(stopPipe_) != 0) {
            Release();
            return false;
        }
        thread_ = std::thread([this, cb = std::move(callback)] { Loop(cb); });
        return true;
    }

    void Stop() override {
        if (thread_.joinable()) {
            const char byte = 1;
            (void)!::write(stopPipe_[1], &byte, 1);
            thread_.join();
        }
        Release();
    }

  private:
    void Loop(const Callback& callback) {
        pollfd fds[2] = {{udev_monitor_get_fd(monitor_), POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        for (;;) {
            if (::poll(fds, 2, -1) < 0) continue;
            if (fds[1].revents) return;
            udev_device* device = udev_monitor_receive_device(monitor_);
            if (!device) continue;
            const char* action = udev_device_get_action(device);
            const char* path = udev_device_get_syspath(device);
            if (action && path) {
                if (std::strcmp(action, "add") == 0)
                    callback(DeviceChange::kArrival, path);
                else if (std::strcmp(action, "remove") == 0)
                    callback(DeviceChange::kRemoval, path);
            }
            udev_device_unref(device);
        }
    }

    void Release() {
        if (monitor_) udev_monitor_unref(monitor_);
        if (udev_) udev_unref(udev_);
        for (int& fd : stopPipe_) {
            if (fd >= 0) ::close(fd);
            fd = -1;
        }
        monitor_ = nullptr;
        udev_ = nullptr;
    }

    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    int stopPipe_[2] = {-1, -1};
    std::thread thread_;
};
#else
class UdevDeviceMonitor final : public DeviceMonitor {
  public:
    bool Start(Callback) override { return false; }
    void Stop() override {}
};
#endif

}  // namespace

std::unique_ptr<DeviceMonitor> CreateDeviceMonitor() {
    return std::make_unique<UdevDeviceMonitor>();
}

}  // namespace z7
