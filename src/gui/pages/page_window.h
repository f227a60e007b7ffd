#pragma once
// The base of the settings pages: modeless skinned windows created hidden at start-up and only
// shown and hidden afterwards, with the editing pattern every page shares.
//
// A page says only what differs: its controls (BuildControls), how they load from and store
// into a profile (LoadControls, StoreControls), the exchange Apply posts (ApplyExchange), the
// kind of its Default popup, and, where the profile fields are not the whole story, how its
// snapshot is taken, compared and restored. The base makes the shared furniture from the layout
// table (Min, Close, Default, Cancel, Apply; Back hidden) and runs the pattern:
//  - the snapshot follows every load, Apply and Default;
//  - Apply: every Apply button off, all pages stored into the profile and saved, snapshot, the
//    page's exchange posted with a copy of the profile, Apply buttons back when it ends;
//  - Cancel and Close: an unchanged page hides; a changed one asks with "Data Changed" (282):
//    Yes does exactly what Apply does, anything else restores the snapshot; then it hides;
//  - Default: the page's own popup, factory values, then Apply;
//  - Min minimises; Esc closes an open menu first, a popup next, and the page last (as Cancel).
//
// A page builds its controls (and decodes its skin sheets) when it is first shown, so that the
// start decodes only the main window's pictures. Until then it keeps the last profile it was
// given and has nothing to store: its controls cannot have changed.
#include <QString>
#include <optional>
#include <string_view>

#include "core/profile/profile_record.h"
#include "gui/pages/page_host.h"
#include "gui/ui/skin_controls.h"

namespace z7 {

class SkinComboButton;
class TitleTip;

// The shared buttons of a page window.
enum class Furniture { kMin, kClose, kBack, kDefault, kCancel, kApply };

class PageWindow : public SkinWindow {
    Q_OBJECT
  public:
    // `family` is the page's background element in the layout table (20 system, 36 buttons,
    // 50 basic, 71 advanced, 112 macro, 152 lighting, 175 support). The window title (and the
    // accessible name) is the page title painted on that sheet.
    PageWindow(PageId id, int family, PageHost& host, QWidget* owner);
    PageId pageId() const { return id_; }
    int family() const { return family_; }
    PageHost& host() const { return host_; }

    // The main window's calls.
    // Sets the controls from `record` and takes the snapshot from it.
    void LoadFromProfile(const ProfileRecord& record);
    // Writes the controls into `record`; nothing before the page was first built.
    void StoreIntoProfile(ProfileRecord& record);
    // Follows the Apply-button state of the whole program (the host's SetApplyButtonsEnabled).
    virtual void SetApplyButtonsEnabled(bool enabled);
    bool applyButtonsEnabled() const { return applyEnabled_; }
    // "V1.65" or "-.--"; shown by the System and Support pages.
    virtual void SetFirmwareVersionText(const QString& text);
    const QString& firmwareVersionText() const { return firmwareText_; }
    // Broadcasts of the host.
    virtual void OnLibraryChanged(LibraryKind) {}
    virtual void OnStepCountChanged(int) {}
    virtual void OnProfilesChanged() {}

    // Shows a hidden page, restores a minimised one.
    void Open();
    // Builds the controls now (first show does it otherwise).
    void EnsureBuilt();
    bool built() const { return built_; }

    // The editing pattern; the furniture and the keyboard run these.
    virtual void Apply();
    virtual void Cancel();
    // The Close button; by default the same as Cancel.
    virtual void CloseByButton() { Cancel(); }
    virtual void RestoreDefaults();
    // True when the controls differ from the snapshot.
    virtual bool HasChanges();

    SkinButton* furniture(Furniture which) const;
    SkinButton* minButton() const { return furniture(Furniture::kMin); }
    SkinButton* closeButton() const { return furniture(Furniture::kClose); }
    SkinButton* applyButton() const { return furniture(Furniture::kApply); }
    SkinButton* cancelButton() const { return furniture(Furniture::kCancel); }
    SkinButton* defaultButton() const { return furniture(Furniture::kDefault); }
    SkinButton* backButton() const { return furniture(Furniture::kBack); }

    // Esc lands here (QDialog's cancel): the page closes as Cancel.
    void reject() override { Cancel(); }

  signals:
    // An Apply's exchange has ended (also when Apply had none to post).
    void applyFinished(ExchangeResult result);

