#include "core/macros/macro_file.h"

#include "core/buttons/library_list.h"
#include "core/profile/data_stream.h"

namespace z7 {

namespace {
constexpr uint32_t kNoEventsBit = 0x80000000u;

bool IsRepeatMode(int32_t mode) {
    return (mode >= 1 && mode <= 5) || mode == kRepeatWhileHeld || mode == kRepeatUntilNextKey;
}

bool ReadRect(DataStream& s, Rect& r) {
    return s.ReadI32(r.left) && s.ReadI32(r.top) && s.ReadI32(r.right) && s.ReadI32(r.bottom);
}

void WriteRect(DataStream& s, const Rect& r) {
    s.WriteI32(r.left);
    s.WriteI32(r.top);
    s.WriteI32(r.right);
    s.WriteI32(r.bottom);
}
}  // namespace

bool ParseMacroFile(std::span<const uint8_t> bytes, Macro& macro) {
    DataStream s(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    std::u16string name;
    int32_t id = 0, repeatMode = 0;
    Rect area;
    uint32_t count = 0;
    if (!s.ReadString(name) || !s.ReadI32(id) || !ReadRect(s, area) || !s.ReadI32(repeatMode) ||
        !s.ReadU32(count))
        return false;
    if (!IsRepeatMode(repeatMode)) return false;
    // Exactly the announced events (none for a count with the top bit), nothing after them.
    const size_t n = (count & kNoEventsBit) == 0 ? count : 0;
    if (s.remaining() / kMacroEventBytes < n || s.remaining() != n * kMacroEventBytes) return false;
    std::vector<MacroEventItem> events(n);
    for (MacroEventItem& e : events) {
        if (!s.ReadU8(e.kind) || !s.ReadU16(e.code) || !s.ReadU8(e.flag) || !s.ReadI32(e.delay) ||
            !ReadRect(s, e.rowRect) || !s.ReadI32(e.selected) || !s.ReadI32(e.sequence))
            return false;
        if ((e.kind != kEventKindKey && e.kind != kEventKindMouseButton) ||
            e.flag > kEventFlagRelease)
            return false;
    }
    macro.name = std::move(name);
    macro.id = id;
    macro.areaRect = area;
    macro.repeatMode = repeatMode;
    macro.events = std::move(events);
    return true;
}

std::vector<uint8_t> SerializeMacroFile(const Macro& macro) {
    DataStream s;
    s.WriteString(macro.name);
    s.WriteI32(macro.id);
    WriteRect(s, macro.areaRect);
    s.WriteI32(macro.repeatMode);
    s.WriteU32(static_cast<uint32_t>(macro.events.size()));
    for (const MacroEventItem& e : macro.events) {
        s.WriteU8(e.kind);
        s.WriteU16(e.code);
        s.WriteU8(e.flag);
        s.WriteI32(e.delay);
        WriteRect(s, e.rowRect);
        s.WriteI32(e.selected);
        s.WriteI32(e.sequence);
    }
    return {s.bytes().begin(), s.bytes().end()};
}

bool ReadMacroFile(FileSystem& fs, const std::filesystem::path& path, Macro& macro) {
    auto bytes = ReadItemFile(fs, path, kMacroFormat.maxItemBytes);
    return bytes && ParseMacroFile(*bytes, macro);
}

bool WriteMacroFile(FileSystem& fs, const std::filesystem::path& path, const Macro& macro,
                    std::string* error) {
    return fs.WriteFile(path, SerializeMacroFile(macro), error);
}

}  // namespace z7
