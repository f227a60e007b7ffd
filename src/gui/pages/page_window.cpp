#include "gui/pages/page_window.h"

#include "gui/ui/skin.h"
#include "gui/ui/skin_layout.h"

namespace z7 {

PageWindow::PageWindow(int family, QWidget* owner) : SkinWindow(owner), family_(family) {
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
    minButton_ = AddSkinButton("Min", 0);
    closeButton_ = AddSkinButton("Close", 0);
    if (minButton_) connect(minButton_, &SkinButton::clicked, this, &QWidget::showMinimized);
    if (closeButton_) connect(closeButton_, &SkinButton::clicked, this, &QWidget::hide);
    BuildControls();
    // Built while the page is being shown: controls the page did not hide itself appear with it.
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->testAttribute(Qt::WA_WState_ExplicitShowHide)) child->show();
    }
    if (pending_) {
        LoadControls(*pending_);
        pending_.reset();
    }
}

void PageWindow::showEvent(QShowEvent* event) {
    EnsureBuilt();
    SkinWindow::showEvent(event);
}

SkinButton* PageWindow::AddSkinButton(const char* name, int controlId) {
    const int element = ElementNamed(family_, name);
    if (element < 0) return nullptr;
    auto* button = new SkinButton(controlId ? controlId : element, this);
    button->SetSkinElement(element);
    button->setGeometry(ElementRect(element));
    return button;
}

void PageWindow::LoadFromProfile(const ProfileRecord& record) {
    if (built_)
        LoadControls(record);
    else
        pending_ = record;
}

void PageWindow::StoreIntoProfile(ProfileRecord& record) {
    if (built_) StoreControls(record);
}

void PageWindow::SetApplyButtonsEnabled(bool enabled) {
    applyEnabled_ = enabled;
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

}  // namespace z7
