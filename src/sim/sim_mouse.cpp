#include "sim/sim_mouse.h"

#include <algorithm>

#include "core/device/device_commands.h"
#include "core/device/device_link.h"

namespace z7 {
namespace {

constexpr size_t kBootInfoVendorByte = 4;
constexpr size_t kBootInfoProductByte = 6;
constexpr uint8_t kStatusFailed = 2;
constexpr size_t kMaxBootBlocks = 120;

const std::string kConfigPathNormal = "sim:22d4:1206:config";
const std::string kEventPath = "sim:22d4:1206:event";
const std::string kMousePath = "sim:22d4:1206:mouse";
const std::string kConfigPathBoot = "sim:22d4:1205:config";

Millis DelayOf(SimMode mode, uint8_t reportId, uint8_t command) {
    if (mode == SimMode::kNormal) {
        if (reportId == kImageRequestId) return kDelayWriteImageHalf;
        switch (command) {
            case kCmdReadDeviceCode:
                return kDelayReadDeviceCode;
            case kCmdReadFirmwareVersion:
                return kDelayReadFirmwareVersion;
            case kCmdEnterBootloader:
                return kDelayEnterBootloader;
            case kCmdReadActiveSlot:
                return kDelayReadActiveSlot;
            case kCmdActivateSlot:
                return kDelayActivateSlot;
            case kCmdWriteSensorBlock:
                return kDelayWriteSensorBlock;
            case kCmdCalibrateSurface:
                return kDelayCalibrateSurface;
            case kCmdWriteLightingBlock:
                return kDelayWriteLightingBlock;
            case kCmdEraseSlot:
                return kDelayEraseSlot;
            default:
                return Millis(0);
        }
    }
    switch (command) {
        case kCmdReadBootCode:
            return kDelayReadBootCode;
        case kCmdReadBootInfo:
            return kDelayReadBootInfo;
        case kCmdBeginDownload:
            return kDelayBeginDownload;
        case kCmdWriteBlock:
            return kDelayWriteBlock;
        case kCmdWriteFirstBlock:
            return kDelayWriteFirstBlock;
        case kCmdReadBlock:
            return kDelayReadBlock;
        case kCmdFinishDownload:
            return kDelayFinishDownload;
        default:
            return Millis(0);
    }
}

}  // namespace

SimState NewSimState(const std::array<DeviceImage, 5>& factory) {
    SimState s;
    s.factory = factory;
    s.slots = factory;
    return s;
}

SimMouse::SimMouse(Clock& clock, SimState state) : clock_(clock), state_(std::move(state)) {}

SimState SimMouse::state() const {
    std::lock_guard lock(mutex_);
    return state_;
}

void SimMouse::SetState(SimState state) {
    std::lock_guard lock(mutex_);
    state_ = std::move(state);
    ++generation_;
}

void SimMouse::QueueEvent(SimEvent event) {
    std::lock_guard lock(mutex_);
    if (state_.events.size() >= kSimMaxEvents) state_.events.pop_front();
    state_.events.push_back(event);
    for (WakeSignal* w : readers_) w->Notify();
}

void SimMouse::Unplug() {
    std::lock_guard lock(mutex_);
    state_.unplugged = true;
    ++generation_;
    for (WakeSignal* w : readers_) w->Notify();
}

void SimMouse::Plug() {
    std::lock_guard lock(mutex_);
    state_.unplugged = false;
    ++generation_;
}

std::vector<std::vector<uint8_t>> SimMouse::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void SimMouse::ClearRequests() {
    std::lock_guard lock(mutex_);
    requests_.clear();
}

std::vector<HidCollectionInfo> SimMouse::Collections() const {
    std::lock_guard lock(mutex_);
    if (state_.unplugged) return {};
    if (state_.mode == SimMode::kBoot)
        return {{kVendorId, kProductBoot, kConfigUsagePage, kConfigUsage, kConfigPathBoot, 0, 0,
                 static_cast<uint16_t>(kLongReportLength)}};
    // The standard mouse collection comes first so that discovery has to skip it.
    return {
        {kVendorId, kProductNormal, 0x0001, 0x0002, kMousePath, 8, 0, 0},
        {kVendorId, kProductNormal, kConfigUsagePage, kConfigUsage, kConfigPathNormal, 0, 0,
         static_cast<uint16_t>(kLongReportLength)},
        {kVendorId, kProductNormal, kEventUsagePage, kEventUsage, kEventPath,
         static_cast<uint16_t>(kEventReportLength), 0, 0},
    };
}

uint32_t SimMouse::generation() const {
    std::lock_guard lock(mutex_);
    return generation_;
}

HidStatus SimMouse::CheckOpen(const std::string& path, uint32_t& generation) const {
    const std::vector<HidCollectionInfo> present = Collections();
    std::lock_guard lock(mutex_);
    if (std::none_of(present.begin(), present.end(),
                     [&](const HidCollectionInfo& c) { return c.path == path; }))
        return {HidError::kDisconnected, "open " + path + ": no such device"};
    if (state_.faults.accessDenied)
        return {HidError::kAccessDenied, "open " + path + ": permission denied"};
    generation = generation_;
    return {};
}

HidStatus SimMouse::Gone(uint32_t generation) const {
    if (state_.unplugged || generation != generation_)
        return {HidError::kDisconnected, "simulated mouse: device disconnected"};
    return {};
}

void SimMouse::Reenumerate(SimMode mode) {
    state_.mode = mode;
    ++generation_;
    for (WakeSignal* w : readers_) w->Notify();
}

std::vector<uint8_t>& SimMouse::NewReply(uint8_t status, size_t length, uint8_t id) {
    reply_.assign(length, 0);
    reply_[0] = id;
    reply_[kStatusByte] = status;
    replyReady_ = true;
    return reply_;
}

HidStatus SimMouse::SetFeature(uint32_t generation, std::span<const uint8_t> report) {
    std::lock_guard lock(mutex_);
    if (HidStatus gone = Gone(generation); !gone.ok()) return gone;
    if (switchAfterReply_) {
        // The mode switch happens even when its reply was never read.
        switchAfterReply_ = false;
        replyReady_ = false;
        Reenumerate(switchTo_);
        return {HidError::kDisconnected, "simulated mouse: re-enumerated"};
    }
    SimFaults& f = state_.faults;
    if (f.unplugAfterCommands == 0) {
        f.unplugAfterCommands = -1;
        state_.unplugged = true;
        ++generation_;
        for (WakeSignal* w : readers_) w->Notify();
        return {HidError::kDisconnected, "simulated mouse: unplugged"};
    }
    if (f.transportErrors > 0) {
        --f.transportErrors;
        return {f.transportError,
                std::string("simulated set feature: ") + HidErrorName(f.transportError)};
    }
    if (report.size() < 2) return {HidError::kInvalidParameter, "short report"};
    const uint8_t id = report[0];
    const bool normal = state_.mode == SimMode::kNormal;
    const bool known = normal ? (id == kNormalRequestId || id == kImageRequestId)
                              : (id == kBootRequestId || id == kBootLongId);
    const size_t expected =
        (id == kImageRequestId || id == kBootLongId) ? kLongReportLength : kShortReportLength;
    // The firmware stalls on report ids and lengths it does not have.
    if (!known || report.size() != expected)
        return {HidError::kFunctionFailed, "simulated set feature: endpoint stalled"};
    if (f.unplugAfterCommands > 0) --f.unplugAfterCommands;
    requests_.emplace_back(report.begin(), report.end());
    requestTime_ = clock_.Now();
    requestDelay_ = DelayOf(state_.mode, id, report[kCommandByte]);
    if (normal)
        HandleNormal(report);
    else
        HandleBoot(report);
    return {};
}

HidStatus SimMouse::GetFeature(uint32_t generation, std::span<uint8_t> report) {
    std::lock_guard lock(mutex_);
    if (HidStatus gone = Gone(generation); !gone.ok()) return gone;
    SimFaults& f = state_.faults;
    if (f.transportErrors > 0) {
        --f.transportErrors;
        return {f.transportError,
                std::string("simulated get feature: ") + HidErrorName(f.transportError)};
    }
    if (f.unreadableReplies > 0) {
        --f.unreadableReplies;
        return {HidError::kGeneralFailure, "simulated get feature: reply could not be read"};
    }
    if (report.size() < 2) return {HidError::kInvalidParameter, "short report"};
    const uint8_t id = report[0];
    std::fill(report.begin() + 1, report.end(), 0);
    if (f.busyReplies > 0) {
        --f.busyReplies;
        report[kStatusByte] = kStatusBusy;
        return {};
    }
    if (f.strict && clock_.Now() - requestTime_ < requestDelay_) {
        report[kStatusByte] = kStatusBusy;
        return {};
    }
    if (f.failStatusReplies > 0) {
        --f.failStatusReplies;
        report[kStatusByte] = f.failStatus;
        return {};
    }
    if (!replyReady_) {
        report[kStatusByte] = kStatusFailed;
        return {};
    }
    std::copy_n(reply_.begin() + 1, std::min(reply_.size(), report.size()) - 1, report.begin() + 1);
    report[0] = id;
    if (switchAfterReply_) {
        switchAfterReply_ = false;
        replyReady_ = false;
        Reenumerate(switchTo_);
    }
    return {};
}

HidStatus SimMouse::ReadInput(uint32_t generation, std::span<uint8_t> report, Millis timeout,
                              size_t& length, WakeSignal& wake, std::atomic<bool>& cancelled) {
    length = 0;
    const Clock::TimePoint deadline = clock_.Now() + timeout;
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (HidStatus gone = Gone(generation); !gone.ok()) return gone;
            if (!state_.events.empty() && report.size() >= 4) {
                const SimEvent e = state_.events.front();
                state_.events.pop_front();
                std::fill(report.begin(), report.end(), 0);
                report[0] = kEventReportId;
                report[kEventCodeByte] = e.code;
                report[kEventSlotByte] = e.byte2;
                report[kEventIdByte] = e.byte3;
                length = report.size();
                return {};
            }
        }
        if (cancelled.exchange(false)) return {HidError::kCancelled, "read cancelled"};
        const auto left = std::chrono::duration_cast<Millis>(deadline - clock_.Now());
        if (left.count() <= 0) return {HidError::kTimeout, "no input report"};
        (void)clock_.WaitFor(wake, left);
    }
}

