#include "gui/pages/page_window.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <algorithm>

#include "core/profile/value_sets.h"
#include "gui/ui/message_popup.h"
#include "gui/ui/skin.h"
#include "gui/ui/skin_accessible.h"
#include "gui/ui/skin_combo_button.h"
#include "gui/ui/skin_layout.h"
#include "gui/ui/skin_style.h"
#include "gui/ui/title_tip.h"

namespace z7 {
namespace {

struct FurnitureEntry {
    Furniture which;
    const char* name;
    const char* tooltip;
};
// Names as the pages' templates caption them; the tooltips are the pages' own.
constexpr FurnitureEntry kFurniture[] = {
    {Furniture::kMin, "Min", "最小化到任务栏"},
    {Furniture::kClose, "Close", "关闭视窗"},
    {Furniture::kBack, "Back", ""},
    {Furniture::kDefault, "Default", ""},
    {Furniture::kCancel, "Cancel", ""},
    {Furniture::kApply, "Apply", ""},
};

int Index(Furniture which) {
    return static_cast<int>(which);
}

}  // namespace

DeviceNotice NoticeFor(ExchangeResult result) {
    switch (result) {
        case ExchangeResult::kOk:
            return DeviceNotice::kNone;
        case ExchangeResult::kNoDevice:
            return DeviceNotice::kNoDevice;
        case ExchangeResult::kNoAccess:
            return DeviceNotice::kNoAccess;
        case ExchangeResult::kCommandFailed:
            return DeviceNotice::kFailed;
        case ExchangeResult::kBusy:
            return DeviceNotice::kBusy;
    }
    return DeviceNotice::kFailed;
}

PageWindow::PageWindow(PageId id, int family, PageHost& host, QWidget* owner)
    : SkinWindow(owner), id_(id), family_(family), host_(host) {
    // A page is a window of its own beside the main window, not a transient dialog of it.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    const SkinFamily* f = FamilyOf(family);
    if (f) setWindowTitle(QString::fromUtf8(f->title));
    setFixedSize(f ? f->size : QSize(760, 520));
}

void PageWindow::EnsureBuilt() {
    if (built_) return;
    built_ = true;
    const QImage background = SkinPart(family_, kStateNormal);
    if (!background.isNull()) SetBackground(background);
    tip_ = new TitleTip(this);
    MakeFurniture();
    BuildControls();
    // Tab walks the page's own controls first, then Default, Cancel, Apply, Back, Min, Close.
    std::vector<QWidget*> order;
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const bool isFurniture =
            std::find(std::begin(furniture_), std::end(furniture_), child) != std::end(furniture_);
        if (!isFurniture && !child->isWindow() && child->focusPolicy() != Qt::NoFocus)
            order.push_back(child);
    }
    for (Furniture f : {Furniture::kDefault, Furniture::kCancel, Furniture::kApply,
                        Furniture::kBack, Furniture::kMin, Furniture::kClose}) {
        if (SkinButton* b = furniture(f)) order.push_back(b);
    }
    SetTabOrder(std::move(order));
    // Built while the page is being shown: controls the page did not hide itself appear with it.
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow() && !child->testAttribute(Qt::WA_WState_ExplicitShowHide))
            child->show();
    }
    const ProfileRecord record = pending_ ? *pending_ : snapshot_;
    pending_.reset();
    LoadControls(record);
    TakeSnapshot(record);
    ApplyEnabledState();
}

void PageWindow::MakeFurniture() {
    for (const FurnitureEntry& entry : kFurniture) {
        const int element = ElementNamed(family_, entry.name);
        if (element < 0) continue;
        if (!HasFurniture(entry.which)) {
            // The sheet shows every button; one the page does not have must not look live.
            CoverSheetElement(entry.name);
            continue;
        }
        auto* button = new SkinButton(element, this);
        button->SetSkinElement(element);
        button->setGeometry(ElementRect(element));
        NameControl(button, QString::fromUtf8(entry.name), QString::fromUtf8(entry.tooltip));
        furniture_[Index(entry.which)] = button;
        const Furniture which = entry.which;
        connect(button, &SkinButton::clicked, this, [this, which] {
            switch (which) {
                case Furniture::kMin:
                    showMinimized();
                    break;
                case Furniture::kClose:
                    CloseByButton();
                    break;
                case Furniture::kBack:
                    hide();
                    break;
                case Furniture::kDefault:
                    RestoreDefaults();
                    break;
                case Furniture::kCancel:
                    Cancel();
                    break;
                case Furniture::kApply:
                    Apply();
                    break;
            }
        });
    }
}

