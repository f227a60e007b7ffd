#pragma once
// The 2048-byte configuration image the mouse stores per slot, and the 48-byte sensor and
// lighting blocks cut from it. Pure functions over byte buffers; every offset is named.
#include <array>
#include <cstddef>
#include <cstdint>

#include "core/profile/profile_record.h"

namespace z7 {

inline constexpr size_t kImageSize = 2048;
inline constexpr size_t kBlockSize = 48;
inline constexpr size_t kMaxAreaEntries = 128;   // per button
inline constexpr size_t kMaxImageEntries = 147;  // over all seven buttons
inline constexpr size_t kDataBlockStart = 0x320;

using DeviceImage = std::array<uint8_t, kImageSize>;
using DeviceBlock = std::array<uint8_t, kBlockSize>;

struct DeviceRecord;  // defined below by the image module

// The device form of a profile: header fields, nine button records and nine data areas.
DeviceRecord BuildDeviceRecord(const ProfileRecord& profile);
// Also fills the offset and count fields of the record's button records.
DeviceImage BuildImage(DeviceRecord& record);
DeviceBlock BuildSensorBlock(const DeviceRecord& record);
DeviceBlock BuildLightingBlock(const DeviceRecord& record);
// Entries over the seven data areas; an image with more than kMaxImageEntries is refused.
size_t TotalEntries(const DeviceRecord& record);

uint32_t ScaleColor(uint32_t color, uint8_t level);
uint16_t VkToHidUsage(uint16_t code);
uint16_t HidUsageToVk(uint16_t code);

}  // namespace z7