void SimMouse::AddReader(WakeSignal* wake) {
    std::lock_guard lock(mutex_);
    readers_.insert(wake);
}

void SimMouse::RemoveReader(WakeSignal* wake) {
    std::lock_guard lock(mutex_);
    readers_.erase(wake);
}

void SimMouse::HandleNormal(std::span<const uint8_t> r) {
    const uint8_t command = r[kCommandByte];
    const uint8_t slot = r[kSlotByte];
    if (r[0] == kImageRequestId) {
        const uint8_t half = r[kHalfByte];
        const auto payload = r.subspan(kPayloadOffset, kHalfImageLength);
        if (command != kCmdWriteProfileImage || slot > kMaxSlot || half > 1) {
            NewReply(kStatusFailed);
        } else if (half == 0) {
            stagedSlot_ = slot;
            stagedHalf_.assign(payload.begin(), payload.end());
            NewReply(kStatusDone);
        } else if (stagedSlot_ != slot) {
            NewReply(kStatusFailed);  // a second half without its first
        } else {
            DeviceImage& image = state_.slots[slot];
            std::copy(stagedHalf_.begin(), stagedHalf_.end(), image.begin());
            std::copy(payload.begin(), payload.end(), image.begin() + kHalfImageLength);
            stagedSlot_ = -1;
            NewReply(kStatusDone);
        }
        return;
    }
    std::vector<uint8_t>* reply = nullptr;
    switch (command) {
        case kCmdReadDeviceCode:
            reply = &NewReply(kStatusDone);
            std::copy(state_.deviceCode.begin(), state_.deviceCode.end(),
                      reply->begin() + kPayloadOffset);
            break;
        case kCmdReadFirmwareVersion:
            reply = &NewReply(kStatusDone);
            (*reply)[kPayloadOffset] = static_cast<uint8_t>(state_.firmwareVersion);
            (*reply)[kPayloadOffset + 1] = static_cast<uint8_t>(state_.firmwareVersion >> 8);
            break;
        case kCmdEnterBootloader:
            if (std::equal(kBootloaderKey.begin(), kBootloaderKey.end(), r.begin() + kSlotByte)) {
                NewReply(kStatusDone);
                switchAfterReply_ = true;
                switchTo_ = SimMode::kBoot;
            } else {
                NewReply(kStatusFailed);
            }
            break;
        case kCmdReadActiveSlot:
            reply = &NewReply(kStatusDone);
            (*reply)[kPayloadOffset] = state_.activeSlot;
            break;
        case kCmdActivateSlot:
            if (slot <= kMaxSlot) state_.activeSlot = slot;
            NewReply(slot <= kMaxSlot ? kStatusDone : kStatusFailed);
            break;
        case kCmdWriteSensorBlock:
        case kCmdWriteLightingBlock: {
            if (slot > kMaxSlot || r[kParamByte] != kBlockWriteFlag) {
                NewReply(kStatusFailed);
                break;
            }
            DeviceImage& image = state_.slots[slot];
            const auto block = r.subspan(kPayloadOffset, kBlockSize);
            if (command == kCmdWriteSensorBlock) {
                std::copy_n(block.begin(), kSensorSourceLength,
                            image.begin() + kSensorSourceOffset);
                image[kOffsetPollingRate] = block[kSensorBlockPollingRate];
            } else {
                std::copy_n(block.begin(), kLightingSourceLength,
                            image.begin() + kLightingSourceOffset);
                image[kOffsetLightSleep] = block[kLightingBlockSleep];
            }
            NewReply(kStatusDone);
            break;
        }
        case kCmdCalibrateSurface:
            ++state_.calibrations;
            NewReply(kStatusDone);
            break;
        case kCmdEraseSlot:
            if (slot <= kMaxSlot) state_.slots[slot] = state_.factory[slot];
            NewReply(slot <= kMaxSlot ? kStatusDone : kStatusFailed);
            break;
        default:
            NewReply(kStatusFailed);
            break;
    }
}

