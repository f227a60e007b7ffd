#include "gui/pages/macros/macro_page.h"

#include <QApplication>
#include <QHideEvent>
#include <QKeyEvent>
#include <QRegularExpressionValidator>
#include <QShowEvent>
#include <algorithm>

#include "core/buttons/button_function.h"
#include "core/buttons/library_list.h"
#include "core/macros/macro_events.h"
#include "core/macros/macro_file.h"
#include "gui/app/input_capture_relay.h"
#include "gui/pages/buttons/button_page.h"
#include "gui/ui/message_popup.h"
#include "gui/ui/skin_style.h"

namespace z7 {
namespace {

QString U(const char* text) {
    return QString::fromUtf8(text);
}

constexpr int kTimerMs = 400;
constexpr uint16_t kEscapeKey = 27;
constexpr int kMaxCount = 5;
constexpr int kDelayDigits = 8;
// The button page's entry that gives a button back its factory function.
constexpr int32_t kFactoryFunctionEntry = 1;

enum class Kind { kButton, kBox, kEdit, kList };
struct ControlEntry {
    Kind kind;
    const char* name;
    int id;
    const char* tooltip;
};
// In the order Tab walks them, named as the template captions them (the two Deletes and the two
// pairs of arrows apart).
constexpr ControlEntry kControls[] = {
    {Kind::kEdit, "Macro Name", kIdMacroName, "为本次的宏录制命名"},
    {Kind::kButton, "Delete Macro", kIdDeleteMacro, "删除本次宏录制"},
    {Kind::kButton, "Import", kIdImportMacro, "开启已存的宏录制"},
    {Kind::kList, "Macro list", kIdMacroList,
     "单击选中一步，Shift 或 Ctrl 加选；双击或 F2 修改这一步之后的延时"},
    {Kind::kBox, "Repeat X", kIdRepeatX, "勾选后即可重复动作"},
    {Kind::kEdit, "Repeat Count", kIdRepeatCount, "在这里可以设置你想重复动作的次数"},
    {Kind::kButton, "Repeat Up", kIdRepeatUp, ""},
    {Kind::kButton, "Repeat Down", kIdRepeatDown, ""},
    {Kind::kBox, "Repeat Press", kIdRepeatPress, ""},
    {Kind::kBox, "Repeat until nkey", kIdRepeatUntilKey, ""},
    {Kind::kButton, "Start Record", kIdStartRecord, ""},
    {Kind::kButton, "Stop Record", kIdStopRecord, ""},
    {Kind::kBox, "Sel Delay sek", kIdSelDelay, "调整延迟功能（以毫秒计数）"},
    {Kind::kEdit, "Delay", kIdDelay, ""},
    {Kind::kButton, "Delay Up", kIdDelayUp, ""},
    {Kind::kButton, "Delay Down", kIdDelayDown, ""},
    {Kind::kBox, "Sel Delay 50ms", kIdSelDelay50, ""},
    {Kind::kButton, "Select All", kIdSelectAll, ""},
    {Kind::kButton, "Select None", kIdSelectNone, ""},
    {Kind::kButton, "Delete", kIdDeleteEvents, ""},
    {Kind::kButton, "Copy", kIdCopyEvent, ""},
    {Kind::kButton, "Insert", kIdInsertEvent, ""},
    {Kind::kButton, "Edit Key", kIdEditKey, ""},
    {Kind::kButton, "UpPage", kIdMoveUp, ""},
    {Kind::kButton, "DownPage", kIdMoveDown, ""},
};

}  // namespace

MacroPage::MacroPage(PageHost& host, QWidget* owner)
    : PageWindow(PageId::kMacros, 112, host, owner) {
    timer_.setInterval(kTimerMs);
    connect(&timer_, &QTimer::timeout, this, &MacroPage::Tick);
}

MacroPage::~MacroPage() {
    if (relay_) relay_->Stop();
    if (keyFilter_) qApp->removeEventFilter(this);
}

bool MacroPage::HasFurniture(Furniture which) const {
    // Default and Back are part of the sheet but do nothing on this page.
    return which != Furniture::kBack && which != Furniture::kDefault;
}

SkinCheckBox* MacroPage::checkBox(int controlId) const {
    const auto it = boxes_.find(controlId);
    return it == boxes_.end() ? nullptr : it->second;
}

SkinButton* MacroPage::button(int controlId) const {
    const auto it = buttons_.find(controlId);
    return it == buttons_.end() ? nullptr : it->second;
}

// ---- building -------------------------------------------------------------------------------

void MacroPage::BuildControls() {
    const auto digits = [](QLineEdit* edit) {
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression(U("[0-9]*")), edit));
        edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    };
    for (const ControlEntry& c : kControls) {
        const QString name = U(c.name);
        const QString tooltip = U(c.tooltip);
        switch (c.kind) {
            case Kind::kButton:
                if (SkinButton* b = AddSkinButton(c.name, c.id, tooltip, name)) buttons_[c.id] = b;
                break;
            case Kind::kBox:
                if (SkinCheckBox* b = AddCheckBox(c.name, c.id, tooltip, name)) boxes_[c.id] = b;
                break;
            case Kind::kEdit: {
                SkinLineEdit* edit = AddLineEdit(c.name, c.id, tooltip, name);
                if (c.id == kIdMacroName) {
                    nameEdit_ = edit;
                    continue;
                }
                digits(edit);
                (c.id == kIdDelay ? delayEdit_ : countEdit_) = edit;
                break;
            }
            case Kind::kList:
                list_ = new MacroEventList(c.id, library(), this);
                Adopt(list_, c.name, tooltip, name);
                break;
        }
    }
    count_ = AddLabel("Count", kIdEventCount, U("Event Count"));
    count_->SetColors(Qt::transparent, skin::kTextDim);
    count_->SetFontHeight(14);
    // Under the editing buttons: what the recording cannot do here (the Wayland note, the limit).
    note_ = new SkinLabel(0, this);
    note_->SetColors(Qt::transparent, skin::kAccent);
    note_->SetFontHeight(12);
    note_->SetCentred(false);
    Adopt(note_, "Record Note", {}, U("Record Note"));
    note_->setGeometry(384, 438, 352, 17);

    connect(list_, &MacroEventList::aboutToChange, this, [this] {
        if (Macro* m = library().current()) log_.BeforeChange(library(), *m);
    });
    connect(list_, &MacroEventList::eventsChanged, this, [this] {
        UpdateCount();
        Tick();
    });
    connect(list_, &MacroEventList::selectionChanged, this, &MacroPage::Tick);
    folder_ = library().folder();
    Reset();
}

