#include <gtest/gtest.h>

#include "core/buttons/shortcut_library.h"
#include "core/macros/macro_file.h"
#include "core/macros/macro_library.h"
#include "platform/file_system.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"

namespace z7 {
namespace {

class LibraryCommands : public ::testing::Test {
  protected:
    test::TempDir dir;
    test::CliResult Run(std::vector<std::string> args) {
        args.insert(args.begin(),
                    {"--data-dir", dir.path().string(), "--config", (dir / "none.ini").string()});
        return test::RunCli(args);
    }
};

TEST_F(LibraryCommands, AddedShortcutIsListedWithItsIdKindAndTarget) {
    ASSERT_EQ(Run({"library", "add", "shortcut", "Docs", "www.example.org"}).code, 0);
    const auto r = Run({"library", "list", "shortcut", "--json"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              "[{\"id\":0,\"name\":\"Docs\",\"kind\":1,\"target\":\"http://www.example.org\"}]\n");
    const auto second = Run({"--json", "library", "add", "shortcut", "Docs", "https://b"});
    EXPECT_EQ(second.out, "{\"id\":1,\"name\":\"Docs(1)\",\"functionId\":5003}\n");
}

TEST_F(LibraryCommands, EveryKindAddsListsAndRemoves) {
    EXPECT_EQ(Run({"library", "add", "bindkey", "65", "A"}).code, 0);
    EXPECT_EQ(Run({"library", "add", "bindkey", "0x41", "Fire"}).code, 0);
    EXPECT_EQ(Run({"--json", "library", "list", "bindkey"}).out,
              "[{\"key\":65,\"name\":\"Fire\"}]\n");
    EXPECT_EQ(Run({"library", "add", "textblock", "问候", "你好\n世界"}).code, 0);
    EXPECT_NE(
        Run({"--json", "library", "list", "textblock"}).out.find("\"text\":\"你好\\r\\n世界\""),
        std::string::npos);
    const auto hk = Run({"--json", "library", "add", "hotkey", "Hk", "0x74", "--ctrl", "--alt"});
    EXPECT_EQ(hk.out, "{\"id\":0,\"name\":\"Hk\",\"functionId\":1002}\n");
    EXPECT_NE(Run({"--json", "library", "list", "hotkey"})
                  .out.find("{\"kind\":1,\"code\":164,\"flag\":1,\"value\":0}"),
              std::string::npos);

    EXPECT_EQ(Run({"library", "remove", "bindkey", "65"}).code, 0);
    EXPECT_EQ(Run({"--json", "library", "list", "bindkey"}).out, "[]\n");
    EXPECT_EQ(Run({"library", "remove", "hotkey", "7"}).code, 4);
    EXPECT_EQ(Run({"library", "add", "bindkey", "95", "x"}).code, 4) << "no key name";
    EXPECT_EQ(Run({"library", "add", "bindkey", "300", "x"}).code, 4);
    EXPECT_EQ(Run({"library", "add", "textblock", "t", std::string(101, 'x')}).code, 4);
    EXPECT_EQ(Run({"library", "add", "shortcut", "only-name"}).code, 2);
    EXPECT_EQ(Run({"library", "list", "nonsense"}).code, 2);
}

TEST_F(LibraryCommands, ImportAddsItemFilesAsNewEntries) {
    Macro m;
    m.name = u"combo";
    m.id = 77;
    m.repeatMode = 2;
    MacroEventItem e;
    e.kind = kEventKindKey;
    e.code = 65;
    e.delay = 3600000;
    m.events = {e};
    const auto file = dir / "combo.macro";
    test::WriteBytes(file, SerializeMacroFile(m));
    ASSERT_EQ(Run({"library", "import", "macro", file.string()}).code, 0);
    const auto again = Run({"--json", "library", "import", "macro", file.string()});
    EXPECT_EQ(again.out, "{\"id\":1,\"name\":\"combo(1)\",\"functionId\":4003}\n");
    const std::string listed = Run({"--json", "library", "list", "macro"}).out;
    EXPECT_NE(listed.find("\"delay\":3600000"), std::string::npos) << listed;
    EXPECT_NE(listed.find("\"events\":1,"), std::string::npos) << "the count scripts compare";

    ASSERT_EQ(Run({"library", "add", "shortcut", "S", "http://s"}).code, 0);
    const auto sc = ShortcutLibrary::ForDataFolder(dir.path()).folder() / "S.sc";
    EXPECT_EQ(Run({"--json", "library", "import", "shortcut", sc.string()}).out,
              "{\"id\":1,\"name\":\"S(1)\",\"functionId\":5003}\n");

    test::WriteBytes(dir / "bad.ckey", {1, 2, 3});
    const auto bad = Run({"library", "import", "hotkey", (dir / "bad.ckey").string()});
    EXPECT_EQ(bad.code, 4);
    EXPECT_NE(bad.err.find("bad.ckey"), std::string::npos);
}

TEST_F(LibraryCommands, ProfileSavesResaveTheLibrariesWithoutLosingEntries) {
    ASSERT_EQ(Run({"library", "add", "textblock", "t", "中文"}).code, 0);
    ASSERT_EQ(Run({"library", "add", "bindkey", "66", "B"}).code, 0);
    ASSERT_EQ(Run({"profile", "save"}).code, 0);
    EXPECT_EQ(Run({"--json", "library", "list", "textblock"}).out,
              "[{\"id\":0,\"name\":\"t\",\"text\":\"中文\"}]\n");
    EXPECT_EQ(Run({"--json", "library", "list", "bindkey"}).out, "[{\"key\":66,\"name\":\"B\"}]\n");
}

TEST_F(LibraryCommands, ButtonSetBindsLibraryHotkeysAndMacros) {
    ASSERT_EQ(Run({"library", "add", "hotkey", "Hk", "0x74", "--ctrl"}).code, 0);
    Macro m;
    m.name = u"m";
    m.repeatMode = 3;
    MacroEventItem key;
    key.kind = kEventKindKey;
    key.code = 65;
    m.events.resize(3, key);
    test::WriteBytes(dir / "m.macro", SerializeMacroFile(m));
    ASSERT_EQ(Run({"library", "import", "macro", (dir / "m.macro").string()}).code, 0);

    ASSERT_EQ(Run({"button", "set", "1", "3", "1002"}).code, 0);
    ASSERT_EQ(Run({"button", "set", "1", "4", "4002"}).code, 0);
    const auto show = Run({"--json", "profile", "show", "1"});
    EXPECT_NE(
        show.out.find("{\"name\":\"Hk\",\"id\":0,\"mode\":1,\"events\":[{\"kind\":1,\"code\":162"),
        std::string::npos)
        << show.out;
    EXPECT_NE(show.out.find("{\"name\":\"m\",\"id\":0,\"mode\":3,"), std::string::npos);
}

}  // namespace
}  // namespace z7
