// The simulated mouse served over a local socket: device exchanges, events and their
// cancelling, plug notices, state control, and peers that send garbage.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <condition_variable>
#include <cstring>
#include <thread>

#include "core/device/device_exchanges.h"
#include "core/device/device_image.h"
#include "sim/mouse_backend.h"
#include "sim/sim_factory.h"
#include "sim/sim_socket.h"
#include "support/temp_dir.h"

namespace z7 {
namespace {

template <typename T>
struct Inbox {
    std::mutex mutex;
    std::condition_variable cv;
    std::vector<T> items;
    void Push(T item) {
        std::lock_guard lock(mutex);
        items.push_back(std::move(item));
        cv.notify_all();
    }
    // The items once there are `count`, or what came within five seconds.
    std::vector<T> Wait(size_t count) {
        std::unique_lock lock(mutex);
        cv.wait_for(lock, std::chrono::seconds(5), [&] { return items.size() >= count; });
        return items;
    }
};

class SimSocket : public ::testing::Test {
  protected:
    void SetUp() override {
        server = std::thread([this] {
            std::string error;
            served = ServeSimSocket(mouse, path, stop, error);
        });
        // Connecting succeeds once the server listens.
        for (int i = 0; i < 500 && transport->Enumerate().empty(); ++i) std::this_thread::yield();
        ASSERT_FALSE(transport->Enumerate().empty());
    }
    void TearDown() override {
        link.CloseDevice();
        stop = true;
        server.join();
        EXPECT_TRUE(served);
    }

    test::TempDir temp;
    std::string path = (temp / "s.sock").string();
    SystemClock serverClock;
    SimMouse mouse{serverClock, FactorySimState()};
    std::atomic<bool> stop{false};
    bool served = false;
    std::thread server;
    VirtualClock clock;  // the host's protocol delays are counted, not waited
    std::unique_ptr<HidTransport> transport = CreateSimSocketTransport(path);
    DeviceLink link{*transport, clock};
};

TEST_F(SimSocket, ExchangesReachTheServedMouse) {
    DeviceInfo info;
    ASSERT_EQ(RefreshFromDevice(link, info, true), ExchangeResult::kOk);
    EXPECT_EQ(info.firmwareVersion, 165);
    EXPECT_EQ(info.activeSlot, 0);
    ProfileRecord profile = CreateProfileRecord();
    profile.profileSlot = 2;
    profile.profileName = u"Remote";
    ASSERT_EQ(WriteAllExchange(link, profile), ExchangeResult::kOk);
    const SimState s = mouse.state();
    EXPECT_EQ(s.activeSlot, 2);
    DeviceRecord record = BuildDeviceRecord(profile);
    EXPECT_EQ(s.slots[2], BuildImage(record));
}

TEST_F(SimSocket, EventsReachTheListenerAndClosingEndsAPendingRead) {
    Inbox<int> slots;
    DeviceEventHandlers handlers;
    handlers.onProfileSwitch = [&](uint8_t slot) { slots.Push(slot); };
    link.SetEventHandlers(handlers);
    link.RestartListening();
    ASSERT_TRUE(link.listenerRunning());
    SimSocketClient control;
    std::string error;
    ASSERT_TRUE(control.Connect(path, error)) << error;
    ASSERT_TRUE(control.QueueEvent({kEventProfileSwitch, 3, 0}, error)) << error;
    EXPECT_EQ(slots.Wait(1), std::vector<int>{3});
    link.CloseDevice();
    EXPECT_FALSE(link.listenerRunning());
    // The cancelled read did not eat the connection's next answer.
    DeviceInfo info;
    EXPECT_EQ(RefreshFromDevice(link, info), ExchangeResult::kOk);
}

TEST_F(SimSocket, PlugAndUnplugAreNoticedAndTheServerLeavingIsARemoval) {
    Inbox<std::pair<DeviceChange, std::string>> notices;
    std::unique_ptr<DeviceMonitor> monitor = CreateSimSocketMonitor(path);
    ASSERT_TRUE(monitor->Start([&](DeviceChange c, const std::string& n) {
        notices.Push({c, n});
    }));
    SimSocketClient control;
    std::string error;
    ASSERT_TRUE(control.Connect(path, error)) << error;
    ASSERT_TRUE(control.SetPlugged(false, error));
    EXPECT_EQ(notices.Wait(1).size(), 1u);
    EXPECT_TRUE(transport->Enumerate().empty());
    ASSERT_TRUE(control.SetPlugged(true, error));
    const auto seen = notices.Wait(2);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].first, DeviceChange::kRemoval);
    EXPECT_EQ(seen[1].first, DeviceChange::kArrival);
    EXPECT_TRUE(IsOurDeviceName(seen[1].second));
    stop = true;
    EXPECT_EQ(notices.Wait(3).back().first, DeviceChange::kRemoval);
    monitor->Stop();
}

