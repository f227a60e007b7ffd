#pragma once
// The 2048-byte configuration image the mouse stores per slot, and the 48-byte sensor and
// lighting blocks cut from it. Pure functions over byte buffers; every offset is named.
// Multi-byte numbers in the image are little-endian.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/profile/profile_record.h"

namespace z7 {

inline constexpr size_t kImageSize = 2048;
inline constexpr size_t kBlockSize = 48;
inline constexpr size_t kMaxAreaEntries = 128;   // per button
inline constexpr size_t kMaxImageEntries = 147;  // over all seven buttons
inline constexpr size_t kDataBlockStart = 0x320;

// Image header (bytes not named here are 0).
inline constexpr size_t kOffsetSlot = 0x00;
inline constexpr size_t kOffsetName = 0x01;
inline constexpr size_t kNameFieldSize = 16;  // NUL-terminated, zero-padded
inline constexpr size_t kMaxNameBytes = kNameFieldSize - 1;
inline constexpr size_t kOffsetImageLength = 0x11;  // uint32, always kImageSize
inline constexpr size_t kOffsetPollingRate = 0x15;
inline constexpr size_t kOffsetInUse = 0x16;
inline constexpr size_t kOffsetColor1 = 0x17;  // 3 bytes: colour bits 0..7, 8..15, 16..23
inline constexpr size_t kOffsetLightMode1 = 0x1A;
inline constexpr size_t kOffsetColor2 = 0x1B;
inline constexpr size_t kOffsetLightMode2 = 0x1E;
inline constexpr size_t kOffsetCurrentStep = 0x32;
// Each CPI step: linked byte, X CPI (uint16), Y CPI (uint16).
inline constexpr std::array<size_t, 3> kOffsetStep = {0x33, 0x3C, 0x51};
inline constexpr size_t kStepLinked = 0;
inline constexpr size_t kStepCpiX = 1;
inline constexpr size_t kStepCpiY = 3;
inline constexpr size_t kOffsetLiftOffOn = 0x45;
inline constexpr size_t kOffsetLiftOffLevel = 0x46;
inline constexpr size_t kOffsetAngleSnapOn = 0x47;
inline constexpr size_t kOffsetAngleSnapLevel = 0x48;  // uint16
inline constexpr size_t kOffsetStepCount = 0x56;
inline constexpr size_t kOffsetSmoothingOn = 0x57;
inline constexpr size_t kOffsetAngleTuneLevel = 0x58;
inline constexpr size_t kOffsetSurfaceMode = 0x59;
inline constexpr size_t kOffsetLightSleep = 0x5A;
inline constexpr size_t kOffsetButtonRecords = 0x65;  // seven records, button 0 first
inline constexpr size_t kHeaderSize = kOffsetButtonRecords;
// Two further records the mouse has room for; never assigned, always sent as zero.
inline constexpr std::array<size_t, 2> kOffsetSpareRecords = {0x9D, 0xA4};

// Button record as sent (the device record keeps an eighth byte that is not).
inline constexpr size_t kButtonRecordSize = 7;
inline constexpr size_t kRecordType = 0;
inline constexpr size_t kRecordValue = 1;
inline constexpr size_t kRecordDataOffset = 2;  // uint16 from image start; 0 without a block
inline constexpr size_t kRecordEntryCount = 4;  // uint16
inline constexpr size_t kRecordMarker = 6;
inline constexpr uint8_t kRecordMarkerValue = 0x0F;
inline constexpr size_t kDeviceButtonCount = 9;

// Data block entry: kind, code (uint16), flag, low 24 bits of value. Blocks end with one zero
// entry.
inline constexpr size_t kEntrySize = 7;
inline constexpr size_t kEntryKind = 0;
inline constexpr size_t kEntryCode = 1;
inline constexpr size_t kEntryFlag = 3;
inline constexpr size_t kEntryValue = 4;
inline constexpr size_t kEntryValueBytes = 3;

// Sensor block: image bytes 0x32..0x59, then the polling rate at byte 41.
inline constexpr size_t kSensorSourceOffset = kOffsetCurrentStep;
inline constexpr size_t kSensorSourceLength = kOffsetSurfaceMode + 1 - kOffsetCurrentStep;
inline constexpr size_t kSensorBlockPollingRate = 41;
// Lighting block: image bytes 0x17..0x1E, then the lighting sleep at byte 8.
inline constexpr size_t kLightingSourceOffset = kOffsetColor1;
inline constexpr size_t kLightingSourceLength = kOffsetLightMode2 + 1 - kOffsetColor1;
inline constexpr size_t kLightingBlockSleep = 8;

using DeviceImage = std::array<uint8_t, kImageSize>;
using DeviceBlock = std::array<uint8_t, kBlockSize>;

struct DeviceButtonRecord {
    uint8_t type = 0;
    uint8_t value = 0;
    uint16_t dataOffset = 0;
    uint16_t entryCount = 0;
    uint8_t marker = 0;
    uint8_t unused = 0;  // kept by the device record, never sent
};

// One button's key sequence in device form: codes already converted to HID usages.
struct DeviceDataArea {
    uint8_t mode = 0;
    std::vector<MacroEvent> entries;  // at most kMaxAreaEntries
};

// The device form of a profile; a scratch value that lives for one write.
struct DeviceRecord {
    std::array<uint8_t, kHeaderSize> header{};  // image bytes 0x00..0x64
    std::array<DeviceButtonRecord, kDeviceButtonCount> buttons{};
    std::array<DeviceDataArea, kDeviceButtonCount> areas{};
};

// The device form of a profile: header fields, nine button records and nine data areas.
DeviceRecord BuildDeviceRecord(const ProfileRecord& profile);
// Also fills the offset and count fields of the record's button records. Callers check
// TotalEntries first: a record over kMaxImageEntries does not fit, and the entries past the end
// of the image are left out (the counts say what was written).
DeviceImage BuildImage(DeviceRecord& record);
DeviceBlock BuildSensorBlock(const DeviceRecord& record);
DeviceBlock BuildLightingBlock(const DeviceRecord& record);
// Entries over the seven data areas; an image with more than kMaxImageEntries is refused.
size_t TotalEntries(const DeviceRecord& record);

// Brightness level 1..4 scales each colour byte by 0.1, 0.25, 0.5, 0.75 (truncated); level 5
// clears the top byte; any other level returns the colour unchanged.
uint32_t ScaleColor(uint32_t color, uint8_t level);
// Windows virtual-key code <-> USB HID keyboard usage; codes without a pair pass unchanged.
uint16_t VkToHidUsage(uint16_t code);
uint16_t HidUsageToVk(uint16_t code);
// Whether the type byte of a button record announces a data block.
bool DeviceTypeHasDataBlock(uint8_t type);

// The name as the mouse stores it: GBK, cut at a character boundary to kMaxNameBytes bytes.
std::string DeviceProfileName(std::u16string_view name);

}  // namespace z7
