#pragma once
// The settings pages the main window owns: modeless skinned windows created hidden at start-up
// and only shown and hidden afterwards. Each page fills its controls from the current profile,
// writes them back, and follows the Apply-button state of the whole program.
//
// A page builds its controls (and decodes its skin sheets) when it is first shown, so that the
// start decodes only the main window's pictures. Until then it keeps the last profile it was
// given and has nothing to store: its controls cannot have changed.
#include <QString>
#include <optional>

#include "core/profile/profile_record.h"
#include "gui/ui/lum_controls.h"

namespace z7 {

class CPageDlg : public CLumImageDialog {
    Q_OBJECT
  public:
    // `family` is the page's background element in the layout table (20 system, 36 buttons,
    // 50 basic, 71 advanced, 112 macro, 152 lighting, 175 support).
    CPageDlg(int family, QWidget* owner);
    int family() const { return family_; }

    void LoadFromProfile(const ProfileRecord& record);
    void StoreIntoProfile(ProfileRecord& record);
    // Disabled while a device write runs.
    virtual void SetApplyButtonsEnabled(bool enabled);
    bool applyButtonsEnabled() const { return applyEnabled_; }
    // "V1.65" or "-.--"; shown by the System and Support pages.
    virtual void SetFirmwareVersionText(const QString& text);
    const QString& firmwareVersionText() const { return firmwareText_; }
    // Shows a hidden page, restores a minimised one.
    void Open();
    // Builds the controls now (first show does it otherwise).
    void EnsureBuilt();
    bool built() const { return built_; }

    CLumButton* minButton() const { return minButton_; }
    CLumButton* closeButton() const { return closeButton_; }

  protected:
    // The page's own controls, made once; the base has made the background, Min and Close.
    virtual void BuildControls() {}
    // Only called once built.
    virtual void LoadControls(const ProfileRecord&) {}
    virtual void StoreControls(ProfileRecord&) {}
    // The control of this page named `name` in the layout table, placed and skinned.
    CLumButton* AddSkinButton(const char* name, int controlId);
    void showEvent(QShowEvent* event) override;

  private:
    int family_;
    bool built_ = false;
    std::optional<ProfileRecord> pending_;
    bool applyEnabled_ = true;
    QString firmwareText_ = QStringLiteral("-.--");
    CLumButton* minButton_ = nullptr;
    CLumButton* closeButton_ = nullptr;
};

// The seven pages, named by their dialog titles.
class CSystemSettingsDlg : public CPageDlg {
    Q_OBJECT
  public:
    explicit CSystemSettingsDlg(QWidget* owner) : CPageDlg(20, owner) {}
};
class CButtonAssignmentDlg : public CPageDlg {
    Q_OBJECT
  public:
    explicit CButtonAssignmentDlg(QWidget* owner) : CPageDlg(36, owner) {}
};
class CBasicSettingsDlg : public CPageDlg {
    Q_OBJECT
  public:
    explicit CBasicSettingsDlg(QWidget* owner) : CPageDlg(50, owner) {}
};
class CAdvancedSettingsDlg : public CPageDlg {
    Q_OBJECT
  public:
    explicit CAdvancedSettingsDlg(QWidget* owner) : CPageDlg(71, owner) {}
};
class CMacroRecording : public CPageDlg {
    Q_OBJECT
  public:
    explicit CMacroRecording(QWidget* owner) : CPageDlg(112, owner) {}
};
class CLightSettingsDlg : public CPageDlg {
    Q_OBJECT
  public:
    explicit CLightSettingsDlg(QWidget* owner) : CPageDlg(152, owner) {}
};
class CSupportUpdateDlg : public CPageDlg {
    Q_OBJECT
  public:
    explicit CSupportUpdateDlg(QWidget* owner) : CPageDlg(175, owner) {}
};

}  // namespace z7
