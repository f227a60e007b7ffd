#include "core/device/device_link.h"

#include <algorithm>
#include <vector>

namespace z7 {
namespace {

constexpr int kRetries = 3;
constexpr Millis kRetryPause{50};
constexpr int kBusyPasses = 10;
constexpr Millis kBusyStep{100};
constexpr Millis kEventReadLimit{10};
constexpr uint8_t kNoCode = 0;
constexpr uint8_t kNoValue = 0xFF;

}  // namespace

DeviceLink::DeviceLink(HidTransport& transport, Clock& clock)
    : transport_(transport), clock_(clock) {}

DeviceLink::~DeviceLink() {
    CloseDevice();
}

std::unique_ptr<HidDevice> DeviceLink::Discover(uint16_t productId, uint16_t usagePage,
                                                uint16_t usage, HidCollectionInfo* found,
                                                bool record) {
    OpenProblem problem;
    for (const HidCollectionInfo& c : transport_.Enumerate()) {
        // Identity comes from ids and usages, never from interface numbers, so that a shared
        // node or a nested usage of another page cannot match by accident.
        if (c.vendorId != kVendorId || c.productId != productId) continue;
        if (c.usagePage != usagePage || c.usage != usage) continue;
        HidStatus status;
        std::unique_ptr<HidDevice> device = transport_.Open(c, status);
        if (device) {
            if (found) *found = c;
            if (!record) return device;
            std::lock_guard lock(stateMutex_);
            lastProblem_ = OpenProblem{OpenOutcome::kOpened, c.path, {}};
            return device;
        }
        // The first refused collection is the one worth telling the user about.
        if (problem.outcome == OpenOutcome::kNotFound)
            problem =
                OpenProblem{status.error == HidError::kAccessDenied ? OpenOutcome::kAccessDenied
                                                                    : OpenOutcome::kOpenFailed,
                            c.path, status.message};
    }
    if (record) {
        std::lock_guard lock(stateMutex_);
        lastProblem_ = problem;
    }
    return nullptr;
}

bool DeviceLink::OpenConfigInterface(uint16_t productId) {
    {
        std::lock_guard lock(stateMutex_);
        configDevice_.reset();
        configOpen_ = false;
    }
    std::unique_ptr<HidDevice> device =
        Discover(productId, kConfigUsagePage, kConfigUsage, nullptr, true);
    if (!device) return false;
    std::lock_guard lock(stateMutex_);
    configDevice_ = std::move(device);
    configOpen_ = true;
    return true;
}

bool DeviceLink::OpenEventInterface() {
    // Never two listeners: one still running on an older handle is stopped first.
    eventOpen_ = false;
    StopListener();
    {
        std::lock_guard lock(stateMutex_);
        eventDevice_.reset();
    }
    HidCollectionInfo info;
    std::unique_ptr<HidDevice> device =
        Discover(kProductNormal, kEventUsagePage, kEventUsage, &info, false);
    if (!device) return false;
    std::lock_guard lock(stateMutex_);
    eventDevice_ = std::move(device);
    eventInputLength_ = info.inputReportLength ? info.inputReportLength : kEventReportLength;
    eventOpen_ = true;
    return true;
}

void DeviceLink::CloseDevice() {
    {
        std::lock_guard lock(stateMutex_);
        configDevice_.reset();
        configOpen_ = false;
        eventOpen_ = false;
    }
    StopListener();
    std::lock_guard lock(stateMutex_);
    eventDevice_.reset();  // a listener still in its last handler keeps its own reference
}

void DeviceLink::StopListener() {
    if (std::this_thread::get_id() == listenerId_.load()) {
        // From a handler: the loop ends when the handler returns; the next stop joins it.
        stopRequested_ = true;
        return;
    }
    std::lock_guard life(lifecycleMutex_);
    JoinListenerLocked();
}

void DeviceLink::JoinListenerLocked() {
    if (!listener_.joinable()) return;
    // Its own flag, not eventOpen_, which a racing OpenEventInterface may have set again.
    stopRequested_ = true;
    listenerStop_.Notify();
    listenerDevice_->CancelRead();
    listener_.join();
    listenerDevice_.reset();
    listenerId_ = std::thread::id();
    listenerStop_.Clear();
}

HidStatus DeviceLink::Transfer(bool get, std::span<uint8_t> report) {
    std::lock_guard lock(stateMutex_);
    if (!configDevice_) return {HidError::kNotOpen, "the configuration interface is not open"};
    return get ? configDevice_->GetFeature(report) : configDevice_->SetFeature(report);
}

bool DeviceLink::TransferWithRetry(bool get, std::span<uint8_t> report,
                                   std::span<const uint8_t> copy) {
    HidStatus status = Transfer(get, report);
    // A missing handle fails at once: a stale error of an earlier call must not trigger retries.
    for (int retry = 0; retry < kRetries && IsRetryable(status.error); ++retry) {
        std::copy(copy.begin(), copy.end(), report.begin());
        status = Transfer(get, report);
        if (!status.ok()) clock_.Sleep(kRetryPause);
    }
    // Only a transfer that failed for good explains a failed command; a retried one does not.
    if (!status.ok()) {
        std::lock_guard lock(stateMutex_);
        lastStatus_ = status;
    }
    return status.ok();
}

bool DeviceLink::SetFeatureReport(std::span<uint8_t> report) {
    const std::vector<uint8_t> copy(report.begin(), report.end());
    return TransferWithRetry(false, report, copy);
}

bool DeviceLink::GetFeatureReport(std::span<uint8_t> report) {
    if (report.size() <= kStatusByte) return false;
    const std::vector<uint8_t> copy(report.begin(), report.end());
    if (!TransferWithRetry(true, report, copy)) return false;
    if (report[kStatusByte] != kStatusBusy) return true;
    HidStatus status;
    for (int pass = 0; pass < kBusyPasses; ++pass) {
        std::copy(copy.begin(), copy.end(), report.begin());
        status = Transfer(true, report);
        if (status.ok() && report[kStatusByte] == kStatusDone) return true;
        if (status.ok() && report[kStatusByte] == kStatusBusy) clock_.Sleep(kBusyStep * pass);
    }
    if (!status.ok()) {
        std::lock_guard lock(stateMutex_);
        lastStatus_ = status;
    }
    return status.ok();
}

HidError DeviceLink::ReadEventOn(HidDevice& device, size_t inputLength, uint8_t& code,
                                 uint8_t& value, Millis limit) {
    // Sized by the collection's report length so that a longer report cannot overrun it.
    std::vector<uint8_t> report(std::max(inputLength, kEventReportLength), 0);
    report[0] = kEventReportId;
    size_t length = 0;
    const HidStatus status = device.ReadInput(std::span(report).first(inputLength), limit, length);
    if (!status.ok()) return status.error;
    // A node shared with the configuration collection also carries its reports.
    if (length <= kEventCodeByte || report[0] != kEventReportId) return HidError::kNone;
    switch (report[kEventCodeByte]) {
        case kEventTextBlock:
        case kEventShortcut:
            code = report[kEventCodeByte];
            value = report[kEventIdByte];
            break;
        case kEventProfileSwitch:
            code = kEventProfileSwitch;
            value = report[kEventSlotByte];
            break;
        default:
            break;
    }
    return HidError::kNone;
}

void DeviceLink::ReadDeviceEvent(uint8_t& code, uint8_t& value) {
    (void)WaitDeviceEvent(code, value, kEventReadLimit);
}

HidError DeviceLink::WaitDeviceEvent(uint8_t& code, uint8_t& value, Millis limit) {
    if (!eventOpen_) return HidError::kNotOpen;
    std::shared_ptr<HidDevice> device;
    size_t inputLength = 0;
    {
        std::lock_guard lock(stateMutex_);
        device = eventDevice_;
        inputLength = eventInputLength_;
    }
    if (!device) return HidError::kNotOpen;
    return ReadEventOn(*device, inputLength, code, value, limit);
}

OpenProblem DeviceLink::lastOpenProblem() const {
    std::lock_guard lock(stateMutex_);
    return lastProblem_;
}

HidStatus DeviceLink::lastTransferStatus() const {
    std::lock_guard lock(stateMutex_);
    return lastStatus_;
}

void DeviceLink::SetProcessLock(std::filesystem::path file, Millis wait, Clock* waitClock) {
    std::lock_guard lock(stateMutex_);
    processLockFile_ = std::move(file);
    processLockWait_ = wait;
    processLockClock_ = waitClock;
}

std::filesystem::path DeviceLink::processLockFile() const {
    std::lock_guard lock(stateMutex_);
    return processLockFile_;
}

Millis DeviceLink::processLockWait() const {
    std::lock_guard lock(stateMutex_);
    return processLockWait_;
}

std::string DeviceLink::lockProblem() const {
    std::lock_guard lock(stateMutex_);
    return lockProblem_;
}

std::string DeviceLink::exchangeProblem() const {
    std::lock_guard lock(stateMutex_);
    return exchangeProblem_;
}

void DeviceLink::SetExchangeProblem(std::string problem) {
    std::lock_guard lock(stateMutex_);
    exchangeProblem_ = std::move(problem);
}

void DeviceLink::ClearExchangeErrors() {
    std::lock_guard lock(stateMutex_);
    lastStatus_ = HidStatus{};
    exchangeProblem_.clear();
    lockProblem_.clear();
}

ExchangeLock::ExchangeLock(DeviceLink& link) : thread_(link.deviceLock()) {
    link.ClearExchangeErrors();
    std::filesystem::path file;
    Millis wait{0};
    Clock* clock = nullptr;
    {
        std::lock_guard lock(link.stateMutex_);
        file = link.processLockFile_;
        wait = link.processLockWait_;
        clock = link.processLockClock_;
    }
    if (file.empty()) {
        held_ = true;
        return;
    }
    std::string error;
    LockAttempt attempt = AcquireProcessLock(file, wait, clock ? *clock : DefaultClock(), &error);
    if (attempt.status == LockStatus::kBusy) {
        std::lock_guard lock(link.stateMutex_);
        link.lockProblem_ = error;
        thread_.unlock();  // the other threads need not wait behind a give-up
        return;
    }
    held_ = true;
    process_ = std::move(attempt.lock);
    if (attempt.status == LockStatus::kError) {
        // Refusing the mouse for want of a lock file would help nobody; say it ran unprotected.
        std::lock_guard lock(link.stateMutex_);
        link.lockProblem_ = error;
    }
}

void ExchangeLock::Release() {
    process_.reset();
    if (thread_.owns_lock()) thread_.unlock();
    held_ = false;
}

void DeviceLink::SetEventHandlers(DeviceEventHandlers handlers) {
    std::lock_guard life(lifecycleMutex_);
    handlers_ = std::move(handlers);
}

bool DeviceLink::StartDeviceListener() {
    if (std::this_thread::get_id() == listenerId_.load()) return false;
    std::lock_guard life(lifecycleMutex_);
    // A running listener stays the only one; one that has ended (or is ending) is joined.
    if (listenerRunning_ && eventOpen_ && !stopRequested_) return false;
    JoinListenerLocked();
    if (!handlers_.onProfileSwitch && !handlers_.onHostAction) return false;
    size_t inputLength = 0;
    {
        std::lock_guard lock(stateMutex_);
        if (!eventOpen_ || !eventDevice_) return false;
        listenerDevice_ = eventDevice_;
        inputLength = eventInputLength_;
    }
    stopRequested_ = false;
    listenerRunning_ = true;
    listener_ = std::thread([this, device = listenerDevice_, inputLength, handlers = handlers_] {
        // Set before any handler can run, so that a handler's own CloseDevice is recognised.
        listenerId_ = std::this_thread::get_id();
        ListenerLoop(device, inputLength, handlers);
    });
    return true;
}

void DeviceLink::ListenerLoop(std::shared_ptr<HidDevice> device, size_t inputLength,
                              DeviceEventHandlers handlers) {
    auto running = [&] { return eventOpen_ && !stopRequested_; };
    while (running()) {
        uint8_t code = kNoCode;
        uint8_t value = kNoValue;
        const HidError error = ReadEventOn(*device, inputLength, code, value, kListenerWait);
        if (!running()) break;
        if (code != kNoCode) {
            Dispatch(handlers, code, value);
        } else if (error != HidError::kNone && error != HidError::kTimeout &&
                   error != HidError::kCancelled) {
            // A failing read (device gone) returns at once: rest instead of spinning.
            (void)clock_.WaitFor(listenerStop_, kListenerWait);
        }
    }
    listenerRunning_ = false;
}

void DeviceLink::Dispatch(const DeviceEventHandlers& handlers, uint8_t code, uint8_t value) {
    if (code == kEventProfileSwitch) {
        if (value >= 5) return;
        if (handlers.currentSlot && handlers.currentSlot() == value) return;
        if (handlers.onProfileSwitch) handlers.onProfileSwitch(value);
    } else if (code == kEventShortcut || code == kEventTextBlock) {
        if (handlers.onHostAction) handlers.onHostAction(code, value);
    }
}

void DeviceLink::RestartListening() {
    CloseDevice();
    if (OpenEventInterface()) StartDeviceListener();
}

bool IsOurDeviceName(std::string_view name) {
    auto after0 = [&](std::string_view s) {
        const size_t p = name.find(s);
        return p != std::string_view::npos && p > 0;
    };
    return (after0("22D4") || after0("22d4")) && after0("1206");
}

}  // namespace z7
