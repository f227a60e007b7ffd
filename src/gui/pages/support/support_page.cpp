#include "gui/pages/support/support_page.h"

#include <QUrl>

#include "gui/ui/skin_style.h"

namespace z7 {
namespace {

constexpr char kSoftwareVersion[] = "V1.00";
constexpr int kVersionFontHeight = 14;

QString U(const char* text) {
    return QString::fromUtf8(text);
}

}  // namespace

bool SupportPage::HasFurniture(Furniture which) const {
    return which == Furniture::kMin || which == Furniture::kClose || which == Furniture::kBack;
}

void SupportPage::BuildControls() {
    softwareVersion_ = AddLabel("Software Version", kSoftwareVersionId);
    firmwareVersion_ = AddLabel("Firmware Version", kFirmwareVersionId);
    for (SkinLabel* label : {softwareVersion_, firmwareVersion_}) {
        label->SetFontHeight(kVersionFontHeight);
        label->SetColors(Qt::transparent, skin::kText);
    }
    softwareVersion_->SetText(U(kSoftwareVersion));
    firmwareVersion_->SetText(firmwareVersionText());
    updateSoftware_ = AddSkinButton("Update Software", kUpdateSoftwareId, U("更新最新版本的软件"));
    updateFirmware_ = AddSkinButton("Update Firmware", kUpdateFirmwareId, U("更新最新版本的固件"));
    email_ = AddSkinButton("Email", kEmailId, U("写邮件给我们的销售部门"));
    supportUrl_ = AddSkinButton("support url", kSupportUrlId, U("访问我们的官方网站"));
    updateFirmware_->setEnabled(firmwareUpdateEnabled_);
}

SkinButton* SupportPage::button(int controlId) const {
    for (SkinButton* b : {updateSoftware_, updateFirmware_, email_, supportUrl_})
        if (b && b->controlId() == controlId) return b;
    return nullptr;
}

QString SupportPage::MailLink() const {
    const QString address = host().makerLink(MakerLink::kSalesEmail);
    return QStringLiteral("mailto:") + QString::fromLatin1(QUrl::toPercentEncoding(address, "@")) +
           QStringLiteral("?subject=&body=");
}

void SupportPage::OnClicked(int controlId) {
    switch (controlId) {
        case kUpdateSoftwareId:
            host().OpenUrl(host().makerLink(MakerLink::kSoftwareUpdate));
            break;
        case kUpdateFirmwareId:
            host().RequestFirmwareUpdate();
            break;
        case kEmailId:
            host().OpenUrl(MailLink());
            break;
        case kSupportUrlId:
            host().OpenUrl(host().makerLink(MakerLink::kHomePage));
            break;
        default:
            break;
    }
}

void SupportPage::SetFirmwareVersionText(const QString& text) {
    PageWindow::SetFirmwareVersionText(text);
    if (firmwareVersion_) firmwareVersion_->SetText(text);
}

void SupportPage::SetFirmwareUpdateEnabled(bool enabled) {
    firmwareUpdateEnabled_ = enabled;
    if (updateFirmware_) updateFirmware_->setEnabled(enabled);
}

}  // namespace z7
