// The Linux pointer settings backends, each checked by reading back what it wrote.
// gtest first: Xlib defines None, True and False as macros.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xlib.h>
#include <gio/gio.h>
// clang-format on

#include <cstdlib>
#include <string>

#include "platform/linux/pointer_system_linux.h"
#include "private_x_server.h"

namespace z7 {
namespace {

// Before GIO picks its default backend: no test may write the user's own desktop settings.
const bool kMemoryBackend = setenv("GSETTINGS_BACKEND", "memory", 1) == 0;

// Another client of the same settings backend.
class SettingsReader {
  public:
    SettingsReader(const std::string& dir, const char* id) {
        source_ = g_settings_schema_source_new_from_directory(dir.c_str(), nullptr, FALSE, nullptr);
        GSettingsSchema* schema = g_settings_schema_source_lookup(source_, id, FALSE);
        settings_ = g_settings_new_full(schema, nullptr, nullptr);
        g_settings_schema_unref(schema);
    }
    ~SettingsReader() {
        g_object_unref(settings_);
        g_settings_schema_source_unref(source_);
    }
    double Double(const char* key) { return g_settings_get_double(settings_, key); }
    int Int(const char* key) { return g_settings_get_int(settings_, key); }
    bool Flag(const char* key) { return g_settings_get_boolean(settings_, key); }
    std::string String(const char* key) {
        gchar* s = g_settings_get_string(settings_, key);
        std::string out = s;
        g_free(s);
        return out;
    }

