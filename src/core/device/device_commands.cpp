#include "core/device/device_commands.h"

#include <algorithm>
#include <vector>

namespace z7 {
namespace {

enum class DelayWhen { kAlways, kAfterAcceptedRequest };

struct Outcome {
    bool sent = false;
    bool replied = false;
    std::vector<uint8_t> reply;
    uint8_t status() const { return reply[kStatusByte]; }
};

std::vector<uint8_t> Request(size_t length, uint8_t reportId, uint8_t command) {
    std::vector<uint8_t> r(length, 0);
    r[0] = reportId;
    r[kCommandByte] = command;
    return r;
}

Outcome Exchange(DeviceLink& link, std::vector<uint8_t>& request, Millis delay, DelayWhen when,
                 uint8_t replyId, size_t replyLength) {
    Outcome o;
    o.sent = link.SetFeatureReport(request);
    if (!o.sent && when == DelayWhen::kAfterAcceptedRequest) return o;
    link.clock().Sleep(delay);
    if (!o.sent) return o;
    o.reply.assign(replyLength, 0);
    o.reply[0] = replyId;
    o.replied = link.GetFeatureReport(o.reply);
    return o;
}

Outcome Short(DeviceLink& link, std::vector<uint8_t>& request, Millis delay,
              DelayWhen when = DelayWhen::kAlways) {
    return Exchange(link, request, delay, when, kNormalRequestId, kShortReportLength);
}

Outcome Boot(DeviceLink& link, std::vector<uint8_t>& request, Millis delay,
             size_t replyLength = kShortReportLength) {
    return Exchange(link, request, delay, DelayWhen::kAlways,
                    replyLength == kShortReportLength ? kBootRequestId : kBootLongId, replyLength);
}

// The write commands count any reply that could be read as success.
uint8_t AnyReply(const Outcome& o) {
    return o.sent && o.replied ? kResultOk : kResultFailed;
}

uint8_t StatusOrNoReply(const Outcome& o) {
    if (!o.sent) return kResultFailed;
    return o.replied ? o.status() : kResultNoReply;
}

uint8_t SlotCommand(DeviceLink& link, uint8_t command, uint8_t slot, Millis delay, DelayWhen when,
                    const DeviceBlock* payload) {
    if (slot > kMaxSlot) return kResultFailed;
    std::vector<uint8_t> r = Request(kShortReportLength, kNormalRequestId, command);
    r[kSlotByte] = slot;
    if (payload) {
        r[kParamByte] = kBlockWriteFlag;
        std::copy(payload->begin(), payload->end(), r.begin() + kPayloadOffset);
    }
    return AnyReply(Short(link, r, delay, when));
}

}  // namespace

uint8_t ReadDeviceCode(DeviceLink& link, std::array<uint8_t, 4>& code) {
    std::vector<uint8_t> r = Request(kShortReportLength, kNormalRequestId, kCmdReadDeviceCode);
    const Outcome o = Short(link, r, kDelayReadDeviceCode);
    if (o.sent && o.replied)
        std::copy_n(o.reply.begin() + kPayloadOffset, code.size(), code.begin());
    return StatusOrNoReply(o);
}

uint8_t ReadFirmwareVersion(DeviceLink& link, std::array<uint8_t, kFirmwareInfoLength>& info) {
    std::vector<uint8_t> r = Request(kShortReportLength, kNormalRequestId, kCmdReadFirmwareVersion);
    const Outcome o = Short(link, r, kDelayReadFirmwareVersion);
    const uint8_t result = StatusOrNoReply(o);
    if (o.replied && result == kResultOk)
        std::copy_n(o.reply.begin() + kPayloadOffset, info.size(), info.begin());
    return result;
}

uint16_t FirmwareVersionOf(const std::array<uint8_t, kFirmwareInfoLength>& info) {
    return static_cast<uint16_t>(info[0] | (info[1] << 8));
}

uint8_t EnterBootloader(DeviceLink& link) {
    std::vector<uint8_t> r = Request(kShortReportLength, kNormalRequestId, kCmdEnterBootloader);
    std::copy(kBootloaderKey.begin(), kBootloaderKey.end(), r.begin() + kSlotByte);
    return AnyReply(Short(link, r, kDelayEnterBootloader));
}

uint8_t ReadActiveSlot(DeviceLink& link, uint8_t& slot) {
    std::vector<uint8_t> r = Request(kShortReportLength, kNormalRequestId, kCmdReadActiveSlot);
    const Outcome o = Short(link, r, kDelayReadActiveSlot, DelayWhen::kAfterAcceptedRequest);
    if (!o.sent || !o.replied || o.reply[kPayloadOffset] > kMaxSlot) return kResultFailed;
    slot = o.reply[kPayloadOffset];
    return kResultOk;
}

uint8_t ActivateSlot(DeviceLink& link, uint8_t slot) {
    return SlotCommand(link, kCmdActivateSlot, slot, kDelayActivateSlot,
                       DelayWhen::kAfterAcceptedRequest, nullptr);
}

uint8_t WriteSensorBlock(DeviceLink& link, const DeviceBlock& block, uint8_t slot) {
    return SlotCommand(link, kCmdWriteSensorBlock, slot, kDelayWriteSensorBlock, DelayWhen::kAlways,
                       &block);
}

uint8_t CalibrateSurface(DeviceLink& link) {
    std::vector<uint8_t> r = Request(kShortReportLength, kNormalRequestId, kCmdCalibrateSurface);
    r[kParamByte] = kBlockWriteFlag;
    return AnyReply(Short(link, r, kDelayCalibrateSurface, DelayWhen::kAfterAcceptedRequest));
}

uint8_t WriteLightingBlock(DeviceLink& link, const DeviceBlock& block, uint8_t slot) {
    return SlotCommand(link, kCmdWriteLightingBlock, slot, kDelayWriteLightingBlock,
                       DelayWhen::kAlways, &block);
}

uint8_t EraseSlot(DeviceLink& link, uint8_t slot) {
    return SlotCommand(link, kCmdEraseSlot, slot, kDelayEraseSlot, DelayWhen::kAfterAcceptedRequest,
                       nullptr);
}

uint8_t WriteProfileImage(DeviceLink& link, const DeviceImage& image, size_t totalEntries,
                          uint8_t slot) {
    if (totalEntries > kMaxImageEntries || slot > kMaxSlot) return kResultFailed;
    for (uint8_t half = 0; half < 2; ++half) {
        std::vector<uint8_t> r = Request(kLongReportLength, kImageRequestId, kCmdWriteProfileImage);
        r[kSlotByte] = slot;
        r[kHalfByte] = half;
        std::copy_n(image.begin() + half * kHalfImageLength, kHalfImageLength,
                    r.begin() + kPayloadOffset);
        const Outcome o = Short(link, r, kDelayWriteImageHalf);
        if (AnyReply(o) != kResultOk) return kResultFailed;
    }
    return kResultOk;
}

uint8_t ReadBootCode(DeviceLink& link, std::array<uint8_t, 4>& code) {
    std::vector<uint8_t> r = Request(kShortReportLength, kBootRequestId, kCmdReadBootCode);
    const Outcome o = Boot(link, r, kDelayReadBootCode);
    if (!o.sent) return kResultBootRequestFailed;
    if (!o.replied) return kResultNoReply;
    std::copy_n(o.reply.begin() + kPayloadOffset, code.size(), code.begin());
    return o.status();
}

uint8_t ReadBootInfo(DeviceLink& link, std::array<uint8_t, kBootInfoLength>& info) {
    std::vector<uint8_t> r = Request(kShortReportLength, kBootRequestId, kCmdReadBootInfo);
    const Outcome o = Boot(link, r, kDelayReadBootInfo);
    if (o.sent && o.replied)
        std::copy_n(o.reply.begin() + kPayloadOffset, info.size(), info.begin());
    return StatusOrNoReply(o);
}

uint8_t BeginDownload(DeviceLink& link, uint8_t blockCount, uint32_t checksum) {
    std::vector<uint8_t> r = Request(kShortReportLength, kBootRequestId, kCmdBeginDownload);
    r[kCountByte] = blockCount;
    for (size_t i = 0; i < 4; ++i) r[kChecksumByte + i] = static_cast<uint8_t>(checksum >> (8 * i));
    return StatusOrNoReply(Boot(link, r, kDelayBeginDownload));
}

uint16_t BlockSum(std::span<const uint8_t, kBlockDataLength> data) {
    uint32_t sum = 0;
    for (uint8_t b : data) sum += b;
    return static_cast<uint16_t>(sum);
}

uint8_t WriteBlock(DeviceLink& link, std::span<const uint8_t, kBlockDataLength> data,
                   uint8_t number) {
    std::vector<uint8_t> r = Request(kLongReportLength, kBootLongId, kCmdWriteBlock);
    const uint16_t sum = BlockSum(data);
    r[kBlockNumberByte] = number;
    r[kBlockSumByte] = static_cast<uint8_t>(sum);
    r[kBlockSumByte + 1] = static_cast<uint8_t>(sum >> 8);
    std::copy(data.begin(), data.end(), r.begin() + kPayloadOffset);
    return StatusOrNoReply(Boot(link, r, kDelayWriteBlock));
}

uint8_t WriteFirstBlock(DeviceLink& link, std::span<const uint8_t, kBlockDataLength> data) {
    std::vector<uint8_t> r = Request(kLongReportLength, kBootLongId, kCmdWriteFirstBlock);
    r[kParamByte] = kBlockWriteFlag;
    std::copy(data.begin(), data.end(), r.begin() + kPayloadOffset);
    const Outcome o = Boot(link, r, kDelayWriteFirstBlock, kLongReportLength);
    const uint8_t result = StatusOrNoReply(o);
    if (o.sent && o.replied &&
        !std::equal(data.begin(), data.end(), o.reply.begin() + kPayloadOffset))
        return kResultFailed;
    return result;
}

uint8_t ReadBlock(DeviceLink& link, uint8_t number, std::array<uint8_t, kLongReportLength>& reply) {
    std::vector<uint8_t> r = Request(kShortReportLength, kBootRequestId, kCmdReadBlock);
    r[kBlockNumberByte] = number;
    const Outcome o = Boot(link, r, kDelayReadBlock, kLongReportLength);
    const uint8_t result = StatusOrNoReply(o);
    if (o.replied && result == kResultOk) std::copy(o.reply.begin(), o.reply.end(), reply.begin());
    return result;
}

uint8_t FinishDownload(DeviceLink& link) {
    std::vector<uint8_t> r = Request(kShortReportLength, kBootRequestId, kCmdFinishDownload);
    return StatusOrNoReply(Boot(link, r, kDelayFinishDownload));
}

}  // namespace z7
