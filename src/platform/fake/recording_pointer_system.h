#pragma once
#include <map>
#include <string>
#include <vector>

#include "core/profile/pointer_settings.h"

namespace z7 {

// Records every call as text ("speed 12", "wheel 100 saved"), for tests, whether or not the
// setting counts as applied.
class RecordingPointerSystem final : public PointerSystem {
  public:
    PointerSupport Support(PointerSetting setting) const override {
        const auto it = support.find(setting);
        return it == support.end() ? PointerSupport{} : it->second;
    }
    bool SetMouseSpeed(int speed) override { return Log("speed " + std::to_string(speed)); }
    bool SetMouseAcceleration(const std::array<int, 3>& v, bool persist) override {
        return Log("accel " + std::to_string(v[0]) + "," + std::to_string(v[1]) + "," +
                   std::to_string(v[2]) + (persist ? " saved" : ""));
    }
    bool SetSnapToDefaultButton(bool on) override {
        return Log(std::string("snap ") + (on ? "1" : "0"));
    }
    bool SetDoubleClickTime(unsigned ms) override {
        return Log("doubleclick " + std::to_string(ms));
    }
    bool SetMouseTrails(unsigned length) override {
        return Log("trails " + std::to_string(length));
    }
    bool SetMouseSonar(bool on) override { return Log(std::string("sonar ") + (on ? "1" : "0")); }
    bool SetWheelScrollLines(uint32_t lines, bool persist) override {
        return Log("wheel " + std::to_string(lines) + (persist ? " saved" : ""));
    }
    std::vector<std::string> calls;
    std::map<PointerSetting, PointerSupport> support;  // settings missing here are applied

  private:
    bool Log(std::string s) {
        calls.push_back(std::move(s));
        return true;
    }
};

}  // namespace z7