// ---- visits ---------------------------------------------------------------------------------

void MacroPage::showEvent(QShowEvent* event) {
    PageWindow::showEvent(event);
    if (!visitOpen_) {
        visitOpen_ = true;
        BeginVisit();
    }
    timer_.start();
}

void MacroPage::hideEvent(QHideEvent* event) {
    // Minimised (a hide the window system sends) the page goes on recording; hidden it stops:
    // nothing records what no window shows.
    if (!event->spontaneous()) {
        StopRecord();
        EndEditKey();
        visitOpen_ = false;
        timer_.stop();
    }
    PageWindow::hideEvent(event);
}

void MacroPage::BeginVisit() {
    log_.Clear();
    diskTouched_ = savedDuringVisit_ = false;
    savesSeen_ = library().saveCount();
    folder_ = library().folder();
    Reset();
}

void MacroPage::Reset() {
    StopRecord();
    EndEditKey();
    if (!built()) return;
    list_->CancelDelayEdit();
    nameEdit_->clear();
    ShowRepeatMode(1);
    checkBox(kIdSelDelay)->SetChecked(false);
    checkBox(kIdSelDelay50)->SetChecked(false);
    delayEdit_->setText(U("0"));
    library().ClearCurrent();
    library().SetCurrentId(kNoCurrentMacro);
    pasteAvailable_ = false;
    list_->Reload();
    ShowNote({});
    UpdateCount();
    Tick();
}

