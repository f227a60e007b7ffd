#include "core/buttons/button_function.h"

#include <gtest/gtest.h>

#include <map>

#include "core/buttons/key_name.h"
#include "core/device/device_image.h"

namespace z7 {
namespace {

// Libraries holding every id a menu can show.
struct FullLibraries {
    std::map<int32_t, MacroData> hotkeys;
    MacroSources sources;
    FullLibraries() {
        for (int32_t id = 0; id <= 997; ++id)
            hotkeys[id] = MacroData{u"hk", id, 1, {{1, 65, 0, 0}}};
        sources.customHotkey = [this](int32_t id) -> const MacroData* {
            auto it = hotkeys.find(id);
            return it == hotkeys.end() ? nullptr : &it->second;
        };
        sources.macro = [](int32_t id) -> std::optional<MacroData> {
            if (id < 0 || id > 997) return std::nullopt;
            return MacroData{u"m", id, 242, {{1, 66, 0, 5}, {}}};
        };
    }
};

ButtonBinding Encoded(int32_t id, int button, const MacroSources& sources = {}) {
    ProfileRecord p;
    EXPECT_NE(EncodeFunction(id, button, p, sources), EncodeResult::InvalidButton);
    return p.buttonBindings[static_cast<size_t>(button)];
}

ButtonBinding Binding(int32_t type, int32_t value, int16_t macroId = 0) {
    return ButtonBinding{0, type, value, macroId, 1};
}

TEST(EncodeFunction, FixedFunctionsGiveTheirTypeAndValueOnEveryButton) {
    struct Case {
        int32_t id, type, value;
    };
    const Case cases[] = {
        {0, 255, 255},   {2101, 0, 1},    {2102, 0, 2},     {2103, 0, 4},     {2104, 0, 8},
        {2105, 0, 16},   {2106, 1, 1},    {2107, 1, 255},   {2108, 1, 2},     {2109, 1, 254},
        {2201, 32, 205}, {2202, 32, 183}, {2203, 32, 182},  {2204, 32, 181},  {2205, 32, 233},
        {2206, 32, 234}, {2207, 32, 226}, {2301, 8, 240},   {2302, 8, 242},   {2303, 8, 0},
        {2304, 8, 1},    {2307, 8, 4},    {2002, 9, 240},   {2003, 9, 242},   {2004, 9, 0},
        {2006, 9, 2},    {2000, 9, 255},  {2001, 9, 255},   {2050, 9, 255},   {3067, 2, 4},
        {3126, 2, 124},  {3011, 2, 43},   {5007, 19, 5},    {6010, 22, 8},    {2110, 255, 255},
        {2208, 32, 255}, {2399, 8, 255},  {2600, 255, 255}, {2715, 255, 255}, {7000, 255, 255},
        {-5, 255, 255},
    };
    for (int button = 0; button < kButtonCount; ++button) {
        for (const Case& c : cases) {
            const ButtonBinding b = Encoded(c.id, button);
            EXPECT_EQ(b.functionType, c.type) << c.id;
            EXPECT_EQ(b.functionValue, c.value) << c.id;
            EXPECT_EQ(b.buttonIndex, button);
        }
    }
}

TEST(EncodeFunction, RestoreFactoryCarriesTheFactoryCodeAndDecodesAsLeftClick) {
    const int32_t codes[kButtonCount] = {1, 2, 4, 16, 8, 240, 242};
    for (int button = 0; button < kButtonCount; ++button) {
        const ButtonBinding b = Encoded(kFunctionRestoreFactory, button);
        EXPECT_EQ(b.functionType, 31);
        EXPECT_EQ(b.functionValue, codes[button]);
        EXPECT_EQ(DecodeBinding(b), 2101);
        // The factory function of the table is the binding a fresh profile holds.
        const FactoryFunction& f = FactoryFunctionOf(button);
        const ButtonBinding factory = Encoded(f.functionId, button);
        EXPECT_EQ(factory, FactoryBinding(button));
        EXPECT_EQ(f.code, codes[button]);
    }
    EXPECT_EQ(FactoryFunctionOf(2).label, u"Middle click");
    EXPECT_EQ(FactoryFunctionOf(3).functionId, 2105);
}

TEST(EncodeFunction, AbsentLibraryItemsFallBackAndKeepTheOldCopy) {
    ProfileRecord p;
    const MacroData old{u"old", 44, 1, {{1, 70, 0, 0}}};
    p.buttonMacros[4] = old;
    p.buttonBindings[4].functionValue = 77;
    FullLibraries libraries;
    MacroSources onlyMacro3;
    onlyMacro3.macro = [](int32_t id) -> std::optional<MacroData> {
        if (id == 3) return MacroData{u"three", 3, 5, {}};
        return std::nullopt;
    };

    EXPECT_EQ(EncodeFunction(4006, 4, p, onlyMacro3), EncodeResult::Fallback);
    EXPECT_EQ(p.buttonBindings[4].functionType, 3);
    EXPECT_EQ(p.buttonBindings[4].functionValue, 8);  // button 5's defaultValue
    EXPECT_EQ(p.buttonBindings[4].macroId, 0);
    EXPECT_EQ(p.buttonMacros[4], old);

    EXPECT_EQ(EncodeFunction(1500, 4, p, {}), EncodeResult::Fallback);
    EXPECT_EQ(p.buttonBindings[4].functionType, 17);
    EXPECT_EQ(p.buttonBindings[4].functionValue, 8);
    EXPECT_EQ(p.buttonMacros[4], old);

    EXPECT_EQ(EncodeFunction(2402, 4, p, libraries.sources), EncodeResult::Fallback);
    EXPECT_EQ(p.buttonBindings[4].functionType, 20);
    EXPECT_EQ(p.buttonBindings[4].functionValue, 8);
    EXPECT_EQ(p.buttonBindings[4].macroId, 0);
    EXPECT_EQ(p.buttonMacros[4], old);

    EXPECT_EQ(EncodeFunction(4005, 4, p, onlyMacro3), EncodeResult::Encoded);
    EXPECT_EQ(p.buttonBindings[4].macroId, 3);
    EXPECT_EQ(p.buttonMacros[4].name, u"three");
}

TEST(EncodeFunction, KeySequencesAndLibraryCopiesReachTheImage) {
    ProfileRecord p;
    FullLibraries libraries;
    ASSERT_EQ(EncodeFunction(1007, 0, p, libraries.sources), EncodeResult::Encoded);
    ASSERT_EQ(EncodeFunction(4010, 1, p, libraries.sources), EncodeResult::Encoded);
    ASSERT_EQ(EncodeFunction(2707, 2, p, libraries.sources), EncodeResult::Encoded);
    ASSERT_EQ(EncodeFunction(2406, 3, p, libraries.sources), EncodeResult::Encoded);
    EXPECT_EQ(p.buttonBindings[0], (ButtonBinding{0, 17, 1, 5, 1}));
    EXPECT_EQ(p.buttonBindings[2], (ButtonBinding{2, 24, 119, 2707, 4}));
    EXPECT_EQ(p.buttonBindings[3], (ButtonBinding{3, 20, 70, 2406, 16}));

    const std::vector<MacroEvent> zoomIn = {
        {1, 162, 0, 0}, {17, 1, 0, 0}, {1, 162, 1, 0}, {17, 1, 1, 0}};
    EXPECT_EQ(p.buttonMacros[2], (MacroData{u"", 2707, 1, zoomIn}));

    DeviceRecord record = BuildDeviceRecord(p);
    const DeviceImage image = BuildImage(record);
    EXPECT_EQ(record.buttons[1].value, 242);  // the macro's repeat mode
    EXPECT_EQ(record.buttons[2].entryCount, 4);
    EXPECT_EQ(record.buttons[3].entryCount, 4);
    EXPECT_EQ(TotalEntries(record), 1u + 2u + 4u + 4u);
    // Left Ctrl goes out as its usage, the wheel step as it is.
    const size_t zoomBlock = record.buttons[2].dataOffset;
    EXPECT_EQ(image[zoomBlock + kEntryCode], 224);
    EXPECT_EQ(image[zoomBlock + kEntrySize + kEntryKind], 17);
    EXPECT_EQ(image[zoomBlock + kEntrySize + kEntryCode], 1);
}

TEST(EncodeFunction, TooLongACopyChangesNothing) {
    ProfileRecord p;
    const ProfileRecord before = p;
    MacroSources sources;
    sources.macro = [](int32_t id) -> std::optional<MacroData> {
        return MacroData{u"long", id, 1, std::vector<MacroEvent>(kMaxBoundMacroEvents + 1)};
    };
    EXPECT_EQ(EncodeFunction(4002, 1, p, sources), EncodeResult::TooManyEvents);
    EXPECT_EQ(p, before);
    EXPECT_EQ(EncodeFunction(2101, 7, p, sources), EncodeResult::InvalidButton);
    EXPECT_EQ(EncodeFunction(2101, -1, p, sources), EncodeResult::InvalidButton);
    EXPECT_EQ(p, before);
}

TEST(BuildKeySequence, PressesInOrderThenReleasesInOrder) {
    const auto copy = BuildKeySequence(2706);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->events, (std::vector<MacroEvent>{{1, 162, 0, 0},
                                                     {1, 160, 0, 0},
                                                     {1, 9, 0, 0},
                                                     {1, 162, 1, 0},
                                                     {1, 160, 1, 0},
                                                     {1, 9, 1, 0}}));
    EXPECT_EQ(BuildKeySequence(2709)->events[1].code, 48);  // the digit, whatever the label says
    EXPECT_EQ(BuildKeySequence(2708)->events[1], (MacroEvent{17, 255, 0, 0}));
    EXPECT_EQ(BuildKeySequence(2403)->events[1].code, 'M');
    for (int32_t id : {2400, 2402, 2404, 2405, 2700, 2715, 2101, 0})
        EXPECT_FALSE(BuildKeySequence(id)) << id;
    for (int32_t id = 2701; id <= 2714; ++id) {
        const auto s = BuildKeySequence(id);
        ASSERT_TRUE(s) << id;
        EXPECT_EQ(s->id, id);
        EXPECT_EQ(s->mode, 1);
        EXPECT_TRUE(s->name.empty());
        EXPECT_TRUE(s->events.size() == 4 || s->events.size() == 6);
        EXPECT_NE(s->events.back(), MacroEvent{});  // no terminator event
    }
}

TEST(DecodeBinding, StoredBindingsGiveTheirIdsAndUnknownValuesGiveLeftClick) {
    struct Case {
        ButtonBinding binding;
        int32_t id;
    };
    const Case cases[] = {
        {Binding(255, 17), 0},
        {Binding(2, 4), 3067},
        {Binding(2, 124), 3126},
        {Binding(2, 72), 3021},
        {Binding(20, 66), 2402},
        {Binding(20, 64), 2101},
        {Binding(31, 16), 2101},
        {Binding(0, 3), 2101},
        {Binding(1, 0), 2101},
        {Binding(8, 5), 2101},
        {Binding(8, 3), 2306},
        {Binding(9, 3), 2101},
        {Binding(24, 124), 2101},
        {Binding(24, 127), 2714},
        {Binding(24, 123), 2711},
        {Binding(32, 0), 2101},
        {Binding(21, 1), 2101},
        {Binding(23, 1), 2101},
        {Binding(3, 99, 7), 4009},
        {Binding(17, 99, 7), 1009},
        {Binding(19, 7), 5009},
        {Binding(22, 7), 6009},
        {Binding(0x109, 240), 2002},
        {Binding(3, 0, -1), 4001},
        {Binding(19, INT32_MAX), static_cast<int32_t>(0x80001389u)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeBinding(c.binding), c.id)
            << c.binding.functionType << "/" << c.binding.functionValue;
}

// Every id the menus can offer comes back from its binding on every button.
TEST(FunctionCatalogue, EveryMenuIdSurvivesEncodeAndDecode) {
    FullLibraries libraries;
    std::vector<int32_t> ids = {0, 2004, 2005, 2006, 2304, 2305, 2306, 2307};
    for (const MenuItem& top : TopLevelMenu())
        for (const MenuItem& item : FixedSubmenu(top.functionId))
            if (item.functionId % 100 != kSettingsEntry) ids.push_back(item.functionId);
    for (int32_t item = 0; item <= 997; ++item)
        for (int32_t header :
             {kCustomHotkeyHeader, kMacroHeader, kShortcutHeader, kTextBlockHeader})
            ids.push_back(header + kLibraryItemBase + item);
    // Bind keys whose code the conversion maps, or leaves alone without meeting a usage.
    for (int vk = 1; vk <= 254; ++vk) {
        const auto code = static_cast<uint16_t>(vk);
        if (VkToHidUsage(code) != code || HidUsageToVk(code) == code) ids.push_back(3002 + vk);
    }
    for (int button = 0; button < kButtonCount; ++button) {
        for (int32_t id : ids) {
            ProfileRecord p;
            ASSERT_EQ(EncodeFunction(id, button, p, libraries.sources), EncodeResult::Encoded)
                << id;
            // Ctrl+Break is stored as Pause, Print as Print Screen.
            const int32_t expected = id == 3005 ? 3021 : id == 3044 ? 3046 : id;
            EXPECT_EQ(DecodeBinding(p.buttonBindings[static_cast<size_t>(button)]), expected) << id;
        }
        // "出厂值" is replaced by the factory function before it is stored; stored as such it
        // reads as left click.
        EXPECT_EQ(DecodeBinding(Encoded(kFunctionRestoreFactory, button)), 2101);
    }
    // Keys whose codes are other keys' usages have usages of their own: Clear is not sent as
    // usage 12 (the letter I), F17 not as 128 (Volume Up).
    EXPECT_EQ(DecodeBinding(Encoded(3002 + 12, 0)), 3002 + 12);
    EXPECT_EQ(DecodeBinding(Encoded(3002 + 128, 0)), 3002 + 128);
}

TEST(FunctionCatalogue, MenusAndLabels) {
    ASSERT_EQ(TopLevelMenu().size(), 13u);
    EXPECT_EQ(TopLevelMenu()[1].label, u"出厂值");
    EXPECT_EQ(TopLevelMenu()[12].functionId, kWindowsHotkeyHeader);
    const auto skype = FixedSubmenu(kSkypeHeader);
    ASSERT_EQ(skype.size(), 3u);
    EXPECT_EQ(skype[1].functionId, 2406);
    EXPECT_EQ(skype[1].label, u"结束通话");
    EXPECT_EQ(FixedSubmenu(kWindowsHotkeyHeader).size(), 14u);
    EXPECT_EQ(FixedSubmenu(kMacroHeader)[0].functionId, 4001);
    EXPECT_EQ(FixedSubmenu(kMacroHeader)[0].label, u"设置");
    EXPECT_TRUE(FixedSubmenu(2500).empty());
    EXPECT_EQ(FunctionLabel(2706), u"浏览器上一个选项卡[Ctrl+Shift+Tab]");
    EXPECT_EQ(ButtonLabel(2706), u"浏览器上一个选项卡");
    EXPECT_EQ(ButtonLabel(2714), u"重做");
    EXPECT_EQ(ButtonLabel(2205), u"音量＋");
    EXPECT_EQ(FunctionLabel(2005), u"CPI 2");
    EXPECT_EQ(FunctionLabel(3001), u"设置");
    EXPECT_TRUE(FunctionLabel(4010).empty());
    EXPECT_EQ(CategoryOf(2105), FunctionCategory::MouseFunction);
    EXPECT_EQ(CategoryOf(2110), FunctionCategory::None);
    EXPECT_EQ(FunctionTypeOf(2106), 1);
}

TEST(StatusTextOf, FirstMatchingRuleDecides) {
    EXPECT_EQ(StatusTextOf(0), u"已停用按键");
    EXPECT_EQ(StatusTextOf(1), u"已将按键指派为鼠标标准功能");
    EXPECT_EQ(StatusTextOf(1002), u"已将按键指派为自定义热键");
    EXPECT_EQ(StatusTextOf(2002), u"指派上CPI键功能");
    EXPECT_EQ(StatusTextOf(2003), u"指派下CPI键功能");
    EXPECT_EQ(StatusTextOf(2004), u"已指派按键为CPI设置");
    EXPECT_EQ(StatusTextOf(3067), u"已将鼠标按键指派为键盘按键");
    EXPECT_EQ(StatusTextOf(4002), u"已将鼠标按键指派为宏功能");
    EXPECT_EQ(StatusTextOf(2103), u"指派滚轮功能");
    EXPECT_EQ(StatusTextOf(2107), u"已将按键指派为鼠标标准功能");
    EXPECT_EQ(StatusTextOf(2207), u"已将按键指派为多媒体热键");
    EXPECT_EQ(StatusTextOf(2304), u"已将按键指派为某个设置档");
    EXPECT_EQ(StatusTextOf(5002), u"已将按键设置为档案，档案夹或网址的热键");
    EXPECT_EQ(StatusTextOf(2500), u"已绑定按键为skype的某个功能");
    EXPECT_EQ(StatusTextOf(2501), u"已将按键指派为鼠标标准功能");
    EXPECT_EQ(StatusTextOf(6002), u"已绑定按键为文字内容");
    EXPECT_EQ(StatusTextOf(2799), u"已绑定按键为windows的某个功能");
    EXPECT_EQ(StatusTextOf(-3), u"已将按键指派为鼠标标准功能");
}

// The last entry a button can name stays inside its category and, for shortcuts and text
// blocks, inside the one byte the mouse reports back; the next one does neither.
TEST(LibraryCapacity, EntriesPastTheLastNameableOneAreNotOffered) {
    struct Case {
        int32_t header;
        int32_t capacity;
    };
    for (const Case c :
         {Case{kCustomHotkeyHeader, 998}, Case{kMacroHeader, 998}, Case{kShortcutHeader, 256},
          Case{kTextBlockHeader, 256}, Case{kAssignKeyHeader, 256}}) {
        SCOPED_TRACE(c.header);
        EXPECT_EQ(LibraryCapacity(c.header), c.capacity);
        const int32_t last = c.capacity - 1;
        EXPECT_TRUE(LibraryItemFits(c.header, 0));
        EXPECT_TRUE(LibraryItemFits(c.header, last));
        EXPECT_FALSE(LibraryItemFits(c.header, last + 1));
        EXPECT_FALSE(LibraryItemFits(c.header, -1));
        EXPECT_EQ(CategoryOf(c.header + kLibraryItemBase + last), CategoryOf(c.header));
    }
    // What the capacity prevents: the next id runs into another category ...
    EXPECT_EQ(CategoryOf(kShortcutHeader + kLibraryItemBase + 998), FunctionCategory::TextBlock);
    EXPECT_EQ(CategoryOf(kCustomHotkeyHeader + kLibraryItemBase + 998), FunctionCategory::Cpi);
    // ... or, for text block 256, reaches the mouse as text block 0.
    EXPECT_EQ(Encoded(kTextBlockHeader + kLibraryItemBase + 256, 4).functionValue & 0xFF, 0);
    EXPECT_EQ(LibraryCapacity(kCpiHeader), 0);
    EXPECT_FALSE(LibraryItemFits(kProfileHeader, 0));
    EXPECT_EQ(LibraryOverflowNote(kTextBlockHeader, 3), u"另有 3 项未列出：按键只能使用前 256 项");
}

TEST(KeyNameOf, NamesFromTheTable) {
    EXPECT_EQ(KeyNameOf(0), u"");
    EXPECT_EQ(KeyNameOf(300), u"");
    EXPECT_EQ(KeyNameOf(3), u"");
    EXPECT_EQ(KeyNameOf(167), u"Browser Forward");
    EXPECT_EQ(KeyNameOf(166), u"Browser Back");
    EXPECT_EQ(KeyNameOf(38), u"UP ARROW ");
    EXPECT_EQ(KeyNameOf(175), u"Volume Up ");
    EXPECT_EQ(KeyNameOf(48), u"0");
    EXPECT_EQ(KeyNameOf(105), u"9");
    EXPECT_EQ(KeyNameOf(90), u"Z");
    EXPECT_EQ(KeyNameOf(112), u"F1");
    EXPECT_EQ(KeyNameOf(121), u"F10");
    EXPECT_EQ(KeyNameOf(135), u"F24");
    EXPECT_EQ(KeyNameOf(136), u"");
    EXPECT_EQ(KeyNameOf(220), u"\\");
    EXPECT_EQ(KeyNameOf(255), u"Fn");
}

}  // namespace
}  // namespace z7
