// Two z7ctl processes changing one data folder at the same time: each change reported as done
// must be there afterwards. Bounded loops; the processes' own timing decides nothing.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "core/profile/profile_store.h"
#include "core/util/text.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"

extern char** environ;

namespace z7 {
namespace {

class TwoWriters : public ::testing::Test {
  protected:
    test::TempDir dir;
    std::vector<std::string> Args(std::vector<std::string> command) const {
        command.insert(command.begin(), {Z7CTL_PATH, "--data-dir", PathToUtf8(dir / "data"),
                                         "--config", PathToUtf8(dir / "none.ini")});
        return command;
    }
    // Starts z7ctl as a process of its own; its output goes nowhere.
    pid_t Start(const std::vector<std::string>& command) const {
        const std::vector<std::string> args = Args(command);
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        pid_t pid = -1;
        const int rc = posix_spawn(&pid, Z7CTL_PATH, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        return rc == 0 ? pid : -1;
    }
    static int Wait(pid_t pid) {
        int status = 0;
        if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
        return WEXITSTATUS(status);
    }
    test::CliResult InProcess(const std::vector<std::string>& command) const {
        std::vector<std::string> args = Args(command);
        args.erase(args.begin());
        return test::RunCli(args);
    }
};

TEST_F(TwoWriters, ProfileChangesOfBothProcessesSurvive) {
    ASSERT_EQ(InProcess({"profile", "save"}).code, 0);
    for (int i = 0; i < 12; ++i) {
        const std::string a = "A" + std::to_string(i), b = "B" + std::to_string(i);
        const pid_t first = Start({"profile", "set", "1", "profileName=" + a});
        const pid_t second = Start({"profile", "set", "2", "profileName=" + b});
        ASSERT_EQ(Wait(first), 0) << "round " << i;
        ASSERT_EQ(Wait(second), 0) << "round " << i;
        const auto list = InProcess({"profile", "list"});
        ASSERT_EQ(list.out, "0  出厂配置\n1  " + a + "\n2  " + b + "\n3  配置3\n4  配置4\n")
            << "round " << i;
    }
}

TEST_F(TwoWriters, LibraryAddsOfBothProcessesSurvive) {
    std::string expected;
    for (int i = 0; i < 12; ++i) {
        const std::string x = "X" + std::to_string(i), y = "Y" + std::to_string(i);
        const pid_t first = Start({"library", "add", "textblock", x, "t"});
        const pid_t second = Start({"library", "add", "textblock", y, "t"});
        ASSERT_EQ(Wait(first), 0) << "round " << i;
        ASSERT_EQ(Wait(second), 0) << "round " << i;
        const std::string list = InProcess({"library", "list", "textblock"}).out;
        // Every add of this and of every earlier round is there, whichever came first.
        for (int k = 0; k <= i; ++k)
            for (const char* n : {"X", "Y"})
                EXPECT_NE(list.find("\t" + std::string(n) + std::to_string(k) + "\tt\n"),
                          std::string::npos)
                    << n << k << " after round " << i << ":\n"
                    << list;
        ASSERT_EQ(std::count(list.begin(), list.end(), '\n'), 2 * (i + 1));
    }
}

}  // namespace
}  // namespace z7