void MacroPage::OpenForButton(int button) {
    forButton_ = button;
    Open();
}

void MacroPage::ShowMacro(const Macro& macro) {
    nameEdit_->setText(QString::fromStdU16String(macro.name));
    ShowRepeatMode(macro.repeatMode);
    list_->Reload();
    UpdateCount();
    Tick();
}

void MacroPage::ShowRepeatMode(int32_t mode) {
    checkBox(kIdRepeatX)->SetChecked(mode != kRepeatWhileHeld && mode != kRepeatUntilNextKey);
    checkBox(kIdRepeatPress)->SetChecked(mode == kRepeatWhileHeld);
    checkBox(kIdRepeatUntilKey)->SetChecked(mode == kRepeatUntilNextKey);
    if (mode != kRepeatWhileHeld && mode != kRepeatUntilNextKey)
        countEdit_->setText(QString::number(std::clamp(mode, 1, kMaxCount)));
}

int32_t MacroPage::RepeatModeFromControls() const {
    if (checkBox(kIdRepeatX)->checked())
        return std::clamp(countEdit_->text().toInt(), 1, kMaxCount);
    if (checkBox(kIdRepeatPress)->checked()) return kRepeatWhileHeld;
    if (checkBox(kIdRepeatUntilKey)->checked()) return kRepeatUntilNextKey;
    return 1;
}

// ---- recording ------------------------------------------------------------------------------

bool MacroPage::StartCapture(QString* error) {
    if (!relay_) {
        relay_ = host().NewInputCaptureRelay();
        connect(relay_.get(), &InputCaptureRelay::inputReceived, this, &MacroPage::OnInput);
    }
    // Before the capture starts: an in-window capture filters the application's events too, and
    // the filter installed last runs first; it must see the keys this one swallows.
    if (!keyFilter_) {
        qApp->installEventFilter(this);
        keyFilter_ = true;
    }
    if (relay_->Start({.keys = true, .mouseButtons = true}, error)) return true;
    StopCapture();
    return false;
}

void MacroPage::StopCapture() {
    if (relay_) relay_->Stop();
    if (keyFilter_) {
        qApp->removeEventFilter(this);
        keyFilter_ = false;
    }
}

void MacroPage::StartRecord() {
    if (!built() || recording_ || capturing_) return;
    MacroLibrary& lib = library();
    std::u16string name = nameEdit_->text().trimmed().toStdU16String();
    if (name.empty()) {
        host().MessageBox(U("请先输入宏名"));
        return;
    }
    list_->CancelDelayEdit();
    Macro* existing = lib.current();
    const bool created = existing == nullptr;
    int32_t id = existing ? existing->id : lib.NewMacroId();
    if (created) {
        name = lib.UniqueMacroName(name, id);
        nameEdit_->setText(QString::fromStdU16String(name));
        lib.SetAreaRect({0, 0, list_->width(), list_->height()});
    }
    Macro& macro = lib.Register(name, id, RepeatModeFromControls());
    if (created)
        log_.Added(macro);
    else
        log_.BeforeChange(lib, macro);
    lib.SetCurrentId(macro.id);
    eventsBeforeRun_ = macro.events.size();
    lastDelayBeforeRun_ = macro.events.empty() ? 0 : macro.events.back().delay;
    if (created) list_->Reload();

    recording_ = true;
    recorder_.Start(host().clock().Now());
    QString error;
    if (!StartCapture(&error)) {
        // Back to idle: a page that looks as if it records while nothing does is worse.
        recording_ = false;
        if (created) {
            lib.RemoveById(macro.id);
            lib.SetCurrentId(kNoCurrentMacro);
            list_->Reload();
        }
        Tick();
        host().MessageBox(U("start hook error!") + (error.isEmpty() ? QString() : U("\n") + error));
        return;
    }
    if (SkinButton* start = button(kIdStartRecord)) start->SetLatched(true);
    ShowNote(relay_->isGlobal() ? U("正在录制…")
                                : U("正在录制：此桌面只允许录制本程序窗口中的按键和点击"));
    UpdateCount();
    Tick();
}

