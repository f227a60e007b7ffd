#pragma once
// Drop-down buttons: a skinned button that opens a popup menu and reports the chosen item.
#include <QImage>
#include <QString>
#include <optional>

#include "core/util/clock.h"
#include "gui/ui/skin_controls.h"
#include "gui/ui/skin_menu.h"

namespace z7 {

class SkinComboButton : public SkinControl {
    Q_OBJECT
  public:
    SkinComboButton(int controlId, QWidget* parent);

    void SetPictures(const QImage& normal, const QImage& over, const QImage& down);
    void SetOffPicture(const QImage& off);
    void SetSkinElement(int element);
    // The menu is created with the first item; an id already in the menu is ignored.
    bool AddItem(int id, const QString& text, int itemData = 0, bool enabled = true);
    // Shows the item's text and makes it current; nothing when the id is not in the menu.
    void SelectItem(int id);
    // Clears the text and the current id (-1).
    void RemoveAllItems();
    void SetText(const QString& text);
    QString text() const { return text_; }
    int currentId() const { return currentId_; }
    // Shows a value the menu does not offer, so that the button never keeps showing what it
    // showed before (a value from a file, an import or another version).
    void ShowUnlistedValue(int id, const QString& text);
    // Opens the menu as a click does (keyboard, assistive technology), with the current item
    // highlighted; nothing for an empty menu or a disabled button.
    void OpenMenu();
    // A button whose items are actions (share links) rather than values.
    void SetActsAsMenuButton(bool on) { actsAsMenuButton_ = on; }
    bool actsAsMenuButton() const { return actsAsMenuButton_; }
    void SetColors(QColor normal, QColor highlighted);
    void SetUpward(bool upward) { upward_ = upward; }
    void SetMenuWidth(int width);
    // Called by the owner while it handles a choice: the button keeps its text and current id
    // for this one choice.
    void VetoChosenText() { showChosenText_ = false; }
    SkinMenu* menu() const { return menu_; }
    bool menuOpen() const { return menu_ && menu_->isVisible(); }
    // Time source of the "menu was open just before" rule; tests inject a virtual clock.
    void SetClock(Clock& clock) { clock_ = &clock; }

  protected:
    virtual SkinMenu* CreateMenu(int key);
    virtual void ShowMenu();
    // Text shown for a chosen item.
    virtual QString LabelFor(const SkinMenuItem& item) const { return item.text; }
    virtual int TextInset() const { return 4; }

    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void PointerEntered() override;
    void PointerLeft() override;

    void EnsureMenu();
    void OnChosen(int key, int id);

    SkinMenu* menu_ = nullptr;
    SkinPictures pictures_;
    int state_ = 0;
    QString text_;
    int currentId_ = -1;
    QColor normalColor_;
    QColor highlightedColor_;
    bool upward_ = false;
    bool actsAsMenuButton_ = false;
    bool showChosenText_ = true;
    bool menuWasOpen_ = false;
    bool pressed_ = false;
    std::optional<Clock::TimePoint> lastSeenOpen_;
    Clock* clock_;
};

// The button function selector: a bordered menu with submenus, and short labels for the
// built-in hotkeys.
class ButtonFunctionCombo : public SkinComboButton {
    Q_OBJECT
  public:
    ButtonFunctionCombo(int controlId, QWidget* parent);
    ButtonFunctionMenu* bnMenu() const { return static_cast<ButtonFunctionMenu*>(menu_); }
    // Creates the menu if needed; false when the parent is not an item or the id is taken.
    bool AddSubItem(int parentId, int id, const QString& text, int itemData = 0,
                    bool enabled = true);

  protected:
    SkinMenu* CreateMenu(int key) override;
    void ShowMenu() override;
    QString LabelFor(const SkinMenuItem& item) const override;
    int TextInset() const override { return 7; }
};

}  // namespace z7
