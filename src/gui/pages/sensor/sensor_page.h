#pragma once
// The "ADVANCED SETTINGS" page: CPI steps, polling rate, lift-off distance, angle snapping,
// smoothing and the surface mode; Apply writes the sensor block, Calibrate calibrates the mouse
// on the current surface.
#include <QTimer>
#include <array>

#include "core/profile/sensor_rules.h"
#include "gui/pages/page_window.h"
#include "gui/ui/message_popup.h"

namespace z7 {

class SkinComboButton;

// Control ids of the page.
enum SensorControl : int {
    kIdSteps = 1054,
    kIdStep1X = 1055,  // 1055..1060: step 1 X, step 1 Y, step 2 X ... step 3 Y
    kIdSnapSlider = 1072,
    kIdAngleSnap = 1073,
    kIdTuneSlider = 1075,
    kIdLodSlider = 1076,
    kIdAngleTune = 1077,
    kIdLod = 1078,
    kIdPollingRate = 1079,
    kIdSmoothing = 1080,
    kIdSurfaceMode = 1081,
    kIdCalibrate = 1082,
    kIdLodBar = 1127,
    kIdChangeCpi1 = 1146,
    kIdChangeCpi2 = 1147,
    kIdSnapBar = 1150,
};
// The twelve step buttons: step 1 X up, X down, Y up, Y down, then steps 2 and 3.
inline constexpr std::array<int, 12> kCpiStepButtonIds = {1061, 1062, 1063, 1064, 1065, 1066,
                                                          1067, 1068, 1069, 1070, 1071, 1074};

class SensorPage : public PageWindow {
    Q_OBJECT
  public:
    SensorPage(PageHost& host, QWidget* owner);

    // One tick of the CPI edits' timer (every 200 ms while the page shows).
    void NormaliseCpiEdits();
    // What the controls show, as the page compares it with its snapshot.
    SensorSettings Shown() const;
    bool HasChanges() override;
    void SetApplyButtonsEnabled(bool enabled) override;
    // Starts a surface calibration on the device worker; nothing unless the mode is manual.
    void Calibrate();
    bool calibrating() const { return calibrating_; }

    SkinComboButton* steps() const { return steps_; }
    SkinLineEdit* cpiEdit(int step, bool y) const { return cpiEdits_[step * 2 + (y ? 1 : 0)]; }
    SkinButton* stepButton(int index) const { return stepButtons_[static_cast<size_t>(index)]; }
    SkinComboButton* angleSnap() const { return angleSnap_; }
    SkinSlider* angleSnapSlider() const { return snapSlider_; }
    SkinComboButton* lod() const { return lod_; }
    SkinSlider* lodSlider() const { return lodSlider_; }
    SkinComboButton* pollingRate() const { return polling_; }
    SkinComboButton* smoothing() const { return smoothing_; }
    SkinComboButton* surfaceMode() const { return surface_; }
    SkinButton* calibrateButton() const { return calibrate_; }
    SkinLabel* snapBar() const { return snapBar_; }
    SkinLabel* lodBar() const { return lodBar_; }
    SkinLabel* changeCpi(int index) const { return changeCpi_[index]; }
    QTimer* cpiTimer() { return &cpiTimer_; }

  protected:
    void BuildControls() override;
    void LoadControls(const ProfileRecord& record) override;
    void StoreControls(ProfileRecord& record) override;
    DeviceExchange ApplyExchange() override;
    void AfterApplySaved() override;
    int DefaultPopupKind() const override { return kPopupAdvancedDefault; }
    void TakeSnapshot(const ProfileRecord& record) override;
    void OnCommand(int code, int value) override;
    void OnClicked(int controlId) override;
    QString HelpText(int controlId) const override;

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void ApplyStepCount(int stepCount);
    void ApplySwitch(SkinSlider* slider, bool on, int offPosition);
    void UpdateCalibrate();
    void PressStepButton(int buttonIndex);

    SkinComboButton* steps_ = nullptr;
    std::array<SkinLineEdit*, 6> cpiEdits_{};
    std::array<SkinButton*, 12> stepButtons_{};
    SkinComboButton* angleSnap_ = nullptr;
    SkinSlider* snapSlider_ = nullptr;
    SkinComboButton* lod_ = nullptr;
    SkinSlider* lodSlider_ = nullptr;
    SkinComboButton* polling_ = nullptr;
    SkinComboButton* smoothing_ = nullptr;
    SkinComboButton* surface_ = nullptr;
    SkinButton* calibrate_ = nullptr;
    SkinLabel* snapBar_ = nullptr;
    SkinLabel* lodBar_ = nullptr;
    std::array<SkinLabel*, 2> changeCpi_{};
    // Angle tune is kept per profile but has no control the user can reach.
    uint8_t angleTuneOn_ = 0;
    uint8_t angleTuneLevel_ = 0;
    SensorSettings shownAtSnapshot_;
    QTimer cpiTimer_;
    bool calibrating_ = false;
};

}  // namespace z7
