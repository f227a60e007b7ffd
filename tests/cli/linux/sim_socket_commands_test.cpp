// z7ctl against a simulator served over a socket: the sim commands and a device command.
#include <gtest/gtest.h>

#include <thread>

#include "sim/sim_factory.h"
#include "sim/sim_socket.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"

namespace z7 {
namespace {

using test::RunCli;

class SimSocketCommands : public ::testing::Test {
  protected:
    void SetUp() override {
        server = std::thread([this] {
            std::string error;
            (void)ServeSimSocket(mouse, path, stop, error);
        });
        auto transport = CreateSimSocketTransport(path);
        for (int i = 0; i < 500 && transport->Enumerate().empty(); ++i) std::this_thread::yield();
    }
    void TearDown() override {
        stop = true;
        server.join();
    }

    test::TempDir temp;
    std::string path = (temp / "s.sock").string();
    std::string target = "unix:" + path;
    SystemClock clock;
    SimMouse mouse{clock, FactorySimState()};
    std::atomic<bool> stop{false};
    std::thread server;
};

TEST_F(SimSocketCommands, SimCommandsDriveTheRunningSimulator) {
    auto r = RunCli({"--simulate", target, "sim", "event", "profile", "3"});
    ASSERT_EQ(r.code, 0) << r.err;
    ASSERT_EQ(mouse.state().events.size(), 1u);
    EXPECT_EQ(mouse.state().events.front().byte2, 3);

    r = RunCli({"--simulate", target, "sim", "set", "unplugged=1", "firmwareVersion=1.80"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(mouse.state().unplugged);
    EXPECT_EQ(mouse.state().firmwareVersion, 180);
    r = RunCli({"--simulate", target, "--virtual-time", "info"});
    EXPECT_EQ(r.code, 3);  // no mouse while unplugged

    r = RunCli({"--simulate", target, "sim", "set", "unplugged=0"});
    ASSERT_EQ(r.code, 0) << r.err;
    r = RunCli({"--simulate", target, "--virtual-time", "--json", "info"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("\"firmwareVersion\":\"1.80\""), std::string::npos) << r.out;
    r = RunCli({"--simulate", target, "--json", "sim", "show"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("\"unplugged\":false"), std::string::npos) << r.out;
}

TEST_F(SimSocketCommands, ANonexistentSimulatorIsReportedAsNoMouse) {
    const std::string nobody = "unix:" + (temp / "nobody.sock").string();
    EXPECT_EQ(RunCli({"--simulate", nobody, "sim", "show"}).code, 3);
    EXPECT_EQ(RunCli({"--simulate", nobody, "--virtual-time", "info"}).code, 3);
    EXPECT_EQ(RunCli({"--simulate", target, "sim", "event", "mouse", "1"}).code, 2);
}

}  // namespace
}  // namespace z7
