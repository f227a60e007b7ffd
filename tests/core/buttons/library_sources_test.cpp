#include <gtest/gtest.h>

#include "core/buttons/library_sources.h"
#include "core/device/device_image.h"
#include "core/macros/custom_hotkey_library.h"
#include "core/macros/macro_library.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"

namespace z7 {
namespace {

// From the macro library on disk to the bytes of the button's data block.
TEST(LibrarySources, SavedMacroReachesTheImageWithItsLongestDelay) {
    test::TempDir dir;
    FileSystem& fs = LocalFileSystem();
    MacroLibrary macros = MacroLibrary::ForDataFolder(dir.path());
    Macro& m = macros.Register(u"m", 700, 242);
    m.events.resize(3);
    m.events[0].kind = kEventKindKey;
    m.events[0].code = 'A';
    m.events[0].delay = kMaxEventDelayMs;
    m.events[1].kind = kEventKindMouseButton;
    m.events[1].code = 1;
    m.events[2].kind = kEventKindKey;
    m.events[2].code = 'A';
    m.events[2].flag = kEventFlagRelease;
    ASSERT_TRUE(macros.Save(fs, nullptr));  // id 700 becomes 0
    CustomHotkeyLibrary hotkeys = CustomHotkeyLibrary::ForDataFolder(dir.path());
    ASSERT_TRUE(hotkeys.AddAndSave(fs, u"hk", {.ctrl = true}, 'C', nullptr));

    const MacroSources sources = LoadMacroSources(fs, dir.path());
    ASSERT_NE(sources.customHotkey(0), nullptr);
    EXPECT_EQ(sources.customHotkey(0)->name, u"hk");
    EXPECT_EQ(sources.customHotkey(1), nullptr);
    EXPECT_FALSE(sources.macro(700)) << "ids are those after the save";

    ProfileRecord r = CreateProfileRecord();
    ASSERT_EQ(EncodeFunction(4002, 0, r, sources), EncodeResult::Encoded);
    EXPECT_EQ(r.buttonMacros[0].events.size(), 4u);
    DeviceRecord record = BuildDeviceRecord(r);
    const DeviceImage image = BuildImage(record);
    const std::vector<uint8_t> first(image.begin() + kDataBlockStart,
                                     image.begin() + kDataBlockStart + 7);
    EXPECT_EQ(first, (std::vector<uint8_t>{1, 0x04, 0x00, 0, 0x80, 0xEE, 0x36}));
    const std::vector<uint8_t> closing(image.begin() + kDataBlockStart + 28,
                                       image.begin() + kDataBlockStart + 35);
    EXPECT_EQ(closing, std::vector<uint8_t>(7, 0));
}

// Renumbering maps every binding to its entry's new id; one whose entry is gone gets the
// button's factory function, never another entry.
TEST(LibrarySources, BindingsFollowTheRenumberingOrFallBackToTheFactoryFunction) {
    ProfileRecord r = CreateProfileRecord();
    r.buttonBindings[0] = {0, 19, 3, 0, 1};  // shortcut 3
    r.buttonBindings[1] = {1, 22, 1, 0, 2};  // text block 1, removed
    r.buttonBindings[2] = {2, 3, 1, 4, 4};   // macro 4
    r.buttonMacros[2] = {u"m", 4, 1, {{1, 65, 0, 0}}};
    r.buttonBindings[3] = {3, 17, 1, 2, 16};  // custom hotkey 2
    r.buttonMacros[3] = {u"h", 2, 1, {{1, 65, 0, 0}}};
    const ButtonBinding untouched = r.buttonBindings[4];

    LibraryRenumbering renumbering;
    renumbering.shortcuts = IdMap{{0, 0}, {2, 1}, {3, 2}};
    renumbering.textBlocks = IdMap{{0, 0}, {2, 1}};
    renumbering.macros = IdMap{{4, 0}};
    // No map for the custom hotkeys: that library was not saved, its bindings stay.
    EXPECT_TRUE(RemapBindings(r, renumbering));
    EXPECT_EQ(r.buttonBindings[0].functionValue, 2);
    EXPECT_EQ(r.buttonBindings[1], FactoryBinding(1));
    EXPECT_EQ(r.buttonBindings[2].macroId, 0);
    EXPECT_EQ(r.buttonMacros[2].id, 0) << "the bound copy follows its macro";
    EXPECT_EQ(r.buttonBindings[3].macroId, 2);
    EXPECT_EQ(r.buttonBindings[4], untouched);
    EXPECT_FALSE(RemapBindings(r, {})) << "nothing renumbered, nothing changed";

    renumbering = {};
    renumbering.hotkeys = IdMap{{2, 40000}};  // beyond the binding's 16 bits
    EXPECT_TRUE(RemapBindings(r, renumbering));
    EXPECT_EQ(r.buttonBindings[3], FactoryBinding(3));
}

}  // namespace
}  // namespace z7