void MacroPage::StopRecord() {
    if (recording_) {
        recording_ = false;
        if (SkinButton* start = button(kIdStartRecord)) start->SetLatched(false);
        ShowNote({});
    }
    if (!capturing_) StopCapture();
    if (built()) Tick();
}

bool MacroPage::OverOwnControls(const InputEvent& event) const {
    if (!isVisible() || isMinimized()) return false;
    const QPoint at = InputCaptureRelay::LogicalPosition(event);
    const QWidget* controls[] = {button(kIdStartRecord),        button(kIdStopRecord),
                                 furniture(Furniture::kBack),   furniture(Furniture::kDefault),
                                 furniture(Furniture::kCancel), furniture(Furniture::kApply),
                                 furniture(Furniture::kClose),  furniture(Furniture::kMin)};
    for (const QWidget* w : controls) {
        if (w && w->isVisible() && QRect(ScreenOrigin(w), w->size()).contains(at)) return true;
    }
    return false;
}

void MacroPage::OnInput(const InputEvent& event) {
    if (capturing_) {
        // Edit Key takes the next press; a side button is no key, and capture goes on.
        if (!event.down) return;
        const std::optional<MacroInput> input = MacroInputOf(event);
        if (!input) return;
        list_->ReplaceSelectedInput(input->kind, input->code);
        EndEditKey();
        return;
    }
    if (!recording_) return;
    Macro* macro = library().current();
    if (!macro) return;
    // The clicks that operate the page are not part of the macro.
    if (event.device == InputDevice::kMouse && event.code == kMouseLeft && OverOwnControls(event))
        return;
    switch (recorder_.Record(*macro, event)) {
        case MacroRecorder::Outcome::kAdded:
            list_->Appended();
            break;
        case MacroRecorder::Outcome::kFull:
            list_->Refresh();
            ShowNote(U("已达 %1 个事件的上限，之后的输入不再录制").arg(kMaxRecordedEvents));
            break;
        case MacroRecorder::Outcome::kRepeated:
        case MacroRecorder::Outcome::kSkipped:
            break;
    }
}

bool MacroPage::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (!keyFilter_ || (type != QEvent::KeyPress && type != QEvent::KeyRelease))
        return PageWindow::eventFilter(watched, event);
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || (widget != this && !isAncestorOf(widget)))
        return PageWindow::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (recording_ && type == QEvent::KeyPress && key->key() == Qt::Key_Escape &&
        !key->isAutoRepeat()) {
        // Esc ends the recording first, then acts as Cancel; the Esc itself is no event.
        StopRecord();
        if (Macro* m = library().current();
            m && m->events.size() > eventsBeforeRun_ && m->events.back().kind == kEventKindKey &&
            m->events.back().code == kEscapeKey && m->events.back().flag == kEventFlagPress) {
            m->events.pop_back();
            if (!m->events.empty())
                m->events.back().delay =
                    m->events.size() == eventsBeforeRun_ ? lastDelayBeforeRun_ : 0;
            list_->Refresh();
        }
        QMetaObject::invokeMethod(this, &MacroPage::Cancel, Qt::QueuedConnection);
        return true;
    }
    // While recording or waiting for Edit Key's input, keys aimed at the page are input, not
    // typing into its controls.
    return true;
}

// ---- Edit Key -------------------------------------------------------------------------------

void MacroPage::EditKey() {
    if (!built() || recording_ || capturing_ || list_->SelectedCount() != 1) return;
    list_->CancelDelayEdit();
    list_->ShowPrompt(U("请按新的按键…"));
    capturing_ = true;
    QString error;
    if (!StartCapture(&error)) {
        capturing_ = false;
        list_->HidePrompt();
        Tick();
        host().MessageBox(U("start hook error!") + (error.isEmpty() ? QString() : U("\n") + error));
        return;
    }
    if (!relay_->isGlobal()) ShowNote(U("在本程序窗口中按下新的按键或鼠标键"));
    Tick();
}

