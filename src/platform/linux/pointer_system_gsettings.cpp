// GNOME's mouse settings through GIO's GSettings. They are the user's saved settings: the
// desktop applies a change at once and keeps it, so there is no session-only form.
#include <gio/gio.h>

#include <algorithm>
#include <mutex>

#include "platform/linux/pointer_system_linux.h"

namespace z7 {
namespace {

constexpr const char* kMouseSchema = "org.gnome.desktop.peripherals.mouse";
constexpr const char* kInterfaceSchema = "org.gnome.desktop.interface";
constexpr const char* kSpeedKey = "speed";
constexpr const char* kAccelKey = "accel-profile";
constexpr const char* kDoubleClickKey = "double-click";
constexpr const char* kLocateKey = "locate-pointer";

// The settings of one schema, or nothing when the schema is not installed.
class Schema {
  public:
    Schema(GSettingsSchemaSource* source, const char* id)
        : schema_(source ? g_settings_schema_source_lookup(source, id, TRUE) : nullptr),
          settings_(schema_ ? g_settings_new_full(schema_, nullptr, nullptr) : nullptr) {}
    ~Schema() {
        if (settings_) g_object_unref(settings_);
        if (schema_) g_settings_schema_unref(schema_);
    }
    Schema(const Schema&) = delete;
    Schema& operator=(const Schema&) = delete;

    bool Has(const char* key) const { return schema_ && g_settings_schema_has_key(schema_, key); }

    // False when the key is missing, the value is outside its range or the key is locked.
    bool Set(const char* key, GVariant* value) {
        g_variant_ref_sink(value);
        bool ok = false;
        if (Has(key)) {
            GSettingsSchemaKey* k = g_settings_schema_get_key(schema_, key);
            ok = g_variant_is_of_type(value, g_settings_schema_key_get_value_type(k)) &&
                 g_settings_schema_key_range_check(k, value) &&
                 g_settings_set_value(settings_, key, value);
            g_settings_schema_key_unref(k);
        }
        g_variant_unref(value);
        if (ok) g_settings_sync();
        return ok;
    }

  private:
    GSettingsSchema* schema_;
    GSettings* settings_;
};

class GSettingsPointerSystem final : public PointerSystem {
  public:
    explicit GSettingsPointerSystem(GSettingsSchemaSource* source)
        : mouse_(source, kMouseSchema), interface_(source, kInterfaceSchema) {}

    bool usable() const { return mouse_.Has(kSpeedKey) || mouse_.Has(kDoubleClickKey); }

    PointerSupport Support(PointerSetting setting) const override {
        switch (setting) {
            case PointerSetting::Speed:
                return Applied(mouse_.Has(kSpeedKey), kNoSettingHere);
            case PointerSetting::Acceleration:
                return mouse_.Has(kAccelKey) ? PointerSupport{true, kAccelerationOnOffOnly}
                                             : PointerSupport{false, kNoSettingHere};
            case PointerSetting::DoubleClickTime:
                return Applied(mouse_.Has(kDoubleClickKey), kNoSettingHere);
            case PointerSetting::Sonar:
                return Applied(interface_.Has(kLocateKey), kNoSonarHere);
            case PointerSetting::Trails:
                return {false, kNoTrailsHere};
            case PointerSetting::SnapToDefault:
                return {false, kNoSnapHere};
            case PointerSetting::WheelScroll:
                return {false, kNoWheelLinesHere};
        }
        return {false, kNoSettingHere};
    }

    // 1..20 with 10 the system's normal speed -> GNOME's -1..1 with 0 its default.
    bool SetMouseSpeed(int speed) override {
        std::lock_guard lock(mutex_);
        const double value = std::clamp((speed - 10) / 10.0, -1.0, 1.0);
        return mouse_.Set(kSpeedKey, g_variant_new_double(value));
    }
    // GNOME knows acceleration on (adaptive) or off (flat), not its levels.
    bool SetMouseAcceleration(const std::array<int, 3>& v, bool) override {
        std::lock_guard lock(mutex_);
        const bool off = v == std::array<int, 3>{0, 0, 0};
        return mouse_.Set(kAccelKey, g_variant_new_string(off ? "flat" : "adaptive"));
    }
    bool SetDoubleClickTime(unsigned milliseconds) override {
        std::lock_guard lock(mutex_);
        const auto ms = static_cast<gint32>(std::min<unsigned>(milliseconds, G_MAXINT32));
        return mouse_.Set(kDoubleClickKey, g_variant_new_int32(ms));
    }
    bool SetMouseSonar(bool on) override {
        std::lock_guard lock(mutex_);
        return interface_.Set(kLocateKey, g_variant_new_boolean(on));
    }
    bool SetSnapToDefaultButton(bool) override { return false; }
    bool SetMouseTrails(unsigned) override { return false; }
    bool SetWheelScrollLines(uint32_t, bool) override { return false; }

  private:
    static PointerSupport Applied(bool has, std::u16string_view why) {
        return has ? PointerSupport{} : PointerSupport{false, why};
    }

    std::mutex mutex_;
    Schema mouse_;
    Schema interface_;
};

GSettingsSchemaSource* SourceFor(const std::string& schemaDir) {
    if (schemaDir.empty()) {
        GSettingsSchemaSource* source = g_settings_schema_source_get_default();
        return source ? g_settings_schema_source_ref(source) : nullptr;
    }
    GError* error = nullptr;
    GSettingsSchemaSource* source =
        g_settings_schema_source_new_from_directory(schemaDir.c_str(), nullptr, FALSE, &error);
    if (error) g_error_free(error);
    return source;
}

}  // namespace

bool GnomeMouseSchemaInstalled() {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema =
        source ? g_settings_schema_source_lookup(source, kMouseSchema, TRUE) : nullptr;
    if (schema) g_settings_schema_unref(schema);
    return schema != nullptr;
}

std::unique_ptr<PointerSystem> CreateGSettingsPointerSystem(const std::string& schemaDir) {
    GSettingsSchemaSource* source = SourceFor(schemaDir);
    if (!source) return nullptr;
    auto system = std::make_unique<GSettingsPointerSystem>(source);
    g_settings_schema_source_unref(source);
    if (!system->usable()) return nullptr;
    return system;
}

}  // namespace z7
