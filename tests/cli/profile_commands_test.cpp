#include <gtest/gtest.h>

#include "core/profile/profile_file.h"
#include "core/profile/profile_store.h"
#include "core/util/text.h"
#include "platform/file_system.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"

namespace z7 {
namespace {

using test::RunCli;

class ProfileCommands : public ::testing::Test {
protected:
    test::TempDir dir;
    test::CliResult Run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--data-dir", PathToUtf8(dir.path()), "--config", PathToUtf8(dir / "none.ini")});
        return RunCli(args);
    }
    std::filesystem::path folder() const { return ProfileFolder(dir.path()); }
};

TEST_F(ProfileCommands, FirstSaveWritesTheFiveDefaultProfiles) {
    ASSERT_EQ(Run({"profile", "save"}).code, 0);
    std::vector<ProfileListEntry> list;
    ASSERT_TRUE(ParseProfileList(test::ReadBytes(folder() / "pfList.dat"), list));
    EXPECT_EQ(list.size(), 5u);
    const auto r = Run({"--json", "profile", "list"});
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.out.find(R"({"slot":4,"name":"配置4","inUse":1,"file":)"), std::string::npos) << r.out;
}

TEST_F(ProfileCommands, SetChecksEveryValueAndChangesNothingOnARefusal) {
    ASSERT_EQ(Run({"profile", "save"}).code, 0);
    const auto before = test::ReadBytes(folder() / PathFromUtf16(u"配置1.profile"));
    for (const char* bad : {"pollingRate=3", "cpiX=400,8250", "cpiY=49", "lightEffect=2", "lightSleep=2",
                            "lightBrightness=0", "pointerSpeed=12", "pointerAcceleration=2", "stepCount=4",
                            "liftOffLevel=0", "angleSnapLevel=16", "inUse=0", "nonsense=1", "lightColor1=0x1000000"}) {
        const auto r = Run({"profile", "set", "1", "pollingRate=2", bad});
        EXPECT_EQ(r.code, 4) << bad;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    EXPECT_EQ(test::ReadBytes(folder() / PathFromUtf16(u"配置1.profile")), before);

    const auto ok = Run({"--json", "profile", "set", "1", "cpiX=450,0x384", "stepCount=2", "profileName=FPS",
                         "lightColor1=0x00FF00"});
    ASSERT_EQ(ok.code, 0) << ok.err;
    const auto show = Run({"--json", "profile", "show", "1"});
    EXPECT_NE(show.out.find(R"("profileName":"FPS")"), std::string::npos);
    EXPECT_NE(show.out.find(R"("cpiX":[450,900,1600])"), std::string::npos) << show.out;
    EXPECT_NE(show.out.find(R"("currentStep":1)"), std::string::npos);
    EXPECT_NE(show.out.find(R"("lightColor1":65280)"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(folder() / "FPS.profile"));
    EXPECT_FALSE(std::filesystem::exists(folder() / PathFromUtf16(u"配置1.profile")));
}

TEST_F(ProfileCommands, NewDeleteAndResetFollowTheSlotRules) {
    ProfileSet set;  // only the factory slot in use
    ASSERT_TRUE(SaveProfileSet(LocalFileSystem(), set, dir.path(), nullptr));
    auto r = Run({"profile", "new"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "1\n");
    for (int i = 0; i < 3; ++i) ASSERT_EQ(Run({"profile", "new"}).code, 0);
    EXPECT_EQ(Run({"profile", "new"}).code, 4);

    EXPECT_EQ(Run({"profile", "delete", "0"}).code, 4);
    EXPECT_EQ(Run({"profile", "delete", "5"}).code, 4);
    EXPECT_EQ(Run({"profile", "delete", "x"}).code, 4);
    EXPECT_EQ(Run({"profile", "delete", "2"}).code, 0);
    EXPECT_FALSE(std::filesystem::exists(folder() / PathFromUtf16(u"配置2.profile")));
    EXPECT_EQ(Run({"profile", "show", "2"}).code, 0);
    EXPECT_EQ(Run({"profile", "set", "2", "pollingRate=2"}).code, 4);  // free slot
    EXPECT_EQ(Run({"profile", "new"}).out, "2\n");

    ASSERT_EQ(Run({"profile", "set", "3", "profileName=Mine", "pollingRate=8"}).code, 0);
    ASSERT_EQ(Run({"profile", "reset", "3"}).code, 0);
    const auto show = Run({"--json", "profile", "show", "3"});
    EXPECT_NE(show.out.find(R"("profileName":"配置3")"), std::string::npos);
    EXPECT_NE(show.out.find(R"("pollingRate":1)"), std::string::npos);
}

TEST_F(ProfileCommands, ExportThenImportGivesAUniqueName) {
    ASSERT_EQ(Run({"profile", "save"}).code, 0);
    ASSERT_EQ(Run({"profile", "set", "1", "profileName=Game", "pollingRate=4"}).code, 0);
    const auto file = PathToUtf8(dir / "game.profile");
    ASSERT_EQ(Run({"profile", "export", "1", file}).code, 0);
    auto r = Run({"profile", "import", file, "--slot", "2"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Game(1)\n");
    EXPECT_EQ(Run({"profile", "import", file, "--slot", "0"}).code, 4);
    EXPECT_EQ(Run({"profile", "import", file}).code, 2);
    test::WriteBytes(dir / "bad.profile", {1, 2, 3});
    r = Run({"profile", "import", PathToUtf8(dir / "bad.profile"), "--slot", "3"});
    EXPECT_EQ(r.code, 4);
    EXPECT_NE(r.err.find("not a readable profile"), std::string::npos);
}

TEST_F(ProfileCommands, UsageErrorsExitTwo) {
    EXPECT_EQ(Run({}).code, 2);
    EXPECT_EQ(Run({"frobnicate"}).code, 2);
    EXPECT_EQ(Run({"profile"}).code, 2);
    EXPECT_EQ(Run({"profile", "show"}).code, 2);
    EXPECT_EQ(Run({"profile", "list", "extra"}).code, 2);
}

}  // namespace
}  // namespace z7
