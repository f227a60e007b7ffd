#pragma once
// The pointer settings of Linux desktops: GNOME's settings (GSettings) where the desktop reads
// them, the X server's pointer control on other X11 desktops, and nothing elsewhere. Settings
// a desktop has no place for are reported as not applied, with the reason shown to the user.
#include <memory>
#include <string>
#include <string_view>

#include "core/profile/pointer_settings.h"

namespace z7 {

inline constexpr std::u16string_view kNoTrailsHere =
    u"此桌面没有指针轨迹设置，此项只保存在配置文件中";
inline constexpr std::u16string_view kNoSnapHere =
    u"此桌面没有“自动将光标移至默认按钮”设置，此项只保存在配置文件中";
inline constexpr std::u16string_view kNoWheelLinesHere =
    u"此桌面没有滚轮滚动行数设置，此项只保存在配置文件中";
inline constexpr std::u16string_view kNoSonarHere =
    u"此桌面没有按 CTRL 显示指针位置的设置，此项只保存在配置文件中";
inline constexpr std::u16string_view kNoDoubleClickHere =
    u"X11 没有全桌面统一的双击速度设置，此项只保存在配置文件中";
inline constexpr std::u16string_view kNoSettingHere =
    u"此桌面的指针设置无法由本程序更改，此项只保存在配置文件中";
inline constexpr std::u16string_view kAccelerationOnOffOnly =
    u"此桌面的鼠标加速只有开和关，低、中、高效果相同";
inline constexpr std::u16string_view kSpeedThroughAcceleration =
    u"通过 X 服务器的指针加速系数实现，桌面自己的鼠标设置可能会覆盖它";

enum class PointerBackend { kGSettings, kX11, kNone };

// The backend for a session: GSettings when the desktop (XDG_CURRENT_DESKTOP, a colon-separated
// list) reads GNOME's mouse settings and their schema is installed; else the X server's pointer
// control on an X11 session with a display; else none.
PointerBackend ChoosePointerBackend(std::string_view currentDesktop, bool wayland,
                                    bool gnomeMouseSchema, bool xDisplay);

bool GnomeMouseSchemaInstalled();
// GNOME's keys (org.gnome.desktop.peripherals.mouse speed, accel-profile, double-click;
// org.gnome.desktop.interface locate-pointer), from the schemas in `schemaDir` (empty: the
// system's) in the default settings backend. nullptr without the mouse schema; keys a schema
// lacks count as settings the desktop does not have.
std::unique_ptr<PointerSystem> CreateGSettingsPointerSystem(const std::string& schemaDir = {});
// Pointer speed and acceleration with XChangePointerControl on the display (empty: $DISPLAY);
// nullptr when it cannot be opened.
std::unique_ptr<PointerSystem> CreateX11PointerSystem(const std::string& displayName = {});
// Applies nothing and says so for every setting.
std::unique_ptr<PointerSystem> CreateUnreachablePointerSystem();

}  // namespace z7