void MacroPage::EndEditKey() {
    if (!capturing_) return;
    capturing_ = false;
    if (!recording_) StopCapture();
    if (!built()) return;
    list_->HidePrompt();
    ShowNote({});
    Tick();
}

// ---- repeat and delay controls --------------------------------------------------------------

void MacroPage::OnRepeatBox(int controlId) {
    // The three act as a group; a checked one may also be cleared, leaving none.
    if (checkBox(controlId)->checked()) {
        for (int other : {kIdRepeatX, kIdRepeatPress, kIdRepeatUntilKey})
            if (other != controlId) checkBox(other)->SetChecked(false);
    }
    Tick();
}

void MacroPage::OnSelectedDelayBox(int controlId) {
    SkinCheckBox* box = checkBox(controlId);
    const bool possible = !recording_ && !capturing_ && list_->SelectedCount() > 0;
    box->SetChecked(possible);
    if (!possible) return;
    if (controlId == kIdSelDelay) {
        checkBox(kIdSelDelay50)->SetChecked(false);
        if (delayEdit_->text().isEmpty()) delayEdit_->setText(U("0"));
        list_->SetSelectedDelay(DelayValue());
    } else {
        checkBox(kIdSelDelay)->SetChecked(false);
        list_->SetSelectedDelay(50);
    }
}

int32_t MacroPage::DelayValue() const {
    return ClampDelay(delayEdit_->text().toLongLong());
}

void MacroPage::OnDelayTyped() {
    // Typing a pause while "Sel Delay sek" is on gives it to the selected events, as its arrows
    // do.
    if (!checkBox(kIdSelDelay)->checked() || recording_ || capturing_) return;
    if (delayEdit_->text().isEmpty()) return;
    list_->SetSelectedDelay(DelayValue());
}

void MacroPage::StepDelay(int step) {
    if (!checkBox(kIdSelDelay)->checked()) return;
    const int32_t value = ClampDelay(static_cast<int64_t>(DelayValue()) + step);
    if (QString::number(value) != delayEdit_->text())
        delayEdit_->setText(QString::number(value));
    else
        list_->SetSelectedDelay(value);
}

void MacroPage::StepCount(int step) {
    const int count = std::clamp(countEdit_->text().toInt(), 1, kMaxCount);
    countEdit_->setText(QString::number(std::clamp(count + step, 1, kMaxCount)));
}

// ---- commands -------------------------------------------------------------------------------

void MacroPage::OnClicked(int controlId) {
    switch (controlId) {
        case kIdStartRecord:
            return StartRecord();
        case kIdStopRecord:
            return StopRecord();
        case kIdDeleteMacro:
            return DeleteMacro();
        case kIdImportMacro:
            return Import();
        case kIdRepeatX:
        case kIdRepeatPress:
        case kIdRepeatUntilKey:
            return OnRepeatBox(controlId);
        case kIdRepeatUp:
            return StepCount(+1);
        case kIdRepeatDown:
            return StepCount(-1);
        case kIdSelDelay:
        case kIdSelDelay50:
            return OnSelectedDelayBox(controlId);
        case kIdDelayUp:
            return StepDelay(+1);
        case kIdDelayDown:
            return StepDelay(-1);
        case kIdSelectAll:
            return list_->SelectAll();
        case kIdSelectNone:
            return list_->SelectNone();
        case kIdDeleteEvents:
            list_->DeleteSelected();
            return;
        case kIdCopyEvent:
            if (list_->CopySelected()) pasteAvailable_ = true;
            Tick();
            return;
        case kIdInsertEvent:
            return InsertCopy();
        case kIdEditKey:
            return EditKey();
        case kIdMoveUp:
            list_->MoveSelectedUp();
            return;
        case kIdMoveDown:
            list_->MoveSelectedDown();
            return;
        default:
            return;
    }
}

