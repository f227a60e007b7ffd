#pragma once
// The "BASIC SETTINGS" page: the desktop's pointer settings kept in every profile. Changes take
// effect at once; Apply saves them into the profile and applies all of them again.
#include <QTimer>
#include <optional>

#include "core/profile/pointer_settings.h"
#include "gui/pages/page_window.h"
#include "gui/ui/message_popup.h"

namespace z7 {

class SkinComboButton;

// Control ids of the page.
enum PointerControl : int {
    kIdAcceleration = 1032,
    kIdSnapToDefault = 1033,
    kIdWheelLines = 1034,
    kIdLinesUp = 1035,
    kIdWheelPage = 1036,
    kIdTrails = 1038,
    kIdSonar = 1039,
    kIdLinesDown = 1045,
    kIdLines = 1046,
    kIdPointerSpeed = 1050,
    kIdDoubleClickSpeed = 1051,
    kIdDoubleClickTest = 1131,
};

class PointerPage : public PageWindow {
    Q_OBJECT
  public:
    PointerPage(PageHost& host, QWidget* owner);

    // A profile became current: its pointer speed and double-click time take effect at once,
    // whether or not the page has ever been shown, and the program's own double-click interval
    // follows. Loading the same values for the same slot again (a refresh, a replug) leaves the
    // desktop alone, so that it never undoes what the user set there meanwhile.
    void FollowProfile(const ProfileRecord& record);
    // One tick of the lines edit's timer (every 200 ms while the page shows).
    void NormaliseLinesEdit();

    SkinSlider* pointerSpeed() const { return speed_; }
    SkinComboButton* acceleration() const { return acceleration_; }
    SkinComboButton* snapToDefault() const { return snapTo_; }
    SkinCheckBox* wheelLines() const { return wheelLines_; }
    SkinLineEdit* lines() const { return lines_; }
    SkinButton* linesUp() const { return linesUp_; }
    SkinButton* linesDown() const { return linesDown_; }
    SkinCheckBox* wheelPage() const { return wheelPage_; }
    SkinSlider* doubleClickSpeed() const { return doubleClick_; }
    SkinCheckBox* trails() const { return trails_; }
    SkinCheckBox* sonar() const { return sonar_; }
    DoubleClickTestArea* doubleClickTest() const { return test_; }
    QTimer* linesTimer() { return &linesTimer_; }

  protected:
    void BuildControls() override;
    void LoadControls(const ProfileRecord& record) override;
    void StoreControls(ProfileRecord& record) override;
    DeviceExchange ApplyExchange() override;
    void AfterApplySaved() override;
    int DefaultPopupKind() const override { return kPopupBasicDefault; }
    // "No" to "Data Changed": the snapshot goes back into the controls and to the desktop, which
    // may have kept the declined values (GNOME saves every change at once).
    void RestoreSnapshot() override;
    void OnCommand(int code, int value) override;
    void OnClicked(int controlId) override;

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    PointerSystem* system() const { return host().pointerSystem(); }
    bool Applied(PointerSetting setting) const;
    // The tooltip of a control, or why the desktop does not apply its setting.
    QString TipFor(PointerSetting setting, const char* tooltip) const;
    void UpdateEnabled();
    // The profile's speed and double-click time are what the desktop has now.
    void Remember(const ProfileRecord& record);

    SkinSlider* speed_ = nullptr;
    SkinComboButton* acceleration_ = nullptr;
    SkinComboButton* snapTo_ = nullptr;
    SkinCheckBox* wheelLines_ = nullptr;
    SkinLineEdit* lines_ = nullptr;
    SkinButton* linesUp_ = nullptr;
    SkinButton* linesDown_ = nullptr;
    SkinCheckBox* wheelPage_ = nullptr;
    SkinSlider* doubleClick_ = nullptr;
    SkinCheckBox* trails_ = nullptr;
    SkinCheckBox* sonar_ = nullptr;
    DoubleClickTestArea* test_ = nullptr;
    QTimer linesTimer_;
    bool loading_ = false;
    struct Followed {
        int slot;
        int speed;
        unsigned doubleClickMs;
        friend bool operator==(const Followed&, const Followed&) = default;
    };
    std::optional<Followed> followed_;
};

}  // namespace z7
