#include <gtest/gtest.h>

#include "core/buttons/bind_key_library.h"
#include "core/buttons/host_action.h"
#include "core/buttons/shortcut_library.h"
#include "core/buttons/text_block_library.h"
#include "platform/fake/recording_host_actions.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"

namespace z7 {
namespace {
namespace fsys = std::filesystem;

TEST(BindKeyLibrary, AddReplacesByKeyAndSuffixesClashingNames) {
    BindKeyLibrary lib("unused");
    EXPECT_EQ(lib.Add(65, u"A"), 0u);
    lib.entries() = {{66, u"B"}, {65, u"A"}, {67, u"C"}};
    EXPECT_EQ(lib.Add(65, u"Fire"), 1u);
    EXPECT_EQ(lib.entries()[1], (BindKeyEntry{65, u"Fire"})) << "replaced in place";

    lib.entries() = {{66, u"N"}, {67, u"M"}};
    EXPECT_EQ(lib.Add(65, u"N"), 2u);
    EXPECT_EQ(lib.entries().back(), (BindKeyEntry{65, u"N(2)"}));

    // The clash comes before the entry with the same key, which therefore stays; the position
    // returned is the new entry's, not that of the other entry with the key.
    lib.entries() = {{66, u"N"}, {65, u"M"}};
    EXPECT_EQ(lib.Add(65, u"N"), 2u);
    EXPECT_EQ(lib.entries(), (std::vector<BindKeyEntry>{{66, u"N"}, {65, u"M"}, {65, u"N(1)"}}));
}

TEST(BindKeyLibrary, ItemFileBytes) {
    const std::vector<uint8_t> expected = {1, 0, 0, 0, 'A', 0, 65, 0, 0, 0};
    EXPECT_EQ(SerializeBindKeyItem({65, u"A"}), expected);
    BindKeyEntry e{1, u"keep"};
    EXPECT_FALSE(ParseBindKeyItem(std::vector<uint8_t>(expected.begin(), expected.end() - 1), e));
    EXPECT_EQ(e, (BindKeyEntry{1, u"keep"}));
}

TEST(ShortcutLibrary, TargetClassification) {
    test::TempDir dir;
    FileSystem& fs = LocalFileSystem();
    std::u16string t = u"www.example.org";
    EXPECT_EQ(ClassifyTarget(fs, t), kTargetWebAddress);
    EXPECT_EQ(t, u"http://www.example.org");
    t = u"https://x";
    EXPECT_EQ(ClassifyTarget(fs, t), kTargetWebAddress);
    t = u"HTTP://X";
    EXPECT_EQ(ClassifyTarget(fs, t), kTargetNotFound);
    EXPECT_EQ(t, u"HTTP://X");
    test::WriteBytes(dir / "tool.exe", {1});
    test::WriteBytes(dir / "doc.txt", {1});
    auto classify = [&](const fsys::path& p) {
        std::u16string s = p.u16string();
        return ClassifyTarget(fs, s);
    };
    EXPECT_EQ(classify(dir / "tool.exe"), kTargetProgram);
    EXPECT_EQ(classify(dir / "doc.txt"), kTargetFile);
    EXPECT_EQ(classify(dir.path()), kTargetOther);
    EXPECT_EQ(classify(dir / "nothing"), kTargetNotFound);
}

class IdLibraries : public ::testing::Test {
  protected:
    test::TempDir dir;
    FileSystem& fs = LocalFileSystem();
};

TEST_F(IdLibraries, ShortcutIdsNamesAndFileBytes) {
    ShortcutLibrary lib = ShortcutLibrary::ForDataFolder(dir.path());
    auto first = lib.AddAndSave(fs, u"Docs", u"www.example.org", nullptr);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->id, 0);
    EXPECT_EQ(lib.NextId(), 501) << "provisional id beside id 0";
    auto second = lib.AddAndSave(fs, u"Docs", u"http://b", nullptr);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->id, 1) << "501 does not survive the save";
    EXPECT_EQ(second->name, u"Docs(1)");
    EXPECT_TRUE(fsys::exists(lib.folder() / "Docs(1).sc"));
    auto third = lib.AddAndSave(fs, u"Docs", u"http://c", nullptr);
    EXPECT_EQ(third->name, u"Docs(2)");

    const auto bytes = test::ReadBytes(lib.folder() / "Docs.sc");
    std::vector<uint8_t> expected = {0,   0, 0,   0, 1,   4, 0,  0, 0, 'D', 0,
                                     'o', 0, 'c', 0, 's', 0, 22, 0, 0, 0};
    for (char c : std::string("http://www.example.org"))
        expected.insert(expected.end(), {uint8_t(c), 0});
    EXPECT_EQ(bytes, expected);

