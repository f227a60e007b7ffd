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
#include "gui/ui/skin_controls.h"

namespace z7 {

class PageWindow : public SkinWindow {
    Q_OBJECT
  public:
    // `family` is the page's background element in the layout table (20 system, 36 buttons,
    // 50 basic, 71 advanced, 112 macro, 152 lighting, 175 support).
    PageWindow(int family, QWidget* owner);
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

    SkinButton* minButton() const { return minButton_; }
    SkinButton* closeButton() const { return closeButton_; }

  protected:
    // The page's own controls, made once; the base has made the background, Min and Close.
    virtual void BuildControls() {}
    // Only called once built.
    virtual void LoadControls(const ProfileRecord&) {}
    virtual void StoreControls(ProfileRecord&) {}
    // The control of this page named `name` in the layout table, placed and skinned.
    SkinButton* AddSkinButton(const char* name, int controlId);
    void showEvent(QShowEvent* event) override;

  private:
    int family_;
    bool built_ = false;
    std::optional<ProfileRecord> pending_;
    bool applyEnabled_ = true;
    QString firmwareText_ = QStringLiteral("-.--");
    SkinButton* minButton_ = nullptr;
    SkinButton* closeButton_ = nullptr;
};

// The seven pages, named by their dialog titles.
class SystemPage : public PageWindow {
    Q_OBJECT
  public:
    explicit SystemPage(QWidget* owner) : PageWindow(20, owner) {}
};
class ButtonPage : public PageWindow {
    Q_OBJECT
  public:
    explicit ButtonPage(QWidget* owner) : PageWindow(36, owner) {}
};
class PointerPage : public PageWindow {
    Q_OBJECT
  public:
    explicit PointerPage(QWidget* owner) : PageWindow(50, owner) {}
};
class SensorPage : public PageWindow {
    Q_OBJECT
  public:
    explicit SensorPage(QWidget* owner) : PageWindow(71, owner) {}
};
class MacroPage : public PageWindow {
    Q_OBJECT
  public:
    explicit MacroPage(QWidget* owner) : PageWindow(112, owner) {}
};
class LightingPage : public PageWindow {
    Q_OBJECT
  public:
    explicit LightingPage(QWidget* owner) : PageWindow(152, owner) {}
};
class SupportPage : public PageWindow {
    Q_OBJECT
  public:
    explicit SupportPage(QWidget* owner) : PageWindow(175, owner) {}
};

}  // namespace z7
