#include "gui/pages/page_dlg.h"

#include "gui/ui/skin.h"
#include "gui/ui/skin_layout.h"

namespace z7 {

CPageDlg::CPageDlg(int family, QWidget* owner) : CLumImageDialog(owner), family_(family) {
    // A page is a window of its own beside the main window, not a transient dialog of it.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    if (const SkinFamily* f = FamilyOf(family)) setWindowTitle(QString::fromUtf8(f->title));
    SetBackground(SkinPart(family, kStateNormal));
    if (background().isNull()) resize(760, 520);
    minButton_ = AddSkinButton("Min", 0);
    closeButton_ = AddSkinButton("Close", 0);
    if (minButton_) connect(minButton_, &CLumButton::clicked, this, &QWidget::showMinimized);
    if (closeButton_) connect(closeButton_, &CLumButton::clicked, this, &QWidget::hide);
}

CLumButton* CPageDlg::AddSkinButton(const char* name, int controlId) {
    const int element = ElementNamed(family_, name);
    if (element < 0) return nullptr;
    auto* button = new CLumButton(controlId ? controlId : element, this);
    button->SetSkinElement(element);
    button->setGeometry(ElementRect(element));
    return button;
}

void CPageDlg::LoadFromProfile(const ProfileRecord&) {}

void CPageDlg::StoreIntoProfile(ProfileRecord&) {}

void CPageDlg::SetApplyButtonsEnabled(bool enabled) {
    applyEnabled_ = enabled;
}

void CPageDlg::SetFirmwareVersionText(const QString& text) {
    firmwareText_ = text;
}

void CPageDlg::Open() {
    if (isMinimized())
        showNormal();
    else if (!isVisible())
        show();
    raise();
    activateWindow();
}

}  // namespace z7