bool SimMouse::GoodDownload() const {
    if (!state_.downloadBegun || state_.downloadCount == 0) return false;
    uint32_t sum = 0;
    for (size_t i = 0; i < state_.downloadCount; ++i) {
        const auto it = state_.blocks.find(static_cast<uint8_t>(kFirstFirmwareBlock + i));
        if (it == state_.blocks.end()) return false;
        for (uint8_t b : it->second) sum += b;
    }
    return sum == state_.downloadChecksum;
}

void SimMouse::HandleBoot(std::span<const uint8_t> r) {
    const uint8_t command = r[kCommandByte];
    const bool longRequest = r[0] == kBootLongId;
    std::vector<uint8_t>* reply = nullptr;
    if (longRequest) {
        const auto data = r.subspan(kPayloadOffset, kBlockDataLength);
        if (command == kCmdWriteFirstBlock && r[kParamByte] == kBlockWriteFlag) {
            state_.firstBlock.assign(data.begin(), data.end());
            reply = &NewReply(kStatusDone, kLongReportLength, kBootLongId);
            std::copy(data.begin(), data.end(), reply->begin() + kPayloadOffset);
        } else if (command == kCmdWriteBlock) {
            const uint16_t sent =
                static_cast<uint16_t>(r[kBlockSumByte] | (r[kBlockSumByte + 1] << 8));
            uint32_t sum = 0;
            for (uint8_t b : data) sum += b;
            const bool ok = state_.downloadBegun && static_cast<uint16_t>(sum) == sent;
            if (ok) state_.blocks[r[kBlockNumberByte]].assign(data.begin(), data.end());
            NewReply(ok ? kStatusDone : kStatusFailed);
        } else {
            NewReply(kStatusFailed);
        }
        return;
    }
    switch (command) {
        case kCmdReadBootCode:
            reply = &NewReply(kStatusDone);
            std::copy(state_.deviceCode.begin(), state_.deviceCode.end(),
                      reply->begin() + kPayloadOffset);
            break;
        case kCmdReadBootInfo:
            reply = &NewReply(kStatusDone);
            (*reply)[kPayloadOffset + kBootInfoVendorByte] = kVendorId & 0xFF;
            (*reply)[kPayloadOffset + kBootInfoVendorByte + 1] = kVendorId >> 8;
            (*reply)[kPayloadOffset + kBootInfoProductByte] = kProductBoot & 0xFF;
            (*reply)[kPayloadOffset + kBootInfoProductByte + 1] = kProductBoot >> 8;
            break;
        case kCmdBeginDownload: {
            const uint8_t count = r[kCountByte];
            uint32_t checksum = 0;
            for (size_t i = 0; i < 4; ++i) checksum |= uint32_t{r[kChecksumByte + i]} << (8 * i);
            const bool ok = count > 0 && count <= kMaxBootBlocks;
            state_.downloadBegun = ok;
            state_.downloadCount = ok ? count : 0;
            state_.downloadChecksum = checksum;
            state_.blocks.clear();
            NewReply(ok ? kStatusDone : kStatusFailed);
            break;
        }
        case kCmdReadBlock: {
            const auto it = state_.blocks.find(r[kBlockNumberByte]);
            if (it == state_.blocks.end()) {
                NewReply(kStatusFailed, kLongReportLength, kBootLongId);
                break;
            }
            reply = &NewReply(kStatusDone, kLongReportLength, kBootLongId);
            uint32_t sum = 0;
            for (uint8_t b : it->second) sum += b;
            (*reply)[kStoredSumByte] = static_cast<uint8_t>(sum);
            (*reply)[kStoredSumByte + 1] = static_cast<uint8_t>(sum >> 8);
            std::copy(it->second.begin(), it->second.end(), reply->begin() + kPayloadOffset);
            break;
        }
        case kCmdFinishDownload:
            if (!GoodDownload()) {
                NewReply(kStatusFailed);
                break;
            }
            if (const std::vector<uint8_t>& first = state_.blocks[kFirstFirmwareBlock];
                std::equal(kFirmwareMarker.begin(), kFirmwareMarker.end(), first.begin()))
                state_.firmwareVersion = static_cast<uint16_t>(
                    first[kFirmwareVersionOffset] | (first[kFirmwareVersionOffset + 1] << 8));
            state_.downloadBegun = false;
            state_.blocks.clear();
            state_.firstBlock.clear();
            NewReply(kStatusDone);
            switchAfterReply_ = true;
            switchTo_ = SimMode::kNormal;
            break;
        default:
            NewReply(kStatusFailed);
            break;
    }
}

}  // namespace z7
