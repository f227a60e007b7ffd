// Pointer speed and acceleration on plain X11: the X server's pointer control, one factor
// applied to movement past a threshold. It lasts for the X session; nothing is saved.
#include <X11/Xlib.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>
#include <numeric>

#include "platform/linux/pointer_system_linux.h"
#include "platform/linux/x11_error_trap.h"

namespace z7 {
namespace {

constexpr int kNormalSpeed = 10;

class X11PointerSystem final : public PointerSystem {
  public:
    explicit X11PointerSystem(Display* display) : display_(display) {
        TrapDisplayErrors(display_);
        XSetIOErrorExitHandler(display_, MarkDisplayDead, &dead_);
    }
    ~X11PointerSystem() override {
        if (!dead_) XCloseDisplay(display_);
        ForgetDisplayErrors(display_);
    }

    PointerSupport Support(PointerSetting setting) const override {
        switch (setting) {
            case PointerSetting::Speed:
                return {true, kSpeedThroughAcceleration};
            case PointerSetting::Acceleration:
                return {};
            case PointerSetting::DoubleClickTime:
                return {false, kNoDoubleClickHere};
            case PointerSetting::Sonar:
                return {false, kNoSonarHere};
            case PointerSetting::Trails:
                return {false, kNoTrailsHere};
            case PointerSetting::SnapToDefault:
                return {false, kNoSnapHere};
            case PointerSetting::WheelScroll:
                return {false, kNoWheelLinesHere};
        }
        return {false, kNoSettingHere};
    }

    bool SetMouseSpeed(int speed) override {
        std::lock_guard lock(mutex_);
        speed_ = std::clamp(speed, 1, 20);
        return Apply();
    }
    bool SetMouseAcceleration(const std::array<int, 3>& v, bool) override {
        std::lock_guard lock(mutex_);
        acceleration_ = v;
        return Apply();
    }
    bool SetSnapToDefaultButton(bool) override { return false; }
    bool SetDoubleClickTime(unsigned) override { return false; }
    bool SetMouseTrails(unsigned) override { return false; }
    bool SetMouseSonar(bool) override { return false; }
    bool SetWheelScrollLines(uint32_t, bool) override { return false; }

  private:
    // The acceleration levels double (or quadruple) movement past their first threshold; the
    // speed scales that factor, 10 being the normal speed. Off is a factor of 1 past one pixel,
    // so that only the speed remains.
    bool Apply() {
        if (dead_) return false;
        const bool off = acceleration_ == std::array<int, 3>{0, 0, 0};
        const int factor = off ? 1 : 1 << std::clamp(acceleration_[2], 0, 4);
        const int threshold = off ? 1 : std::max(acceleration_[0], 1);
        int numerator = factor * speed_, denominator = kNormalSpeed;
        const int common = std::gcd(numerator, denominator);
        numerator /= common;
        denominator /= common;
        XChangePointerControl(display_, True, True, numerator, denominator, threshold);
        XSync(display_, False);
        return !dead_ && TakeDisplayError(display_) == 0;
    }

    std::mutex mutex_;
    Display* display_;
    std::atomic<bool> dead_{false};
    int speed_ = kNormalSpeed;
    std::array<int, 3> acceleration_{0, 0, 0};
};

}  // namespace

std::unique_ptr<PointerSystem> CreateX11PointerSystem(const std::string& displayName) {
    Display* display = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
    if (!display) return nullptr;
    return std::make_unique<X11PointerSystem>(display);
}

}  // namespace z7
