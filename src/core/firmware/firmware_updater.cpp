#include "core/firmware/firmware_updater.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "core/device/device_commands.h"

namespace z7 {

namespace {

uint16_t U16At(std::span<const uint8_t> b, size_t at) {
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

std::string Hex4(uint16_t v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%04X", v);
    return buf;
}

}  // namespace

const char* UpdaterViewName(UpdaterView view) {
    switch (view) {
        case UpdaterView::kNone:
            return "none";
        case UpdaterView::kFileProblem:
            return "file-problem";
        case UpdaterView::kNotFound:
            return "not-found";
        case UpdaterView::kUpToDate:
            return "up-to-date";
        case UpdaterView::kMouseNewer:
            return "mouse-newer";
        case UpdaterView::kFileNewer:
            return "file-newer";
        case UpdaterView::kProgress:
            return "progress";
        case UpdaterView::kProblem:
            return "problem";
        case UpdaterView::kCompleted:
            return "completed";
        case UpdaterView::kSuccess:
            return "success";
        case UpdaterView::kCancelled:
            return "cancelled";
    }
    return "unknown";
}

FirmwareUpdater::FirmwareUpdater(DeviceLink& link, UpdaterCallbacks callbacks)
    : link_(link), clock_(link.clock()), callbacks_(std::move(callbacks)) {}

UpdaterView FirmwareUpdater::Start(FileSystem& fs, const std::filesystem::path& folder) {
    FirmwarePackage package;
    const FirmwareLoadError error = LoadFirmwarePackage(fs, folder, package);
    return Start(error, std::move(package));
}

UpdaterView FirmwareUpdater::Start(FirmwareLoadError error, FirmwarePackage package) {
    {
        std::lock_guard lock(textMutex_);
        problem_.clear();
        deviceCode_.clear();
        mouseVersionKnown_ = false;
        mouseVersionLost_ = false;
    }
    cancelled_ = false;
    busy_ = false;
    cancelRequested_ = false;
    cancelSignal_.Clear();
    SetCancellable(true);
    updateState_ = kUpdateStateNone;
    progress_ = 0;
    bootMode_ = false;
    view_ = UpdaterView::kNone;
    loadError_ = error;
    if (error != FirmwareLoadError::None) {
        std::lock_guard lock(textMutex_);
        problem_ = FirmwareLoadErrorText(error);
        return Show(UpdaterView::kFileProblem);
    }
    package_ = std::move(package);
    const FirmwareImage& image = package_.image;
    if (!image.IsForThisMouse()) {
        std::lock_guard lock(textMutex_);
        problem_ = "the firmware image is built for " + Hex4(image.vendorId) + ":" +
                   Hex4(image.productId) + ", not for this mouse";
        return Show(UpdaterView::kNotFound);
    }

    // Held from finding the mouse to reading it: an exchange in between would close the handle.
    std::optional<ExchangeLock> lock;
    const Find found = FindDevice(lock);
    // Without the lock the link belongs to whoever holds it: leave it alone.
    if (found == Find::kCancelled) return Cancelled(lock && lock->held());
    if (found == Find::kBusy) return Busy();
    if (found == Find::kRefused || found == Find::kNone) {
        const OpenProblem open = link_.lastOpenProblem();
        std::lock_guard textLock(textMutex_);
        if (found == Find::kNone)
            problem_ = "no mouse found, neither in normal mode nor in its boot loader";
        else if (open.outcome == OpenOutcome::kAccessDenied)
            problem_ = "the mouse was found at " + open.path +
                       " but may not be opened (permission denied)";
        else
            problem_ = "the mouse was found but could not be opened: " + open.message;
        return Show(UpdaterView::kNotFound);
    }
    const UpdaterView view = found == Find::kNormal ? StartNormal() : StartBoot();
    // Update() opens what it needs; meanwhile the rest of the program may use the mouse.
    link_.CloseDevice();
    return view;
}

FirmwareUpdater::Find FirmwareUpdater::FindDevice(std::optional<ExchangeLock>& lock) {
    lock.emplace(link_);
    if (!lock->held()) return Find::kBusy;
    if (link_.OpenConfigInterface(kProductNormal)) return Find::kNormal;
    // A mouse that is there but may not be opened will not turn up as a boot loader either.
    if (link_.lastOpenProblem().outcome != OpenOutcome::kNotFound) return Find::kRefused;
    link_.CloseDevice();
    const Find quick = SearchBootLoader(kBootProbeTries, kBootProbeWait);
    if (quick != Find::kNone) return quick;
    // The notice is modal in the dialog; nobody must wait for the device meanwhile.
    lock.reset();
    if (callbacks_.onLongBootSearch && !callbacks_.onLongBootSearch()) return Find::kNone;
    if (cancelRequested_) return Find::kCancelled;
    lock.emplace(link_);
    if (!lock->held()) return Find::kBusy;
    return SearchBootLoader(kBootSearchTries, kBootSearchWait);
}

FirmwareUpdater::Find FirmwareUpdater::SearchBootLoader(int tries, Millis wait) {
    for (int i = 0; i < tries; ++i) {
        if (cancelRequested_) return Find::kCancelled;
        if (link_.OpenConfigInterface(kProductBoot)) return Find::kBoot;
        if (link_.lastOpenProblem().outcome != OpenOutcome::kNotFound) return Find::kRefused;
        if (!Wait(wait)) return Find::kCancelled;
    }
    return Find::kNone;
}

UpdaterView FirmwareUpdater::StartNormal() {
    std::array<uint8_t, 4> code{};
    for (int i = 0; i < kDeviceCodeTries; ++i) {
        if (ReadDeviceCode(link_, code) == kResultOk) {
            std::lock_guard lock(textMutex_);
            deviceCode_.assign(code.begin(), code.end());
            break;
        }
        if (!Wait(kDeviceCodeWait)) return Cancelled();
    }
    std::array<uint8_t, kFirmwareInfoLength> info{};
    if (ReadFirmwareVersion(link_, info) != kResultOk)
        return Fail("the mouse did not report its firmware version");
    {
        std::lock_guard lock(textMutex_);
        mouseVersion_ = FirmwareVersionOf(info);
        mouseVersionKnown_ = true;
    }
    if (cancelRequested_) return Cancelled();
    const uint16_t file = package_.image.version;
    if (file == mouseVersion_) return Show(UpdaterView::kUpToDate);
    if (file < mouseVersion_) {
        updateState_ = kUpdateStateMouseNewer;
        return Show(UpdaterView::kMouseNewer);
    }
    updateState_ = kUpdateStateFileNewer;
    return Show(UpdaterView::kFileNewer);
}

UpdaterView FirmwareUpdater::StartBoot() {
    bootMode_ = true;
    std::array<uint8_t, 4> code{};
    for (int i = 0; i < kBootCodeTries; ++i) {
        if (ReadBootCode(link_, code) == kResultOk) {
            std::lock_guard lock(textMutex_);
            deviceCode_.assign(code.begin(), code.end());
            break;
        }
        if (!Wait(kBootCodeWait)) return Cancelled();
    }
    SetProgress(0);
    return Show(UpdaterView::kProgress);
}

UpdaterView FirmwareUpdater::Update() {
    const bool fromBoot = bootMode_ && view_ == UpdaterView::kProgress;
    const int state = updateState_;
    if (!fromBoot && state != kUpdateStateMouseNewer && state != kUpdateStateFileNewer)
        return view_;
    cancelled_ = false;
    busy_ = false;
    // Held from the switch into the boot loader to the reconnect, so that no other program
    // (nor another thread) takes the mouse half-way.
    ExchangeLock lock(link_);
    if (!lock.held()) return Busy();
    link_.CloseDevice();
    if (fromBoot) {
        if (!SetCancellable(false)) return Cancelled();
        if (!link_.OpenConfigInterface(kProductBoot)) return Fail("the boot loader is gone");
        const UpdaterView view = Download();
        SetCancellable(true);
        return view;
    }

    // From here the mouse may be in its boot loader; it stays recoverable until something is
    // written, so only the search below may still be cancelled.
    if (!SetCancellable(false)) return Cancelled();
    SetProgress(0);
    Show(UpdaterView::kProgress);
    if (!link_.OpenConfigInterface(kProductNormal)) return Fail("the mouse is gone");
    bool switched = false;
    for (int i = 0; i < kEnterBootloaderTries && !switched; ++i) {
        switched = EnterBootloader(link_) == kResultOk;
        if (!switched && i + 1 < kEnterBootloaderTries) clock_.Sleep(kEnterBootloaderWait);
    }
    if (!switched) return Fail("the mouse did not switch to its boot loader");

    link_.CloseDevice();
    SetCancellable(true);
    const Find found = SearchBootLoader(kBootSearchTries, kBootSearchWait);
    if (found == Find::kCancelled) return Cancelled();
    if (found == Find::kRefused)
        return Fail("the boot loader was found at " + link_.lastOpenProblem().path +
                    " but may not be opened: " + link_.lastOpenProblem().message);
    if (found == Find::kNone) return Fail("the boot loader did not appear");
    if (!SetCancellable(false)) return Cancelled();
    clock_.Sleep(kBootSettleWait);

    if (WriteFirstBlock(link_, package_.image.blocks.front()) != kResultOk)
        return Fail("the boot loader refused the first block");
    std::array<uint8_t, kBootInfoLength> info{};
    if (ReadBootInfo(link_, info) != kResultOk || U16At(info, kBootInfoVendorOffset) != kVendorId ||
        U16At(info, kBootInfoProductOffset) != kProductBoot)
        return Fail("the boot loader information is not this mouse's");
    clock_.Sleep(kBeforeDownloadWait);
    const UpdaterView view = Download();
    SetCancellable(true);
    return view;
}

UpdaterView FirmwareUpdater::Download() {
    const std::vector<FirmwareBlock>& blocks = package_.image.blocks;
    const size_t count = blocks.size();
    if (BeginDownload(link_, static_cast<uint8_t>(count), package_.image.computedChecksum) !=
        kResultOk)
        return Fail("the boot loader refused to begin the download");
    SetProgress(kStartProgress);
    clock_.Sleep(kAfterBeginWait);
    const bool fullReadBack = deviceCodeText() == kFullReadBackDeviceCode;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t number = static_cast<uint8_t>(i + kFirstBlockNumber);
        bool ok = WriteBlock(link_, blocks[i], number) == kResultOk;
        if (ok && (fullReadBack || i < kReadBackBlocks)) ok = VerifyBlock(blocks[i], number);
        // 100 blocks or more would take the bar past its end.
        SetProgress(std::min(kMaxProgress, kStartProgress + static_cast<int>(100 * i / count)));
        clock_.Sleep(kAfterBlockWait);
        if (!ok)
            return Fail("writing block " + std::to_string(i + 1) + " of " + std::to_string(count) +
                        " failed");
    }
    clock_.Sleep(kBeforeFinishWait);
    const uint8_t finished = FinishDownload(link_);
    link_.CloseDevice();
    // Left silent, the user would not know the mouse still waits in its boot loader.
    if (finished != kResultOk)
        return Fail("the boot loader did not accept the end of the download; run the update again");
    updateState_ = kUpdateStateCompleted;
    Show(UpdaterView::kCompleted);
    clock_.Sleep(kBeforeReconnectWait);
    return Reconnect();
}

bool FirmwareUpdater::VerifyBlock(const FirmwareBlock& block, uint8_t number) {
    const uint16_t expected = BlockSum16(block);
    std::array<uint8_t, kLongReportLength> reply{};
    if (ReadBlock(link_, number, reply) != kResultOk) return false;
    clock_.Sleep(kAfterReadBackWait);
    if (std::equal(block.begin(), block.end(), reply.begin() + kPayloadOffset) &&
        U16At(reply, kStoredSumByte) == expected)
        return true;
    for (int attempt = 0; attempt < kRewriteTries; ++attempt) {
        const uint8_t status = WriteBlock(link_, block, number);
        if (status == kResultOk) return true;
        if (status == kStatusBusy) clock_.Sleep(kRewriteWaitStep * attempt);
    }
    return false;
}

UpdaterView FirmwareUpdater::Reconnect() {
    Show(UpdaterView::kSuccess);
    link_.CloseDevice();
    bool found = link_.OpenConfigInterface(kProductNormal);
    for (int retry = 1; !found && retry <= kReconnectRetries; ++retry) {
        found = link_.OpenConfigInterface(kProductNormal);
        if (!found) clock_.Sleep(kReconnectWaitStep * retry);
    }
    if (!found) return Fail("the mouse did not come back after the update");
    std::array<uint8_t, kFirmwareInfoLength> info{};
    const bool read = ReadFirmwareVersion(link_, info) == kResultOk;
    link_.CloseDevice();
    {
        std::lock_guard lock(textMutex_);
        mouseVersionKnown_ = read;
        mouseVersionLost_ = !read;
        if (read) mouseVersion_ = FirmwareVersionOf(info);
    }
    // A mouse that kept its old firmware must not read as updated.
    if (read && mouseVersion_ != package_.image.version)
        return Fail("the mouse reports firmware " + FirmwareVersionText(mouseVersion_) +
                    " after the update, not " + FirmwareVersionText(package_.image.version));
    return Show(UpdaterView::kSuccess);
}

bool FirmwareUpdater::Cancel() {
    std::lock_guard lock(cancelMutex_);
    if (!cancellable_) return false;
    cancelRequested_ = true;
    cancelSignal_.Notify();
    return true;
}

bool FirmwareUpdater::SetCancellable(bool cancellable) {
    bool changed = false;
    bool requested = false;
    {
        std::lock_guard lock(cancelMutex_);
        changed = cancellable_ != cancellable;
        cancellable_ = cancellable;
        requested = cancelRequested_;
    }
    if (changed && callbacks_.onCancellable) callbacks_.onCancellable(cancellable);
    return cancellable || !requested;
}

bool FirmwareUpdater::Wait(Millis duration) {
    if (!cancellable_) {
        clock_.Sleep(duration);
        return true;
    }
    if (cancelRequested_) return false;
    (void)clock_.WaitFor(cancelSignal_, duration);
    return !cancelRequested_;
}

UpdaterView FirmwareUpdater::Show(UpdaterView view) {
    view_ = view;
    if (callbacks_.onView) callbacks_.onView(view);
    return view;
}

UpdaterView FirmwareUpdater::Fail(const std::string& what) {
    link_.CloseDevice();
    {
        std::lock_guard lock(textMutex_);
        problem_ = what;
    }
    updateState_ = kUpdateStateNone;
    SetCancellable(true);
    return Show(UpdaterView::kProblem);
}

UpdaterView FirmwareUpdater::Busy() {
    // Nothing was touched, so nothing is closed: the link is another exchange's or idle.
    busy_ = true;
    {
        std::lock_guard lock(textMutex_);
        problem_ = "another program is using the mouse; try again when it has finished";
    }
    updateState_ = kUpdateStateNone;
    SetCancellable(true);
    return Show(UpdaterView::kProblem);
}

UpdaterView FirmwareUpdater::Cancelled(bool closeLink) {
    if (closeLink) link_.CloseDevice();
    updateState_ = kUpdateStateNone;
    cancelled_ = true;
    {
        std::lock_guard lock(cancelMutex_);
        cancelRequested_ = false;
    }
    cancelSignal_.Clear();
    SetCancellable(true);
    return UpdaterView::kCancelled;
}

void FirmwareUpdater::SetProgress(int percent) {
    progress_ = percent;
    if (callbacks_.onProgress) callbacks_.onProgress(percent);
}

std::string FirmwareUpdater::fileVersionText() const {
    return loadError_ == FirmwareLoadError::None && !package_.image.blocks.empty()
               ? FirmwareVersionText(package_.image.version)
               : std::string();
}

std::string FirmwareUpdater::mouseVersionText() const {
    std::lock_guard lock(textMutex_);
    if (mouseVersionLost_) return "-.--";
    return mouseVersionKnown_ ? FirmwareVersionText(mouseVersion_) : std::string();
}

std::string FirmwareUpdater::deviceCodeText() const {
    std::lock_guard lock(textMutex_);
    return deviceCode_;
}

std::string FirmwareUpdater::problemText() const {
    std::lock_guard lock(textMutex_);
    return problem_;
}

}  // namespace z7
