#include "core/macros/custom_hotkey_library.h"

#include <algorithm>

#include "core/buttons/key_name.h"
#include "core/macros/macro.h"
#include "core/profile/data_stream.h"
#include "core/util/text.h"

namespace z7 {

namespace {
constexpr uint8_t kHotkeyMode = 1;

bool IsModifier(uint16_t code) {
    return code == kVkLeftCtrl || code == kVkLeftShift || code == kVkLeftAlt || code == kVkLeftWin;
}
}  // namespace

bool ParseCustomHotkeyItem(std::span<const uint8_t> bytes, MacroData& out) {
    DataStream s(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    MacroData item;
    uint8_t count = 0;
    if (!s.ReadI32(item.id) || !s.ReadString(item.name) || !s.ReadU8(count) || !s.ReadU8(item.mode))
        return false;
    // Exactly the announced events, and nothing after them.
    if (s.remaining() != size_t{count} * kCustomHotkeyEventBytes) return false;
    item.events.resize(count);
    for (MacroEvent& e : item.events) {
        if (!s.ReadU8(e.kind) || !s.ReadU16(e.code) || !s.ReadU8(e.flag) || !s.ReadU32(e.value))
            return false;
        if ((e.kind != kEventKindKey && e.kind != kEventKindMouseButton &&
             e.kind != kEventKindWheel) ||
            e.flag > kEventFlagRelease)
            return false;
    }
    out = std::move(item);
    return true;
}

std::optional<std::vector<uint8_t>> SerializeCustomHotkeyItem(const MacroData& item) {
    if (item.events.size() > kMaxCustomHotkeyEvents) return std::nullopt;
    DataStream s;
    s.WriteI32(item.id);
    s.WriteString(item.name);
    s.WriteU8(static_cast<uint8_t>(item.events.size()));
    s.WriteU8(item.mode);
    for (const MacroEvent& e : item.events) {
        s.WriteU8(e.kind);
        s.WriteU16(e.code);
        s.WriteU8(e.flag);
        s.WriteU32(e.value);
    }
    return std::vector<uint8_t>(s.bytes().begin(), s.bytes().end());
}

MacroData BuildHotkey(const std::u16string& name, int32_t id, HotkeyModifiers modifiers,
                      uint16_t key) {
    MacroData d;
    d.name = name.empty() ? u"New Hotkey" : name;
    d.id = id;
    d.mode = kHotkeyMode;
    std::vector<uint16_t> codes;
    if (modifiers.ctrl) codes.push_back(kVkLeftCtrl);
    if (modifiers.shift) codes.push_back(kVkLeftShift);
    if (modifiers.alt) codes.push_back(kVkLeftAlt);
    if (modifiers.win) codes.push_back(kVkLeftWin);
    codes.push_back(key);
    for (uint8_t flag : {kEventFlagPress, kEventFlagRelease})
        for (uint16_t c : codes) d.events.push_back({kEventKindKey, c, flag, 0});
    return d;
}

std::u16string ModifierPrefix(HotkeyModifiers m) {
    std::u16string s;
    if (m.ctrl) s += u"CTRL+";
    if (m.shift) s += u"Shift+";
    if (m.alt) s += u"Alt+";
    if (m.win) s += u"Win+";
    return s;
}

std::u16string CombinationText(HotkeyModifiers modifiers, uint16_t key) {
    return ModifierPrefix(modifiers) + std::u16string(KeyNameOf(key));
}

std::u16string NameFromCombination(std::u16string_view text) {
    std::u16string out;
    for (char16_t c : text)
        if (c != u'+') out.push_back(c);
    return out;
}

ImportedHotkey ImportedHotkeyState(const MacroData& record) {
    ImportedHotkey s;
    s.name = record.name;
    s.id = record.id;
    s.keyCount = static_cast<int>(record.events.size());
    if (record.events.size() == 2) {
        s.mainKey = record.events[0].code;
        s.none = !IsModifier(s.mainKey);
        return s;
    }
    for (const MacroEvent& e : record.events) {
        switch (e.code) {
            case kVkLeftCtrl:
                s.modifiers.ctrl = true;
                break;
            case kVkLeftShift:
                s.modifiers.shift = true;
                break;
            case kVkLeftAlt:
                s.modifiers.alt = true;
                break;
            case kVkLeftWin:
                s.modifiers.win = true;
                break;
            default:
                s.mainKey = e.code;
                break;
        }
    }
    return s;
}

const MacroData* CustomHotkeyLibrary::FindById(int32_t id) const {
    for (const auto& e : entries_)
        if (e.id == id) return &e;
    return nullptr;
}

void CustomHotkeyLibrary::Load(FileSystem& fs, bool recover) {
    std::vector<MacroData> loaded;
    loaded_ = ForEachLibraryItem(
        fs, folder_, kCustomHotkeyFormat,
        [&](std::span<const uint8_t> bytes) {
            MacroData e;
            if (!ParseCustomHotkeyItem(bytes, e)) return false;
            loaded.push_back(std::move(e));
            return true;
        },
        recover);
    entries_ = std::move(loaded);
}

bool CustomHotkeyLibrary::Save(FileSystem& fs, int32_t* currentId, std::string* error) {
    std::vector<MacroData> staged = entries_;
    int32_t followed = currentId ? *currentId : 0;
    IdMap map = RenumberIds(staged, currentId ? &followed : nullptr);
    LibraryWriter writer(fs, folder_, kCustomHotkeyFormat, loaded_);
    for (auto& e : staged) {
        if (e.events.size() > kMaxCustomHotkeyEvents) {
            if (error)
                *error = "custom hotkey \"" + Utf16ToUtf8(e.name) + "\" has more than 255 events";
            return false;
        }
        const std::u16string file = writer.Place(e.name);
        writer.Add(file, e.name, *SerializeCustomHotkeyItem(e));
    }
    if (!writer.Commit(error)) return false;
    entries_ = std::move(staged);
    loaded_ = writer.committed();
    renumbering_ = std::move(map);
    if (currentId) *currentId = followed;
    return true;
}

std::optional<CustomHotkeyLibrary::Added> CustomHotkeyLibrary::AddAndSave(
    FileSystem& fs, const std::u16string& name, HotkeyModifiers modifiers, uint16_t key,
    std::string* error) {
    if (key == 0 || name.empty()) {
        if (error) *error = "a custom hotkey needs a key and a name";
        return std::nullopt;
    }
    const int32_t id = ProvisionalId(entries_);
    const std::u16string unique = UniqueName(name, [&](const std::u16string& n) {
        return std::any_of(entries_.begin(), entries_.end(),
                           [&](const MacroData& e) { return e.name == n; });
    });
    MacroData record = BuildHotkey(unique, id, modifiers, key);
    auto same = std::find_if(entries_.begin(), entries_.end(),
                             [&](const MacroData& e) { return e.id == id; });
    if (same != entries_.end())
        *same = record;
    else
        entries_.push_back(record);
    int32_t currentId = id;
    if (!Save(fs, &currentId, error)) return std::nullopt;
    const MacroData* saved = FindById(currentId);
    if (!saved) return std::nullopt;
    return Added{saved->id, saved->name, kCustomHotkeyFunctionBase + saved->id};
}

std::optional<MacroData> CustomHotkeyLibrary::Import(FileSystem& fs,
                                                     const std::filesystem::path& file) {
    auto bytes = ReadItemFile(fs, file, kCustomHotkeyFormat.maxItemBytes);
    MacroData e;
    if (!bytes || !ParseCustomHotkeyItem(*bytes, e)) return std::nullopt;
    return e;
}

void CustomHotkeyLibrary::Delete(FileSystem& fs, int32_t id, const std::u16string& name,
                                 const std::filesystem::path& importedFile) {
    DeleteImportedFile(fs, importedFile, folder_);
    std::erase_if(entries_, [&](const MacroData& e) { return e.id == id && e.name == name; });
}

bool IsModifierKey(uint16_t vk) {
    switch (vk) {
        case 16:
        case 17:
        case 18:
        case kVkLeftShift:
        case 161:
        case kVkLeftCtrl:
        case 163:
        case kVkLeftAlt:
        case 165:
        case kVkLeftWin:
        case 92:
            return true;
        default:
            return false;
    }
}

}  // namespace z7