  protected:
    // ---- what a page says ----
    // Its own controls, made once; the base has made the background and the furniture.
    virtual void BuildControls() {}
    // Only called once built. StoreControls writes the record and nothing else: the base also
    // calls it on copies to tell whether the page changed.
    virtual void LoadControls(const ProfileRecord&) {}
    virtual void StoreControls(ProfileRecord&) {}
    // The device exchange Apply posts; empty: Apply only saves.
    virtual DeviceExchange ApplyExchange() { return {}; }
    // Runs after Apply saved and took the snapshot, before the exchange is posted.
    virtual void AfterApplySaved() {}
    // The message popup kind Default asks with (194, 198, 202, 206 ...); 0: no question.
    virtual int DefaultPopupKind() const { return 0; }
    // Loads the factory values into the controls (Default); the base loads a factory profile.
    virtual void LoadDefaults();
    // Which shared buttons the page has; the layout table decides where they sit. By default
    // every one the table has, with Back hidden.
    virtual bool HasFurniture(Furniture which) const;

    // The snapshot. By default the profile as loaded or applied; the page counts as changed when
    // its controls store differently into the snapshot than they did when it was taken (so
    // fields a page derives, such as xyLinked, do not count as changes), and restoring loads it
    // back. Pages with state outside the profile, or fields they do not compare, override these.
    virtual void TakeSnapshot(const ProfileRecord& record);
    virtual void RestoreSnapshot() { LoadControls(snapshot_); }
    const ProfileRecord& snapshot() const { return snapshot_; }

    // Control notifications (sysCommand of every control made below) and clicks.
    virtual void OnCommand(int /*code*/, int /*value*/) {}
    virtual void OnClicked(int /*controlId*/) {}
    // Help balloon text for the hover notification of a control; empty: none.
    virtual QString HelpText(int /*controlId*/) const { return {}; }

    // ---- making controls from the layout table ----
    // Each is placed and skinned from the element called `name` on this page, named for
    // assistive technology by that name (or `accessibleName`), given `tooltip` (also its
    // accessible description) and wired to OnCommand/OnClicked. Null when the table has no such
    // element.
    SkinButton* AddSkinButton(const char* name, int controlId, const QString& tooltip = {},
                              const QString& accessibleName = {});
    SkinCheckBox* AddCheckBox(const char* name, int controlId, const QString& tooltip = {},
                              const QString& accessibleName = {});
    SkinComboButton* AddComboButton(const char* name, int controlId, const QString& tooltip = {},
                                    const QString& accessibleName = {});
    SkinSlider* AddSlider(const char* name, int controlId, const QString& tooltip = {},
                          const QString& accessibleName = {});
    SkinLineEdit* AddLineEdit(const char* name, int controlId, const QString& tooltip = {},
                              const QString& accessibleName = {});
    SkinLabel* AddLabel(const char* name, int controlId, const QString& accessibleName = {});
    // Places, names and wires a control the page made itself.
    void Adopt(QWidget* control, const char* name, const QString& tooltip = {},
               const QString& accessibleName = {});

    // Selects `value` of the profile field `field` (value_sets.h) on `combo`. A value the combo
    // does not offer never leaves the combo showing what it showed before: it shows the field's
    // factory default when the combo offers that, else the raw number. Returns the value shown.
    long long SelectValue(SkinComboButton* combo, std::string_view field, long long value,
                          size_t index = 0);
    // The same for a slider: a value outside the field's set moves it to the factory default.
    long long SetSliderValue(SkinSlider* slider, std::string_view field, long long value,
                             size_t index = 0);

    // Paints the element called `name` out of the page's background, for controls of the
    // sheet the page leaves hidden (they must not look like live buttons).
    void CoverSheetElement(const char* name);

    void ShowHelp(int controlId);
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void MakeFurniture();
    void ApplyEnabledState();
    QWidget* ControlById(int controlId) const;

    PageId id_;
    int family_;
    PageHost& host_;
    bool built_ = false;
    std::optional<ProfileRecord> pending_;
    ProfileRecord snapshot_;
    std::optional<ProfileRecord> storedSnapshot_;  // the snapshot as the controls stored it
    bool applyEnabled_ = true;
    QString firmwareText_ = QStringLiteral("-.--");
    SkinButton* furniture_[6] = {};
    TitleTip* tip_ = nullptr;
};

}  // namespace z7
