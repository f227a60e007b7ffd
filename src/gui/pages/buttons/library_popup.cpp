#include "gui/pages/buttons/library_popup.h"

#include <QEvent>
#include <QFocusEvent>

#include "gui/app/input_capture_relay.h"
#include "gui/pages/buttons/key_capture_field.h"
#include "gui/ui/skin.h"
#include "gui/ui/skin_accessible.h"
#include "gui/ui/skin_layout.h"
#include "gui/ui/skin_style.h"

namespace z7 {
namespace {

QString U(const char* text) {
    return QString::fromUtf8(text);
}

constexpr int kNoteFontHeight = 13;
constexpr int kNoteLeft = 16;
constexpr int kNoteGap = 12;

}  // namespace

LibraryPopup::LibraryPopup(int family, LibraryKind kind, PageHost& host, int targetButton,
                           QWidget* parent)
    : SkinWindow(parent), family_(family), kind_(kind), host_(host), targetButton_(targetButton) {
    setModal(true);
    const SkinFamily* f = FamilyOf(family);
    if (f) setWindowTitle(QString::fromUtf8(f->title));
    const QImage background = SkinPart(family, kStateNormal);
    if (!background.isNull())
        SetBackground(background);
    else
        setFixedSize(f ? f->size : QSize(520, 300));
    // Below the controls, beside the bottom row's buttons.
    const QRect cancel = ElementRect(ElementNamed(family, "Cancel"));
    note_ = new SkinLabel(0, this);
    note_->setGeometry(QRect(kNoteLeft, cancel.top() - 4, cancel.left() - kNoteLeft - kNoteGap,
                             cancel.height() + 8));
    note_->SetFontHeight(kNoteFontHeight);
    note_->SetColors(Qt::transparent, skin::kTextDim);
    note_->SetCentred(false);
    note_->setAccessibleName(U("Note"));
}

LibraryPopup::~LibraryPopup() {
    StopCapture();
}

QWidget* LibraryPopup::control(const char* name) const {
    const QString wanted = QString::fromUtf8(name);
    for (const auto& [n, w] : controls_)
        if (n == wanted) return w;
    return nullptr;
}

SkinButton* LibraryPopup::skinButton(const char* name) const {
    return qobject_cast<SkinButton*>(control(name));
}

SkinLineEdit* LibraryPopup::lineEdit(const char* name) const {
    return qobject_cast<SkinLineEdit*>(control(name));
}

void LibraryPopup::Place(QWidget* control, const char* name, const QString& tooltip) {
    const int element = ElementNamed(family_, name);
    if (element >= 0) control->setGeometry(ElementRect(element));
    NameControl(control, QString::fromUtf8(name), tooltip);
    controls_.emplace_back(QString::fromUtf8(name), control);
}

SkinButton* LibraryPopup::AddButton(const char* name, int id, const QString& tooltip) {
    const int element = ElementNamed(family_, name);
    if (element < 0) return nullptr;
    auto* button = new SkinButton(id, this);
    button->SetSkinElement(element);
    if (const SkinElement* e = FindElement(element))
        button->SetFallbackText(QString::fromUtf8(e->label));
    Place(button, name, tooltip);
    connect(button, &SkinButton::clicked, this, [this, id] { OnClicked(id); });
    return button;
}

SkinLineEdit* LibraryPopup::AddLineEdit(const char* name, int id, int maxLength,
                                        const QString& tooltip) {
    const int element = ElementNamed(family_, name);
    if (element < 0) return nullptr;
    auto* edit = new SkinLineEdit(id, this);
    edit->SetBackground(SkinPart(element, kStateNormal));
    edit->SetTextColor(skin::kText);
    edit->setMaxLength(maxLength);
    Place(edit, name, tooltip);
    edit->installEventFilter(this);
    return edit;
}

SkinCheckBox* LibraryPopup::AddCheckBox(const char* name, int id, const QString& tooltip) {
    const int element = ElementNamed(family_, name);
    if (element < 0) return nullptr;
    auto* box = new SkinCheckBox(id, this);
    box->SetSkinElement(element);
    // Reached by Tab; a click leaves the keyboard where it was (on a field waiting for a key).
    box->setFocusPolicy(Qt::TabFocus);
    Place(box, name, tooltip);
    connect(box, &SkinCheckBox::clicked, this, [this, id] { OnClicked(id); });
    return box;
}

KeyCaptureField* LibraryPopup::AddKeyField(const char* name, int id, const QString& tooltip) {
    const int element = ElementNamed(family_, name);
    if (element < 0) return nullptr;
    keyField_ = new KeyCaptureField(id, this);
    keyField_->SetBackground(SkinPart(element, kStateNormal));
    keyField_->SetHints(U("单击此处后按下按键"), U("请按下按键…"));
    Place(keyField_, name, tooltip);
    keyField_->installEventFilter(this);
    connect(keyField_, &KeyCaptureField::captureRequested, this,
            [this](uint16_t heldKey) { StartCapture(heldKey); });
    return keyField_;
}

void LibraryPopup::FinishLayout() {
    std::vector<QWidget*> order;
    QWidget* close = nullptr;
    for (const auto& [name, w] : controls_) {
        if (name == QLatin1String("Close"))
            close = w;
        else
            order.push_back(w);
    }
    if (close) order.push_back(close);
    SetTabOrder(std::move(order));
}

void LibraryPopup::Cancel() {
    restoresFactory_ = LibraryEmpty();
    saved_.reset();
    done(QDialog::Rejected);
}

void LibraryPopup::Finish(const PopupSaveResult& result) {
    saved_ = result;
    restoresFactory_ = false;
    done(QDialog::Accepted);
}

void LibraryPopup::ShowSaveError(const std::string& error) {
    host_.MessageBox(U("保存失败: ") +
                     (error.empty() ? U("无法写入数据文件夹") : QString::fromStdString(error)));
}

void LibraryPopup::FinishSave(const std::optional<PopupSaveResult>& result,
                              const std::string& error) {
    if (result)
        Finish(*result);
    else if (!error.empty())
        ShowSaveError(error);
}

bool LibraryPopup::RunCommonButton(int id, const CommonButtons& ids) {
    if (id == ids.save)
        Save();
    else if (id == ids.import)
        Import();
    else if (id == ids.remove)
        Delete();
    else if (id == ids.cancel || id == ids.close)
        Cancel();
    else
        return false;
    return true;
}

std::filesystem::path LibraryPopup::ChooseImportFile(const std::filesystem::path& folder,
                                                     const QString& filter) {
    const QString file =
        host_.ChooseOpenFile(U("导入"), QString::fromStdU16String(folder.u16string()), filter);
    if (file.isEmpty()) return {};
    return std::filesystem::path(file.toStdU16String());
}

// ---- key capture --------------------------------------------------------------------------------

void LibraryPopup::StartCapture(uint16_t heldKey) {
    if (!relay_) {
        relay_ = host_.NewInputCaptureRelay();
        connect(relay_.get(), &InputCaptureRelay::inputReceived, this, &LibraryPopup::OnInput);
        if (!relay_->isGlobal()) {
            // No program sees another's keys there: only what is typed into our windows counts.
            note_->SetText(U("此桌面只能捕获在本程序窗口中按下的按键"));
        }
    }
    heldKey_ = heldKey;
    capturing_ = true;
    if (keyField_) keyField_->setFocus(Qt::OtherFocusReason);
    CaptureChanged();
    // Not active yet (the popup is opening): the capture starts when it becomes active.
    if (isActiveWindow()) RunRelay();
    ShowListening();
}

void LibraryPopup::RunRelay() {
    if (!relay_ || relay_->running()) return;
    QString error;
    if (relay_->Start({.keys = true, .mouseButtons = false}, &error)) return;
    // Back to idle, saying why: keys can still be had by Import, or by trying again.
    StopCapture();
    host_.MessageBox(U("无法捕获按键: ") + error);
}

void LibraryPopup::ShowListening() {
    // The field asks for a key only while one would really be heard.
    if (keyField_) keyField_->SetCapturing(capturing_ && relay_ && relay_->running());
}

void LibraryPopup::StopCapture() {
    if (relay_) relay_->Stop();
    if (!capturing_) return;
    capturing_ = false;
    heldKey_ = 0;
    ShowListening();
    CaptureChanged();
}

void LibraryPopup::OnInput(const InputEvent& event) {
    if (!capturing_ || event.device != InputDevice::kKeyboard) return;
    if (event.code == heldKey_) {
        // The press that asked for a key, repeating or let go.
        if (!event.down) heldKey_ = 0;
        return;
    }
    // Key-down only: with several keys held, letting them go must not change the choice.
    if (!event.down || !isActiveWindow()) return;
    if (!OnKeyDown(event.code)) return;
    if (keyField_) keyField_->SwallowUntilReleased(event.code);
    StopCapture();
}

bool LibraryPopup::eventFilter(QObject* watched, QEvent* event) {
    // The field keeps the keyboard while it waits for a key: the keys must not also act on
    // another control. Leaving it (not the window) ends the capture, as typing into an edit does.
    if (event->type() == QEvent::FocusIn && watched != keyField_) StopCapture();
    if (event->type() == QEvent::FocusOut && watched == keyField_) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) StopCapture();
    }
    return SkinWindow::eventFilter(watched, event);
}

void LibraryPopup::changeEvent(QEvent* event) {
    SkinWindow::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !relay_) return;
    // Capture runs only while this popup is the window the user types into.
    if (!isActiveWindow()) {
        relay_->Stop();
    } else if (capturing_) {
        RunRelay();
    }
    ShowListening();
}

void LibraryPopup::showEvent(QShowEvent* event) {
    SkinWindow::showEvent(event);
    // The popup was asked for to take a key or a text: it takes the keyboard (where no window
    // manager hands it over, nothing else would).
    activateWindow();
}

void LibraryPopup::done(int result) {
    StopCapture();
    SkinWindow::done(result);
}

void LibraryPopup::hideEvent(QHideEvent* event) {
    StopCapture();
    SkinWindow::hideEvent(event);
}

}  // namespace z7
