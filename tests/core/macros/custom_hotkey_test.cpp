#include <gtest/gtest.h>

#include "core/macros/custom_hotkey_library.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"

namespace z7 {
namespace {
namespace fsys = std::filesystem;

constexpr uint16_t kVkF5 = 0x74;

std::vector<std::pair<uint16_t, uint8_t>> Keys(const MacroData& d) {
    std::vector<std::pair<uint16_t, uint8_t>> k;
    for (const auto& e : d.events) k.push_back({e.code, e.flag});
    return k;
}

TEST(CustomHotkey, RecordFromModifiersAndKey) {
    const HotkeyModifiers ctrlAlt{.ctrl = true, .alt = true};
    const MacroData d = BuildHotkey(u"", 3, ctrlAlt, kVkF5);
    EXPECT_EQ(d.name, u"New Hotkey");
    EXPECT_EQ(d.mode, 1);
    EXPECT_EQ(Keys(d), (std::vector<std::pair<uint16_t, uint8_t>>{
                           {162, 0}, {164, 0}, {kVkF5, 0}, {162, 1}, {164, 1}, {kVkF5, 1}}));
    const std::u16string text = CombinationText(ctrlAlt, kVkF5);
    EXPECT_EQ(text, u"CTRL+Alt+F5");
    EXPECT_EQ(NameFromCombination(text), u"CTRLAltF5");
    EXPECT_EQ(BuildHotkey(u"a", 0, {}, 'A').events.size(), 2u);
    EXPECT_EQ(ModifierPrefix({true, true, true, true}), u"CTRL+Shift+Alt+Win+");
}

TEST(CustomHotkey, FileBytesWithTenEvents) {
    MacroData d = BuildHotkey(u"k", 1, {true, true, true, true}, 'K');
    ASSERT_EQ(d.events.size(), 10u);
    const auto bytes = *SerializeCustomHotkeyItem(d);
    EXPECT_EQ(bytes.size(), 4u + 4 + 2 + 1 + 1 + 10 * 8);
    EXPECT_EQ(bytes[10], 10) << "count byte";
    EXPECT_EQ(bytes[11], 1) << "mode";
    const std::vector<uint8_t> first = {1, 162, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 12, bytes.begin() + 20), first);
    MacroData read;
    ASSERT_TRUE(ParseCustomHotkeyItem(bytes, read));
    EXPECT_EQ(read, d);
    for (size_t cut = 0; cut < bytes.size(); ++cut)
        EXPECT_FALSE(ParseCustomHotkeyItem(std::span(bytes).first(cut), read));
    d.events.resize(256);
    EXPECT_FALSE(SerializeCustomHotkeyItem(d));
}

TEST(CustomHotkey, ImportRule) {
    MacroData two = BuildHotkey(u"A", 4, {}, 'A');
    ImportedHotkey s = ImportedHotkeyState(two);
    EXPECT_TRUE(s.none);
    EXPECT_EQ(s.mainKey, 'A');
    EXPECT_EQ(s.keyCount, 2);
    EXPECT_EQ(s.id, 4);
    two.events[0].code = 162;
    EXPECT_FALSE(ImportedHotkeyState(two).none);

    s = ImportedHotkeyState(BuildHotkey(u"x", 0, {.shift = true, .win = true}, kVkF5));
    EXPECT_EQ(s.modifiers, (HotkeyModifiers{.shift = true, .win = true}));
    EXPECT_FALSE(s.none);
    EXPECT_EQ(s.mainKey, kVkF5);
    EXPECT_EQ(s.keyCount, 6);
}

TEST(CustomHotkey, SaveRenumbersAndMakesNamesUnique) {
    test::TempDir dir;
    FileSystem& fs = LocalFileSystem();
    CustomHotkeyLibrary lib = CustomHotkeyLibrary::ForDataFolder(dir.path());
    auto a = lib.AddAndSave(fs, u"hk", {.ctrl = true}, 'A', nullptr);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->id, 0);
    EXPECT_EQ(a->functionId, 1002);
    auto b = lib.AddAndSave(fs, u"hk", {.alt = true}, 'B', nullptr);
    EXPECT_EQ(b->id, 1);
    EXPECT_EQ(b->name, u"hk(1)");
    EXPECT_EQ(b->functionId, 1003);
    EXPECT_FALSE(lib.AddAndSave(fs, u"hk", {}, 0, nullptr)) << "no key captured";
    EXPECT_TRUE(fsys::exists(lib.folder() / "CKeyList.dat"));

    CustomHotkeyLibrary again = CustomHotkeyLibrary::ForDataFolder(dir.path());
    again.Load(fs);
    ASSERT_EQ(again.entries().size(), 2u);
    ASSERT_NE(again.FindById(1), nullptr);
    EXPECT_EQ(again.FindById(1)->events[0].code, kVkLeftAlt);

    again.Delete(fs, 1, u"other", {});
    EXPECT_EQ(again.entries().size(), 2u) << "id and name must both match";
    again.Delete(fs, 1, u"hk(1)", again.folder() / "hk(1).ckey");
    EXPECT_EQ(again.entries().size(), 1u);
    EXPECT_FALSE(fsys::exists(again.folder() / "hk(1).ckey"));
}

}  // namespace
}  // namespace z7
