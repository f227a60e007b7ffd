#pragma once
// The "LIGHT SETTINGS" page: which lights are on, their colours (picked on two colour discs or
// typed as R/G/B), the effect, its speed, the sleep time, the brightness and a colour sync
// option, with a live preview of the effect. Apply writes the lighting block.
#include <array>
#include <optional>

#include "core/profile/lighting_rules.h"
#include "gui/pages/page_window.h"
#include "gui/ui/message_popup.h"

namespace z7 {

class ColourDisc;
class LightingPreview;
class SkinComboButton;
class SkinLineEdit;

// Control ids of the page's template.
enum LightingControl {
    kIdWheelRed = 1087,  // then green, blue; the logo's three follow
    kIdLogoRed = 1090,
    kIdLights = 1093,
    kIdMode = 1094,
    kIdSpeed = 1095,
    kIdMouseSaver = 1096,
    kIdStrength = 1097,
    kIdKestaColor = 1098,
    kIdWheelDisc = 1103,
    kIdLogoDisc = 1104,
    kIdWheelTooltip = 1127,
    kIdLogoTooltip = 1128,
};

class LightingPage : public PageWindow {
    Q_OBJECT
  public:
    LightingPage(PageHost& host, QWidget* owner);

    // The controls, for tests and the screenshot program; null until the page is built.
    SkinComboButton* lights() const { return combos_[0]; }
    SkinComboButton* mode() const { return combos_[1]; }
    SkinComboButton* speed() const { return combos_[2]; }
    SkinComboButton* mouseSaver() const { return combos_[3]; }
    SkinComboButton* strength() const { return combos_[4]; }
    SkinComboButton* kestaColor() const { return combos_[5]; }
    // channel: 0 red, 1 green, 2 blue.
    SkinLineEdit* edit(Light light, int channel) const { return edits_[Index(light)][channel]; }
    ColourDisc* disc(Light light) const { return discs_[Index(light)]; }
    LightingPreview* preview() const { return preview_; }
    // The colour a light's disc and typing last chose.
    uint32_t pickedColor(Light light) const { return picked_[Index(light)]; }

  protected:
    void BuildControls() override;
    void LoadControls(const ProfileRecord& record) override;
    void StoreControls(ProfileRecord& record) override;
    DeviceExchange ApplyExchange() override;
    int DefaultPopupKind() const override { return kPopupLedDefault; }
    void OnCommand(int code, int value) override;
    void OnClicked(int controlId) override;
    QString HelpText(int controlId) const override;
    void changeEvent(QEvent* event) override;

  private:
    static size_t Index(Light light) { return light == Light::kWheel ? 0 : 1; }
    uint8_t Current(int which) const;
    uint8_t lightSwitch() const { return Current(0); }
    uint8_t lightSync() const { return Current(5); }
    // The colour a light's three edits hold, each clamped to 0..255.
    uint32_t EditColor(Light light) const;
    // Shows each light's colour in its edits and disc, enables what can be chosen, and
    // refreshes the preview.
    void ShowColors();
    void ShowEffect();
    void UpdatePreview();
    void OnEditChanged(int controlId);
    void OnPicking(Light source, int phase, QPoint pos);
    void TakePick(Light disc, QPoint pos, uint32_t color);

    std::array<SkinComboButton*, 6> combos_{};
    SkinLineEdit* edits_[2][3] = {};
    ColourDisc* discs_[2] = {};
    LightingPreview* preview_ = nullptr;
    uint32_t picked_[2] = {kColorRed, kColorRed};
    bool dragging_[2] = {false, false};
    bool filling_ = false;         // the page itself is setting the edits' texts
    std::optional<Light> typing_;  // the light whose fields the user is typing in
};

}  // namespace z7
