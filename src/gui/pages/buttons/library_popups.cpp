#include "gui/pages/buttons/library_popups.h"

#include <QMouseEvent>
#include <QStandardPaths>
#include <QTextCursor>

#include "core/buttons/key_name.h"
#include "core/buttons/text_block_library.h"
#include "gui/pages/buttons/key_capture_field.h"
#include "gui/ui/skin.h"
#include "gui/ui/skin_layout.h"
#include "gui/ui/skin_style.h"

namespace z7 {
namespace {

// Shows what the model holds without the edit reporting it back as the user's typing.
void SetQuietly(QLineEdit* edit, const QString& text) {
    const QSignalBlocker quiet(edit);
    edit->setText(text);
}

QString U(const char* text) {
    return QString::fromUtf8(text);
}
QString Q(const std::u16string& text) {
    return QString::fromStdU16String(text);
}
std::u16string S(const QString& text) {
    return text.toStdU16String();
}

// Names become file names; longer ones help nobody.
constexpr int kMaxNameLength = 64;
constexpr int kMaxTargetLength = 2048;

constexpr int kBindKeyFamily = 223;
constexpr int kShortcutFamily = 231;
constexpr int kTextBlockFamily = 240;
constexpr int kCustomHotkeyFamily = 210;

QString Unreadable(const std::filesystem::path& file) {
    return U("无法读取这个文件: ") + QString::fromStdU16String(file.filename().u16string());
}

// The edit shows line breaks as LF; the library keeps CR LF.
QString ForEdit(const std::u16string& text) {
    QString shown = Q(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

// Units of the text as stored: each line break is CR LF.
qsizetype StoredUnits(const QString& text) {
    return static_cast<qsizetype>(WithCrLf(S(text)).size());
}

// The longest start of `inserted` that fits in `room` stored units, never splitting a
// surrogate pair.
QString FittingPart(const QString& inserted, qsizetype room) {
    qsizetype used = 0;
    qsizetype i = 0;
    while (i < inserted.size()) {
        const QChar c = inserted[i];
        const qsizetype cost = (c == QLatin1Char('\n') || c == QLatin1Char('\r')) ? 2 : 1;
        const qsizetype width = c.isHighSurrogate() && i + 1 < inserted.size() ? 2 : 1;
        if (used + cost * width > room) break;
        used += cost * width;
        i += width;
    }
    return inserted.left(i);
}

}  // namespace

// ---- bind a key ---------------------------------------------------------------------------------

BindKeyPopup::BindKeyPopup(PageHost& host, int targetButton, QWidget* parent)
    : LibraryPopup(kBindKeyFamily, LibraryKind::kBindKeys, host, targetButton, parent),
      model_(host.fileSystem(), host.dataFolder()) {
    AddKeyField("Key", kKeyId, U("单击此处（或按空格键），然后在键盘上按下要指派的按键"));
    name_ = AddLineEdit("Name", kNameId, kMaxNameLength, U("这个按键在菜单中显示的名称"));
    AddButton("Delete", kDeleteId, U("删除导入的按键"));
    AddButton("Import", kImportId, U("导入已保存的按键"));
    AddButton("Cancel", kCancelId);
    AddButton("Save", kSaveId, U("储存并指派给按键"));
    AddButton("Close", kCloseId, U("关闭视窗"));
    FinishLayout();
    connect(name_, &QLineEdit::textChanged, this, [this](const QString& text) {
        model_.SetName(S(text));
        Refresh();
    });
    Refresh();
}

void BindKeyPopup::showEvent(QShowEvent* event) {
    LibraryPopup::showEvent(event);
    // The popup is there to take a key: it listens from the start.
    if (!started_) {
        started_ = true;
        StartCapture();
    }
}

void BindKeyPopup::Refresh() {
    keyField()->SetText(Q(model_.keyText()));
    // Save needs a key with a name and a name; Delete something shown.
    skinButton("Save")->setEnabled(!model_.keyText().empty() && model_.CanSave());
    skinButton("Delete")->setEnabled(model_.CanSave());
}

bool BindKeyPopup::OnKeyDown(uint16_t vk) {
    model_.KeyCaptured(vk);
    SetQuietly(name_, Q(model_.name()));
    Refresh();
    // A key without a name cannot be shown or saved: keep listening for another.
    return !model_.keyText().empty();
}

void BindKeyPopup::OnClicked(int id) {
    RunCommonButton(id, {kSaveId, kImportId, kDeleteId, kCancelId, kCloseId});
}

void BindKeyPopup::Save() {
    model_.SetName(S(name_->text()));
    std::string error;
    const std::optional<PopupSaveResult> result = model_.Save(&error);
    FinishSave(result, error);
}

void BindKeyPopup::Import() {
    const std::filesystem::path file =
        ChooseImportFile(model_.library().folder(), U("Kesta Mouse Bind Key(*.bindkey)"));
    if (file.empty()) return;
    StopCapture();
    const bool ok = model_.Import(file);
    SetQuietly(name_, Q(model_.name()));
    Refresh();
    if (!ok) host().MessageBox(Unreadable(file));
}

void BindKeyPopup::Delete() {
    model_.Delete();
    SetQuietly(name_, QString());
    Refresh();
    host().NotifyLibraryChanged(LibraryKind::kBindKeys);
}

// ---- shortcut -----------------------------------------------------------------------------------

ShortcutPopup::ShortcutPopup(PageHost& host, int targetButton, QWidget* parent)
    : LibraryPopup(kShortcutFamily, LibraryKind::kShortcuts, host, targetButton, parent),
      model_(host.fileSystem(), host.dataFolder()) {
    target_ =
        AddLineEdit("Target", kTargetId, kMaxTargetLength, U("要打开的文件、文件夹、程序或网址"));
    AddButton("Open", kOpenId, U("选择要打开的文件"));
    name_ = AddLineEdit("Name", kNameId, kMaxNameLength, U("这个快捷方式在菜单中显示的名称"));
    AddButton("Delete", kDeleteId, U("删除导入的快捷方式"));
    AddButton("Import", kImportId, U("导入已保存的快捷方式"));
    AddButton("Cancel", kCancelId);
    AddButton("Save", kSaveId, U("储存并指派给按键"));
    AddButton("Close", kCloseId, U("关闭视窗"));
    FinishLayout();
    connect(target_, &QLineEdit::textChanged, this, [this](const QString& text) {
        model_.SetTarget(S(text));
        Refresh();
    });
    connect(name_, &QLineEdit::textChanged, this, [this](const QString& text) {
        model_.SetName(S(text));
        Refresh();
    });
    Refresh();
}

const IdMap* ShortcutPopup::renumbering() const {
    return saved() ? &model_.library().renumbering() : nullptr;
}

void ShortcutPopup::Refresh() {
    skinButton("Save")->setEnabled(!model_.target().empty() && !model_.name().empty());
    skinButton("Delete")->setEnabled(!model_.name().empty() || !model_.target().empty());
}

void ShortcutPopup::OnClicked(int id) {
    if (id == kOpenId) return Open();
    RunCommonButton(id, {kSaveId, kImportId, kDeleteId, kCancelId, kCloseId});
}

void ShortcutPopup::Save() {
    model_.SetTarget(S(target_->text().trimmed()));
    model_.SetName(S(name_->text()));
    std::string error;
    const std::optional<PopupSaveResult> result = model_.Save(&error);
    FinishSave(result, error);
}

void ShortcutPopup::Open() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString file =
        host().ChooseOpenFile(U("选择目标"), documents, U("Kesta Mouse Shortcut(*.*)"));
    if (!file.isEmpty()) target_->setText(file);
}

void ShortcutPopup::Import() {
    const std::filesystem::path file =
        ChooseImportFile(model_.library().folder(), U("Kesta Mouse Shortcut(*.sc)"));
    if (file.empty()) return;
    const bool ok = model_.Import(file);
    SetQuietly(target_, Q(model_.target()));
    SetQuietly(name_, Q(model_.name()));
    Refresh();
    if (!ok) host().MessageBox(Unreadable(file));
}

void ShortcutPopup::Delete() {
    model_.Delete();
    SetQuietly(target_, QString());
    SetQuietly(name_, QString());
    Refresh();
    host().NotifyLibraryChanged(LibraryKind::kShortcuts);
}

// ---- text block ---------------------------------------------------------------------------------

TextBlockPopup::TextBlockPopup(PageHost& host, int targetButton, QWidget* parent)
    : LibraryPopup(kTextBlockFamily, LibraryKind::kTextBlocks, host, targetButton, parent),
      model_(host.fileSystem(), host.dataFolder()) {
    const int textElement = ElementNamed(kTextBlockFamily, "Text");
    text_ = new TextBlockEdit(kTextId, this);
    text_->SetBackground(SkinPart(textElement, kStateNormal));
    text_->SetFixedFont();
    text_->SetTextColor(skin::kText);
    text_->installEventFilter(this);
    Place(text_, "Text",
          U("按下鼠标按键时输入的文字，最多 %1 个字符（换行算两个）").arg(kMaxTextBlockUnits));
    name_ = AddLineEdit("Name", kNameId, kMaxNameLength, U("这个文本块在菜单中显示的名称"));
    AddButton("Delete", kDeleteId, U("删除导入的文本块"));
    AddButton("Import", kImportId, U("导入已保存的文本块"));
    AddButton("Cancel", kCancelId);
    AddButton("Save", kSaveId, U("储存并指派给按键"));
    AddButton("Close", kCloseId, U("关闭视窗"));
    FinishLayout();
    connect(text_, &QPlainTextEdit::textChanged, this, &TextBlockPopup::OnTextChanged);
    connect(name_, &QLineEdit::textChanged, this, [this](const QString& text) {
        model_.SetName(S(text));
        Refresh();
    });
    Refresh();
}

const IdMap* TextBlockPopup::renumbering() const {
    return saved() ? &model_.library().renumbering() : nullptr;
}

void TextBlockPopup::OnTextChanged() {
    const QString text = text_->toPlainText();
    if (StoredUnits(text) > static_cast<qsizetype>(kMaxTextBlockUnits)) {
        // Whatever way the text grew (typing, pasting, an input method), only the part of the
        // new text that fits is kept, where it was put.
        qsizetype head = 0;
        while (head < lastText_.size() && head < text.size() && lastText_[head] == text[head])
            ++head;
        qsizetype tail = 0;
        while (tail < lastText_.size() - head && tail < text.size() - head &&
               lastText_[lastText_.size() - 1 - tail] == text[text.size() - 1 - tail])
            ++tail;
        const QString kept = lastText_.left(head) + lastText_.right(tail);
        const QString inserted = text.mid(head, text.size() - head - tail);
        const qsizetype room = static_cast<qsizetype>(kMaxTextBlockUnits) - StoredUnits(kept);
        const QString fitting = FittingPart(inserted, std::max<qsizetype>(0, room));
        const QString fixed = lastText_.left(head) + fitting + lastText_.right(tail);
        const QSignalBlocker quiet(text_);
        text_->setPlainText(fixed);
        QTextCursor cursor = text_->textCursor();
        cursor.setPosition(static_cast<int>(head + fitting.size()));
        text_->setTextCursor(cursor);
        lastText_ = fixed;
    } else {
        lastText_ = text;
    }
    model_.SetText(S(lastText_));
    Refresh();
}

void TextBlockPopup::Refresh() {
    const qsizetype units = StoredUnits(lastText_);
    note()->SetText(U("已输入 %1 / %2").arg(units).arg(kMaxTextBlockUnits));
    skinButton("Save")->setEnabled(!model_.text().empty() && !model_.name().empty());
    skinButton("Delete")->setEnabled(!model_.name().empty() || !model_.text().empty());
}

void TextBlockPopup::OnClicked(int id) {
    RunCommonButton(id, {kSaveId, kImportId, kDeleteId, kCancelId, kCloseId});
}

void TextBlockPopup::Save() {
    model_.SetName(S(name_->text()));
    std::string error;
    const std::optional<PopupSaveResult> result = model_.Save(&error);
    FinishSave(result, error);
}

void TextBlockPopup::Import() {
    const std::filesystem::path file =
        ChooseImportFile(model_.library().folder(), U("Kesta Mouse Text Block(*.tb)"));
    if (file.empty()) return;
    const bool ok = model_.Import(file);
    {
        const QSignalBlocker quietText(text_);
        const QSignalBlocker quietName(name_);
        lastText_ = ForEdit(model_.text());
        text_->setPlainText(lastText_);
        name_->setText(Q(model_.name()));
    }
    Refresh();
    if (!ok) host().MessageBox(Unreadable(file));
}

void TextBlockPopup::Delete() {
    model_.Delete();
    {
        const QSignalBlocker quietText(text_);
        const QSignalBlocker quietName(name_);
        lastText_.clear();
        text_->clear();
        name_->clear();
    }
    Refresh();
    host().NotifyLibraryChanged(LibraryKind::kTextBlocks);
}

// ---- custom hotkey ------------------------------------------------------------------------------

namespace {
struct ToggleSpec {
    const char* name;
    int id;
};
constexpr ToggleSpec kToggles[] = {
    {"None", CustomHotkeyPopup::kNoneId},   {"Ctrl", CustomHotkeyPopup::kCtrlId},
    {"Shift", CustomHotkeyPopup::kShiftId}, {"Alt", CustomHotkeyPopup::kAltId},
    {"Win", CustomHotkeyPopup::kWinId},
};
}  // namespace

CustomHotkeyPopup::CustomHotkeyPopup(PageHost& host, int targetButton, QWidget* parent)
    : LibraryPopup(kCustomHotkeyFamily, LibraryKind::kCustomHotkeys, host, targetButton, parent),
      model_(host.fileSystem(), host.dataFolder()) {
    for (int i = 0; i < 5; ++i) {
        toggles_[i] = AddCheckBox(
            kToggles[i].name, kToggles[i].id,
            i == 0 ? U("不使用修饰键") : U("按键时同时按住 %1").arg(U(kToggles[i].name)));
    }
    AddKeyField("Key", kKeyId, U("单击此处（或按空格键），然后按下组合中的按键"));
    name_ = AddLineEdit("Name", kNameId, kMaxNameLength, U("这个快捷键在菜单中显示的名称"));
    AddButton("Delete", kDeleteId, U("删除导入的快捷键"));
    AddButton("Import", kImportId, U("导入已保存的快捷键"));
    AddButton("Cancel", kCancelId);
    AddButton("Save", kSaveId, U("储存并指派给按键"));
    AddButton("Close", kCloseId, U("关闭视窗"));
    FinishLayout();
    connect(name_, &QLineEdit::textChanged, this, [this](const QString& text) {
        model_.SetName(S(text));
        Refresh();
    });
    Refresh();
}

const IdMap* CustomHotkeyPopup::renumbering() const {
    return saved() ? &model_.library().renumbering() : nullptr;
}

SkinCheckBox* CustomHotkeyPopup::toggle(int id) const {
    for (int i = 0; i < 5; ++i)
        if (kToggles[i].id == id) return toggles_[i];
    return nullptr;
}

void CustomHotkeyPopup::showEvent(QShowEvent* event) {
    LibraryPopup::showEvent(event);
    if (!started_) {
        started_ = true;
        StartCapture();
    }
}

void CustomHotkeyPopup::Refresh() {
    const HotkeyModifiers m = model_.modifiers();
    toggles_[0]->SetChecked(model_.none());
    toggles_[1]->SetChecked(m.ctrl);
    toggles_[2]->SetChecked(m.shift);
    toggles_[3]->SetChecked(m.alt);
    toggles_[4]->SetChecked(m.win);
    keyField()->SetText(Q(model_.combinationText()));
    skinButton("Save")->setEnabled(model_.keyCaptured() && !model_.name().empty());
    skinButton("Delete")->setEnabled(model_.keyCaptured() || !model_.name().empty());
}

void CustomHotkeyPopup::CaptureChanged() {
    model_.SetCapture(capturing());
}

bool CustomHotkeyPopup::OnKeyDown(uint16_t vk) {
    if (!model_.KeyArrived(vk)) return false;
    SetQuietly(name_, Q(model_.name()));
    Refresh();
    return true;
}

void CustomHotkeyPopup::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) StartCapture();
    LibraryPopup::mousePressEvent(event);
}

