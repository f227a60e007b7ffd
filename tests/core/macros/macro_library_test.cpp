#include <gtest/gtest.h>

#include "core/buttons/library_list.h"
#include "core/macros/macro_file.h"
#include "core/macros/macro_library.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"

namespace z7 {
namespace {
namespace fsys = std::filesystem;

MacroEventItem Event(uint8_t kind, uint16_t code, uint8_t flag, int32_t delay) {
    MacroEventItem e;
    e.kind = kind;
    e.code = code;
    e.flag = flag;
    e.delay = delay;
    return e;
}

TEST(MacroFile, BytesOfOneEventAndTheLongestDelay) {
    Macro m;
    m.name = u"m";
    m.id = 2;
    m.areaRect = {0, 0, 300, 200};
    m.repeatMode = kRepeatUntilNextKey;
    MacroEventItem e = Event(kEventKindKey, 0x41, kEventFlagRelease, kMaxEventDelayMs);
    e.rowRect = {4, 42, 298, 84};
    e.selected = 1;
    e.sequence = 9;
    m.events = {e};
    const std::vector<uint8_t> expected = {
        1,    0,    0, 0, 'm',  0,                                           // name
        2,    0,    0, 0,                                                    // id
        0,    0,    0, 0, 0,    0,    0,    0, 0x2C, 1, 0, 0, 200, 0, 0, 0,  // areaRect
        0xF2, 0,    0, 0,                                                    // repeatMode
        1,    0,    0, 0,                                                    // count
        1,    0x41, 0, 1, 0x80, 0xEE, 0x36, 0,                               // kind code flag delay
        4,    0,    0, 0, 42,   0,    0,    0, 0x2A, 1, 0, 0, 84,  0, 0, 0,  // rowRect
        1,    0,    0, 0, 9,    0,    0,    0};                              // selected sequence
    const auto bytes = SerializeMacroFile(m);
    EXPECT_EQ(bytes, expected);

    Macro read;
    ASSERT_TRUE(ParseMacroFile(bytes, read));
    EXPECT_EQ(read.events, m.events);
    EXPECT_EQ(read.repeatMode, 0xF2);
    auto copy = MakeKeySequenceCopy(read);
    EXPECT_EQ(copy.events[0].value, 3600000u);
}

TEST(MacroFile, DamagedFilesChangeNothing) {
    Macro m;
    m.name = u"n";
    m.events = {Event(1, 65, 0, 5), Event(1, 65, 1, 0)};
    auto bytes = SerializeMacroFile(m);
    Macro target;
    target.name = u"keep";
    for (size_t cut = 0; cut < bytes.size(); ++cut)
        ASSERT_FALSE(ParseMacroFile(std::span(bytes).first(cut), target)) << cut;
    EXPECT_EQ(target.name, u"keep");
    // A count the file cannot hold is refused before anything is allocated.
    const size_t countAt = 4 + 2 + 4 + 16 + 4;
    bytes[countAt + 3] = 0x7F;
    EXPECT_FALSE(ParseMacroFile(bytes, target));
    // A count with the top bit set means no events, and then nothing may follow it.
    bytes[countAt + 3] = 0x80;
    EXPECT_FALSE(ParseMacroFile(bytes, target));
    ASSERT_TRUE(ParseMacroFile(std::span(bytes).first(countAt + 4), target));
    EXPECT_TRUE(target.events.empty());
}

class MacroLibraryTest : public ::testing::Test {
  protected:
    test::TempDir dir;
    FileSystem& fs = LocalFileSystem();
    MacroLibrary lib = MacroLibrary::ForDataFolder(dir.path());
};

TEST_F(MacroLibraryTest, IdsAreProvisionalUntilTheSave) {
    EXPECT_EQ(lib.NewMacroId(), 0);
    lib.Register(u"a", lib.NewMacroId(), 1);
    lib.Register(u"b", 1, 1);
    EXPECT_EQ(lib.NewMacroId(), 501);
    Macro& c = lib.Register(u"c", lib.NewMacroId(), 3);
    EXPECT_EQ(c.id, 501);
    lib.SetCurrentId(501);
    ASSERT_TRUE(lib.Save(fs, nullptr));
    EXPECT_EQ(lib.currentId(), 2);
    EXPECT_EQ(lib.macros()[2].id, 2);
    EXPECT_EQ(lib.current()->name, u"c");

    MacroLibrary again = MacroLibrary::ForDataFolder(dir.path());
    again.Load(fs);
    ASSERT_EQ(again.macros().size(), 3u);
    EXPECT_EQ(again.macros()[2].repeatMode, 3);
    EXPECT_EQ(again.current(), nullptr);
}

TEST_F(MacroLibraryTest, RegisterUpdateRemoveAndNames) {
    lib.Register(u"newMacro", 0, 1);
    EXPECT_EQ(lib.UniqueMacroName(u"newMacro"), u"newMacro(1)");
    EXPECT_EQ(lib.UniqueMacroName(u"newMacro", 0), u"newMacro")
        << "variant A skips the macro itself";
    lib.Register(u"newMacro(1)", 1, 1);
    EXPECT_EQ(lib.UniqueMacroName(u"newMacro"), u"newMacro(2)");
    lib.Register(u"a(x", 2, 1);
    EXPECT_EQ(lib.UniqueMacroName(u"a(x"), u"a(1)");

    EXPECT_EQ(&lib.Register(u"ignored", 1, 5), lib.FindById(1));
    EXPECT_EQ(lib.macros().size(), 3u) << "an existing id only becomes current";
    lib.Update(1, u"renamed", 242);
    EXPECT_EQ(lib.FindById(1)->name, u"renamed");
    EXPECT_EQ(lib.MakeKeySequenceCopy(1)->mode, 0xF2);

    lib.Register(u"x", 0, 1);  // current: the first macro
    lib.RemoveById(1);
    ASSERT_NE(lib.current(), nullptr);
    EXPECT_EQ(lib.current()->id, 0) << "the current macro survives removals before it";
    lib.RemoveById(0);
    EXPECT_EQ(lib.current(), nullptr);
    EXPECT_FALSE(lib.MakeKeySequenceCopy(0));
}

TEST_F(MacroLibraryTest, ThreeEventsGiveAFourEventCopy) {
    Macro& m = lib.Register(u"m", 0, 1);
    m.events = {Event(1, 65, 0, 10), Event(16, 1, 0, 20), Event(1, 65, 1, 30)};
    auto copy = lib.MakeKeySequenceCopy(0);
    ASSERT_TRUE(copy);
    ASSERT_EQ(copy->events.size(), 4u);
    EXPECT_EQ(copy->events[1], (MacroEvent{16, 1, 0, 20}));
    EXPECT_EQ(copy->events[3], MacroEvent{});
}

TEST_F(MacroLibraryTest, TwoMacrosNamedAlikeAreWrittenAsAAndA1) {
    lib.Register(u"a", 0, 1);
    lib.Register(u"a", 1, 1);
    ASSERT_TRUE(lib.Save(fs, nullptr));
    EXPECT_EQ(lib.macros()[1].name, u"a1");
    EXPECT_TRUE(fsys::exists(lib.folder() / "a.macro"));
    EXPECT_TRUE(fsys::exists(lib.folder() / "a1.macro"));
    std::vector<std::u16string> listed;
    ASSERT_TRUE(ParseLibraryList(test::ReadBytes(lib.folder() / "macroList.dat"), listed));
    EXPECT_EQ(listed.size(), 2u);
    Macro second;
    ASSERT_TRUE(ReadMacroFile(fs, lib.folder() / "a1.macro", second));
    EXPECT_EQ(second.name, u"a1");
    EXPECT_EQ(second.id, 1);
}

TEST_F(MacroLibraryTest, AFailedSaveKeepsIdsAndNames) {
    lib.Register(u"a", 700, 1);
    lib.Register(u"a", 800, 1);
    test::WriteBytes(dir / "blocker", {1});
    lib.SetFolder(dir / "blocker" / "Macros");  // cannot be created
    std::string error;
    EXPECT_FALSE(lib.Save(fs, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(lib.macros()[1].id, 800);
    EXPECT_EQ(lib.macros()[1].name, u"a");
}

}  // namespace
}  // namespace z7
