#include <atomic>
#include <condition_variable>
#include <thread>

#include "core/device/device_exchanges.h"
#include "device_fixture.h"

namespace z7::test {
namespace {

// Collects what the listener hands on; Wait blocks (without sleeping) until `n` arrived.
struct Received {
    std::mutex mutex;
    std::condition_variable cv;
    std::vector<std::pair<uint8_t, uint8_t>> items;

    void Add(uint8_t code, uint8_t value) {
        {
            std::lock_guard lock(mutex);
            items.emplace_back(code, value);
        }
        cv.notify_all();
    }
    std::vector<std::pair<uint8_t, uint8_t>> Wait(size_t n) {
        std::unique_lock lock(mutex);
        cv.wait(lock, [&] { return items.size() >= n; });
        return items;
    }
};

class ListenerTest : public SimLinkTest {
  protected:
    void SetUp() override {
        clock.SetBlockingWaits(true);
        link.SetEventHandlers({
            .currentSlot = [this] { return current.load(); },
            .onProfileSwitch = [this](uint8_t slot) { received.Add(kEventProfileSwitch, slot); },
            .onHostAction = [this](uint8_t code, uint8_t value) { received.Add(code, value); },
        });
    }
    std::atomic<int> current{0};
    Received received;
};

TEST_F(ListenerTest, ReportsAreHandedOnOnceAndIgnoredOnesAreDropped) {
    ASSERT_TRUE(link.OpenEventInterface());
    ASSERT_TRUE(link.StartDeviceListener());
    EXPECT_FALSE(link.StartDeviceListener());  // never a second one
    mouse.QueueEvent({1, 7, 0});               // no such slot
    mouse.QueueEvent({1, 0, 0});               // already current
    mouse.QueueEvent({5, 1, 1});               // unknown code
    mouse.QueueEvent({1, 2, 0});
    mouse.QueueEvent({19, 0, 5});
    mouse.QueueEvent({22, 0, 6});
    const auto items = received.Wait(3);
    link.CloseDevice();
    EXPECT_FALSE(link.listenerRunning());
    EXPECT_EQ(items, (std::vector<std::pair<uint8_t, uint8_t>>{{1, 2}, {19, 5}, {22, 6}}));
    EXPECT_EQ(received.items.size(), 3u);
    // The reports were taken as they came: no time passed on the clock.
    EXPECT_EQ(clock.Now(), Clock::TimePoint{});
}

TEST_F(ListenerTest, IdleListenerWakesOnlyWhenItsWaitRunsOut) {
    ASSERT_TRUE(link.OpenEventInterface());
    ASSERT_TRUE(link.StartDeviceListener());
    clock.Advance(Millis(10000));  // ten idle waits
    mouse.QueueEvent({1, 3, 0});
    EXPECT_EQ(received.Wait(1).front(), (std::pair<uint8_t, uint8_t>{1, 3}));
    link.CloseDevice();  // returns although no time passes: the wait is woken
}

TEST_F(ListenerTest, StoppingAndRestartingUnderLoadNeverLeavesTwoListeners) {
    std::atomic<int> inside{0};
    std::atomic<bool> overlap{false};
    std::atomic<int> delivered{0};
    link.SetEventHandlers(
        {.currentSlot = {}, .onProfileSwitch = {}, .onHostAction = [&](uint8_t, uint8_t) {
             if (inside.fetch_add(1) != 0) overlap = true;
             ++delivered;
             std::this_thread::yield();
             inside.fetch_sub(1);
         }});
    std::atomic<bool> stop{false};
    std::thread producer([&] {
        while (!stop) mouse.QueueEvent({19, 0, 1});
    });
    for (int i = 0; i < 200; ++i) {
        link.RestartListening();
        EXPECT_TRUE(link.listenerRunning() || !link.eventOpen());
    }
    link.CloseDevice();
    stop = true;
    producer.join();
    EXPECT_FALSE(overlap);
    EXPECT_FALSE(link.listenerRunning());
    // Nothing is handed on once CloseDevice has returned.
    const int after = delivered.load();
    mouse.QueueEvent({19, 0, 2});
    std::this_thread::yield();
    EXPECT_EQ(delivered.load(), after);
}

TEST_F(ListenerTest, AHandlerMayCloseTheDeviceItself) {
    link.SetEventHandlers({.currentSlot = {},
                           .onProfileSwitch =
                               [this](uint8_t slot) {
                                   link.CloseDevice();
                                   received.Add(kEventProfileSwitch, slot);
                               },
                           .onHostAction = {}});
    ASSERT_TRUE(link.OpenEventInterface());
    ASSERT_TRUE(link.StartDeviceListener());
    mouse.QueueEvent({1, 4, 0});
    received.Wait(1);
    link.RestartListening();  // joins the listener that closed itself
    EXPECT_TRUE(link.listenerRunning());
    link.CloseDevice();
}

TEST_F(ListenerTest, AHandlerClosingWhileAnotherThreadClosesDoesNotDeadlock) {
    std::atomic<bool> inHandler{false}, closing{false};
    link.SetEventHandlers({.currentSlot = {},
                           .onProfileSwitch =
                               [&](uint8_t) {
                                   inHandler = true;
                                   while (!closing) std::this_thread::yield();
                                   link.CloseDevice();
                               },
                           .onHostAction = {}});
    ASSERT_TRUE(link.OpenEventInterface());
    ASSERT_TRUE(link.StartDeviceListener());
    mouse.QueueEvent({1, 3, 0});
    while (!inHandler) std::this_thread::yield();
    closing = true;
    link.CloseDevice();
    EXPECT_FALSE(link.listenerRunning());
}

TEST_F(ListenerTest, AListenerOnAVanishedMouseRestsUntilStopped) {
    ASSERT_TRUE(link.OpenEventInterface());
    ASSERT_TRUE(link.StartDeviceListener());
    mouse.Unplug();
    link.CloseDevice();
    EXPECT_FALSE(link.listenerRunning());
}

TEST_F(ListenerTest, AnExchangeStopsTheListenerAndStartsANewOne) {
    ASSERT_TRUE(link.OpenEventInterface());
    ASSERT_TRUE(link.StartDeviceListener());
    clock.SetBlockingWaits(false);  // the exchange's own sleeps move time
    EXPECT_EQ(ActivateExchange(link, 2), ExchangeResult::kOk);
    clock.SetBlockingWaits(true);
    EXPECT_TRUE(link.listenerRunning());
    mouse.QueueEvent({22, 0, 9});
    EXPECT_EQ(received.Wait(1).front(), (std::pair<uint8_t, uint8_t>{22, 9}));
    link.CloseDevice();
}

}  // namespace
}  // namespace z7::test
