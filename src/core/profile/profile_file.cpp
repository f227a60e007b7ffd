#include "core/profile/profile_file.h"

#include <cstring>

#include "core/profile/data_stream.h"
#include "core/util/text.h"

namespace z7 {

std::optional<std::vector<uint8_t>> SerializeProfile(const ProfileRecord& r) {
    for (const auto& m : r.buttonMacros)
        if (m.events.size() > kMaxBoundMacroEvents) return std::nullopt;

    DataStream s;
    s.WriteBytes(kProfileMagic);
    s.WriteString(r.profileName);
    s.WriteU32(r.inUse);
    s.WriteU8(r.profileSlot);
    s.WriteU8(r.pointerSpeed);
    s.WriteU8(r.pointerAcceleration);
    s.WriteU8(r.snapToDefault);
    s.WriteU32(r.scrollByLines);
    s.WriteU16(r.scrollLines);
    s.WriteU32(r.scrollByPage);
    s.WriteU8(r.doubleClickSpeed);
    s.WriteU32(r.pointerTrails);
    s.WriteU32(r.showPointerOnCtrl);
    s.WriteU8(r.lightSwitch);
    s.WriteU8(r.lightEffect);
    s.WriteU8(r.lightSpeed);
    s.WriteU8(r.lightSleep);
    s.WriteU8(r.lightBrightness);
    s.WriteU8(r.lightSync);
    s.WriteNumberText(static_cast<int32_t>(r.lightColor1));
    s.WriteNumberText(static_cast<int32_t>(r.lightColor2));
    s.WriteU8(r.stepCount);
    s.WriteU8(r.currentStep);
    for (size_t i = 0; i < 3; ++i) {
        s.WriteU32(r.xyLinked[i]);
        s.WriteI16(r.cpiX[i]);
        s.WriteI16(r.cpiY[i]);
    }
    s.WriteU32(r.angleSnapOn);
    s.WriteU8(r.angleSnapLevel);
    s.WriteU32(r.angleTuneOn);
    s.WriteI16(static_cast<int8_t>(r.angleTuneLevel));
    s.WriteU32(r.liftOffOn);
    s.WriteU8(r.liftOffLevel);
    s.WriteU16(r.pollingRate);
    s.WriteU32(r.smoothingOn);
    s.WriteU8(r.surfaceMode);
    for (const auto& b : r.buttonBindings) {
        s.WriteU8(b.buttonIndex);
        s.WriteI32(b.functionType);
        s.WriteI32(b.functionValue);
        s.WriteI16(b.macroId);
    }
    for (const auto& m : r.buttonMacros) {
        s.WriteI32(m.id);
        s.WriteString(m.name);
        s.WriteU8(static_cast<uint8_t>(m.events.size()));
        s.WriteU8(m.mode);
        for (const auto& e : m.events) {
            s.WriteU8(e.kind);
            s.WriteU16(e.code);
            s.WriteU8(e.flag);
            s.WriteU32(e.value);
        }
    }
    return std::vector<uint8_t>(s.bytes().begin(), s.bytes().end());
}

bool ParseProfile(std::span<const uint8_t> bytes, ProfileRecord& record) {
    if (bytes.size() < 4 || std::memcmp(bytes.data(), kProfileMagic, 4) != 0) return false;
    DataStream s(std::vector<uint8_t>(bytes.begin() + 4, bytes.end()));
    // Everything is read into a copy so that a file ending early changes nothing.
    ProfileRecord r = record;
    bool ok = s.ReadString(r.profileName) && s.ReadU32(r.inUse) && s.ReadU8(r.profileSlot) &&
              s.ReadU8(r.pointerSpeed) && s.ReadU8(r.pointerAcceleration) &&
              s.ReadU8(r.snapToDefault) && s.ReadU32(r.scrollByLines) && s.ReadU16(r.scrollLines) &&
              s.ReadU32(r.scrollByPage) && s.ReadU8(r.doubleClickSpeed) &&
              s.ReadU32(r.pointerTrails) && s.ReadU32(r.showPointerOnCtrl) &&
              s.ReadU8(r.lightSwitch) && s.ReadU8(r.lightEffect) && s.ReadU8(r.lightSpeed) &&
              s.ReadU8(r.lightSleep) && s.ReadU8(r.lightBrightness) && s.ReadU8(r.lightSync);
    int32_t color1 = 0, color2 = 0;
    ok = ok && s.ReadNumberText(color1) && s.ReadNumberText(color2) && s.ReadU8(r.stepCount) &&
         s.ReadU8(r.currentStep);
    r.lightColor1 = static_cast<uint32_t>(color1);
    r.lightColor2 = static_cast<uint32_t>(color2);
    for (size_t i = 0; ok && i < 3; ++i)
        ok = s.ReadU32(r.xyLinked[i]) && s.ReadI16(r.cpiX[i]) && s.ReadI16(r.cpiY[i]);
    int16_t tune = 0;
    ok = ok && s.ReadU32(r.angleSnapOn) && s.ReadU8(r.angleSnapLevel) && s.ReadU32(r.angleTuneOn) &&
         s.ReadI16(tune) && s.ReadU32(r.liftOffOn) && s.ReadU8(r.liftOffLevel) &&
         s.ReadU16(r.pollingRate) && s.ReadU32(r.smoothingOn) && s.ReadU8(r.surfaceMode);
    r.angleTuneLevel = static_cast<uint8_t>(tune);
    for (auto& b : r.buttonBindings) {
        if (!ok) break;
        ok = s.ReadU8(b.buttonIndex) && s.ReadI32(b.functionType) && s.ReadI32(b.functionValue) &&
             s.ReadI16(b.macroId);
    }
    for (auto& m : r.buttonMacros) {
        if (!ok) break;
        uint8_t count = 0;
        m.events.clear();
        ok = s.ReadI32(m.id) && s.ReadString(m.name) && s.ReadU8(count) && s.ReadU8(m.mode);
        if (ok && s.remaining() < size_t{count} * 8) ok = false;
        for (int i = 0; ok && i < count; ++i) {
            MacroEvent e;
            ok = s.ReadU8(e.kind) && s.ReadU16(e.code) && s.ReadU8(e.flag) && s.ReadU32(e.value);
            m.events.push_back(e);
        }
    }
    // A file with bytes after the last copy is not one this format wrote.
    if (!ok || s.remaining() != 0) return false;
    record = std::move(r);
    return true;
}

bool WriteProfileFile(FileSystem& fs, const ProfileRecord& record,
                      const std::filesystem::path& path, std::string* error) {
    const auto bytes = SerializeProfile(record);
    if (!bytes) {
        if (error) *error = "a bound macro has more than 255 events";
        return false;
    }
    if (path.has_parent_path() && !fs.CreateDirectories(path.parent_path(), error)) return false;
    return fs.WriteFile(path, *bytes, error);
}

int ReadProfileFile(FileSystem& fs, const std::filesystem::path& path, ProfileRecord& record) {
    std::vector<uint8_t> bytes;
    if (!fs.ReadFile(path, bytes, kMaxProfileFileBytes, nullptr)) return 0;
    return ParseProfile(bytes, record) ? 1 : 0;
}

std::vector<uint8_t> SerializeProfileList(const std::vector<ProfileListEntry>& entries) {
    DataStream s;
    s.WriteU32(static_cast<uint32_t>(entries.size()));
    for (const auto& e : entries) {
        s.WriteU8(e.slot);
        s.WriteString(e.path);
    }
    return std::vector<uint8_t>(s.bytes().begin(), s.bytes().end());
}

bool ParseProfileList(std::span<const uint8_t> bytes, std::vector<ProfileListEntry>& out) {
    DataStream s(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    uint32_t count = 0;
    if (!s.ReadU32(count)) return false;
    // Each entry takes at least five bytes; a larger count is damage.
    if (count > s.remaining() / 5) return false;
    std::vector<ProfileListEntry> entries(count);
    for (auto& e : entries)
        if (!s.ReadU8(e.slot) || !s.ReadString(e.path)) return false;
    if (s.remaining() != 0) return false;
    out = std::move(entries);
    return true;
}

}  // namespace z7