  private:
    GSettingsSchemaSource* source_;
    GSettings* settings_;
};

ProfileRecord Profile(uint8_t speed, uint8_t acceleration, uint8_t doubleClick, bool sonar) {
    ProfileRecord p;
    p.pointerSpeed = speed;
    p.pointerAcceleration = acceleration;
    p.doubleClickSpeed = doubleClick;
    p.showPointerOnCtrl = sonar;
    p.pointerTrails = 1;
    p.snapToDefault = 1;
    return p;
}

const std::string kDesktopSchemas = std::string(Z7_TEST_SCHEMA_DIR) + "/desktop";
const std::string kOlderSchemas = std::string(Z7_TEST_SCHEMA_DIR) + "/mouse-only";

TEST(GSettingsPointerSystem, WritesGnomesKeysAndSaysWhatItCannotApply) {
    ASSERT_TRUE(kMemoryBackend);
    auto system = CreateGSettingsPointerSystem(kDesktopSchemas);
    ASSERT_TRUE(system);
    SettingsReader mouse(kDesktopSchemas, "org.gnome.desktop.peripherals.mouse");
    SettingsReader desktop(kDesktopSchemas, "org.gnome.desktop.interface");

    ApplyPointerSettings(Profile(11, 3, 8, true), *system, true);
    EXPECT_DOUBLE_EQ(mouse.Double("speed"), 1.0);
    EXPECT_EQ(mouse.String("accel-profile"), "adaptive");
    EXPECT_EQ(mouse.Int("double-click"), 500);
    EXPECT_TRUE(desktop.Flag("locate-pointer"));

    ApplyPointerSettings(Profile(1, 0, 1, false), *system, false);
    EXPECT_DOUBLE_EQ(mouse.Double("speed"), -0.9);
    EXPECT_EQ(mouse.String("accel-profile"), "flat");
    EXPECT_EQ(mouse.Int("double-click"), 1200);
    EXPECT_FALSE(desktop.Flag("locate-pointer"));

    ApplyPointerSettings(Profile(6, 6, 6, false), *system, true);
    EXPECT_DOUBLE_EQ(mouse.Double("speed"), 0.0);  // the factory speed is the desktop's own
    EXPECT_EQ(mouse.Int("double-click"), 700);

    // Values from a damaged file stay in range.
    ApplyPointerSettings(Profile(255, 6, 20, false), *system, true);
    EXPECT_DOUBLE_EQ(mouse.Double("speed"), 1.0);
    EXPECT_EQ(mouse.Int("double-click"), 200);

    EXPECT_TRUE(system->Support(PointerSetting::Speed).applied);
    EXPECT_TRUE(system->Support(PointerSetting::Speed).note.empty());
    EXPECT_TRUE(system->Support(PointerSetting::DoubleClickTime).applied);
    EXPECT_TRUE(system->Support(PointerSetting::Sonar).applied);
    const PointerSupport accel = system->Support(PointerSetting::Acceleration);
    EXPECT_TRUE(accel.applied);
    EXPECT_EQ(accel.note, kAccelerationOnOffOnly);
    for (auto [setting, why] : {std::pair{PointerSetting::Trails, kNoTrailsHere},
                                std::pair{PointerSetting::SnapToDefault, kNoSnapHere},
                                std::pair{PointerSetting::WheelScroll, kNoWheelLinesHere}}) {
        EXPECT_FALSE(system->Support(setting).applied);
        EXPECT_EQ(system->Support(setting).note, why);
    }
    EXPECT_FALSE(system->SetMouseTrails(3));
    EXPECT_FALSE(system->SetWheelScrollLines(3, true));
}

TEST(GSettingsPointerSystem, KeysAnOlderDesktopLacksAreNotApplied) {
    ASSERT_TRUE(kMemoryBackend);
    auto system = CreateGSettingsPointerSystem(kOlderSchemas);
    ASSERT_TRUE(system);
    EXPECT_TRUE(system->SetMouseSpeed(15));
    EXPECT_DOUBLE_EQ(
        SettingsReader(kOlderSchemas, "org.gnome.desktop.peripherals.mouse").Double("speed"), 0.5);
    EXPECT_FALSE(system->SetMouseSonar(true));
    EXPECT_FALSE(system->Support(PointerSetting::Sonar).applied);
    EXPECT_EQ(system->Support(PointerSetting::Sonar).note, kNoSonarHere);
    EXPECT_FALSE(system->SetMouseAcceleration({4, 6, 2}, true));
    EXPECT_FALSE(system->Support(PointerSetting::Acceleration).applied);

    // Without the mouse schema there is no GSettings backend at all.
    EXPECT_FALSE(CreateGSettingsPointerSystem("/nonexistent"));
}

TEST(X11PointerSystem, SpeedAndAccelerationBecomeThePointerControl) {
    test::PrivateXServer server;
    if (server.name().empty()) GTEST_SKIP() << "no Xvfb to run an X server of our own";
    auto system = CreateX11PointerSystem(server.name());
    ASSERT_TRUE(system);
    Display* d = XOpenDisplay(server.name().c_str());
    ASSERT_NE(d, nullptr);
    const auto control = [d] {
        int num = 0, den = 0, threshold = 0;
        XGetPointerControl(d, &num, &den, &threshold);
        return std::to_string(num) + "/" + std::to_string(den) + " past " +
               std::to_string(threshold);
    };

    ApplyPointerSettings(Profile(6, 0, 6, false), *system, true);
    EXPECT_EQ(control(), "1/1 past 1");  // normal speed, no acceleration
    ApplyPointerSettings(Profile(11, 6, 6, false), *system, true);
    EXPECT_EQ(control(), "8/1 past 4");  // quadrupled, at twice the speed
    ApplyPointerSettings(Profile(1, 1, 6, false), *system, true);
    EXPECT_EQ(control(), "1/5 past 10");
    ApplyPointerSettings(Profile(255, 3, 6, false), *system, true);
    EXPECT_EQ(control(), "4/1 past 6");  // a damaged speed counts as the fastest

    EXPECT_EQ(system->Support(PointerSetting::Speed).note, kSpeedThroughAcceleration);
    EXPECT_TRUE(system->Support(PointerSetting::Acceleration).applied);
    EXPECT_FALSE(system->Support(PointerSetting::DoubleClickTime).applied);
    EXPECT_EQ(system->Support(PointerSetting::DoubleClickTime).note, kNoDoubleClickHere);
    EXPECT_FALSE(system->SetDoubleClickTime(500));
    XCloseDisplay(d);

    EXPECT_FALSE(CreateX11PointerSystem(":4711"));
}

TEST(PointerBackendChoice, FollowsTheDesktopAndTheSession) {
    EXPECT_EQ(ChoosePointerBackend("ubuntu:GNOME", true, true, false), PointerBackend::kGSettings);
    EXPECT_EQ(ChoosePointerBackend("Budgie:GNOME", false, true, true), PointerBackend::kGSettings);
    EXPECT_EQ(ChoosePointerBackend("gnome", false, true, true), PointerBackend::kGSettings);
    // GNOME's schema installed under another desktop: its keys would be ignored.
    EXPECT_EQ(ChoosePointerBackend("KDE", false, true, true), PointerBackend::kX11);
    EXPECT_EQ(ChoosePointerBackend("GNOME", false, false, true), PointerBackend::kX11);
    EXPECT_EQ(ChoosePointerBackend("", false, false, true), PointerBackend::kX11);
    EXPECT_EQ(ChoosePointerBackend("KDE", true, true, true), PointerBackend::kNone);
    EXPECT_EQ(ChoosePointerBackend("", false, false, false), PointerBackend::kNone);

    auto none = CreateUnreachablePointerSystem();
    EXPECT_FALSE(none->SetMouseSpeed(10));
    EXPECT_FALSE(none->Support(PointerSetting::Speed).applied);
    EXPECT_EQ(none->Support(PointerSetting::Trails).note, kNoSettingHere);
}

}  // namespace
}  // namespace z7
