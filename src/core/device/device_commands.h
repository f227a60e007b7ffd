#pragma once
// The command set: one function per request the mouse understands. Each sets a feature
// request, waits the command's delay on the link's clock, reads the reply and returns the
// 8-bit result: 1 success, 2 failure, 0 no reply read, or the device's status where noted.
// Callers hold the link's deviceLock with the configuration interface open.
#include <array>
#include <cstdint>
#include <span>

#include "core/device/device_image.h"
#include "core/device/device_link.h"

namespace z7 {

inline constexpr uint8_t kResultNoReply = 0;
inline constexpr uint8_t kResultOk = 1;
inline constexpr uint8_t kResultFailed = 2;
inline constexpr uint8_t kResultBootRequestFailed = 7;

inline constexpr size_t kShortReportLength = 64;
inline constexpr size_t kLongReportLength = 1041;
inline constexpr size_t kBlockDataLength = 1024;
inline constexpr size_t kHalfImageLength = 1024;
inline constexpr size_t kBootInfoLength = 48;
inline constexpr size_t kFirmwareInfoLength = 14;

// Report ids.
inline constexpr uint8_t kNormalRequestId = 0x60;
inline constexpr uint8_t kImageRequestId = 0x61;
inline constexpr uint8_t kBootRequestId = 0x80;
inline constexpr uint8_t kBootLongId = 0x81;

// Request and reply layout.
inline constexpr size_t kCommandByte = 1;
inline constexpr size_t kParamByte = 2;  // first parameter byte (2..7)
inline constexpr size_t kSlotByte = 5;
inline constexpr size_t kHalfByte = 6;
inline constexpr size_t kPayloadOffset = 16;
inline constexpr size_t kBlockSumByte = 3;  // WriteBlock: sum low, high at 3..4
inline constexpr size_t kBlockNumberByte = 2;
inline constexpr size_t kStoredSumByte = 6;  // ReadBlock reply: 16-bit sum at 6..7
inline constexpr size_t kCountByte = 16;     // BeginDownload: block count
inline constexpr size_t kChecksumByte = 17;  // BeginDownload: 32-bit checksum at 17..20

// Command codes.
inline constexpr uint8_t kCmdReadDeviceCode = 0x1A;
inline constexpr uint8_t kCmdReadFirmwareVersion = 0x02;
inline constexpr uint8_t kCmdEnterBootloader = 0x3A;
inline constexpr uint8_t kCmdReadActiveSlot = 0x03;
inline constexpr uint8_t kCmdActivateSlot = 0x04;
inline constexpr uint8_t kCmdWriteProfileImage = 0x08;
inline constexpr uint8_t kCmdWriteSensorBlock = 0x11;
inline constexpr uint8_t kCmdCalibrateSurface = 0x12;
inline constexpr uint8_t kCmdWriteLightingBlock = 0x13;
inline constexpr uint8_t kCmdEraseSlot = 0xED;
inline constexpr uint8_t kCmdReadBootCode = 0x1A;
inline constexpr uint8_t kCmdReadBootInfo = 0x02;
inline constexpr uint8_t kCmdBeginDownload = 0x03;
inline constexpr uint8_t kCmdWriteFirstBlock = 0x01;
inline constexpr uint8_t kCmdWriteBlock = 0x06;
inline constexpr uint8_t kCmdReadBlock = 0x07;
inline constexpr uint8_t kCmdFinishDownload = 0x09;
// EnterBootloader's parameter bytes 5..7, a guard against accidental switches.
inline constexpr std::array<uint8_t, 3> kBootloaderKey = {0xC3, 0x3C, 0x71};
inline constexpr uint8_t kBlockWriteFlag = 0x01;  // byte 2 of the block writes

// The delays the firmware needs between a request and its reply.
inline constexpr Millis kDelayReadDeviceCode{100};
inline constexpr Millis kDelayReadFirmwareVersion{50};
inline constexpr Millis kDelayEnterBootloader{50};
inline constexpr Millis kDelayReadActiveSlot{10};
inline constexpr Millis kDelayActivateSlot{1500};
inline constexpr Millis kDelayWriteSensorBlock{80};
inline constexpr Millis kDelayCalibrateSurface{500};
inline constexpr Millis kDelayWriteLightingBlock{60};
inline constexpr Millis kDelayEraseSlot{1500};
inline constexpr Millis kDelayWriteImageHalf{80};
inline constexpr Millis kDelayReadBootCode{100};
inline constexpr Millis kDelayReadBootInfo{100};
inline constexpr Millis kDelayBeginDownload{50};
inline constexpr Millis kDelayWriteBlock{60};
inline constexpr Millis kDelayWriteFirstBlock{20};
inline constexpr Millis kDelayReadBlock{20};
inline constexpr Millis kDelayFinishDownload{50};

inline constexpr uint8_t kMaxSlot = 4;

// --- normal mode (product 0x1206) ---

// Status; on any reply the four code characters are copied out.
[[nodiscard]] uint8_t ReadDeviceCode(DeviceLink& link, std::array<uint8_t, 4>& code);
// Status; only on status 1 is `info` filled (bytes 0..1: version in hundredths, LE).
[[nodiscard]] uint8_t ReadFirmwareVersion(DeviceLink& link,
                                          std::array<uint8_t, kFirmwareInfoLength>& info);
// The version part of ReadFirmwareVersion's output.
uint16_t FirmwareVersionOf(const std::array<uint8_t, kFirmwareInfoLength>& info);
[[nodiscard]] uint8_t EnterBootloader(DeviceLink& link);
// 1 with `slot` set when the mouse names a slot 0..4; else 2 and `slot` untouched.
[[nodiscard]] uint8_t ReadActiveSlot(DeviceLink& link, uint8_t& slot);
// The slot commands refuse a slot above 4 with 2 before anything is sent.
[[nodiscard]] uint8_t ActivateSlot(DeviceLink& link, uint8_t slot);
[[nodiscard]] uint8_t WriteSensorBlock(DeviceLink& link, const DeviceBlock& block, uint8_t slot);
[[nodiscard]] uint8_t CalibrateSurface(DeviceLink& link);
[[nodiscard]] uint8_t WriteLightingBlock(DeviceLink& link, const DeviceBlock& block, uint8_t slot);
[[nodiscard]] uint8_t EraseSlot(DeviceLink& link, uint8_t slot);
// Replaces the slot's image in two halves. `totalEntries` is TotalEntries() of the record the
// image was built from; above kMaxImageEntries nothing is sent and the result is 2.
[[nodiscard]] uint8_t WriteProfileImage(DeviceLink& link, const DeviceImage& image,
                                        size_t totalEntries, uint8_t slot);

// --- boot mode (product 0x1205) ---

// 7 when the request was not accepted (not 2); else status, code copied out.
[[nodiscard]] uint8_t ReadBootCode(DeviceLink& link, std::array<uint8_t, 4>& code);
// Reply byte 1 (0 when not read); `info` filled whenever a reply was read.
[[nodiscard]] uint8_t ReadBootInfo(DeviceLink& link, std::array<uint8_t, kBootInfoLength>& info);
[[nodiscard]] uint8_t BeginDownload(DeviceLink& link, uint8_t blockCount, uint32_t checksum);
// 16-bit byte sum as WriteBlock sends it.
uint16_t BlockSum(std::span<const uint8_t, kBlockDataLength> data);
[[nodiscard]] uint8_t WriteBlock(DeviceLink& link, std::span<const uint8_t, kBlockDataLength> data,
                                 uint8_t number);
// Status, or 2 when the echoed data differs from `data`.
[[nodiscard]] uint8_t WriteFirstBlock(DeviceLink& link,
                                      std::span<const uint8_t, kBlockDataLength> data);
// Reply byte 1; `reply` (all 1041 bytes) is filled only when the status is 1.
[[nodiscard]] uint8_t ReadBlock(DeviceLink& link, uint8_t number,
                                std::array<uint8_t, kLongReportLength>& reply);
[[nodiscard]] uint8_t FinishDownload(DeviceLink& link);

}  // namespace z7