void CustomHotkeyPopup::OnClicked(int id) {
    switch (id) {
        case kNoneId:
            // "None" cannot be switched off by itself: a modifier switches it off.
            if (toggles_[0]->checked()) model_.SetNone();
            break;
        case kCtrlId:
            model_.SetToggle(HotkeyToggle::Ctrl, toggle(id)->checked());
            break;
        case kShiftId:
            model_.SetToggle(HotkeyToggle::Shift, toggle(id)->checked());
            break;
        case kAltId:
            model_.SetToggle(HotkeyToggle::Alt, toggle(id)->checked());
            break;
        case kWinId:
            model_.SetToggle(HotkeyToggle::Win, toggle(id)->checked());
            break;
        default:
            RunCommonButton(id, {kSaveId, kImportId, kDeleteId, kCancelId, kCloseId});
            return;
    }
    Refresh();
}

void CustomHotkeyPopup::Save() {
    model_.SetName(S(name_->text()));
    std::string error;
    const auto added = model_.Save(&error);
    FinishSave(
        added ? std::optional<PopupSaveResult>({added->functionId, added->name}) : std::nullopt,
        error);
}

void CustomHotkeyPopup::Import() {
    const std::filesystem::path file =
        ChooseImportFile(model_.library().folder(), U("Kesta Mouse Custom Hotkey(*.ckey)"));
    if (file.empty()) return;
    StopCapture();
    const bool ok = model_.Import(file);
    SetQuietly(name_, Q(model_.name()));
    Refresh();
    if (!ok) host().MessageBox(Unreadable(file));
}

void CustomHotkeyPopup::Delete() {
    model_.Delete();
    SetQuietly(name_, QString());
    Refresh();
    host().NotifyLibraryChanged(LibraryKind::kCustomHotkeys);
}

}  // namespace z7
