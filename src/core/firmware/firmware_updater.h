#pragma once
// The firmware updater's procedure without its dialog: finds the mouse (normal mode or boot
// loader), compares versions, and writes a firmware package through the boot loader. It tells
// its front end (the dialog, z7ctl) what to show through callbacks, so both show the same
// views and progress.
//
// Threads: Start() runs where the front end likes (the dialog runs it before it is shown);
// Update() blocks for the whole transfer and belongs on a worker thread. Callbacks run on the
// thread that called Start() or Update(). Cancel() and CanCancel() may be called from any
// thread. Every wait goes through the link's clock. An ExchangeLock on the link is held while
// the procedure talks to the mouse (in Start from finding the mouse to reading it, in Update
// from the switch into the boot loader to the reconnect), so callbacks other than
// onLongBootSearch must not use the link; another program that holds the mouse makes both end
// in the problem view with busy() set.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "core/device/device_link.h"
#include "core/firmware/firmware_package.h"
#include "core/util/clock.h"

namespace z7 {

enum class UpdaterView {
    kNone,         // nothing shown yet
    kFileProblem,  // description or image not usable
    kNotFound,     // image for another product, no mouse in either mode, or one that may not
                   // be opened (problemText and the link's lastOpenProblem say which)
    kUpToDate,     // equal versions
    kMouseNewer,   // file version lower than the mouse's (the update is still allowed)
    kFileNewer,    // file version higher
    kProgress,     // transfer running (or, from Start, a boot loader waiting for Update)
    kProblem,      // a command failed or the mouse was lost
    kCompleted,    // FinishDownload succeeded
    kSuccess,      // the mouse came back; mouseVersionText() holds its version
    kCancelled,    // returned only: the procedure stopped on Cancel(), nothing half-written
};
const char* UpdaterViewName(UpdaterView view);

// updateState values.
inline constexpr int kUpdateStateNone = 0;
inline constexpr int kUpdateStateMouseNewer = 4;
inline constexpr int kUpdateStateFileNewer = 5;
inline constexpr int kUpdateStateCompleted = 7;

// Retries and waits of the procedure.
inline constexpr int kBootProbeTries = 2;
inline constexpr Millis kBootProbeWait{1500};
inline constexpr int kBootSearchTries = 301;
inline constexpr Millis kBootSearchWait{1000};
inline constexpr int kDeviceCodeTries = 2;
inline constexpr Millis kDeviceCodeWait{500};
inline constexpr int kBootCodeTries = 3;
inline constexpr Millis kBootCodeWait{500};
inline constexpr int kEnterBootloaderTries = 4;
inline constexpr Millis kEnterBootloaderWait{2000};
inline constexpr Millis kBootSettleWait{10000};
inline constexpr Millis kBeforeDownloadWait{1000};
inline constexpr Millis kAfterBeginWait{500};
inline constexpr Millis kAfterBlockWait{70};
inline constexpr Millis kAfterReadBackWait{30};
inline constexpr int kRewriteTries = 10;
inline constexpr Millis kRewriteWaitStep{100};
inline constexpr Millis kBeforeFinishWait{200};
inline constexpr Millis kBeforeReconnectWait{7000};
inline constexpr int kReconnectRetries = 10;
inline constexpr Millis kReconnectWaitStep{800};

inline constexpr uint8_t kFirstBlockNumber = 20;
// Devices other than this one get read-back only for the first blocks.
inline constexpr char kFullReadBackDeviceCode[] = "L100";
inline constexpr size_t kReadBackBlocks = 88;
inline constexpr int kStartProgress = 2;
inline constexpr int kMaxProgress = 100;
// ReadBootInfo's vendor and product id (LE) inside its 48 bytes.
inline constexpr size_t kBootInfoVendorOffset = 4;
inline constexpr size_t kBootInfoProductOffset = 6;

// The notice (a message box with OK only) shown before the long boot-loader search.
inline constexpr char kBootSearchNoticeText[] =
    "正在查找引导程序设备，这可能需要几分钟的时间，请稍候...";
inline constexpr char kBootSearchNoticeCaption[] = "Kesta Z7 Mouse Firmware Updater";

struct UpdaterCallbacks {
    // A new view; a view may be reported again when its texts change (kSuccess gets the
    // version once the mouse is back).
    std::function<void(UpdaterView view)> onView;
    // Progress bar value 0..100.
    std::function<void(int percent)> onProgress;
    // Before the long boot-loader search of Start; returns once the user has seen the notice.
    // False skips the search (the mouse then counts as not found). Absent: search silently.
    std::function<bool()> onLongBootSearch;
    // CanCancel() changed.
    std::function<void(bool cancellable)> onCancellable;
};

class FirmwareUpdater {
  public:
    FirmwareUpdater(DeviceLink& link, UpdaterCallbacks callbacks);
    FirmwareUpdater(const FirmwareUpdater&) = delete;
    FirmwareUpdater& operator=(const FirmwareUpdater&) = delete;

