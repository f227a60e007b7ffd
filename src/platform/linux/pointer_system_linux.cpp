#include "platform/linux/pointer_system_linux.h"

#include <cctype>
#include <cstdlib>

#include "platform/linux/input_capture_x11.h"
#include "platform/pointer_system.h"

namespace z7 {
namespace {

bool SameWord(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Desktops whose settings daemon applies org.gnome.desktop.peripherals.
bool ReadsGnomeMouseSettings(std::string_view desktops) {
    constexpr std::string_view kReaders[] = {"GNOME", "GNOME-Classic", "GNOME-Flashback",
                                             "Unity", "Budgie",        "Pantheon"};
    while (!desktops.empty()) {
        const size_t colon = desktops.find(':');
        const std::string_view name = desktops.substr(0, colon);
        for (std::string_view reader : kReaders)
            if (SameWord(name, reader)) return true;
        if (colon == std::string_view::npos) break;
        desktops.remove_prefix(colon + 1);
    }
    return false;
}

class UnreachablePointerSystem final : public PointerSystem {
  public:
    PointerSupport Support(PointerSetting) const override { return {false, kNoSettingHere}; }
    bool SetMouseSpeed(int) override { return false; }
    bool SetMouseAcceleration(const std::array<int, 3>&, bool) override { return false; }
    bool SetSnapToDefaultButton(bool) override { return false; }
    bool SetDoubleClickTime(unsigned) override { return false; }
    bool SetMouseTrails(unsigned) override { return false; }
    bool SetMouseSonar(bool) override { return false; }
    bool SetWheelScrollLines(uint32_t, bool) override { return false; }
};

std::string_view Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

PointerBackend ChoosePointerBackend(std::string_view currentDesktop, bool wayland,
                                    bool gnomeMouseSchema, bool xDisplay) {
    // Only a desktop that reads them: elsewhere GNOME's keys would be written and ignored.
    if (gnomeMouseSchema && ReadsGnomeMouseSettings(currentDesktop))
        return PointerBackend::kGSettings;
    if (!wayland && xDisplay) return PointerBackend::kX11;
    return PointerBackend::kNone;
}

std::unique_ptr<PointerSystem> CreateUnreachablePointerSystem() {
    return std::make_unique<UnreachablePointerSystem>();
}

std::unique_ptr<PointerSystem> CreatePointerSystem() {
    std::unique_ptr<PointerSystem> system;
    const std::string_view desktop = Env("XDG_CURRENT_DESKTOP");
    switch (ChoosePointerBackend(desktop, IsWaylandSession(),
                                 ReadsGnomeMouseSettings(desktop) && GnomeMouseSchemaInstalled(),
                                 !Env("DISPLAY").empty())) {
        case PointerBackend::kGSettings:
            system = CreateGSettingsPointerSystem();
            break;
        case PointerBackend::kX11:
            system = CreateX11PointerSystem();
            break;
        case PointerBackend::kNone:
            break;
    }
    return system ? std::move(system) : CreateUnreachablePointerSystem();
}

}  // namespace z7