void MacroPage::OnCommand(int code, int value) {
    if (value != kTextChangedValue) return;
    if (code == kIdDelay) OnDelayTyped();
    if (code == kIdMacroName) Tick();
}

void MacroPage::InsertCopy() {
    if (!pasteAvailable_ || recording_ || capturing_) return;
    // The mouse plays at most 127 entries of a button; beyond 100 a macro would be cut short.
    if (list_->rowCount() >= static_cast<int>(kMaxRecordedEvents)) {
        host().MessageBox(U("一个宏最多 %1 个事件，不能再插入").arg(kMaxRecordedEvents));
        return;
    }
    if (list_->InsertCopy()) pasteAvailable_ = false;
    Tick();
}

void MacroPage::Import() {
    if (!built() || recording_ || capturing_) return;
    MacroLibrary& lib = library();
    const QString file =
        host().ChooseOpenFile(U("导入宏"), QString::fromStdU16String(lib.folder().u16string()),
                              U("Kesta Z7 macro(*.macro)"));
    if (file.isEmpty()) return;
    const std::filesystem::path path(file.toStdU16String());
    Macro macro;
    if (!ReadMacroFile(host().fileSystem(), path, macro)) {
        host().MessageBox(U("无法读取这个宏文件，它不是完整的宏: ") +
                          QString::fromStdU16String(path.filename().u16string()));
        return;
    }
    lastImported_ = path;
    list_->CancelDelayEdit();
    if (macro.areaRect.right - macro.areaRect.left <= kRowLeft + kRowRightMargin)
        macro.areaRect = {0, 0, list_->width(), list_->height()};
    // Whatever list wrote the file, its rows are kept as they stand unscrolled.
    LayOutRows(macro);
    macro.allSelected = false;
    const MacroImportPlan plan = lib.PlanImport(macro);
    if (plan.rule == MacroImportPlan::Rule::kReplace)
        log_.BeforeChange(lib, lib.macros()[plan.index]);
    const size_t index = lib.Import(std::move(macro), plan);
    Macro& imported = lib.macros()[index];
    if (plan.rule != MacroImportPlan::Rule::kReplace) log_.Added(imported);
    lib.SetCurrentId(imported.id);
    pasteAvailable_ = false;
    ShowMacro(imported);
}

void MacroPage::DeleteMacro() {
    if (!built() || recording_ || capturing_) return;
    MacroLibrary& lib = library();
    if (!lastImported_.empty()) {
        // Only a file of the macro folder: one chosen elsewhere is the user's own.
        if (DeleteImportedFile(host().fileSystem(), lastImported_, lib.folder()))
            diskTouched_ = true;
        lastImported_.clear();
    }
    if (Macro* current = lib.current()) {
        const int32_t id = current->id;
        const std::u16string name = current->name;
        lib.ClearCurrent();
        for (Macro& m : lib.macros())
            if (m.id == id && m.name == name) log_.BeforeChange(lib, m);
        std::erase_if(lib.macros(), [&](const Macro& m) { return m.id == id && m.name == name; });
    }
    Reset();
}

// ---- saving ---------------------------------------------------------------------------------

bool MacroPage::SaveCurrentMacro() {
    MacroLibrary& lib = library();
    if (Macro* m = lib.current()) {
        const int32_t mode = RepeatModeFromControls();
        std::u16string name = nameEdit_->text().trimmed().toStdU16String();
        // A name another macro has would be renamed by the save's file rule anyway; the rule of
        // recording says how.
        name = name.empty() ? lib.UniqueMacroName(u"newMacro") : lib.UniqueMacroName(name, m->id);
        nameEdit_->setText(QString::fromStdU16String(name));
        if (name != m->name || mode != m->repeatMode) {
            log_.BeforeChange(lib, *m);
            lib.Update(m->id, name, mode);
        }
        lib.SetCurrentId(m->id);
    }
    // Saved with the profiles, whose bindings follow the renumbered ids; the current id follows
    // its macro.
    const bool saved = host().SaveMacroLibrary();
    if (const Macro* m = lib.current(); saved && m) {
        nameEdit_->setText(QString::fromStdU16String(m->name));
        list_->Refresh();
    }
    return saved;
}