void PageWindow::CoverSheetElement(const char* name) {
    const QRect r = ElementRect(ElementNamed(family_, name)).adjusted(-1, -1, 1, 1);
    QImage sheet = background();
    if (r.isEmpty() || sheet.isNull()) return;
    // What surrounds the element: the pixel just left of it, halfway down.
    const QPoint beside(std::max(0, r.left() - 2), r.center().y());
    if (!sheet.rect().contains(beside)) return;
    const QColor fill = sheet.pixelColor(beside);
    QPainter painter(&sheet);
    painter.fillRect(r.intersected(sheet.rect()), fill);
    painter.end();
    SetBackground(sheet);
}

bool PageWindow::HasFurniture(Furniture which) const {
    return which != Furniture::kBack;
}

SkinButton* PageWindow::furniture(Furniture which) const {
    return furniture_[Index(which)];
}

void PageWindow::showEvent(QShowEvent* event) {
    EnsureBuilt();
    SkinWindow::showEvent(event);
}

void PageWindow::keyPressEvent(QKeyEvent* event) {
    // Enter presses the focused control (the controls take it); it never closes the page.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    SkinWindow::keyPressEvent(event);
}

// ---- loading and storing ----------------------------------------------------------------------

void PageWindow::LoadFromProfile(const ProfileRecord& record) {
    if (!built_) {
        pending_ = record;
        snapshot_ = record;
        return;
    }
    LoadControls(record);
    TakeSnapshot(record);
}

void PageWindow::StoreIntoProfile(ProfileRecord& record) {
    if (built_) StoreControls(record);
}

void PageWindow::TakeSnapshot(const ProfileRecord& record) {
    snapshot_ = record;
    storedSnapshot_.reset();
    if (!built_) return;
    storedSnapshot_ = record;
    StoreControls(*storedSnapshot_);
}

bool PageWindow::HasChanges() {
    if (!built_) return false;
    ProfileRecord shown = snapshot_;
    StoreControls(shown);
    return storedSnapshot_ ? !(shown == *storedSnapshot_) : !(shown == snapshot_);
}

// ---- the editing pattern ----------------------------------------------------------------------

void PageWindow::Apply() {
    EnsureBuilt();
    host_.SetApplyButtonsEnabled(false);
    // A failed save has been reported; the mouse still gets what the user asked for.
    (void)host_.StorePagesAndSave();
    TakeSnapshot(host_.currentProfile());
    AfterApplySaved();
    DeviceExchange exchange = ApplyExchange();
    if (!exchange) {
        host_.SetApplyButtonsEnabled(true);
        emit applyFinished(ExchangeResult::kOk);
        return;
    }
    QPointer<PageWindow> self(this);
    PageHost* host = &host_;
    host_.PostExchange(std::move(exchange), [self, host](ExchangeResult result) {
        host->SetApplyButtonsEnabled(true);
        host->ShowExchangeResult(result);
        if (self) emit self->applyFinished(result);
    });
}

void PageWindow::Cancel() {
    if (HasChanges()) {
        if (host_.Popup(kPopupDataChanged) == kPopupYes)
            Apply();
        else
            RestoreSnapshot();
    }
    hide();
}

void PageWindow::LoadDefaults() {
    const ProfileRecord factory = CreateProfileRecord();
    LoadControls(factory);
}

void PageWindow::RestoreDefaults() {
    EnsureBuilt();
    const int kind = DefaultPopupKind();
    if (kind != 0 && host_.Popup(kind) != kPopupYes) return;
    LoadDefaults();
    Apply();
}

// ---- Apply-button state and versions ----------------------------------------------------------

void PageWindow::SetApplyButtonsEnabled(bool enabled) {
    applyEnabled_ = enabled;
    ApplyEnabledState();
}

void PageWindow::ApplyEnabledState() {
    if (SkinButton* apply = applyButton()) apply->setEnabled(applyEnabled_);
}

void PageWindow::SetFirmwareVersionText(const QString& text) {
    firmwareText_ = text;
}

void PageWindow::Open() {
    EnsureBuilt();
    if (isMinimized())
        showNormal();
    else if (!isVisible())
        show();
    raise();
    activateWindow();
}

// ---- controls from the layout table -----------------------------------------------------------

void PageWindow::Adopt(QWidget* control, const char* name, const QString& tooltip,
                       const QString& accessibleName) {
    const int element = ElementNamed(family_, name);
    if (element >= 0) control->setGeometry(ElementRect(element));
    NameControl(control, accessibleName.isEmpty() ? QString::fromUtf8(name) : accessibleName,
                tooltip);
    if (auto* c = qobject_cast<SkinControl*>(control)) {
        connect(c, &SkinControl::sysCommand, this, [this](int code, int value) {
            if (code == kHoverCode) ShowHelp(value);
            OnCommand(code, value);
        });
        connect(c, &SkinControl::clicked, this, [this, c] { OnClicked(c->controlId()); });
    } else if (auto* e = qobject_cast<SkinLineEdit*>(control)) {
        connect(e, &SkinLineEdit::sysCommand, this, [this](int code, int value) {
            if (code == kHoverCode) ShowHelp(value);
            OnCommand(code, value);
        });
    } else if (auto* l = qobject_cast<SkinLabel*>(control)) {
        connect(l, &SkinLabel::sysCommand, this, &PageWindow::OnCommand);
    }
}

