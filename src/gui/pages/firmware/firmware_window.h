#pragma once
// The firmware updater window ("FIRMWARE UPDATE"): the views of the updater procedure over the
// skin pictures of each view, with the procedure itself on a worker thread of the window's own.
// Views, versions and progress reach the window through queued calls; the window never waits
// for the mouse, and it outlives its worker.
#include <QPointer>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "core/firmware/firmware_updater.h"
#include "core/firmware/update_estimate.h"
#include "gui/ui/skin_controls.h"

namespace z7 {

class FileSystem;

struct FirmwareWindowEnvironment {
    DeviceLink* link = nullptr;
    FileSystem* fs = nullptr;
    std::filesystem::path folder;  // the "Firmware Updates" package
    // Runs on the worker after each stretch of work with the mouse (the simulator keeps its
    // state file).
    std::function<void()> afterDeviceWork;
    // Shows the notice before the long boot-loader search and returns once it was seen; the
    // window's own message box when empty.
    std::function<void(const QString& text)> notice;
};

class FirmwareWindow : public SkinWindow {
    Q_OBJECT
  public:
    static constexpr int kCloseId = 1127;
    static constexpr int kOkId = 1141;
    static constexpr int kCancelId = 1142;
    static constexpr int kMouseVersionId = 1143;
    static constexpr int kFileVersionId = 1144;
    static constexpr int kProgressId = 1140;

    FirmwareWindow(FirmwareWindowEnvironment env, QWidget* parent);
    // Stops what can be stopped and waits for the worker.
    ~FirmwareWindow() override;

    // Loads the package and looks for the mouse on the worker; the window shows itself with the
    // first view. A boot loader found there is re-flashed at once.
    void Begin();

    UpdaterView view() const { return view_; }
    // The worker is busy with the mouse.
    bool working() const { return working_; }
    // Blocks until the worker has ended and its last reports are shown (tests).
    void WaitForWorker();

    SkinButton* okButton() const { return ok_; }
    SkinButton* cancelButton() const { return cancel_; }
    SkinButton* closeButton() const { return close_; }
    SkinProgressBar* progressBar() const { return progress_; }
    SkinLabel* mouseVersion() const { return mouseVersion_; }
    SkinLabel* fileVersion() const { return fileVersion_; }
    SkinLabel* timeLeft() const { return timeLeft_; }
    SkinLabel* details() const { return details_; }
    // The skin family whose pictures a view shows (248 .. 279).
    static int FamilyOfView(UpdaterView view);

    // Close, Cancel and Esc: ignored while a cancel would leave the mouse without firmware,
    // otherwise the worker is stopped and waited for, then the window ends.
    void RequestClose();
    void reject() override { RequestClose(); }

  signals:
    // A view was shown (also again when its texts changed).
    void viewShown(UpdaterView view);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    SkinButton* MakeButton(int id, const char* name);
    SkinLabel* MakeLabel(int id, const char* name, int fontHeight);
    void RunOnWorker(std::function<void()> job);
    void JoinWorker();
    bool LongSearchNotice();  // worker side

    // User-interface side of the reports.
    void ShowView(UpdaterView view);
    void ShowProgress(int percent);
    void ShowCancellable(bool cancellable);
    void PlaceOn(QWidget* control, int family, const char* name);
    void CutBackground(SkinLabel* label);
    void UpdateTimeText();
    void OnOk();

    FirmwareWindowEnvironment env_;
    std::unique_ptr<FirmwareUpdater> updater_;
    std::thread worker_;
    std::atomic<bool> working_{false};
    std::atomic<bool> closing_{false};

    // The long-search notice: the worker waits for the answer the window gives.
    std::mutex noticeMutex_;
    std::condition_variable noticeSeen_;
    std::optional<bool> noticeAnswer_;

    UpdaterView view_ = UpdaterView::kNone;
    int family_ = -1;
    UpdateProgress estimate_;
    int reports_ = 0;  // progress reports since the bar appeared

    SkinButton* ok_ = nullptr;
    SkinButton* cancel_ = nullptr;
    SkinButton* close_ = nullptr;
    SkinProgressBar* progress_ = nullptr;
    SkinLabel* mouseVersion_ = nullptr;
    SkinLabel* fileVersion_ = nullptr;
    SkinLabel* timeLeft_ = nullptr;
    SkinLabel* details_ = nullptr;
};

}  // namespace z7
