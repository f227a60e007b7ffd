// Device arrival and removal through RegisterDeviceNotificationW. The names handed on are the
// interface paths (\\?\hid#vid_22d4&pid_1206&mi_01#...), which IsOurDeviceName matches.
#include <windows.h>

#include <dbt.h>
extern "C" {  // MinGW's hid.dll header lacks C linkage
#include <hidsdi.h>
}

#include <cstddef>
#include <cwchar>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "core/util/text.h"
#include "platform/device_monitor.h"
#include "platform/windows/device_monitor_windows.h"

namespace z7 {
namespace {

class WindowDeviceMonitor final : public DeviceMonitor {
  public:
    ~WindowDeviceMonitor() override { Stop(); }

    bool Start(Callback callback) override {
        Stop();
        if (thread_.joinable()) return false;  // called from a callback of the running monitor
        callback_ = std::move(callback);
        auto ready = std::make_shared<std::promise<HWND>>();
        std::future<HWND> window = ready->get_future();
        thread_ = std::thread([this, ready] { Run(*ready); });
        window_ = window.get();
        if (window_) return true;
        thread_.join();
        return false;
    }

    void Stop() override {
        if (!thread_.joinable()) return;
        ::PostMessageW(window_, WM_CLOSE, 0, 0);
        // From a callback the thread ends by itself once the callback returns; it is joined by
        // the next Stop or Start from elsewhere.
        if (std::this_thread::get_id() == thread_.get_id()) return;
        thread_.join();
        window_ = nullptr;
    }

  private:
    static bool RegisterClassOnce() {
        static const bool registered = [] {
            WNDCLASSEXW windowClass{};
            windowClass.cbSize = sizeof windowClass;
            windowClass.lpfnWndProc = &WindowProc;
            windowClass.hInstance = ::GetModuleHandleW(nullptr);
            windowClass.lpszClassName = kDeviceChangeWindowClass;
            return ::RegisterClassExW(&windowClass) != 0 ||
                   ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
        }();
        return registered;
    }

    void Run(std::promise<HWND>& ready) {
        HWND window = nullptr;
        if (RegisterClassOnce())
            window = ::CreateWindowExW(0, kDeviceChangeWindowClass, L"", 0, 0, 0, 0, 0,
                                       HWND_MESSAGE, nullptr, ::GetModuleHandleW(nullptr), this);
        if (window) {
            DEV_BROADCAST_DEVICEINTERFACE_W filter{};
            filter.dbcc_size = sizeof filter;
            filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
            ::HidD_GetHidGuid(&filter.dbcc_classguid);
            notification_ =
                ::RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
            if (!notification_) {
                ::DestroyWindow(window);
                window = nullptr;
            }
        }
        ready.set_value(window);
        if (!window) return;
        MSG message;
        while (::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);
    }

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            ::SetWindowLongPtrW(window, GWLP_USERDATA,
                                reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self =
            reinterpret_cast<WindowDeviceMonitor*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && message == WM_DEVICECHANGE) {
            self->OnDeviceChange(wParam, lParam);
            return TRUE;
        }
        if (self && message == WM_DESTROY) {
            if (self->notification_) ::UnregisterDeviceNotification(self->notification_);
            self->notification_ = nullptr;
            ::PostQuitMessage(0);
            return 0;
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }

    void OnDeviceChange(WPARAM event, LPARAM data) {
        if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) return;
        const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
        constexpr size_t kNameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
        if (!header || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE ||
            header->dbch_size < kNameOffset)
            return;
        const auto* notice = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header);
        // The name ends at its terminator or at the record's stated size, whichever comes first.
        const size_t room = (header->dbch_size - kNameOffset) / sizeof(wchar_t);
        const std::u16string name(notice->dbcc_name,
                                  notice->dbcc_name + wcsnlen(notice->dbcc_name, room));
        if (callback_)
            callback_(event == DBT_DEVICEARRIVAL ? DeviceChange::kArrival : DeviceChange::kRemoval,
                      Utf16ToUtf8(name));
    }

    Callback callback_;
    std::thread thread_;
    HWND window_ = nullptr;
    HDEVNOTIFY notification_ = nullptr;
};

}  // namespace

std::unique_ptr<DeviceMonitor> CreateDeviceMonitor() {
    return std::make_unique<WindowDeviceMonitor>();
}

}  // namespace z7
