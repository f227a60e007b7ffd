// Global key and mouse-button capture with low-level hooks. The hooks run on the thread that
// installed them, inside its message loop; one pair per thread serves every capture started
// there, so that two captures do not see each input twice.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "platform/event_time.h"
#include "platform/input_capture.h"
#include "platform/windows/win32_io.h"

namespace z7 {
namespace {

class HookCapture;

struct ThreadHooks {
    HHOOK keyboard = nullptr;
    HHOOK mouse = nullptr;
    std::vector<HookCapture*> captures;
};
thread_local ThreadHooks tHooks;

LRESULT CALLBACK KeyboardProc(int code, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK MouseProc(int code, WPARAM wParam, LPARAM lParam);

bool Unhook(HHOOK& hook) {
    if (!hook) return true;
    // A removal that fails is tried once more; a hook left behind would outlive the capture.
    const bool ok = ::UnhookWindowsHookEx(hook) || ::UnhookWindowsHookEx(hook);
    hook = nullptr;
    return ok;
}

// Ctrl, Shift and Alt without a side (injected input) count as the left key.
uint16_t SidedKey(DWORD vk) {
    switch (vk) {
        case VK_SHIFT:
            return VK_LSHIFT;
        case VK_CONTROL:
            return VK_LCONTROL;
        case VK_MENU:
            return VK_LMENU;
        default:
            return static_cast<uint16_t>(vk);
    }
}

uint8_t HeldModifiers() {
    uint8_t held = 0;
    for (uint16_t vk :
         {VK_LSHIFT, VK_RSHIFT, VK_LCONTROL, VK_RCONTROL, VK_LMENU, VK_RMENU, VK_LWIN, VK_RWIN})
        if (::GetAsyncKeyState(vk) & 0x8000) held = ApplyModifierKey(held, vk, true);
    return held;
}

class HookCapture final : public InputCapture {
  public:
    ~HookCapture() override { Stop(); }

    bool Start(InputKinds kinds, Sink sink, std::string* error) override {
        Stop();
        const HINSTANCE module = ::GetModuleHandleW(nullptr);
        if (kinds.keys && !tHooks.keyboard) {
            tHooks.keyboard = ::SetWindowsHookExW(WH_KEYBOARD_LL, KeyboardProc, module, 0);
            if (!tHooks.keyboard) return Fail("SetWindowsHookExW(WH_KEYBOARD_LL)", error);
        }
        if (kinds.mouseButtons && !tHooks.mouse) {
            tHooks.mouse = ::SetWindowsHookExW(WH_MOUSE_LL, MouseProc, module, 0);
            if (!tHooks.mouse) return Fail("SetWindowsHookExW(WH_MOUSE_LL)", error);
        }
        kinds_ = kinds;
        sink_ = std::move(sink);
        modifiers_ = HeldModifiers();
        timeline_ = EventTimeline{};
        tHooks.captures.push_back(this);
        return true;
    }

    void Stop() override {
        if (!sink_) return;
        sink_ = nullptr;
        std::erase(tHooks.captures, this);
        ReleaseUnusedHooks();
    }

    bool running() const override { return static_cast<bool>(sink_); }

    void OnKey(const KBDLLHOOKSTRUCT& k) {
        if (!sink_ || !kinds_.keys) return;
        InputEvent e;
        e.code = SidedKey(k.vkCode);
        e.down = !(k.flags & LLKHF_UP);
        modifiers_ = ApplyModifierKey(modifiers_, e.code, e.down);
        Deliver(e, k.time);
    }

    void OnMouse(WPARAM message, const MSLLHOOKSTRUCT& m) {
        if (!sink_ || !kinds_.mouseButtons) return;
        InputEvent e;
        e.device = InputDevice::kMouse;
        switch (message) {
            case WM_LBUTTONDOWN:
            case WM_LBUTTONUP:
                e.code = kMouseLeft;
                break;
            case WM_RBUTTONDOWN:
            case WM_RBUTTONUP:
                e.code = kMouseRight;
                break;
            case WM_MBUTTONDOWN:
            case WM_MBUTTONUP:
                e.code = kMouseMiddle;
                break;
            case WM_XBUTTONDOWN:
            case WM_XBUTTONUP:
                e.code = HIWORD(m.mouseData) == XBUTTON2 ? kMouseX2 : kMouseX1;
                break;
            default:
                return;  // moves and wheel turns
        }
        e.down = message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN ||
                 message == WM_MBUTTONDOWN || message == WM_XBUTTONDOWN;
        e.x = m.pt.x;
        e.y = m.pt.y;
        Deliver(e, m.time);
    }

  private:
    bool Fail(const char* what, std::string* error) {
        const DWORD code = ::GetLastError();
        ReleaseUnusedHooks();
        if (error) *error = std::string(what) + ": " + SystemMessage(code);
        return false;
    }

    static void ReleaseUnusedHooks() {
        const auto wants = [](auto member) {
            return std::any_of(tHooks.captures.begin(), tHooks.captures.end(),
                               [member](HookCapture* c) { return c->kinds_.*member; });
        };
        if (!wants(&InputKinds::keys)) Unhook(tHooks.keyboard);
        if (!wants(&InputKinds::mouseButtons)) Unhook(tHooks.mouse);
    }

    void Deliver(InputEvent& e, DWORD time) {
        if (!sink_) return;
        e.modifiers = modifiers_;
        e.time = timeline_.At(time, std::chrono::steady_clock::now());
        sink_(e);
    }

    InputKinds kinds_;
    Sink sink_;
    uint8_t modifiers_ = 0;
    EventTimeline timeline_;
};

// The list is copied so that a capture stopped by a sink does not upset the loop.
LRESULT CALLBACK KeyboardProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto& k = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        for (HookCapture* c : std::vector<HookCapture*>(tHooks.captures)) c->OnKey(k);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK MouseProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto& m = *reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
        for (HookCapture* c : std::vector<HookCapture*>(tHooks.captures)) c->OnMouse(wParam, m);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

std::unique_ptr<InputCapture> CreateInputCapture() {
    return std::make_unique<HookCapture>();
}

uint16_t VirtualKeyOfNativeKey(uint32_t nativeVirtualKey, uint32_t nativeScanCode) {
    // Toolkits report Shift, Ctrl and Alt without a side; the scan code tells it.
    constexpr uint32_t kExtended = 0x100, kRightShiftScan = 0x36;
    switch (nativeVirtualKey) {
        case VK_SHIFT:
            return (nativeScanCode & 0xFF) == kRightShiftScan ? VK_RSHIFT : VK_LSHIFT;
        case VK_CONTROL:
            return (nativeScanCode & kExtended) ? VK_RCONTROL : VK_LCONTROL;
        case VK_MENU:
            return (nativeScanCode & kExtended) ? VK_RMENU : VK_LMENU;
        default:
            return nativeVirtualKey <= 0xFF ? static_cast<uint16_t>(nativeVirtualKey) : 0;
    }
}

}  // namespace z7
