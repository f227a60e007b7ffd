// Two z7ctl processes at once on one simulated mouse: over a simulator socket, and on one
// state file. The children are the real z7ctl; the mouse is served by this test.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <list>
#include <optional>
#include <thread>

#include "cli/cli.h"
#include "core/device/device_commands.h"
#include "platform/process_lock.h"
#include "sim/mouse_backend.h"
#include "sim/sim_factory.h"
#include "sim/sim_socket.h"
#include "sim/sim_state_store.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"

extern char** environ;

namespace z7 {
namespace {

using namespace std::chrono_literals;

// A z7ctl process with its output in files.
class Child {
  public:
    Child(const std::vector<std::string>& args, const std::filesystem::path& dir,
          const std::string& name)
        : out_(dir / (name + ".out")), err_(dir / (name + ".err")) {
        std::vector<std::string> all = {Z7CTL_BINARY};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addopen(&actions, 2, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        if (posix_spawn(&pid_, Z7CTL_BINARY, &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Child() {
        if (pid_ > 0 && !code_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    bool started() const { return pid_ > 0; }
    void Signal(int signal) {
        if (pid_ > 0 && !code_) ::kill(pid_, signal);
    }
    // The exit code once it ended within `limit`; nullopt while it still runs.
    std::optional<int> Wait(std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!code_) {
            int status = 0;
            const pid_t r = ::waitpid(pid_, &status, WNOHANG);
            if (r == pid_) {
                code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                break;
            }
            if (std::chrono::steady_clock::now() >= end) break;
            std::this_thread::sleep_for(5ms);
        }
        return code_;
    }
    void Signal(int signal) const { ::kill(pid_, signal); }
    std::string out() const { return Text(out_); }
    std::string err() const { return Text(err_); }

  private:
    static std::string Text(const std::filesystem::path& p) {
        const std::vector<uint8_t> b = test::ReadBytes(p);
        return std::string(b.begin(), b.end());
    }
    std::filesystem::path out_, err_;
    pid_t pid_ = -1;
    std::optional<int> code_;
};

// Forwards simulator frames from the socket `front` to the one at `back`, one request and one
// reply at a time, and lets the test hold a request before it goes on.
class FrameProxy {
  public:
    using Hold = std::function<void(const std::vector<uint8_t>& body)>;
    FrameProxy(const std::string& front, std::string back, Hold hold)
        : back_(std::move(back)), hold_(std::move(hold)) {
        listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, front.c_str(), sizeof a.sun_path - 1);
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            ::listen(listener_, 8) != 0)
            ADD_FAILURE() << "proxy cannot listen at " << front;
        accepter_ = std::thread([this] { Accept(); });
    }
    ~FrameProxy() {
        stop_ = true;
        accepter_.join();
        for (std::thread& t : connections_) t.join();
        ::close(listener_);
    }

  private:
    static bool Readable(int fd, int ms) {
        pollfd p{fd, POLLIN, 0};
        return ::poll(&p, 1, ms) > 0;
    }
    bool ReadAll(int fd, uint8_t* data, size_t n) {
        while (n > 0) {
            if (stop_) return false;
            if (!Readable(fd, 50)) continue;
            const ssize_t got = ::recv(fd, data, n, 0);
            if (got <= 0) return false;
            data += got;
            n -= static_cast<size_t>(got);
        }
        return true;
    }
    bool ReadFrame(int fd, std::vector<uint8_t>& frame) {
        frame.assign(4, 0);
        if (!ReadAll(fd, frame.data(), 4)) return false;
        const uint32_t n = frame[0] | frame[1] << 8 | frame[2] << 16 | uint32_t{frame[3]} << 24;
        if (n == 0 || n > kSimFrameMax) return false;
        frame.resize(4 + n);
        return ReadAll(fd, frame.data() + 4, n);
    }
    static bool WriteAll(int fd, const std::vector<uint8_t>& bytes) {
        return ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(bytes.size());
    }
    void Accept() {
        while (!stop_) {
            if (!Readable(listener_, 50)) continue;
            const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) connections_.emplace_back([this, client] { Forward(client); });
        }
    }
    void Forward(int client) {
        const int server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, back_.c_str(), sizeof a.sun_path - 1);
        if (::connect(server, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
            std::vector<uint8_t> frame;
            while (ReadFrame(client, frame)) {
                hold_(std::vector<uint8_t>(frame.begin() + 4, frame.end()));
                if (!WriteAll(server, frame)) break;
                if (frame[4] == kSimOpCancel) continue;  // answered by the read it ends
                if (!ReadFrame(server, frame) || !WriteAll(client, frame)) break;
            }
        }
        ::close(server);
        ::close(client);
    }

    std::string back_;
    Hold hold_;
    int listener_ = -1;
    std::atomic<bool> stop_{false};
    std::thread accepter_;
    std::list<std::thread> connections_;  // joined at the end; a test makes only a few
};

class TwoPrograms : public ::testing::Test {
  protected:
    void SetUp() override {
        // The lock files go where this test can see them, not into the user's runtime folder.
        const char* old = std::getenv("XDG_RUNTIME_DIR");
        if (old) oldRuntime = old;
        ::setenv("XDG_RUNTIME_DIR", (dir / "run").c_str(), 1);
        ASSERT_TRUE(std::filesystem::create_directories(dir / "run"));
        server = std::thread([this] {
            std::string error;
            (void)ServeSimSocket(mouse, serverPath, stop, error);
        });
        auto transport = CreateSimSocketTransport(serverPath);
        for (int i = 0; i < 2000 && transport->Enumerate().empty(); ++i)
            std::this_thread::sleep_for(1ms);
        // Two profiles that differ from each other and from the factory images.
        ASSERT_EQ(Cli({"profile", "set", "1", "cpiX=800,1600,3200", "profileName=One"}).code, 0);
        ASSERT_EQ(Cli({"profile", "set", "2", "pollingRate=2", "profileName=Two"}).code, 0);
    }
    void TearDown() override {
        stop = true;
        server.join();
        if (oldRuntime)
            ::setenv("XDG_RUNTIME_DIR", oldRuntime->c_str(), 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
    }

    std::vector<std::string> Args(const std::string& simulate,
                                  std::initializer_list<std::string> command) {
        std::vector<std::string> a = {"--data-dir", (dir / "data").string(),
                                      "--config",   (dir / "c.ini").string(),
                                      "--simulate", simulate};
        a.insert(a.end(), command);
        return a;
    }
    test::CliResult Cli(std::initializer_list<std::string> command,
                        const std::string& simulate = "") {
        std::vector<std::string> a = {"--data-dir", (dir / "data").string(), "--config",
                                      (dir / "c.ini").string()};
        if (!simulate.empty()) a.insert(a.end(), {"--simulate", simulate});
        a.insert(a.end(), command);
        return test::RunCli(a);
    }
    DeviceImage ImageOf(const std::string& slot) {
        const auto file = dir / ("image" + slot);
        EXPECT_EQ(Cli({"image", slot, "--out", file.string()}).code, 0);
        const std::vector<uint8_t> bytes = test::ReadBytes(file);
        DeviceImage image{};
        EXPECT_EQ(bytes.size(), image.size());
        std::copy_n(bytes.begin(), std::min(bytes.size(), image.size()), image.begin());
        return image;
    }

    test::TempDir dir;
    std::optional<std::string> oldRuntime;
    std::string serverPath = (dir / "server.sock").string();
    SystemClock clock;
    SimMouse mouse{clock, FactorySimState()};
    std::atomic<bool> stop{false};
    std::thread server;
};

bool IsSecondHalfOfSlot(const std::vector<uint8_t>& body, uint8_t slot) {
    // kSimOpSetFeature, a 16-bit length, then the report.
    constexpr size_t kReport = 3;
    return body.size() > kReport + kHalfByte && body[0] == kSimOpSetFeature &&
           body[kReport] == kImageRequestId && body[kReport + kSlotByte] == slot &&
           body[kReport + kHalfByte] == 1;
}

TEST_F(TwoPrograms, TwoAppliesOverOneSimulatorSocketTakeTurnsAndBothSlotsAreStored) {
    // The first program is held just before its second image half; without a lock across
    // programs the second one writes its whole image meanwhile and the mouse drops the first
    // one's half.
    std::mutex m;
    std::condition_variable cv;
    bool held = false, release = false;
    const std::string front = (dir / "front.sock").string();
    FrameProxy proxy(front, serverPath, [&](const std::vector<uint8_t>& body) {
        if (!IsSecondHalfOfSlot(body, 1)) return;
        std::unique_lock lock(m);
        held = true;
        cv.notify_all();
        cv.wait_for(lock, 20s, [&] { return release; });
    });
    const std::string target = "unix:" + front;
    Child first(Args(target, {"--virtual-time", "apply", "1"}), dir.path(), "first");
    ASSERT_TRUE(first.started());
    {
        std::unique_lock lock(m);
        ASSERT_TRUE(cv.wait_for(lock, 20s, [&] { return held; })) << first.err();
    }
    Child second(Args(target, {"--virtual-time", "apply", "2"}), dir.path(), "second");
    // It may finish only by slipping between the halves of the first; give it the chance.
    const std::optional<int> early = second.Wait(1500ms);
    {
        std::lock_guard lock(m);
        release = true;
        cv.notify_all();
    }
    EXPECT_EQ(first.Wait(30s), 0) << first.err();
    EXPECT_EQ(second.Wait(30s), 0) << second.err();
    EXPECT_FALSE(early) << "the second program ran while the first was half-way";
    const SimState s = mouse.state();
    EXPECT_TRUE(s.slots[1] == ImageOf("1"));
    EXPECT_TRUE(s.slots[2] == ImageOf("2"));
}

TEST_F(TwoPrograms, AProgramHoldingTheSimulatorMakesTheOtherWaitThenGiveUp) {
    const std::string target = "unix:" + serverPath;
    std::string error;
    LockAttempt held = AcquireProcessLock(SimSocketLockFile(serverPath), 0ms, clock, &error);
    ASSERT_EQ(held.status, LockStatus::kAcquired) << error;
    mouse.ClearRequests();
    Child quick(Args(target, {"--virtual-time", "--device-wait", "0", "apply", "1"}), dir.path(),
                "quick");
    EXPECT_EQ(quick.Wait(30s), 1);
    EXPECT_NE(quick.err().find("another program is using the mouse"), std::string::npos)
        << quick.err();
    EXPECT_TRUE(mouse.requests().empty());

    // One that may wait gets the mouse when the holder lets go.
    Child patient(Args(target, {"--virtual-time", "apply", "1"}), dir.path(), "patient");
    EXPECT_FALSE(patient.Wait(200ms));
    held.lock.reset();
    EXPECT_EQ(patient.Wait(30s), 0) << patient.err();
    EXPECT_TRUE(mouse.state().slots[1] == ImageOf("1"));
}

TEST_F(TwoPrograms, AStateFileIsOneProgramsFromItsReadToItsWrite) {
    const std::string state = (dir / "S").string();
    ASSERT_EQ(Cli({"sim", "event", "profile", "3"}, state).code, 0);
    // A listener keeps the state until it is told to stop; it writes it back at its end.
    Child listener(Args(state, {"--json", "listen", "--no-actions"}), dir.path(), "listener");
    for (int i = 0; i < 4000 && listener.out().empty(); ++i) std::this_thread::sleep_for(1ms);
    ASSERT_FALSE(listener.out().empty()) << listener.err();

    // Before, this write was reported and then overwritten by the listener's.
    Child quick(Args(state, {"--virtual-time", "--device-wait", "0", "apply", "1"}), dir.path(),
                "quick");
    EXPECT_EQ(quick.Wait(30s), 1);
    EXPECT_NE(quick.err().find("another program is using the simulated mouse"), std::string::npos)
        << quick.err();
    Child patient(Args(state, {"--virtual-time", "--device-wait", "60", "apply", "1"}), dir.path(),
                  "patient");
    listener.Signal(SIGINT);
    EXPECT_EQ(listener.Wait(30s), 0) << listener.err();
    EXPECT_EQ(patient.Wait(30s), 0) << patient.err();

    const test::CliResult shown = Cli({"--json", "sim", "show"}, state);
    ASSERT_EQ(shown.code, 0);
    EXPECT_NE(shown.out.find("\"activeSlot\":1"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("\"events\":0"), std::string::npos) << shown.out;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
}

TEST_F(TwoPrograms, AServedStateIsTheServersUntilItEnds) {
    const std::string state = (dir / "served.state").string();
    const std::string socket = (dir / "served.sock").string();
    Child serve({"--simulate", state, "sim", "serve", "--socket", socket, "--seconds", "60"},
                dir.path(), "serve");
    auto transport = CreateSimSocketTransport(socket);
    for (int i = 0; i < 4000 && transport->Enumerate().empty(); ++i)
        std::this_thread::sleep_for(1ms);
    ASSERT_FALSE(transport->Enumerate().empty()) << serve.err();

    const test::CliResult refused =
        Cli({"--device-wait", "0", "sim", "set", "firmwareVersion=2.00"}, state);
    EXPECT_EQ(refused.code, 1);
    EXPECT_NE(refused.err.find("unix:"), std::string::npos) << refused.err;
    ASSERT_EQ(Cli({"--virtual-time", "apply", "2"}, "unix:" + socket).code, 0);

    serve.Signal(SIGTERM);
    EXPECT_EQ(serve.Wait(30s), 0) << serve.err();
    const test::CliResult shown = Cli({"--json", "sim", "show"}, state);
    EXPECT_NE(shown.out.find("\"activeSlot\":2"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("\"firmwareVersion\":\"1.65\""), std::string::npos) << shown.out;
}

}  // namespace
}  // namespace z7
