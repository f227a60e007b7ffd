#include "core/buttons/button_function.h"

#include <array>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/device/device_image.h"

namespace z7 {
namespace {

struct Range {
    int32_t first, last;
    FunctionCategory category;
    int32_t type;
};

// Tested in this order; the first match decides.
constexpr Range kRanges[] = {
    {0, 0, FunctionCategory::Disabled, 255},
    {1, 1, FunctionCategory::RestoreFactory, 31},
    {1000, 1999, FunctionCategory::CustomHotkey, 17},
    {2000, 2099, FunctionCategory::Cpi, 9},
    {3000, 3999, FunctionCategory::AssignKey, 2},
    {4000, 4999, FunctionCategory::Macro, 3},
    {2100, 2105, FunctionCategory::MouseFunction, 0},
    {2106, 2109, FunctionCategory::MouseFunction, 1},
    {2200, 2299, FunctionCategory::Multimedia, 32},
    {2300, 2399, FunctionCategory::Profile, 8},
    {5000, 5999, FunctionCategory::Shortcut, 19},
    {2400, 2499, FunctionCategory::Skype, 20},
    {6000, 6999, FunctionCategory::TextBlock, 22},
    {2700, 2714, FunctionCategory::WindowsHotkey, 24},
};

struct Fixed {
    int32_t functionId;
    int32_t value;
    std::u16string_view label;       // menu text
    std::u16string_view shortLabel;  // button text when it differs
};

constexpr Fixed kFixed[] = {
    {2101, 1, u"左击", {}},
    {2102, 2, u"右击", {}},
    {2103, 4, u"中键", {}},
    {2104, 8, u"退后", {}},
    {2105, 16, u"前进", {}},
    {2106, 1, u"向上滚动", {}},
    {2107, 255, u"向下滚动", {}},
    {2108, 2, u"向左滚动", {}},
    {2109, 254, u"向右滚动", {}},
    {2201, 205, u"播放/暂停", {}},
    {2202, 183, u"停止", {}},
    {2203, 182, u"上一曲", {}},
    {2204, 181, u"下一曲", {}},
    {2205, 233, u"音量＋", {}},
    {2206, 234, u"音量－", {}},
    {2207, 226, u"静音", {}},
    {2301, 240, u"上一个配置", {}},
    {2302, 242, u"下一个配置", {}},
    {2303, 0, u"出厂配置", {}},
    // User profiles: the menu shows the profile's name.
    {2304, 1, {}, {}},
    {2305, 2, {}, {}},
    {2306, 3, {}, {}},
    {2307, 4, {}, {}},
    {2000, 255, u"CPI", {}},
    {2001, 255, u"设置", {}},
    {2002, 240, u"CPI +", {}},
    {2003, 242, u"CPI -", {}},
    {2004, 0, u"CPI 1", {}},
    {2005, 1, u"CPI 2", {}},
    {2006, 2, u"CPI 3", {}},
    {2401, 65, u"开始通话", {}},
    {2402, 66, {}, {}},
    {2403, 67, u"话筒静音", {}},
    {2404, 68, {}, {}},
    {2405, 69, {}, {}},
    {2406, 70, u"结束通话", {}},
    {2701, 113, u"关闭视窗[Alt + F4]", u"关闭视窗"},
    {2702, 114, u"最大化窗口[Alt+Space then X]", u"最大化窗口"},
    {2703, 115, u"最小化窗口[Alt+Space then N]", u"最小化窗口"},
    {2704, 116, u"显示桌面[Windows key + D]", u"显示桌面"},
    {2705, 117, u"浏览器下一个选项卡[Ctrl + Tab]", u"浏览器下一个选项卡"},
    {2706, 118, u"浏览器上一个选项卡[Ctrl+Shift+Tab]", u"浏览器上一个选项卡"},
    {2707, 119, u"放大[Ctrl+Mouse scroll]", u"放大"},
    {2708, 120, u"缩小[Ctrl+Mouse scroll]", u"缩小"},
    {2709, 121, u"恢复默认缩放[Ctrl + O]", u"恢复默认缩放"},
    {2710, 122, u"复制[Ctrl + C]", u"复制"},
    {2711, 123, u"贴上[Ctrl + V]", u"贴上"},
    {2712, 125, u"剪切[Ctrl + X]", u"剪切"},
    {2713, 126, u"复原[Ctrl + Z]", u"复原"},
    {2714, 127, u"重做[Ctrl + Y]", u"重做"},
};

const Fixed* FindFixed(int32_t functionId) {
    for (const Fixed& f : kFixed)
        if (f.functionId == functionId) return &f;
    return nullptr;
}

int32_t FixedValueOr255(int32_t functionId) {
    const Fixed* f = FindFixed(functionId);
    return f ? f->value : 255;
}

constexpr MenuItem kTopLevel[] = {
    {0, u"屏蔽功能"},       {1, u"出厂值"},    {1000, u"自定义热键"}, {2000, u"CPI"},
    {3000, u"指派按键"},    {4000, u"宏功能"}, {2100, u"鼠标功能"},   {2200, u"多媒体热键"},
    {2300, u"配置"},        {5000, u"快捷键"}, {2400, u"Skype"},      {6000, u"文本块"},
    {2700, u"Windows热键"},
};

constexpr std::u16string_view kSettingsLabel = u"设置";

// A submenu in menu order, its labels taken from the fixed table.
std::vector<MenuItem> MakeMenu(std::initializer_list<int32_t> ids) {
    std::vector<MenuItem> items;
    for (int32_t id : ids) {
        const Fixed* f = FindFixed(id);
        items.push_back({id, f ? f->label : kSettingsLabel});
    }
    return items;
}

constexpr FactoryFunction kFactory[kButtonCount] = {
    {2101, u"左击", 0, 1},    {2102, u"右击", 0, 2}, {2103, u"Middle click", 0, 4},
    {2105, u"前进", 0, 16},   {2104, u"退后", 0, 8}, {2002, u"CPI +", 9, 240},
    {2003, u"CPI -", 9, 242},
};

// Key sequences: up to three keys pressed in order, then released in the same order.
constexpr uint8_t kKindKey = 1;
constexpr uint8_t kKindWheel = 17;
constexpr uint8_t kFlagPress = 0;
constexpr uint8_t kFlagRelease = 1;
constexpr uint8_t kSequenceMode = 1;
constexpr uint16_t kVkLeftAlt = 164, kVkLeftCtrl = 162, kVkLeftShift = 160, kVkLeftWin = 91;
constexpr uint16_t kWheelUp = 1, kWheelDown = 255;

struct SequenceKey {
    uint8_t kind;
    uint16_t code;
};
struct Sequence {
    int32_t functionId;
    std::array<SequenceKey, 3> keys;
    size_t count;
};

constexpr SequenceKey Key(uint16_t vk) {
    return {kKindKey, vk};
}
constexpr SequenceKey Wheel(uint16_t step) {
    return {kKindWheel, step};
}

constexpr Sequence kSequences[] = {
    {2401, {Key(kVkLeftAlt), Key(33)}, 2},
    {2403, {Key(kVkLeftCtrl), Key('M')}, 2},
    {2406, {Key(kVkLeftAlt), Key(34)}, 2},
    {2701, {Key(kVkLeftAlt), Key(115)}, 2},
    {2702, {Key(kVkLeftAlt), Key(' '), Key('X')}, 3},
    {2703, {Key(kVkLeftAlt), Key(' '), Key('N')}, 3},
    {2704, {Key(kVkLeftWin), Key('D')}, 2},
    {2705, {Key(kVkLeftCtrl), Key(9)}, 2},
    {2706, {Key(kVkLeftCtrl), Key(kVkLeftShift), Key(9)}, 3},
    {2707, {Key(kVkLeftCtrl), Wheel(kWheelUp)}, 2},
    {2708, {Key(kVkLeftCtrl), Wheel(kWheelDown)}, 2},
    {2709, {Key(kVkLeftCtrl), Key('0')}, 2},  // the label says O; the digit is what is sent
    {2710, {Key(kVkLeftCtrl), Key('C')}, 2},
    {2711, {Key(kVkLeftCtrl), Key('V')}, 2},
    {2712, {Key(kVkLeftCtrl), Key('X')}, 2},
    {2713, {Key(kVkLeftCtrl), Key('Z')}, 2},
    {2714, {Key(kVkLeftCtrl), Key('Y')}, 2},
};

// Offsets of library items from their ids, with wrap-around rather than overflow for values
// read from damaged files.
int32_t Offset(int32_t value, int32_t base) {
    return static_cast<int32_t>(static_cast<uint32_t>(value) + static_cast<uint32_t>(base));
}

}  // namespace

FunctionCategory CategoryOf(int32_t functionId) {
    for (const Range& r : kRanges)
        if (functionId >= r.first && functionId <= r.last) return r.category;
    return FunctionCategory::None;
}

int32_t FunctionTypeOf(int32_t functionId) {
    for (const Range& r : kRanges)
        if (functionId >= r.first && functionId <= r.last) return r.type;
    return 255;
}

std::optional<MacroData> BuildKeySequence(int32_t functionId) {
    for (const Sequence& s : kSequences) {
        if (s.functionId != functionId) continue;
        MacroData data;
        data.id = functionId;
        data.mode = kSequenceMode;
        for (size_t i = 0; i < s.count; ++i)
            data.events.push_back({s.keys[i].kind, s.keys[i].code, kFlagPress, 0});
        for (size_t i = 0; i < s.count; ++i)
            data.events.push_back({s.keys[i].kind, s.keys[i].code, kFlagRelease, 0});
        return data;
    }
    return std::nullopt;
}

EncodeResult EncodeFunction(int32_t functionId, int button, ProfileRecord& record,
                            const MacroSources& sources) {
    if (button < 0 || button >= kButtonCount) return EncodeResult::InvalidButton;
    const auto index = static_cast<size_t>(button);
    ButtonBinding b = record.buttonBindings[index];
    b.buttonIndex = static_cast<uint8_t>(button);
    b.functionType = FunctionTypeOf(functionId);
    bool carriesSequence = false;
    std::optional<MacroData> sequence;
    switch (CategoryOf(functionId)) {
        case FunctionCategory::Disabled:
        case FunctionCategory::None:
            b.functionValue = 255;
            break;
        case FunctionCategory::RestoreFactory:
            b.functionValue = FactoryFunctionOf(button).code;
            break;
        case FunctionCategory::CustomHotkey: {
            const int32_t id = functionId - kCustomHotkeyHeader - kLibraryItemBase;
            b.functionValue = 1;
            b.macroId = static_cast<int16_t>(id);
            carriesSequence = true;
            if (sources.customHotkey)
                if (const MacroData* hotkey = sources.customHotkey(id)) sequence = *hotkey;
            break;
        }
        case FunctionCategory::Macro: {
            const int32_t id = functionId - kMacroHeader - kLibraryItemBase;
            b.macroId = static_cast<int16_t>(id);
            carriesSequence = true;
            if (sources.macro) sequence = sources.macro(id);
            break;
        }
        case FunctionCategory::AssignKey:
            b.functionValue = VkToHidUsage(
                static_cast<uint16_t>(functionId - kAssignKeyHeader - kLibraryItemBase));
            break;
        case FunctionCategory::Cpi:
        case FunctionCategory::MouseFunction:
        case FunctionCategory::Multimedia:
        case FunctionCategory::Profile:
            b.functionValue = FixedValueOr255(functionId);
            break;
        case FunctionCategory::Shortcut:
            b.functionValue = functionId - kShortcutHeader - kLibraryItemBase;
            break;
        case FunctionCategory::TextBlock:
            b.functionValue = functionId - kTextBlockHeader - kLibraryItemBase;
            break;
        case FunctionCategory::Skype:
        case FunctionCategory::WindowsHotkey:
            b.functionValue = FixedValueOr255(functionId);
            b.macroId = static_cast<int16_t>(functionId);
            carriesSequence = true;
            sequence = BuildKeySequence(functionId);
            break;
    }
    const ButtonBinding before = record.buttonBindings[index];
    ButtonBinding& binding = record.buttonBindings[index];
    binding = b;
    if (!carriesSequence) return EncodeResult::Encoded;
    switch (BindMacro(sequence ? &*sequence : nullptr, binding, record)) {
        case BindResult::Bound:
            return EncodeResult::Encoded;
        case BindResult::Unbound:
            return EncodeResult::Fallback;
        case BindResult::TooManyEvents:
            break;
    }
    binding = before;
    return EncodeResult::TooManyEvents;
}

int32_t DecodeBinding(const ButtonBinding& binding) {
    const auto type = static_cast<uint8_t>(binding.functionType);
    const int32_t lookup =
        type == 3 || type == 17 ? static_cast<int32_t>(binding.macroId) : binding.functionValue;
    switch (type) {
        case 0:
            switch (lookup) {
                case 2:
                    return 2102;
                case 4:
                    return 2103;
                case 8:
                    return 2104;
                case 16:
                    return 2105;
                default:
                    return 2101;
            }
        case 1:
            switch (lookup) {
                case 1:
                    return 2106;
                case 2:
                    return 2108;
                case 254:
                    return 2109;
                case 255:
                    return 2107;
                default:
                    return 2101;
            }
        case 2:
            return kAssignKeyHeader + kLibraryItemBase +
                   HidUsageToVk(static_cast<uint16_t>(lookup));
        case 3:
            return Offset(lookup, kMacroHeader + kLibraryItemBase);
        case 17:
            return Offset(lookup, kCustomHotkeyHeader + kLibraryItemBase);
        case 19:
            return Offset(lookup, kShortcutHeader + kLibraryItemBase);
        case 22:
            return Offset(lookup, kTextBlockHeader + kLibraryItemBase);
        case 8:
            if (lookup >= 0 && lookup <= 4) return 2303 + lookup;
            if (lookup == 240) return 2301;
            if (lookup == 242) return 2302;
            return 2101;
        case 9:
            if (lookup >= 0 && lookup <= 2) return 2004 + lookup;
            if (lookup == 240) return 2002;
            if (lookup == 242) return 2003;
            return 2101;
        case 20:
            return lookup >= 65 && lookup <= 70 ? 2401 + (lookup - 65) : 2101;
        case 24:
            if (lookup >= 113 && lookup <= 123) return 2701 + (lookup - 113);
            if (lookup >= 125 && lookup <= 127) return 2712 + (lookup - 125);
            return 2101;
        case 32:
            switch (lookup) {
                case 205:
                    return 2201;
                case 183:
                    return 2202;
                case 182:
                    return 2203;
                case 181:
                    return 2204;
                case 233:
                    return 2205;
                case 234:
                    return 2206;
                case 226:
                    return 2207;
                default:
                    return 2101;
            }
        case 255:
            return 0;
        default:
            return 2101;
    }
}

std::u16string_view StatusTextOf(int32_t id) {
    constexpr std::u16string_view kStandard = u"已将按键指派为鼠标标准功能";
    if (id == 0) return u"已停用按键";
    if (id >= 1 && id <= 999) return kStandard;
    if (id >= 1000 && id <= 1999) return u"已将按键指派为自定义热键";
    if (id == 2002) return u"指派上CPI键功能";
    if (id == 2003) return u"指派下CPI键功能";
    if (id >= 2000 && id <= 2099) return u"已指派按键为CPI设置";
    if (id >= 3000 && id <= 3999) return u"已将鼠标按键指派为键盘按键";
    if (id >= 4000 && id <= 4999) return u"已将鼠标按键指派为宏功能";
    switch (id) {
        case 2101:
            return u"指派左键功能";
        case 2102:
            return u"指派右键功能";
        case 2103:
            return u"指派滚轮功能";
        case 2104:
            return u"指派后退键功能";
        case 2105:
            return u"指派前进键功能";
        default:
            break;
    }
    if (id >= 2100 && id <= 2199) return kStandard;
    if (id >= 2200 && id <= 2299) return u"已将按键指派为多媒体热键";
    if (id >= 2300 && id <= 2399) return u"已将按键指派为某个设置档";
    if (id >= 5000 && id <= 5999) return u"已将按键设置为档案，档案夹或网址的热键";
    if (id >= 2400 && id <= 2500) return u"已绑定按键为skype的某个功能";
    if (id >= 6000 && id <= 6999) return u"已绑定按键为文字内容";
    if (id >= 2700 && id <= 2799) return u"已绑定按键为windows的某个功能";
    return kStandard;
}

std::span<const MenuItem> TopLevelMenu() {
    return kTopLevel;
}

std::span<const MenuItem> FixedSubmenu(int32_t header) {
    static const std::vector<MenuItem> kHotkeys = MakeMenu({1001});
    static const std::vector<MenuItem> kKeys = MakeMenu({3001});
    static const std::vector<MenuItem> kMacros = MakeMenu({4001});
    static const std::vector<MenuItem> kShortcuts = MakeMenu({5001});
    static const std::vector<MenuItem> kTextBlocks = MakeMenu({6001});
    static const std::vector<MenuItem> kCpi = MakeMenu({2001, 2002, 2003});
    static const std::vector<MenuItem> kMouse =
        MakeMenu({2101, 2102, 2103, 2104, 2105, 2106, 2107, 2108, 2109});
    static const std::vector<MenuItem> kMultimedia =
        MakeMenu({2201, 2202, 2203, 2204, 2205, 2206, 2207});
    static const std::vector<MenuItem> kProfiles = MakeMenu({2301, 2302, 2303});
    static const std::vector<MenuItem> kSkype = MakeMenu({2401, 2406, 2403});
    static const std::vector<MenuItem> kWindows = MakeMenu(
        {2701, 2702, 2703, 2704, 2705, 2706, 2707, 2708, 2709, 2710, 2711, 2712, 2713, 2714});
    switch (header) {
        case kCustomHotkeyHeader:
            return kHotkeys;
        case kAssignKeyHeader:
            return kKeys;
        case kMacroHeader:
            return kMacros;
        case kShortcutHeader:
            return kShortcuts;
        case kTextBlockHeader:
            return kTextBlocks;
        case kCpiHeader:
            return kCpi;
        case kMouseFunctionHeader:
            return kMouse;
        case kMultimediaHeader:
            return kMultimedia;
        case kProfileHeader:
            return kProfiles;
        case kSkypeHeader:
            return kSkype;
        case kWindowsHotkeyHeader:
            return kWindows;
        default:
            return {};
    }
}

std::u16string_view FunctionLabel(int32_t functionId) {
    for (const MenuItem& item : kTopLevel)
        if (item.functionId == functionId) return item.label;
    if (const Fixed* f = FindFixed(functionId)) return f->label;
    switch (functionId) {
        case kCustomHotkeyHeader + kSettingsEntry:
        case kAssignKeyHeader + kSettingsEntry:
        case kMacroHeader + kSettingsEntry:
        case kShortcutHeader + kSettingsEntry:
        case kTextBlockHeader + kSettingsEntry:
            return kSettingsLabel;
        default:
            return {};
    }
}

std::u16string_view ButtonLabel(int32_t functionId) {
    if (const Fixed* f = FindFixed(functionId); f && !f->shortLabel.empty()) return f->shortLabel;
    return FunctionLabel(functionId);
}

int32_t LibraryCapacity(int32_t header) {
    switch (header) {
        case kCustomHotkeyHeader:
        case kMacroHeader:
            return 1000 - kLibraryItemBase;
        case kAssignKeyHeader:
        case kShortcutHeader:
        case kTextBlockHeader:
            return 256;
        default:
            return 0;
    }
}

bool LibraryItemFits(int32_t header, int32_t key) {
    return key >= 0 && key < LibraryCapacity(header);
}

std::u16string LibraryOverflowNote(int32_t header, size_t leftOut) {
    std::u16string note = u"另有 ";
    for (char c : std::to_string(leftOut)) note += static_cast<char16_t>(c);
    note += u" 项未列出：按键只能使用前 ";
    for (char c : std::to_string(LibraryCapacity(header))) note += static_cast<char16_t>(c);
    note += u" 项";
    return note;
}

const FactoryFunction& FactoryFunctionOf(int button) {
    return kFactory[button >= 0 && button < kButtonCount ? button : 0];
}

}  // namespace z7