void MacroPage::Apply() {
    EnsureBuilt();
    StopRecord();
    EndEditKey();
    list_->CommitDelayEdit();
    MacroLibrary& lib = library();
    const bool changed = log_.Changed(lib) || diskTouched_;
    if (!lib.current() && !changed) {
        emit applyFinished(ExchangeResult::kOk);
        return;
    }
    if (!SaveCurrentMacro()) return;  // said why; the edits stay for another try
    log_.Clear();
    diskTouched_ = savedDuringVisit_ = false;
    savesSeen_ = lib.saveCount();
    if (forButton_ && lib.current()) {
        BindToButton();
        forButton_.reset();
        Reset();
        hide();
    }
    emit applyFinished(ExchangeResult::kOk);
}

void MacroPage::BindToButton() {
    auto* buttons = static_cast<ButtonPage*>(host().page(PageId::kButtons));
    if (buttons && forButton_)
        buttons->ChooseFunction(*forButton_,
                                kMacroHeader + kLibraryItemBase + library().currentId());
}

bool MacroPage::HasChanges() {
    if (!built()) return false;
    MacroLibrary& lib = library();
    if (log_.Changed(lib) || diskTouched_) return true;
    if (const Macro* m = lib.current()) {
        if (nameEdit_->text().trimmed().toStdU16String() != m->name) return true;
        if (RepeatModeFromControls() != m->repeatMode) return true;
    }
    return false;
}

void MacroPage::RestoreVisit() {
    MacroLibrary& lib = library();
    // Some of the visit's changes reached the disk: the restored library must go there too.
    const bool onDisk = savedDuringVisit_ || lib.saveCount() != savesSeen_ || diskTouched_;
    log_.Restore(lib);
    lib.SetCurrentId(kNoCurrentMacro);
    diskTouched_ = savedDuringVisit_ = false;
    if (onDisk)
        (void)host().SaveMacroLibrary();
    else
        host().NotifyLibraryChanged(LibraryKind::kMacros);
    savesSeen_ = lib.saveCount();
}

void MacroPage::Cancel() {
    EnsureBuilt();
    StopRecord();
    EndEditKey();
    list_->CancelDelayEdit();
    if (HasChanges()) {
        if (host().Popup(kPopupDataChanged) == kPopupYes) {
            Apply();
            if (HasChanges()) return;  // the save failed and said so; nothing is thrown away
            if (!isVisible()) return;  // applied for a button: bound and hidden
        } else {
            RestoreVisit();
        }
    }
    if (forButton_) {
        // The button kept its function when "设置" was chosen; with no macro at all it goes
        // back to its factory one, as the other library popups do.
        auto* buttons = static_cast<ButtonPage*>(host().page(PageId::kButtons));
        if (buttons && library().macros().empty())
            buttons->ChooseFunction(*forButton_, kFactoryFunctionEntry);
        forButton_.reset();
    }
    Reset();
    hide();
}

// ---- the shared library changing under the page ---------------------------------------------

void MacroPage::AdoptLibrary(MacroLibrary disk) {
    MacroLibrary& live = library();
    if (live.saveCount() != savesSeen_) savedDuringVisit_ = true;
    const Rect area = list_ ? Rect{0, 0, list_->width(), list_->height()} : Rect{};
    if (log_.empty()) {
        const Macro* current = live.current();
        const std::u16string name = current ? current->name : std::u16string();
        live = std::move(disk);
        if (!name.empty()) {
            for (size_t i = 0; i < live.macros().size(); ++i) {
                if (live.macros()[i].name != name) continue;
                live.SetCurrentIndex(i);
                live.SetCurrentId(live.macros()[i].id);
                break;
            }
        }
    } else {
        log_.Rebase(live, disk);
        live = std::move(disk);
    }
    live.SetAreaRect(area);
    savesSeen_ = live.saveCount();
    if (!built()) return;
    if (!live.current() && !nameEdit_->text().isEmpty() && !recording_) {
        // The macro shown went with the other program's change.
        Reset();
        return;
    }
    list_->Reload();
    UpdateCount();
}

