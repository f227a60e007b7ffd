#pragma once
// The "BUTTON ASSIGNMENT" page: the function of each of the seven buttons, chosen from a
// two-level menu per button that follows the libraries, the CPI step count and the profiles in
// use. Apply writes the whole configuration image.
#include <array>
#include <functional>

#include "core/buttons/button_function.h"
#include "core/buttons/library_list.h"
#include "gui/pages/page_window.h"
#include "gui/ui/message_popup.h"

namespace z7 {

class ButtonFunctionCombo;
class LibraryPopup;

class ButtonPage : public PageWindow {
    Q_OBJECT
  public:
    // Control ids of the seven function menus: button i is 1023 + i.
    static constexpr int kFirstButtonId = 1023;

    ButtonPage(PageHost& host, QWidget* owner) : PageWindow(PageId::kButtons, 36, host, owner) {}

    // Gives button 0..6 the function `functionId` as a choice in its menu would (the macro
    // page binds a macro it applied for a button this way: 4002 + macro id). The page is
    // changed, not applied.
    void ChooseFunction(int button, int32_t functionId);

    // The function menu of button 0..6; nullptr before the page is built.
    ButtonFunctionCombo* functionButton(int button) const;
    // What button 0..6 holds and shows.
    int32_t functionOf(int button) const;
    QString labelOf(int button) const;

    // Runs with every library popup the page opens, before it is shown (tests answer it).
    std::function<void(LibraryPopup&)> beforePopupShown;

    void OnLibraryChanged(LibraryKind kind) override;
    void OnStepCountChanged(int stepCount) override;
    void OnProfilesChanged() override;
    bool HasChanges() override;
    // Refuses, naming the button and the reason, what the profile or the mouse cannot hold;
    // otherwise the shared Apply.
    void Apply() override;
    // Why the shown functions cannot be applied (a key sequence too long for a button, more
    // macro entries than the image holds); empty when they can.
    QString ApplyProblem();

  protected:
    void BuildControls() override;
    void LoadControls(const ProfileRecord& record) override;
    void StoreControls(ProfileRecord& record) override;
    void TakeSnapshot(const ProfileRecord& record) override;
    void RestoreSnapshot() override;
    int DefaultPopupKind() const override { return kPopupButtonDefault; }
    DeviceExchange ApplyExchange() override;
    void OnCommand(int code, int value) override;

  private:
    // The menu-choice rules of a button: the left-click guard, "出厂值", the editors, and
    // otherwise the function itself.
    void Choose(int button, int32_t functionId);
    // Shows `functionId` on a button: its menu item, or a placeholder that keeps the function
    // when no item offers it.
    void Show(int button, int32_t functionId);
    void SetFunction(int button, int32_t functionId, const QString& text);
    void UpdateTooltip(int button);
    void RebuildLibraryMenus(LibraryKind kind);
    void RebuildCpiMenus(int stepCount);
    void RebuildProfileMenus();
    void OpenPopup(int button, int32_t editorEntry);
    void RunPopup(LibraryPopup& popup);
    // A library's ids were renumbered: buttons naming its entries follow them.
    void FollowRenumbering(LibraryKind kind, const IdMap& map);
    MacroSources Sources();

    std::array<ButtonFunctionCombo*, kButtonCount> combos_{};
    std::array<int32_t, kButtonCount> savedIds_{};
};

}  // namespace z7
