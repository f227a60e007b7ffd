#pragma once
// Global capture of key and mouse-button input, for the key-capture popups and the macro
// recorder. Keys arrive as Windows virtual-key codes on every platform, so that what is
// captured can be stored, named and sent to the mouse the same way everywhere.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/util/clock.h"

namespace z7 {

enum class InputDevice : uint8_t { kKeyboard, kMouse };

// Mouse buttons carry the virtual-key codes of the buttons.
inline constexpr uint16_t kMouseLeft = 1;    // VK_LBUTTON
inline constexpr uint16_t kMouseRight = 2;   // VK_RBUTTON
inline constexpr uint16_t kMouseMiddle = 4;  // VK_MBUTTON
inline constexpr uint16_t kMouseX1 = 5;      // VK_XBUTTON1 (back)
inline constexpr uint16_t kMouseX2 = 6;      // VK_XBUTTON2 (forward)

// Modifier keys held, one bit per key so that releasing one Shift while the other is held
// keeps Shift.
enum ModifierKey : uint8_t {
    kLeftShift = 1 << 0,
    kRightShift = 1 << 1,
    kLeftCtrl = 1 << 2,
    kRightCtrl = 1 << 3,
    kLeftAlt = 1 << 4,
    kRightAlt = 1 << 5,
    kLeftWin = 1 << 6,
    kRightWin = 1 << 7,
};
inline constexpr uint8_t kAnyShift = kLeftShift | kRightShift;
inline constexpr uint8_t kAnyCtrl = kLeftCtrl | kRightCtrl;
inline constexpr uint8_t kAnyAlt = kLeftAlt | kRightAlt;
inline constexpr uint8_t kAnyWin = kLeftWin | kRightWin;

// The modifier bit of a virtual-key code (Left/Right Shift, Ctrl, Alt, Windows); 0 for others.
constexpr uint8_t ModifierBitOf(uint16_t vk) {
    switch (vk) {
        case 160:
            return kLeftShift;
        case 161:
            return kRightShift;
        case 162:
            return kLeftCtrl;
        case 163:
            return kRightCtrl;
        case 164:
            return kLeftAlt;
        case 165:
            return kRightAlt;
        case 91:
            return kLeftWin;
        case 92:
            return kRightWin;
        default:
            return 0;
    }
}
// `held` after a press or release of `vk`.
constexpr uint8_t ApplyModifierKey(uint8_t held, uint16_t vk, bool down) {
    const uint8_t bit = ModifierBitOf(vk);
    return static_cast<uint8_t>(down ? held | bit : held & ~bit);
}

struct InputEvent {
    InputDevice device = InputDevice::kKeyboard;
    uint16_t code = 0;  // virtual-key code of the key, or kMouseLeft .. kMouseX2
    bool down = true;
    // Modifier keys held once this event has taken effect (a Ctrl press has Ctrl set).
    uint8_t modifiers = 0;
    // When the input happened, on the monotonic clock; only differences are meaningful.
    Clock::TimePoint time{};
    // Mouse events: the pointer on the screen, in the window system's own pixels.
    int32_t x = 0, y = 0;

    friend bool operator==(const InputEvent&, const InputEvent&) = default;
};

struct InputKinds {
    bool keys = true;
    bool mouseButtons = false;  // wheel turns and moves are never reported
};

enum class CaptureScope : uint8_t {
    kDesktop,     // input aimed at every program
    kOwnWindows,  // only input aimed at this program's own windows (no global capture exists)
};

class InputCapture {
  public:
    // Called for every input, on the capture's thread: the thread that called Start for the
    // Windows hooks and the in-window capture, a thread of its own for X11. It must return
    // quickly (a slow hook is removed by Windows) and must not call Start or Stop.
    using Sink = std::function<void(const InputEvent&)>;
    virtual ~InputCapture() = default;

    // Starts delivering `kinds` to `sink`; a running capture is stopped first. False with
    // `error` saying what failed when capture cannot start; nothing is delivered then.
    // The Windows hooks need a thread that runs a message loop.
    [[nodiscard]] virtual bool Start(InputKinds kinds, Sink sink, std::string* error) = 0;
    // Stops and joins any thread of the capture: once it returns, the sink is never called
    // again. Safe to call when not running and more than once.
    virtual void Stop() = 0;
    virtual bool running() const = 0;
    virtual CaptureScope scope() const { return CaptureScope::kDesktop; }
};

// The global capture of this session: low-level hooks on Windows, the RECORD extension on X11.
// nullptr where no global capture exists (a Wayland session); callers then capture in their
// own windows.
std::unique_ptr<InputCapture> CreateInputCapture();

// The virtual-key code of a key as the window system reports it to a toolkit: the keysym and
// keycode on X11 and Wayland, the virtual-key code on Windows. 0 for keys without one.
uint16_t VirtualKeyOfNativeKey(uint32_t nativeVirtualKey, uint32_t nativeScanCode);

}  // namespace z7