    // Loads `folder` (the "Firmware Updates" package), finds the mouse and reads its version.
    // Returns the view shown. kProgress means a boot loader was found: call Update() at once,
    // the mouse is re-flashed without asking.
    UpdaterView Start(FileSystem& fs, const std::filesystem::path& folder);
    // The same with a package already loaded (`error` None) or a load failure to report.
    UpdaterView Start(FirmwareLoadError error, FirmwarePackage package);

    // The update after OK: with updateState 4 or 5 the whole procedure, after a Start that found
    // the boot loader the download alone; otherwise nothing happens and the current view is
    // returned. Returns the last view (kSuccess, kProblem) or kCancelled.
    UpdaterView Update();

    // Asks the procedure to stop; honoured only while stopping leaves the mouse usable or in
    // its boot loader with nothing written (before EnterBootloader, while searching for the
    // boot loader). Later it finishes. Thread-safe; true when the request was taken.
    bool Cancel();
    bool CanCancel() const { return cancellable_; }
    bool cancelled() const { return cancelled_; }
    // The last Start or Update found the mouse held by another program and did nothing.
    bool busy() const { return busy_; }

    UpdaterView view() const { return view_; }
    int updateState() const { return updateState_; }
    int progress() const { return progress_; }
    bool foundInBootMode() const { return bootMode_; }
    FirmwareLoadError loadError() const { return loadError_; }
    const FirmwarePackage& package() const { return package_; }
    std::string fileVersionText() const;
    std::string mouseVersionText() const;
    // The 4 characters as read, or empty when the code could not be read.
    std::string deviceCodeText() const;
    // One line saying what failed, for kFileProblem, kNotFound and kProblem.
    std::string problemText() const;

  private:
    enum class Find { kNormal, kBoot, kNone, kRefused, kBusy, kCancelled };
    // Returns with `lock` held unless kBusy; the long search waits without it.
    Find FindDevice(std::optional<ExchangeLock>& lock);
    Find SearchBootLoader(int tries, Millis wait);
    UpdaterView StartNormal();
    UpdaterView StartBoot();
    UpdaterView Download();  // steps from BeginDownload on
    bool VerifyBlock(const FirmwareBlock& block, uint8_t number);
    UpdaterView Reconnect();

    UpdaterView Show(UpdaterView view);
    UpdaterView Fail(const std::string& what);
    UpdaterView Busy();
    UpdaterView Cancelled(bool closeLink = true);
    void SetProgress(int percent);
    // Returns false when a Cancel() came first and must still be honoured.
    bool SetCancellable(bool cancellable);
    // A wait that Cancel() ends early when cancelling is allowed; false when cancelled.
    bool Wait(Millis duration);

    DeviceLink& link_;
    Clock& clock_;
    UpdaterCallbacks callbacks_;
    WakeSignal cancelSignal_;
    std::mutex cancelMutex_;  // pairs the cancellable flag with a request
    std::atomic<bool> cancelRequested_{false};
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> busy_{false};
    std::atomic<bool> cancellable_{true};

    FirmwarePackage package_;
    FirmwareLoadError loadError_ = FirmwareLoadError::None;
    std::atomic<UpdaterView> view_{UpdaterView::kNone};
    std::atomic<int> updateState_{kUpdateStateNone};
    std::atomic<int> progress_{0};
    bool bootMode_ = false;
    bool mouseVersionKnown_ = false;
    uint16_t mouseVersion_ = 0;
    bool mouseVersionLost_ = false;  // "-.--": the version could not be read after an update
    std::string deviceCode_;
    std::string problem_;
    mutable std::mutex textMutex_;  // the texts, read by a front end while Update() runs
};

}  // namespace z7
