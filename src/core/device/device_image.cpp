#include "core/device/device_image.h"

#include <algorithm>
#include <span>
#include <utility>

#include "platform/code_page.h"

namespace z7 {
namespace {

struct KeyPair {
    uint16_t vk;
    uint16_t usage;
};

// Keyboard/Keypad page of the USB HID usage tables; the reverse lookup is derived from it and
// takes the first pair of a usage. Pause has two virtual keys (19 and the Ctrl+Break code 3),
// and so has Print Screen (44 and the Print key 42).
// Clear, Select, Print, Execute, Help, F17 and F18 have pairs of their own because their codes
// are other keys' usages: passed through, Clear would send the letter I and F17 Volume Up, and
// the button would read back as that key.
constexpr KeyPair kKeyPairs[] = {
    {13, 40},   {27, 41},   {8, 42},    {9, 43},   {32, 44},   {189, 45},  {187, 46},  {219, 47},
    {221, 48},  {220, 49},  {186, 51},  {222, 52}, {192, 53},  {188, 54},  {190, 55},  {191, 56},
    {20, 57},   {44, 70},   {42, 70},   {145, 71}, {19, 72},   {3, 72},    {45, 73},   {36, 74},
    {33, 75},   {46, 76},   {35, 77},   {34, 78},  {39, 79},   {37, 80},   {40, 81},   {38, 82},
    {144, 83},  {111, 84},  {106, 85},  {109, 86}, {107, 87},  {96, 98},   {110, 99},  {93, 101},
    {128, 108}, {129, 109}, {43, 116},  {47, 117}, {41, 119},  {175, 128}, {174, 129}, {12, 156},
    {162, 224}, {160, 225}, {164, 226}, {91, 227}, {163, 228}, {161, 229}, {165, 230}, {92, 231},
};

struct KeyRange {
    uint16_t firstVk, lastVk, firstUsage;
};
constexpr KeyRange kKeyRanges[] = {
    {65, 90, 4},     // A..Z
    {49, 57, 30},    // 1..9
    {48, 48, 39},    // 0
    {112, 123, 58},  // F1..F12
    {97, 105, 89},   // keypad 1..9
};

void PutU16(std::span<uint8_t> bytes, size_t offset, uint16_t v) {
    bytes[offset] = static_cast<uint8_t>(v);
    bytes[offset + 1] = static_cast<uint8_t>(v >> 8);
}

void PutColor(std::span<uint8_t> bytes, size_t offset, uint32_t color) {
    bytes[offset] = static_cast<uint8_t>(color);
    bytes[offset + 1] = static_cast<uint8_t>(color >> 8);
    bytes[offset + 2] = static_cast<uint8_t>(color >> 16);
}

// Byte 0 of the button record for a binding's functionType; the types the mouse does not know
// (31 among them) are sent as 0/0.
constexpr int kUnknownType = -1;
int DeviceTypeOf(int32_t functionType) {
    switch (functionType) {
        case 0:
        case 1:
        case 2:
        case 3:
        case 8:
        case 9:
        case 17:
        case 19:
        case 20:
        case 21:
        case 22:
        case 23:
        case 24:
        case 32:
        case 255:
            return functionType;
        default:
            return kUnknownType;
    }
}

void FillArea(const MacroData& copy, DeviceDataArea& area) {
    area.mode = copy.mode;
    const size_t n = std::min(copy.events.size(), kMaxAreaEntries);
    area.entries.assign(copy.events.begin(), copy.events.begin() + static_cast<ptrdiff_t>(n));
    for (MacroEvent& e : area.entries) e.code = VkToHidUsage(e.code);
}

void FillHeader(const ProfileRecord& p, std::span<uint8_t> h) {
    h[kOffsetSlot] = p.profileSlot;
    const std::string name = DeviceProfileName(p.profileName);
    std::copy(name.begin(), name.end(), h.begin() + kOffsetName);
    PutU16(h, kOffsetImageLength, static_cast<uint16_t>(kImageSize));
    PutU16(h, kOffsetImageLength + 2, static_cast<uint16_t>(kImageSize >> 16));
    h[kOffsetPollingRate] = static_cast<uint8_t>(p.pollingRate);
    h[kOffsetInUse] = static_cast<uint8_t>(p.inUse);
    const uint8_t lightMode = static_cast<uint8_t>(p.lightSpeed | p.lightEffect);
    PutColor(h, kOffsetColor1, ScaleColor(p.lightColor1, p.lightBrightness));
    h[kOffsetLightMode1] = lightMode;
    PutColor(h, kOffsetColor2, ScaleColor(p.lightColor2, p.lightBrightness));
    h[kOffsetLightMode2] = lightMode;
    h[kOffsetCurrentStep] = p.currentStep;
    for (size_t s = 0; s < kOffsetStep.size(); ++s) {
        h[kOffsetStep[s] + kStepLinked] = static_cast<uint8_t>(p.xyLinked[s]);
        PutU16(h, kOffsetStep[s] + kStepCpiX, static_cast<uint16_t>(p.cpiX[s]));
        PutU16(h, kOffsetStep[s] + kStepCpiY, static_cast<uint16_t>(p.cpiY[s]));
    }
    h[kOffsetLiftOffOn] = static_cast<uint8_t>(p.liftOffOn);
    h[kOffsetLiftOffLevel] = p.liftOffLevel;
    h[kOffsetAngleSnapOn] = static_cast<uint8_t>(p.angleSnapOn);
    PutU16(h, kOffsetAngleSnapLevel, p.angleSnapLevel);
    h[kOffsetStepCount] = p.stepCount;
    h[kOffsetSmoothingOn] = static_cast<uint8_t>(p.smoothingOn);
    h[kOffsetAngleTuneLevel] = p.angleTuneLevel;
    h[kOffsetSurfaceMode] = p.surfaceMode;
    h[kOffsetLightSleep] = p.lightSleep;
}

}  // namespace

bool DeviceTypeHasDataBlock(uint8_t type) {
    return FunctionTypeCarriesMacro(type);
}

std::string DeviceProfileName(std::u16string_view name) {
    std::string gbk = EncodeGbk(name);
    size_t cut = 0;
    for (size_t i = 0; i < gbk.size();) {
        const auto lead = static_cast<uint8_t>(gbk[i]);
        const size_t width = lead >= 0x81 && lead <= 0xFE && i + 1 < gbk.size() ? 2 : 1;
        if (i + width > kMaxNameBytes) break;
        i += width;
        cut = i;
    }
    gbk.resize(cut);
    return gbk;
}

DeviceRecord BuildDeviceRecord(const ProfileRecord& profile) {
    DeviceRecord record;
    FillHeader(profile, record.header);
    for (size_t i = 0; i < kButtonCount; ++i) {
        const ButtonBinding& binding = profile.buttonBindings[i];
        DeviceButtonRecord& r = record.buttons[i];
        r.marker = kRecordMarkerValue;
        const int type = DeviceTypeOf(binding.functionType);
        if (type == kUnknownType) continue;
        r.type = static_cast<uint8_t>(type);
        r.value = static_cast<uint8_t>(binding.functionValue);
        if (!DeviceTypeHasDataBlock(r.type)) continue;
        const MacroData& copy = profile.buttonMacros[i];
        // A copy left over from an earlier function must not reach the mouse.
        if (copy.id == static_cast<int32_t>(binding.macroId)) FillArea(copy, record.areas[i]);
        if (r.type == 3) r.value = record.areas[i].mode;
    }
    return record;
}

DeviceImage BuildImage(DeviceRecord& record) {
    DeviceImage image{};
    size_t offset = kDataBlockStart;
    for (size_t i = 0; i < kButtonCount; ++i) {
        DeviceButtonRecord& r = record.buttons[i];
        if (!DeviceTypeHasDataBlock(r.type)) continue;
        const DeviceDataArea& area = record.areas[i];
        // Room for the closing zero entry is kept; past that the block is cut short.
        const size_t room =
            offset + kEntrySize <= kImageSize ? (kImageSize - offset - kEntrySize) / kEntrySize : 0;
        const size_t n = std::min(area.entries.size(), room);
        r.dataOffset = static_cast<uint16_t>(offset);
        r.entryCount = static_cast<uint16_t>(n);
        for (size_t e = 0; e < n; ++e) {
            const MacroEvent& ev = area.entries[e];
            uint8_t* entry = image.data() + offset;
            entry[kEntryKind] = ev.kind;
            entry[kEntryCode] = static_cast<uint8_t>(ev.code);
            entry[kEntryCode + 1] = static_cast<uint8_t>(ev.code >> 8);
            entry[kEntryFlag] = ev.flag;
            for (size_t b = 0; b < kEntryValueBytes; ++b)
                entry[kEntryValue + b] = static_cast<uint8_t>(ev.value >> (8 * b));
            offset += kEntrySize;
        }
        offset = std::min(offset + kEntrySize, kImageSize);  // the closing zero entry
    }
    std::copy(record.header.begin(), record.header.end(), image.begin());
    for (size_t i = 0; i < kButtonCount; ++i) {
        const DeviceButtonRecord& r = record.buttons[i];
        const std::span<uint8_t> out(image.data() + kOffsetButtonRecords + i * kButtonRecordSize,
                                     kButtonRecordSize);
        out[kRecordType] = r.type;
        out[kRecordValue] = r.value;
        PutU16(out, kRecordDataOffset, r.dataOffset);
        PutU16(out, kRecordEntryCount, r.entryCount);
        out[kRecordMarker] = r.marker;
    }
    return image;
}

DeviceBlock BuildSensorBlock(const DeviceRecord& record) {
    DeviceBlock block{};
    std::copy_n(record.header.begin() + kSensorSourceOffset, kSensorSourceLength, block.begin());
    block[kSensorBlockPollingRate] = record.header[kOffsetPollingRate];
    return block;
}

DeviceBlock BuildLightingBlock(const DeviceRecord& record) {
    DeviceBlock block{};
    std::copy_n(record.header.begin() + kLightingSourceOffset, kLightingSourceLength,
                block.begin());
    block[kLightingBlockSleep] = record.header[kOffsetLightSleep];
    return block;
}

size_t TotalEntries(const DeviceRecord& record) {
    size_t total = 0;
    for (size_t i = 0; i < kButtonCount; ++i) total += record.areas[i].entries.size();
    return total;
}

uint32_t ScaleColor(uint32_t color, uint8_t level) {
    // Integer forms of the factors 0.1, 0.25, 0.5, 0.75, so truncation is exact.
    static constexpr std::pair<uint32_t, uint32_t> kFactor[] = {{1, 10}, {1, 4}, {1, 2}, {3, 4}};
    if (level == 5) return color & 0xFFFFFFu;
    if (level < 1 || level > 4) return color;
    const auto [num, den] = kFactor[level - 1];
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8)
        out |= (((color >> shift) & 0xFFu) * num / den) << shift;
    return out;
}

uint16_t VkToHidUsage(uint16_t code) {
    for (const KeyRange& r : kKeyRanges)
        if (code >= r.firstVk && code <= r.lastVk)
            return static_cast<uint16_t>(r.firstUsage + (code - r.firstVk));
    for (const KeyPair& p : kKeyPairs)
        if (p.vk == code) return p.usage;
    return code;
}

uint16_t HidUsageToVk(uint16_t code) {
    for (const KeyRange& r : kKeyRanges)
        if (code >= r.firstUsage && code <= r.firstUsage + (r.lastVk - r.firstVk))
            return static_cast<uint16_t>(r.firstVk + (code - r.firstUsage));
    for (const KeyPair& p : kKeyPairs)
        if (p.usage == code) return p.vk;
    return code;
}

}  // namespace z7
