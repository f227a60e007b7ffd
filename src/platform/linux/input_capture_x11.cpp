// Global key and mouse-button capture with the X RECORD extension.
#include "platform/linux/input_capture_x11.h"

// clang-format off
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/Xproto.h>
#include <X11/extensions/record.h>
#include <X11/keysym.h>
// clang-format on
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/event_time.h"
#include "platform/linux/keysym_table.h"
#include "platform/linux/x11_error_trap.h"

namespace z7 {
namespace {

// Enabling the context is one round trip; a server that does not answer in this time is hung.
constexpr auto kStartTimeout = std::chrono::seconds(5);

struct KeyMap {
    std::array<uint16_t, 256> plain{};    // virtual key of each keycode
    std::array<uint16_t, 256> numLock{};  // the same with Num Lock on (keypad digits)
    unsigned numLockMask = 0;
};

KeyMap ReadKeyMap(Display* d) {
    KeyMap map;
    int minCode = 0, maxCode = 0;
    XDisplayKeycodes(d, &minCode, &maxCode);
    minCode = std::max(minCode, 8);
    maxCode = std::min(maxCode, 255);
    int perCode = 0;
    KeySym* syms =
        XGetKeyboardMapping(d, static_cast<KeyCode>(minCode), maxCode - minCode + 1, &perCode);
    if (!syms) return map;
    for (int code = minCode; code <= maxCode; ++code) {
        const KeySym* row = syms + static_cast<ptrdiff_t>(code - minCode) * perCode;
        const KeySym level1 = perCode > 0 ? row[0] : NoSymbol;
        const KeySym level2 = perCode > 1 ? row[1] : NoSymbol;
        const auto c = static_cast<uint32_t>(code);
        map.plain[c] = VkOfKey(c, static_cast<uint32_t>(level1));
        map.numLock[c] =
            IsKeypadKey(level2) ? VkOfKey(c, static_cast<uint32_t>(level2)) : map.plain[c];
    }
    XFree(syms);
    if (XModifierKeymap* mods = XGetModifierMapping(d)) {
        const KeyCode numLock = XKeysymToKeycode(d, XK_Num_Lock);
        for (int m = 0; m < 8 && numLock; ++m)
            for (int k = 0; k < mods->max_keypermod; ++k)
                if (mods->modifiermap[m * mods->max_keypermod + k] == numLock)
                    map.numLockMask = 1u << m;
        XFreeModifiermap(mods);
    }
    return map;
}

uint16_t MouseCodeOf(unsigned button) {
    switch (button) {
        case Button1:
            return kMouseLeft;
        case Button2:
            return kMouseMiddle;
        case Button3:
            return kMouseRight;
        case 8:
            return kMouseX1;
        case 9:
            return kMouseX2;
        default:
            return 0;  // 4..7 are wheel steps
    }
}

std::string DisplayLabel(const std::string& name) {
    return std::string("\"") + XDisplayName(name.empty() ? nullptr : name.c_str()) + "\"";
}

class X11InputCapture final : public InputCapture {
  public:
    explicit X11InputCapture(std::string displayName) : displayName_(std::move(displayName)) {}
    ~X11InputCapture() override { Stop(); }

    bool Start(InputKinds kinds, Sink sink, std::string* error) override {
        Stop();
        std::string why;
        sink_ = std::move(sink);  // before the thread starts, which reads it
        if (Open(kinds, why) && Enable(why)) return true;
        Stop();
        if (error) *error = why;
        return false;
    }

    void Stop() override {
        if (thread_.joinable()) {
            stopping_ = true;
            const char b = 1;
            [[maybe_unused]] auto n = write(wake_[1], &b, 1);
            thread_.join();
        }
        if (control_) {
            if (context_ && !controlDead_) {
                XRecordDisableContext(control_, context_);
                XRecordFreeContext(control_, context_);
                XSync(control_, False);
            }
            CloseDisplay(control_, controlDead_);
        }
        if (data_) CloseDisplay(data_, dataDead_);
        for (int& fd : wake_) {
            if (fd >= 0) close(fd);
            fd = -1;
        }
        context_ = 0;
        stopping_ = false;
        started_ = failed_ = false;
        sink_ = nullptr;
    }

    bool running() const override { return thread_.joinable(); }

  private:
    bool Open(InputKinds kinds, std::string& why) {
        if (!kinds.keys && !kinds.mouseButtons) {
            why = "nothing to capture";
            return false;
        }
        const char* name = displayName_.empty() ? nullptr : displayName_.c_str();
        control_ = XOpenDisplay(name);
        if (control_) data_ = XOpenDisplay(name);
        if (!control_ || !data_) {
            why = "cannot open the X display " + DisplayLabel(displayName_);
            return false;
        }
        for (auto [d, dead] : {std::pair{control_, &controlDead_}, std::pair{data_, &dataDead_}}) {
            TrapDisplayErrors(d);
            XSetIOErrorExitHandler(d, MarkDisplayDead, dead);
        }
        int major = 0, minor = 0;
        if (!XRecordQueryVersion(control_, &major, &minor)) {
            why = "the X display " + DisplayLabel(displayName_) +
                  " has no RECORD extension, which global key capture needs";
            return false;
        }
        keyMap_ = ReadKeyMap(control_);
        modifiers_ = HeldModifiers();
        timeline_ = EventTimeline{};

        XRecordRange* range = XRecordAllocRange();
        if (!range) {
            why = "out of memory";
            return false;
        }
        range->device_events.first = kinds.keys ? KeyPress : ButtonPress;
        range->device_events.last = kinds.mouseButtons ? ButtonRelease : KeyRelease;
        XRecordClientSpec clients = XRecordAllClients;
        context_ = XRecordCreateContext(control_, 0, &clients, 1, &range, 1);
        XFree(range);
        XSync(control_, False);
        if (const int code = TakeDisplayError(control_); !context_ || code) {
            context_ = code ? 0 : context_;
            why = "the X server refused a recording context (X error " + std::to_string(code) + ")";
            return false;
        }
        if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
            why = std::string("cannot create a pipe: ") + std::strerror(errno);
            return false;
        }
        return true;
    }