TEST(SimSocketMonitor, ASimulatorStartedLaterArrives) {
    test::TempDir temp;
    const std::string path = (temp / "late.sock").string();
    Inbox<DeviceChange> notices;
    std::unique_ptr<DeviceMonitor> monitor = CreateSimSocketMonitor(path);
    ASSERT_TRUE(monitor->Start([&](DeviceChange c, const std::string&) { notices.Push(c); }));
    SystemClock clock;
    SimMouse mouse(clock, FactorySimState());
    std::atomic<bool> stop{false};
    std::thread server([&] {
        std::string error;
        (void)ServeSimSocket(mouse, path, stop, error);
    });
    EXPECT_EQ(notices.Wait(1), std::vector<DeviceChange>{DeviceChange::kArrival});
    stop = true;
    server.join();
    EXPECT_EQ(notices.Wait(2).back(), DeviceChange::kRemoval);
    monitor->Stop();
}

TEST_F(SimSocket, StateCanBeReadAndChangedWhileHandlesStayOpen) {
    SimSocketClient control;
    std::string error;
    ASSERT_TRUE(control.Connect(path, error)) << error;
    ASSERT_TRUE(link.OpenEventInterface());
    SimState state;
    ASSERT_TRUE(control.GetState(state, error)) << error;
    state.firmwareVersion = 201;
    state.faults.busyReplies = 2;
    ASSERT_TRUE(control.SetState(state, error)) << error;
    EXPECT_EQ(mouse.state().firmwareVersion, 201);
    EXPECT_EQ(mouse.state().faults.busyReplies, 2u);
    uint8_t code = 0, value = 0xFF;
    // A changed fault is not a re-plug: the open event handle still reads (and times out).
    EXPECT_EQ(link.WaitDeviceEvent(code, value, Millis(1)), HidError::kTimeout);
}

TEST_F(SimSocket, APeerSendingGarbageIsDroppedAndOthersAreStillServed) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    const uint8_t huge[] = {0xFF, 0xFF, 0xFF, 0xFF, 1};
    ASSERT_EQ(::send(fd, huge, sizeof(huge), MSG_NOSIGNAL), 5);
    uint8_t byte = 0;
    EXPECT_LE(::recv(fd, &byte, 1, 0), 0);  // closed (or reset) without an answer
    ::close(fd);
    DeviceInfo info;
    EXPECT_EQ(RefreshFromDevice(link, info), ExchangeResult::kOk);
}

TEST(SimSocketBackend, NoSimulatorMeansNoMouseAndAStateFileIsUnchanged) {
    test::TempDir temp;
    std::string error;
    auto backend = MouseBackend::Create(LocalFileSystem(),
                                        "unix:" + (temp / "nobody.sock").string(), true, error);
    ASSERT_NE(backend, nullptr) << error;
    EXPECT_EQ(backend->kind(), BackendKind::kSimSocket);
    DeviceInfo info;
    EXPECT_EQ(RefreshFromDevice(backend->link(), info), ExchangeResult::kNoDevice);
    EXPECT_EQ(MouseBackend::Create(LocalFileSystem(), std::string("unix:"), false, error), nullptr);
    test::WriteBytes(temp / "bad.state", {'Z', '7', 'S', 'I', 'M', 9, 9});
    EXPECT_EQ(MouseBackend::Create(LocalFileSystem(), (temp / "bad.state").string(), false, error),
              nullptr);
    EXPECT_NE(error.find("damaged"), std::string::npos);
}

}  // namespace
}  // namespace z7
