#pragma once
// The base of the four library popups (custom hotkey, bind a key, shortcut, text block): a
// modal skinned window laid out from its family in the layout table. Save stores an entry in
// the popup's library and ends the popup with what the button it was opened for gets; Close,
// Cancel and Esc end it without. A save that fails is said and the popup stays open.
//
// Popups that capture keys do it only while they are the active window and their capture is
// on, and stop however they close.
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/buttons/library_popups.h"
#include "gui/pages/page_host.h"
#include "gui/ui/skin_controls.h"

namespace z7 {

class InputCaptureRelay;
class KeyCaptureField;
struct InputEvent;

class LibraryPopup : public SkinWindow {
    Q_OBJECT
  public:
    // `targetButton`: 0..6, the button whose menu opened the popup.
    LibraryPopup(int family, LibraryKind kind, PageHost& host, int targetButton, QWidget* parent);
    ~LibraryPopup() override;

    int family() const { return family_; }
    LibraryKind kind() const { return kind_; }
    int targetButton() const { return targetButton_; }
    // After the popup has ended: what Save stored for the button, or nothing when it was
    // closed; restoresFactory() then tells whether the library was left empty (the button goes
    // back to its factory function).
    const std::optional<PopupSaveResult>& saved() const { return saved_; }
    bool restoresFactory() const { return restoresFactory_; }
    // After a Save: how the library's ids moved (old id -> new id); nullptr for libraries keyed
    // otherwise and when nothing was saved.
    virtual const IdMap* renumbering() const { return nullptr; }

    // The control made from the layout table's element `name`; nullptr when there is none.
    QWidget* control(const char* name) const;
    SkinButton* skinButton(const char* name) const;
    SkinLineEdit* lineEdit(const char* name) const;
    KeyCaptureField* keyField() const { return keyField_; }
    // What the popup says below its controls (the capture's limits, the text's length).
    SkinLabel* note() const { return note_; }
    bool capturing() const { return capturing_; }

    // The buttons every library popup has.
    virtual void Save() = 0;
    virtual void Import() = 0;
    virtual void Delete() = 0;
    // Close and Cancel: the popup ends without saving.
    void Cancel();
    void reject() override { Cancel(); }

  protected:
    PageHost& host() const { return host_; }
    // Made from the family's element `name`, named for assistive technology and wired: a
    // button runs OnClicked(id).
    SkinButton* AddButton(const char* name, int id, const QString& tooltip = {});
    SkinLineEdit* AddLineEdit(const char* name, int id, int maxLength, const QString& tooltip = {});
    SkinCheckBox* AddCheckBox(const char* name, int id, const QString& tooltip = {});
    KeyCaptureField* AddKeyField(const char* name, int id, const QString& tooltip);
    // Remembers a control made elsewhere under its element name.
    void Place(QWidget* control, const char* name, const QString& tooltip = {});
    // Tab order: the controls in the order they were made, Close last.
    void FinishLayout();

    virtual void OnClicked(int /*id*/) {}
    struct CommonButtons {
        int save, import, remove, cancel, close;
    };
    // Runs Save, Import, Delete or Cancel when `id` is one of `ids`; false for any other id.
    bool RunCommonButton(int id, const CommonButtons& ids);
    // Close and Cancel beyond ending: the library's own bookkeeping. Returns whether the library
    // in memory is empty.
    virtual bool LibraryEmpty() const = 0;

    // Ends the popup with `result` for the button.
    void Finish(const PopupSaveResult& result);
    // A save that failed: said, and the popup stays open.
    void ShowSaveError(const std::string& error);
    // Ends a Save: with `result` for the button, or, when there is none, `error` is said (if
    // any) and the popup stays open.
    void FinishSave(const std::optional<PopupSaveResult>& result, const std::string& error);
    // The import dialog, starting in the library folder; empty when cancelled.
    std::filesystem::path ChooseImportFile(const std::filesystem::path& folder,
                                           const QString& filter);

    // ---- key capture ----
    // Keys are offered to OnKeyDown while the capture is on and the popup active; a key it
    // takes ends the capture.
    void StartCapture(uint16_t heldKey = 0);
    void StopCapture();
    virtual bool OnKeyDown(uint16_t /*vk*/) { return false; }
    // The capture has started or stopped (the field shows it already).
    virtual void CaptureChanged() {}

    // Typing into an edit ends the capture (its keys are the text, not the key).
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    void hideEvent(QHideEvent* event) override;

  private:
    // Starts the platform's capture; a failure is said and the capture goes back to idle.
    void RunRelay();
    void ShowListening();
    void OnInput(const InputEvent& event);

    int family_;
    LibraryKind kind_;
    PageHost& host_;
    int targetButton_;
    std::optional<PopupSaveResult> saved_;
    bool restoresFactory_ = false;
    std::vector<std::pair<QString, QWidget*>> controls_;
    KeyCaptureField* keyField_ = nullptr;
    SkinLabel* note_ = nullptr;
    std::unique_ptr<InputCaptureRelay> relay_;
    bool capturing_ = false;
    uint16_t heldKey_ = 0;  // ignored until released: it started the capture
};

}  // namespace z7