void MacroPage::OnLibraryChanged(LibraryKind kind) {
    if (kind != LibraryKind::kMacros || !built()) return;
    if (library().folder() != folder_) {
        // Another data folder: what this visit kept speaks of macros that are not there.
        folder_ = library().folder();
        log_.Clear();
        savesSeen_ = library().saveCount();
        Reset();
        return;
    }
    list_->Refresh();
    UpdateCount();
}

// ---- the timer ------------------------------------------------------------------------------

void MacroPage::Tick() {
    if (!built()) return;
    // The count keeps its last digit, 1..5; the delay its last eight, at most 3600000.
    QString count = countEdit_->text();
    if (count.size() > 1) count = count.right(1);
    if (!count.isEmpty()) {
        const int n = count.toInt();
        if (n > kMaxCount) count = QString::number(kMaxCount);
        if (n < 1) count = U("1");
    }
    if (count != countEdit_->text()) {
        countEdit_->setText(count);
        countEdit_->setCursorPosition(1);
    }
    QString delay = delayEdit_->text();
    int caret = -1;
    if (delay.size() > kDelayDigits) {
        delay = delay.right(kDelayDigits);
        caret = kDelayDigits;
    }
    if (!delay.isEmpty() && delay.toLongLong() > kMaxEventDelayMs) {
        delay = QString::number(kMaxEventDelayMs);
        caret = static_cast<int>(delay.size());
    }
    if (delay != delayEdit_->text()) {
        delayEdit_->setText(delay);
        delayEdit_->setCursorPosition(caret);
    }

    const bool idle = !recording_ && !capturing_;
    const bool named = !nameEdit_->text().trimmed().isEmpty();
    const Macro* macro = library().current();
    const int selected = list_->SelectedCount();
    const bool editing = idle && macro;
    const auto enable = [](QWidget* w, bool on) {
        if (w && w->isEnabled() != on) w->setEnabled(on);
    };
    enable(button(kIdStartRecord), idle && named);
    enable(button(kIdStopRecord), recording_);
    enable(button(kIdDeleteMacro), idle && named);
    enable(button(kIdImportMacro), idle);
    enable(nameEdit_, idle);
    for (int id : {kIdRepeatX, kIdRepeatPress, kIdRepeatUntilKey}) enable(checkBox(id), idle);
    const bool counted = idle && checkBox(kIdRepeatX)->checked();
    enable(countEdit_, counted);
    enable(button(kIdRepeatUp), counted);
    enable(button(kIdRepeatDown), counted);
    const bool some = editing && selected > 0;
    enable(checkBox(kIdSelDelay), some);
    enable(checkBox(kIdSelDelay50), some);
    enable(delayEdit_, some);
    enable(button(kIdDelayUp), some && checkBox(kIdSelDelay)->checked());
    enable(button(kIdDelayDown), some && checkBox(kIdSelDelay)->checked());
    enable(button(kIdSelectAll), editing && !macro->events.empty());
    enable(button(kIdSelectNone), some);
    enable(button(kIdDeleteEvents), some);
    enable(button(kIdCopyEvent), some);
    enable(button(kIdInsertEvent), some && pasteAvailable_ && macro->copyBuffer.has_value());
    enable(button(kIdEditKey), editing && selected == 1);
    enable(button(kIdMoveUp), editing && selected > 0);
    enable(button(kIdMoveDown), editing && selected > 0);
}

void MacroPage::UpdateCount() {
    if (!count_) return;
    const Macro* m = library().current();
    count_->SetText(m ? U("%1 / %2").arg(m->events.size()).arg(kMaxRecordedEvents) : QString());
}

void MacroPage::ShowNote(const QString& text) {
    if (note_) note_->SetText(text);
}

}  // namespace z7