SkinButton* PageWindow::AddSkinButton(const char* name, int controlId, const QString& tooltip,
                                      const QString& accessibleName) {
    const int element = ElementNamed(family_, name);
    if (element < 0) return nullptr;
    auto* button = new SkinButton(controlId ? controlId : element, this);
    button->SetSkinElement(element);
    if (const SkinElement* e = FindElement(element))
        button->SetFallbackText(QString::fromUtf8(e->label));
    Adopt(button, name, tooltip, accessibleName);
    return button;
}

SkinCheckBox* PageWindow::AddCheckBox(const char* name, int controlId, const QString& tooltip,
                                      const QString& accessibleName) {
    const int element = ElementNamed(family_, name);
    if (element < 0) return nullptr;
    auto* box = new SkinCheckBox(controlId ? controlId : element, this);
    box->SetSkinElement(element);
    Adopt(box, name, tooltip, accessibleName);
    return box;
}

SkinComboButton* PageWindow::AddComboButton(const char* name, int controlId, const QString& tooltip,
                                            const QString& accessibleName) {
    const int element = ElementNamed(family_, name);
    if (element < 0) return nullptr;
    auto* combo = new SkinComboButton(controlId ? controlId : element, this);
    combo->setGeometry(ElementRect(element));
    combo->SetSkinElement(element);
    combo->SetColors(skin::kText, skin::kAccent);
    Adopt(combo, name, tooltip, accessibleName);
    return combo;
}

SkinSlider* PageWindow::AddSlider(const char* name, int controlId, const QString& tooltip,
                                  const QString& accessibleName) {
    const int element = ElementNamed(family_, name);
    if (element < 0) return nullptr;
    auto* slider = new SkinSlider(controlId ? controlId : element, this);
    slider->SetPictures(SkinPart(element, kStateNormal), SkinPart(54, kStateNormal),
                        SkinPart(55, kStateNormal));
    Adopt(slider, name, tooltip, accessibleName);
    return slider;
}

SkinLineEdit* PageWindow::AddLineEdit(const char* name, int controlId, const QString& tooltip,
                                      const QString& accessibleName) {
    const int element = ElementNamed(family_, name);
    if (element < 0) return nullptr;
    auto* edit = new SkinLineEdit(controlId ? controlId : element, this);
    edit->SetBackground(SkinPart(element, kStateNormal));
    edit->SetTextColor(skin::kText);
    Adopt(edit, name, tooltip, accessibleName);
    return edit;
}

SkinLabel* PageWindow::AddLabel(const char* name, int controlId, const QString& accessibleName) {
    const int element = ElementNamed(family_, name);
    if (element < 0) return nullptr;
    auto* label = new SkinLabel(controlId ? controlId : element, this);
    label->SetBackground(SkinPart(element, kStateNormal));
    Adopt(label, name, {}, accessibleName);
    return label;
}

QWidget* PageWindow::ControlById(int controlId) const {
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (auto* c = qobject_cast<SkinControl*>(child); c && c->controlId() == controlId) return c;
        if (auto* e = qobject_cast<SkinLineEdit*>(child); e && e->controlId() == controlId)
            return e;
    }
    return nullptr;
}

void PageWindow::ShowHelp(int controlId) {
    const QString text = HelpText(controlId);
    QWidget* control = ControlById(controlId);
    if (text.isEmpty() || !control || !tip_) return;
    tip_->Hide();
    tip_->ShowFor(control, text);
}

// ---- values outside a control's set -----------------------------------------------------------

namespace {
long long FactoryValue(const ProfileField& field, size_t index) {
    static const ProfileRecord factory = CreateProfileRecord();
    return field.get(factory, index);
}
}  // namespace

long long PageWindow::SelectValue(SkinComboButton* combo, std::string_view field, long long value,
                                  size_t index) {
    if (!combo) return value;
    const auto offered = [combo](long long v) {
        return combo->menu() && combo->menu()->FindItem(static_cast<int>(v)) != nullptr;
    };
    if (!offered(value)) {
        const ProfileField* f = FindProfileField(field);
        if (f && f->checked && !f->Contains(value)) value = FactoryValue(*f, index);
    }
    if (offered(value))
        combo->SelectItem(static_cast<int>(value));
    else
        combo->ShowUnlistedValue(static_cast<int>(value), QString::number(value));
    return value;
}

long long PageWindow::SetSliderValue(SkinSlider* slider, std::string_view field, long long value,
                                     size_t index) {
    if (!slider) return value;
    const ProfileField* f = FindProfileField(field);
    if (f && f->checked && !f->Contains(value)) value = FactoryValue(*f, index);
    slider->SetPos(static_cast<int>(value));
    return slider->pos();
}

}  // namespace z7
