#pragma once
// The "Support" page: versions, updates and the ways to reach the maker.
#include "gui/pages/page_window.h"

namespace z7 {

class SupportPage : public PageWindow {
    Q_OBJECT
  public:
    static constexpr int kUpdateSoftwareId = 1107;
    static constexpr int kUpdateFirmwareId = 1108;
    static constexpr int kSoftwareVersionId = 1110;
    static constexpr int kFirmwareVersionId = 1111;
    static constexpr int kEmailId = 1127;
    static constexpr int kSupportUrlId = 1150;

    SupportPage(PageHost& host, QWidget* owner) : PageWindow(PageId::kSupport, 175, host, owner) {}

    void SetFirmwareVersionText(const QString& text) override;
    // Off while the updater window is open.
    void SetFirmwareUpdateEnabled(bool enabled);
    // The mail link: the maker's address, an empty subject and an empty body.
    QString MailLink() const;

    SkinButton* button(int controlId) const;
    SkinLabel* firmwareVersion() const { return firmwareVersion_; }
    SkinLabel* softwareVersion() const { return softwareVersion_; }

  protected:
    // Min, Close and a Back that hides the page; nothing to apply.
    bool HasFurniture(Furniture which) const override;
    void BuildControls() override;
    void OnClicked(int controlId) override;

  private:
    SkinButton* updateSoftware_ = nullptr;
    SkinButton* updateFirmware_ = nullptr;
    SkinButton* email_ = nullptr;
    SkinButton* supportUrl_ = nullptr;
    SkinLabel* softwareVersion_ = nullptr;
    SkinLabel* firmwareVersion_ = nullptr;
    bool firmwareUpdateEnabled_ = true;
};

}  // namespace z7