    EXPECT_FALSE(lib.AddAndSave(fs, u"", u"x", nullptr));
    EXPECT_FALSE(lib.AddAndSave(fs, u"x", u"", nullptr));
    EXPECT_EQ(lib.entries().size(), 3u);
}

TEST_F(IdLibraries, ImportThenSaveAddsANewEntryAndDeleteIsInMemory) {
    ShortcutLibrary lib = ShortcutLibrary::ForDataFolder(dir.path());
    ASSERT_TRUE(lib.AddAndSave(fs, u"A", u"http://a", nullptr));
    auto imported = ShortcutLibrary::Import(fs, lib.folder() / "A.sc");
    ASSERT_TRUE(imported);
    auto added = lib.AddAndSave(fs, imported->name, imported->target, nullptr);
    EXPECT_EQ(added->id, 1);
    EXPECT_EQ(added->name, u"A(1)");

    lib.Delete(fs, 0, lib.folder() / "A.sc");
    EXPECT_EQ(lib.entries().size(), 1u);
    EXPECT_FALSE(fsys::exists(lib.folder() / "A.sc"));
    ShortcutLibrary reloaded = ShortcutLibrary::ForDataFolder(dir.path());
    reloaded.Load(fs);
    ASSERT_EQ(reloaded.entries().size(), 1u);
    EXPECT_EQ(reloaded.entries()[0].id, 1) << "ids change only at the next save";
    EXPECT_FALSE(ShortcutLibrary::Import(fs, dir / "none.sc"));
}

TEST_F(IdLibraries, TextBlocksKeepNonAsciiTextAndTruncatedFilesAreRejected) {
    TextBlockLibrary lib = TextBlockLibrary::ForDataFolder(dir.path());
    const std::u16string text = u"你好，世界\r\n第二行 ✓";
    auto a = lib.AddAndSave(fs, u"问候", text, nullptr);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->id, 0);
    auto b = lib.AddAndSave(fs, u"问候", u"x", nullptr);
    EXPECT_EQ(b->id, 1);
    EXPECT_EQ(b->name, u"问候(1)");
    auto bytes = test::ReadBytes(lib.folder() / u"问候.tb");
    TextBlockEntry e;
    ASSERT_TRUE(ParseTextBlockItem(bytes, e));
    EXPECT_EQ(e, (TextBlockEntry{0, u"问候", text}));
    for (size_t cut = 0; cut < bytes.size(); ++cut)
        EXPECT_FALSE(ParseTextBlockItem(std::span(bytes).first(cut), e)) << cut;
    EXPECT_EQ(WithCrLf(u"a\nb\r\nc\rd"), u"a\r\nb\r\nc\r\nd");
}

TEST_F(IdLibraries, HostActionsReadTheLibrariesAfresh) {
    ShortcutLibrary sc = ShortcutLibrary::ForDataFolder(dir.path());
    sc.entries() = {{0, 1, u"a", u"http://a"}, {1, 0, u"b", u"/tmp/it's; rm -rf ~"}};
    ASSERT_TRUE(sc.Save(fs, nullptr, nullptr));
    TextBlockLibrary tb = TextBlockLibrary::ForDataFolder(dir.path());
    tb.entries() = {{0, u"t", u"中文文本"}};
    ASSERT_TRUE(tb.Save(fs, nullptr, nullptr));

    RecordingHostActions host;
    EXPECT_EQ(RunHostAction(fs, kEventCodeShortcut, 1, dir.path(), host), 1);
    EXPECT_EQ(host.opened, std::vector<std::u16string>{u"/tmp/it's; rm -rf ~"});
    EXPECT_EQ(RunHostAction(fs, kEventCodeTextBlock, 0, dir.path(), host), 1);
    EXPECT_EQ(host.clipboard, u"中文文本");

    host.clipboard = u"before";
    EXPECT_EQ(RunHostAction(fs, kEventCodeTextBlock, 5, dir.path(), host), 0);
    EXPECT_EQ(host.clipboard, u"before") << "an unknown id leaves the clipboard alone";
    EXPECT_EQ(RunHostAction(fs, kEventCodeProfile, 0, dir.path(), host), 0);

    // A change on disk is seen by the next press.
    tb.entries()[0].text = u"新";
    ASSERT_TRUE(tb.Save(fs, nullptr, nullptr));
    host.clipboardAvailable = false;
    EXPECT_EQ(RunHostAction(fs, kEventCodeTextBlock, 0, dir.path(), host), 0);
    host.clipboardAvailable = true;
    EXPECT_EQ(RunHostAction(fs, kEventCodeTextBlock, 0, dir.path(), host), 1);
    EXPECT_EQ(host.clipboard, u"新");
}

}  // namespace
}  // namespace z7
