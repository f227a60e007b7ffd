#include "sim/sim_state_file.h"

#include <algorithm>

#include "core/profile/data_stream.h"

namespace z7 {
namespace {

constexpr std::array<uint8_t, 5> kMagic = {'Z', '7', 'S', 'I', 'M'};
constexpr uint8_t kFormatVersion = 1;
constexpr uint8_t kLastHidError = static_cast<uint8_t>(HidError::kCancelled);

void WriteImages(DataStream& s, const std::array<DeviceImage, 5>& images) {
    for (const DeviceImage& image : images) s.WriteBytes(image);
}

bool ReadImages(DataStream& s, std::array<DeviceImage, 5>& images) {
    std::vector<uint8_t> bytes;
    for (DeviceImage& image : images) {
        if (!s.ReadBytes(kImageSize, bytes)) return false;
        std::copy(bytes.begin(), bytes.end(), image.begin());
    }
    return true;
}

bool ReadBool(DataStream& s, bool& out) {
    uint8_t v = 0;
    if (!s.ReadU8(v) || v > 1) return false;
    out = v == 1;
    return true;
}

}  // namespace

std::vector<uint8_t> SaveSimState(const SimState& st) {
    DataStream s;
    s.WriteBytes(kMagic);
    s.WriteU8(kFormatVersion);
    s.WriteU8(static_cast<uint8_t>(st.mode));
    s.WriteU16(st.firmwareVersion);
    s.WriteBytes(st.deviceCode);
    s.WriteU8(st.activeSlot);
    s.WriteU8(st.unplugged ? 1 : 0);
    const SimFaults& f = st.faults;
    s.WriteU32(f.busyReplies);
    s.WriteU32(f.failStatusReplies);
    s.WriteU8(f.failStatus);
    s.WriteU32(f.transportErrors);
    s.WriteU8(static_cast<uint8_t>(f.transportError));
    s.WriteU32(f.unreadableReplies);
    s.WriteI32(f.unplugAfterCommands);
    s.WriteU8(f.accessDenied ? 1 : 0);
    s.WriteU8(f.strict ? 1 : 0);
    s.WriteU32(st.calibrations);
    WriteImages(s, st.slots);
    WriteImages(s, st.factory);
    s.WriteU16(static_cast<uint16_t>(st.events.size()));
    for (const SimEvent& e : st.events) {
        s.WriteU8(e.code);
        s.WriteU8(e.byte2);
        s.WriteU8(e.byte3);
    }
    s.WriteU8(st.downloadBegun ? 1 : 0);
    s.WriteU8(st.downloadCount);
    s.WriteU32(st.downloadChecksum);
    s.WriteU16(static_cast<uint16_t>(st.blocks.size()));
    for (const auto& [number, data] : st.blocks) {
        s.WriteU8(number);
        s.WriteBytes(data);
    }
    s.WriteU8(st.firstBlock.empty() ? 0 : 1);
    if (!st.firstBlock.empty()) s.WriteBytes(st.firstBlock);
    const auto bytes = s.bytes();
    return {bytes.begin(), bytes.end()};
}

bool LoadSimState(std::span<const uint8_t> bytes, SimState& out) {
    if (bytes.size() > kSimStateMaxBytes) return false;
    DataStream s(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    SimState st;
    std::vector<uint8_t> raw;
    if (!s.ReadBytes(kMagic.size(), raw) || !std::equal(raw.begin(), raw.end(), kMagic.begin()))
        return false;
    uint8_t version = 0, mode = 0, error = 0, hasFirst = 0;
    if (!s.ReadU8(version) || version != kFormatVersion) return false;
    if (!s.ReadU8(mode) || mode > static_cast<uint8_t>(SimMode::kBoot)) return false;
    st.mode = static_cast<SimMode>(mode);
    if (!s.ReadU16(st.firmwareVersion) || !s.ReadBytes(4, raw)) return false;
    std::copy(raw.begin(), raw.end(), st.deviceCode.begin());
    if (!s.ReadU8(st.activeSlot) || st.activeSlot > 4 || !ReadBool(s, st.unplugged)) return false;
    SimFaults& f = st.faults;
    if (!s.ReadU32(f.busyReplies) || !s.ReadU32(f.failStatusReplies) || !s.ReadU8(f.failStatus) ||
        !s.ReadU32(f.transportErrors) || !s.ReadU8(error) || error > kLastHidError ||
        !s.ReadU32(f.unreadableReplies) || !s.ReadI32(f.unplugAfterCommands) ||
        f.unplugAfterCommands < -1 || !ReadBool(s, f.accessDenied) || !ReadBool(s, f.strict))
        return false;
    f.transportError = static_cast<HidError>(error);
    if (!s.ReadU32(st.calibrations) || !ReadImages(s, st.slots) || !ReadImages(s, st.factory))
        return false;
    uint16_t count = 0;
    if (!s.ReadU16(count) || count > kSimMaxEvents || s.remaining() < size_t{count} * 3)
        return false;
    for (uint16_t i = 0; i < count; ++i) {
        SimEvent e;
        if (!s.ReadU8(e.code) || !s.ReadU8(e.byte2) || !s.ReadU8(e.byte3)) return false;
        st.events.push_back(e);
    }
    if (!ReadBool(s, st.downloadBegun) || !s.ReadU8(st.downloadCount) ||
        !s.ReadU32(st.downloadChecksum) || !s.ReadU16(count) || count > 256)
        return false;
    for (uint16_t i = 0; i < count; ++i) {
        uint8_t number = 0;
        // Ascending, as they are saved, so that a file has one form only.
        if (!s.ReadU8(number) || !s.ReadBytes(1024, raw) ||
            (!st.blocks.empty() && number <= st.blocks.rbegin()->first))
            return false;
        st.blocks[number] = raw;
    }
    if (!s.ReadU8(hasFirst) || hasFirst > 1) return false;
    if (hasFirst && !s.ReadBytes(1024, st.firstBlock)) return false;
    if (s.remaining() != 0) return false;
    out = std::move(st);
    return true;
}

}  // namespace z7
