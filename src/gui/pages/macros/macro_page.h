#pragma once
// The "MACRO RECORDING" page: records keys and mouse buttons from the whole desktop into a macro
// of the shared library, edits its events, imports macro files, and saves the library; opened
// from a button's "设置" entry it binds the macro it saves to that button.
//
// What a visit changes lives in the shared library at once (the list shows it), and the page
// keeps how each touched macro was before (MacroEditLog), so that "No" to keeping the changes
// puts back exactly those and nothing the user saved before goes.
#include <QTimer>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>

#include "core/macros/macro_edit_log.h"
#include "core/macros/macro_library.h"
#include "core/macros/macro_recorder.h"
#include "gui/pages/macros/macro_event_list.h"
#include "gui/pages/page_window.h"

namespace z7 {

class InputCaptureRelay;
struct InputEvent;

// Control ids of the page.
enum MacroControl : int {
    kIdMacroName = 1077,
    kIdDeleteMacro = 1078,
    kIdImportMacro = 1079,
    kIdRepeatX = 1080,
    kIdRepeatPress = 1081,
    kIdRepeatUntilKey = 1082,
    kIdRepeatCount = 1083,
    kIdMacroList = 1084,
    kIdRepeatUp = 1086,
    kIdRepeatDown = 1087,
    kIdStartRecord = 1088,
    kIdStopRecord = 1089,
    kIdSelDelay = 1090,
    kIdSelDelay50 = 1091,
    kIdDelay = 1092,
    kIdDelayUp = 1093,
    kIdDelayDown = 1094,
    kIdSelectAll = 1095,
    kIdSelectNone = 1097,
    kIdDeleteEvents = 1098,
    kIdCopyEvent = 1099,
    kIdEditKey = 1100,
    kIdInsertEvent = 1101,
    kIdMoveUp = 1108,
    kIdMoveDown = 1109,
    kIdEventCount = 1145,
};

// "current id" while the page shows no macro.
inline constexpr int32_t kNoCurrentMacro = 9999;

class MacroPage : public PageWindow {
    Q_OBJECT
  public:
    MacroPage(PageHost& host, QWidget* owner);
    ~MacroPage() override;

    // Opens the page to record a macro for button 0..6 (the button page's "设置" entry under
    // the macro item); its Apply then gives that button the macro through
    // ButtonPage::ChooseFunction and hides the page.
    void OpenForButton(int button);
    std::optional<int> forButton() const { return forButton_; }

    // The main window's reload: `disk` is the library as another program left it. Without
    // unsaved edits it replaces the shared library; with them, they are made again on top of it.
    void AdoptLibrary(MacroLibrary disk);

    void Apply() override;
    void Cancel() override;
    bool HasChanges() override;
    void OnLibraryChanged(LibraryKind kind) override;

    // The page's actions (its buttons run these).
    void StartRecord();
    void StopRecord();
    void EditKey();
    void Import();
    void DeleteMacro();
    void InsertCopy();
    // The 400 ms timer: which controls are enabled, and the count and delay edits kept in range.
    void Tick();

    bool recording() const { return recording_; }
    bool capturing() const { return capturing_; }
    // The repeat mode the controls say: 1..5, 241 or 242.
    int32_t RepeatModeFromControls() const;

    MacroEventList* list() const { return list_; }
    SkinLineEdit* nameEdit() const { return nameEdit_; }
    SkinLineEdit* countEdit() const { return countEdit_; }
    SkinLineEdit* delayEdit() const { return delayEdit_; }
    SkinLabel* note() const { return note_; }
    SkinCheckBox* checkBox(int controlId) const;
    SkinButton* button(int controlId) const;
    InputCaptureRelay* capture() const { return relay_.get(); }
    QTimer* timer() { return &timer_; }

  protected:
    bool HasFurniture(Furniture which) const override;
    void BuildControls() override;
    void OnClicked(int controlId) override;
    void OnCommand(int code, int value) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    MacroLibrary& library() const { return host().macroLibrary(); }
    void Reset();
    void BeginVisit();
    void ShowMacro(const Macro& macro);
    void ShowRepeatMode(int32_t mode);
    void OnInput(const InputEvent& event);
    bool StartCapture(QString* error);
    void StopCapture();
    void EndEditKey();
    bool OverOwnControls(const InputEvent& event) const;
    void OnRepeatBox(int controlId);
    void OnSelectedDelayBox(int controlId);
    void StepDelay(int step);
    void StepCount(int step);
    void OnDelayTyped();
    int32_t DelayValue() const;
    bool SaveCurrentMacro();
    void RestoreVisit();
    void ShowNote(const QString& text);
    void UpdateCount();
    void BindToButton();

    MacroEventList* list_ = nullptr;
    SkinLineEdit* nameEdit_ = nullptr;
    SkinLineEdit* countEdit_ = nullptr;
    SkinLineEdit* delayEdit_ = nullptr;
    SkinLabel* count_ = nullptr;
    SkinLabel* note_ = nullptr;
    std::map<int, SkinButton*> buttons_;
    std::map<int, SkinCheckBox*> boxes_;

    std::unique_ptr<InputCaptureRelay> relay_;
    MacroRecorder recorder_;
    MacroEditLog log_;
    std::optional<int> forButton_;
    std::filesystem::path lastImported_;
    std::filesystem::path folder_;  // the library folder the log speaks of
    bool recording_ = false;
    bool capturing_ = false;
    bool keyFilter_ = false;
    size_t eventsBeforeRun_ = 0;      // of the current macro when recording started
    int32_t lastDelayBeforeRun_ = 0;  // the pause its last event had then
    bool pasteAvailable_ = false;
    bool visitOpen_ = false;
    bool diskTouched_ = false;       // Delete removed an imported file from the macro folder
    bool savedDuringVisit_ = false;  // the library was saved with some of the visit's changes
    uint64_t savesSeen_ = 0;
    QTimer timer_;
};

}  // namespace z7
