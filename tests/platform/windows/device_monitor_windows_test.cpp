// The device-change window: registration, the notices it hands on, and a clean stop.
#include <windows.h>

#include <dbt.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <mutex>
#include <vector>

#include "core/device/device_change.h"
#include "platform/device_monitor.h"
#include "platform/windows/device_monitor_windows.h"

namespace z7 {
namespace {

HWND MonitorWindow() {
    return ::FindWindowExW(HWND_MESSAGE, nullptr, kDeviceChangeWindowClass, nullptr);
}

// A notice as the system sends it; `size` may claim less than the name takes.
struct Notice {
    explicit Notice(const std::wstring& name, DWORD type = DBT_DEVTYP_DEVICEINTERFACE) {
        const size_t bytes =
            offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) + (name.size() + 1) * 2;
        storage.resize(bytes / sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) + 1);
        header()->dbcc_size = static_cast<DWORD>(bytes);
        header()->dbcc_devicetype = type;
        std::copy(name.begin(), name.end(), header()->dbcc_name);
        header()->dbcc_name[name.size()] = L'\0';
    }
    DEV_BROADCAST_DEVICEINTERFACE_W* header() { return storage.data(); }
    LPARAM lparam() { return reinterpret_cast<LPARAM>(storage.data()); }
    std::vector<DEV_BROADCAST_DEVICEINTERFACE_W> storage;
};

struct Seen {
    std::mutex mutex;
    std::vector<std::pair<DeviceChange, std::string>> notices;
    DeviceMonitor::Callback callback() {
        return [this](DeviceChange change, const std::string& name) {
            std::lock_guard lock(mutex);
            notices.emplace_back(change, name);
        };
    }
};

const std::wstring kPath =
    LR"(\\?\HID#VID_22D4&PID_1206&MI_01#7&2f0e1a6c&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})";

TEST(WindowsDeviceMonitor, RegistersAHiddenWindowAndRemovesItOnStop) {
    std::unique_ptr<DeviceMonitor> monitor = CreateDeviceMonitor();
    Seen seen;
    ASSERT_TRUE(monitor->Start(seen.callback()));
    const HWND window = MonitorWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(::IsWindowVisible(window));
    EXPECT_NE(::GetWindowThreadProcessId(window, nullptr), ::GetCurrentThreadId());

    monitor->Stop();
    EXPECT_EQ(MonitorWindow(), nullptr);
    EXPECT_FALSE(::IsWindow(window));
    monitor->Stop();

    // A second start gets a fresh window; destroying the monitor stops it.
    ASSERT_TRUE(monitor->Start(seen.callback()));
    EXPECT_NE(MonitorWindow(), nullptr);
    monitor.reset();
    EXPECT_EQ(MonitorWindow(), nullptr);
}

TEST(WindowsDeviceMonitor, HandsOnArrivalsAndRemovalsOfInterfacesOnly) {
    std::unique_ptr<DeviceMonitor> monitor = CreateDeviceMonitor();
    Seen seen;
    ASSERT_TRUE(monitor->Start(seen.callback()));
    const HWND window = MonitorWindow();
    ASSERT_NE(window, nullptr);

    Notice ours(kPath);
    EXPECT_EQ(::SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, ours.lparam()), TRUE);
    EXPECT_EQ(::SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, ours.lparam()),
              TRUE);
    // Other events, other record types and no record at all are not notices of a device.
    ::SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEQUERYREMOVE, ours.lparam());
    ::SendMessageW(window, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
    ::SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0);
    Notice volume(L"E:", DBT_DEVTYP_VOLUME);
    ::SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, volume.lparam());
    // A name without its terminator inside the stated size ends at the size.
    Notice unterminated(L"\\\\?\\hid#vid_22d4&pid_1206");
    unterminated.header()->dbcc_size =
        static_cast<DWORD>(offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) + 8 * 2);
    ::SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, unterminated.lparam());
    Notice truncated(kPath);  // claims less than its own header
    truncated.header()->dbcc_size = sizeof(DEV_BROADCAST_HDR) - 1;
    ::SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, truncated.lparam());
    monitor->Stop();

    std::lock_guard lock(seen.mutex);
    ASSERT_EQ(seen.notices.size(), 3u);
    const std::string utf8(kPath.begin(), kPath.end());
    EXPECT_EQ(seen.notices[0], std::make_pair(DeviceChange::kArrival, utf8));
    EXPECT_EQ(seen.notices[1], std::make_pair(DeviceChange::kRemoval, utf8));
    EXPECT_TRUE(IsOurDeviceName(seen.notices[0].second));
    EXPECT_EQ(seen.notices[2].second, R"(\\?\hid#)");
}

TEST(WindowsDeviceMonitor, ACallbackMayStopItsOwnMonitor) {
    std::unique_ptr<DeviceMonitor> monitor = CreateDeviceMonitor();
    bool called = false;
    ASSERT_TRUE(monitor->Start([&](DeviceChange, const std::string&) {
        called = true;
        monitor->Stop();
    }));
    Notice ours(kPath);
    ::SendMessageW(MonitorWindow(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, ours.lparam());
    EXPECT_TRUE(called);
    monitor->Stop();  // joins the thread that ended itself
    EXPECT_EQ(MonitorWindow(), nullptr);
}

}  // namespace
}  // namespace z7