    // The server confirms with the start of data; until then recording is not on.
    bool Enable(std::string& why) {
        thread_ = std::thread([this] { Run(); });
        std::unique_lock lock(mutex_);
        if (!cv_.wait_for(lock, kStartTimeout, [this] { return started_ || failed_; })) {
            why = "the X server did not start recording";
            return false;
        }
        if (failed_) {
            why = "the X server refused to start recording";
            return false;
        }
        return true;
    }

    void Run() {
        if (!XRecordEnableContextAsync(data_, context_, &X11InputCapture::OnRecord,
                                       reinterpret_cast<XPointer>(this)))
            return Signal(false);
        XFlush(data_);
        while (!stopping_ && !dataDead_) {
            pollfd fds[2] = {{ConnectionNumber(data_), POLLIN, 0}, {wake_[0], POLLIN, 0}};
            if (poll(fds, 2, -1) < 0 && errno != EINTR) break;
            if (fds[1].revents) break;
            XRecordProcessReplies(data_);
            if (TakeDisplayError(data_)) break;
        }
        Signal(false);  // wakes a Start still waiting; no effect once started
    }

    void Signal(bool started) {
        std::lock_guard lock(mutex_);
        if (started_) return;
        (started ? started_ : failed_) = true;
        cv_.notify_all();
    }

    static void OnRecord(XPointer closure, XRecordInterceptData* data) {
        auto* self = reinterpret_cast<X11InputCapture*>(closure);
        if (data->category == XRecordStartOfData) self->Signal(true);
        if (data->category == XRecordFromServer && data->data_len * 4 >= sizeof(xEvent))
            self->Deliver(*reinterpret_cast<const xEvent*>(data->data));
        XRecordFreeData(data);
    }

    void Deliver(const xEvent& ev) {
        if (stopping_ || !sink_) return;
        const int type = ev.u.u.type & 0x7F;
        InputEvent out;
        out.down = type == KeyPress || type == ButtonPress;
        if (type == KeyPress || type == KeyRelease) {
            const bool numLock = (ev.u.keyButtonPointer.state & keyMap_.numLockMask) != 0;
            out.code = (numLock ? keyMap_.numLock : keyMap_.plain)[ev.u.u.detail];
            if (!out.code) return;  // a key no virtual key names
            modifiers_ = ApplyModifierKey(modifiers_, out.code, out.down);
        } else if (type == ButtonPress || type == ButtonRelease) {
            out.device = InputDevice::kMouse;
            out.code = MouseCodeOf(ev.u.u.detail);
            if (!out.code) return;
            out.x = ev.u.keyButtonPointer.rootX;
            out.y = ev.u.keyButtonPointer.rootY;
        } else {
            return;
        }
        out.modifiers = modifiers_;
        out.time = timeline_.At(ev.u.keyButtonPointer.time, std::chrono::steady_clock::now());
        sink_(out);
    }

    uint8_t HeldModifiers() {
        char keys[32] = {};
        XQueryKeymap(control_, keys);
        uint8_t held = 0;
        for (unsigned code = 0; code < 256; ++code)
            if (keys[code / 8] & (1 << (code % 8)))
                held = ApplyModifierKey(held, keyMap_.plain[code], true);
        return held;
    }

    static void CloseDisplay(Display*& d, std::atomic<bool>& dead) {
        // A broken connection's Display is left alone: Xlib may not close it again.
        if (!dead) XCloseDisplay(d);
        ForgetDisplayErrors(d);
        d = nullptr;
        dead = false;
    }

    const std::string displayName_;
    Display* control_ = nullptr;  // the caller's thread: context set-up and tear-down
    Display* data_ = nullptr;     // the capture thread, while it runs
    std::atomic<bool> controlDead_{false}, dataDead_{false};
    XRecordContext context_ = 0;
    int wake_[2] = {-1, -1};
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::condition_variable cv_;
    bool started_ = false, failed_ = false;
    Sink sink_;
    KeyMap keyMap_;
    uint8_t modifiers_ = 0;  // capture thread
    EventTimeline timeline_;
};

}  // namespace

std::unique_ptr<InputCapture> CreateX11InputCapture(std::string displayName) {
    return std::make_unique<X11InputCapture>(std::move(displayName));
}

bool IsWaylandSession() {
    const char* type = std::getenv("XDG_SESSION_TYPE");
    if (type && std::strcmp(type, "wayland") == 0) return true;
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return wayland && *wayland;
}

std::unique_ptr<InputCapture> CreateInputCapture() {
    if (IsWaylandSession()) return nullptr;
    return CreateX11InputCapture();
}

}  // namespace z7
