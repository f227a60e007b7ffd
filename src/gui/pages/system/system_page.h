#pragma once
// The "SYSTEM SETTINGS" page: versions, updates, start with the desktop, the data folder (moved
// with everything in it), the backup tools and the factory reset of the mouse.
#include <QString>
#include <filesystem>

#include "gui/pages/page_window.h"

namespace z7 {

class SystemPage : public PageWindow {
    Q_OBJECT
  public:
    // Control ids of the page.
    static constexpr int kUpdateSoftwareId = 1009;
    static constexpr int kUpdateFirmwareId = 1010;
    static constexpr int kStartApplicationId = 1011;
    static constexpr int kDataFolderId = 1013;
    static constexpr int kSelectFolderId = 1014;
    static constexpr int kSoftwareVersionId = 1019;
    static constexpr int kFirmwareVersionId = 1020;
    static constexpr int kFactoryDefaultId = 1021;
    static constexpr int kBackupId = 2001;
    static constexpr int kRestoreId = 2002;
    static constexpr int kDiagnosticsId = 2003;

    SystemPage(PageHost& host, QWidget* owner) : PageWindow(PageId::kSystem, 20, host, owner) {}

    // Stores the start-up choice and the data folder: the start-up entry is written, the data
    // moves when the folder changed, and the settings file is saved. Whatever could not be done
    // is reported and leaves the page changed. Close answered "Yes" does exactly this.
    void Apply() override;
    bool HasChanges() override;
    void SetApplyButtonsEnabled(bool enabled) override;
    void SetFirmwareVersionText(const QString& text) override;
    // Off while the updater window is open.
    void SetFirmwareUpdateEnabled(bool enabled);

    // Resets all five profiles and writes them to the mouse in one exchange.
    void FactoryReset();

    SkinCheckBox* startApplication() const { return startApplication_; }
    SkinLineEdit* dataFolderEdit() const { return dataFolder_; }
    SkinButton* button(int controlId) const;
    SkinLabel* firmwareVersion() const { return firmwareVersion_; }
    SkinLabel* softwareVersion() const { return softwareVersion_; }
    // What the page last said about a move or a reset.
    SkinLabel* statusText() const { return status_; }

  signals:
    // The status line changed (a move, the steps of a factory reset).
    void statusChanged(const QString& text);

  protected:
    void BuildControls() override;
    void LoadControls(const ProfileRecord& record) override;
    void TakeSnapshot(const ProfileRecord& record) override;
    void RestoreSnapshot() override;
    void LoadDefaults() override;
    int DefaultPopupKind() const override;
    void OnClicked(int controlId) override;

  private:
    struct Snapshot {
        QString flag;    // "0" or "1"
        QString folder;  // as the edit showed it
    };
    QString FlagText() const;
    std::filesystem::path TypedFolder() const;
    // Moves the data to `target` after the questions it needs; false when it did not happen.
    bool MoveDataTo(const std::filesystem::path& target);
    bool ApplyAutoStart(bool wanted);
    void SelectFolder();
    void SetStatus(const QString& text);

    SkinButton* updateSoftware_ = nullptr;
    SkinButton* updateFirmware_ = nullptr;
    SkinCheckBox* startApplication_ = nullptr;
    SkinLineEdit* dataFolder_ = nullptr;
    SkinButton* selectFolder_ = nullptr;
    SkinButton* factoryDefault_ = nullptr;
    SkinButton* backup_ = nullptr;
    SkinButton* restore_ = nullptr;
    SkinButton* diagnostics_ = nullptr;
    SkinLabel* softwareVersion_ = nullptr;
    SkinLabel* firmwareVersion_ = nullptr;
    SkinLabel* status_ = nullptr;
    Snapshot snapshot_;
    bool loaded_ = false;
    bool firmwareUpdateEnabled_ = true;
    bool resetRunning_ = false;  // progress of a finished reset may still be queued
};

}  // namespace z7
