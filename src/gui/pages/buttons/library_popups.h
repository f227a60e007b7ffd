#pragma once
// The four library popups of the button page: bind a key, shortcut, text block and custom
// hotkey. Each shows its model (core/buttons/library_popups.h, core/macros/
// custom_hotkey_popup.h) and runs its buttons; the page binds what Save stored.
#include "core/buttons/library_popups.h"
#include "core/macros/custom_hotkey_popup.h"
#include "gui/pages/buttons/library_popup.h"

namespace z7 {

// The text block's edit: long lines wrap on screen only. The skinned edit's habit of typing a
// line break at the right edge of the first line would put a CR LF into the stored text (and
// spend two of its hundred units) where the user wrote none.
class TextBlockEdit : public SkinTextEdit {
    Q_OBJECT
  public:
    using SkinTextEdit::SkinTextEdit;

  protected:
    void keyPressEvent(QKeyEvent* event) override { QPlainTextEdit::keyPressEvent(event); }
};

// "指派按键": the key pressed on the keyboard becomes what the button sends.
class BindKeyPopup : public LibraryPopup {
    Q_OBJECT
  public:
    static constexpr int kCloseId = 1127;
    static constexpr int kNameId = 1129;
    static constexpr int kDeleteId = 1130;
    static constexpr int kImportId = 1131;
    static constexpr int kCancelId = 1132;
    static constexpr int kSaveId = 1133;
    static constexpr int kKeyId = 1137;

    BindKeyPopup(PageHost& host, int targetButton, QWidget* parent);
    const BindKeyPopupModel& model() const { return model_; }

    void Save() override;
    void Import() override;
    void Delete() override;

  protected:
    bool LibraryEmpty() const override { return model_.CloseRestoresFactory(); }
    void OnClicked(int id) override;
    bool OnKeyDown(uint16_t vk) override;
    void showEvent(QShowEvent* event) override;

  private:
    void Refresh();

    BindKeyPopupModel model_;
    SkinLineEdit* name_ = nullptr;
    bool started_ = false;
};

// "快捷方式": a file, folder, program or web address the button opens on the PC.
class ShortcutPopup : public LibraryPopup {
    Q_OBJECT
  public:
    static constexpr int kCloseId = 1127;
    static constexpr int kOpenId = 1128;
    static constexpr int kDeleteId = 1129;
    static constexpr int kImportId = 1130;
    static constexpr int kCancelId = 1133;
    static constexpr int kTargetId = 1134;
    static constexpr int kNameId = 1135;
    static constexpr int kSaveId = 1136;

    ShortcutPopup(PageHost& host, int targetButton, QWidget* parent);
    const ShortcutPopupModel& model() const { return model_; }
    const IdMap* renumbering() const override;

    void Save() override;
    void Open();
    void Import() override;
    void Delete() override;

  protected:
    bool LibraryEmpty() const override { return model_.CloseRestoresFactory(); }
    void OnClicked(int id) override;

  private:
    void Refresh();

    ShortcutPopupModel model_;
    SkinLineEdit* target_ = nullptr;
    SkinLineEdit* name_ = nullptr;
};

// "文字块": a text the button types into the focused window, at most 100 units with each line
// break counting two (CR LF).
class TextBlockPopup : public LibraryPopup {
    Q_OBJECT
  public:
    static constexpr int kCloseId = 1127;
    static constexpr int kDeleteId = 1128;
    static constexpr int kImportId = 1129;
    static constexpr int kCancelId = 1130;
    static constexpr int kSaveId = 1131;
    static constexpr int kTextId = 1135;
    static constexpr int kNameId = 1136;

    TextBlockPopup(PageHost& host, int targetButton, QWidget* parent);
    const TextBlockPopupModel& model() const { return model_; }
    TextBlockEdit* textEdit() const { return text_; }
    const IdMap* renumbering() const override;

    void Save() override;
    void Import() override;
    void Delete() override;

  protected:
    bool LibraryEmpty() const override { return model_.CloseRestoresFactory(); }
    void OnClicked(int id) override;

  private:
    void OnTextChanged();
    void Refresh();

    TextBlockPopupModel model_;
    TextBlockEdit* text_ = nullptr;
    SkinLineEdit* name_ = nullptr;
    QString lastText_;  // the edit's last text within the limit
};

// "自定义快捷键": up to four modifiers from the toggles and one key pressed on the keyboard.
class CustomHotkeyPopup : public LibraryPopup {
    Q_OBJECT
  public:
    static constexpr int kCloseId = 1114;
    static constexpr int kNameId = 1116;
    static constexpr int kDeleteId = 1117;
    static constexpr int kImportId = 1118;
    static constexpr int kCancelId = 1119;
    static constexpr int kSaveId = 1120;
    static constexpr int kNoneId = 1121;
    static constexpr int kCtrlId = 1122;
    static constexpr int kShiftId = 1123;
    static constexpr int kAltId = 1124;
    static constexpr int kWinId = 1125;
    static constexpr int kKeyId = 1139;

    CustomHotkeyPopup(PageHost& host, int targetButton, QWidget* parent);
    const CustomHotkeyPopupModel& model() const { return model_; }
    SkinCheckBox* toggle(int id) const;
    const IdMap* renumbering() const override;

    void Save() override;
    void Import() override;
    void Delete() override;

  protected:
    bool LibraryEmpty() const override { return model_.CloseRestoresFactory(); }
    void OnClicked(int id) override;
    bool OnKeyDown(uint16_t vk) override;
    void CaptureChanged() override;
    void showEvent(QShowEvent* event) override;
    // A press on the popup's own surface (not on a control) asks for a key, as a click on the
    // combination does.
    void mousePressEvent(QMouseEvent* event) override;

  private:
    void Refresh();

    CustomHotkeyPopupModel model_;
    SkinLineEdit* name_ = nullptr;
    SkinCheckBox* toggles_[5] = {};
    bool started_ = false;
};

}  // namespace z7
