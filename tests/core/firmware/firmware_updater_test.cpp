#include "core/firmware/firmware_updater.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "core/device/device_commands.h"
#include "core/device/device_exchanges.h"
#include "core/util/text.h"
#include "sim/sim_mouse.h"
#include "sim/sim_transport.h"
#include "support/temp_dir.h"

namespace z7 {

void PrintTo(UpdaterView view, std::ostream* os) {
    *os << UpdaterViewName(view);
}

namespace {

// A payload the simulated boot loader takes `version` from.
std::vector<uint8_t> MarkedPayload(size_t size, uint16_t version) {
    std::vector<uint8_t> p(size);
    for (size_t i = 0; i < size; ++i) p[i] = static_cast<uint8_t>(i * 13 + 5);
    std::copy(kFirmwareMarker.begin(), kFirmwareMarker.end(), p.begin());
    p[4] = static_cast<uint8_t>(version);
    p[5] = static_cast<uint8_t>(version >> 8);
    return p;
}

FirmwarePackage PackageOf(const std::vector<uint8_t>& payload, uint16_t version) {
    FirmwarePackage package;
    EXPECT_EQ(ParseFirmwareImage(BuildFirmwareImageFile(payload, version), package.image),
              FirmwareLoadError::None);
    return package;
}

bool Is(const std::vector<uint8_t>& request, uint8_t id, uint8_t command) {
    return request.size() > 1 && request[0] == id && request[1] == command;
}

class UpdaterTest : public ::testing::Test {
  protected:
    UpdaterTest() : mouse(clock), transport(mouse), link(transport, clock) {}

    UpdaterCallbacks Callbacks() {
        UpdaterCallbacks c;
        c.onView = [this](UpdaterView v) {
            views.push_back(v);
            if (onView) onView(v);
        };
        c.onProgress = [this](int p) {
            progress.push_back(p);
            if (onProgress) onProgress(p);
        };
        c.onLongBootSearch = [this] {
            ++notices;
            return onNotice ? onNotice() : true;
        };
        c.onCancellable = [this](bool cancellable) {
            if (onCancellable) onCancellable(cancellable);
        };
        return c;
    }

    UpdaterView StartWith(uint16_t fileVersion, size_t payloadSize = 3000) {
        views.clear();
        progress.clear();
        return updater.Start(FirmwareLoadError::None,
                             PackageOf(MarkedPayload(payloadSize, fileVersion), fileVersion));
    }
    size_t Count(uint8_t id, uint8_t command) const {
        size_t n = 0;
        for (const auto& r : mouse.requests()) n += Is(r, id, command) ? 1 : 0;
        return n;
    }
    void SetMouse(SimMode mode, uint16_t version, std::array<uint8_t, 4> code) {
        mouse.Update([&](SimState& s) {
            s.mode = mode;
            s.firmwareVersion = version;
            s.deviceCode = code;
        });
    }

    VirtualClock clock;
    SimMouse mouse;
    SimTransport transport;
    DeviceLink link;
    std::vector<UpdaterView> views;
    std::vector<int> progress;
    int notices = 0;
    std::function<void(UpdaterView)> onView;
    std::function<void(int)> onProgress;
    std::function<bool()> onNotice;
    std::function<void(bool)> onCancellable;
    FirmwareUpdater updater{link, Callbacks()};
};

TEST_F(UpdaterTest, UnusablePackagesShowTheFileProblemBeforeTheMouseIsAsked) {
    test::TempDir dir;
    FileSystem& fs = LocalFileSystem();
    auto description = [&](const std::string& version, const std::string& name) {
        const std::string text = "[Firmware]\nVersion=" + version + "\nName=" + name + "\n";
        test::WriteBytes(dir / "config.ini", std::vector<uint8_t>(text.begin(), text.end()));
    };
    const auto good = BuildFirmwareImageFile(MarkedPayload(3000, 170), 170);
    test::WriteBytes(dir / "Z7_1.70.bin", good);
    test::WriteBytes(dir / "1.70_Z7.bin", good);

    description("1.70", "Z7_1.70.bin");
    EXPECT_EQ(updater.Start(fs, dir.path()), UpdaterView::kFileNewer);
    mouse.ClearRequests();

    description("1.70", "Z7_1.71.bin");  // the name does not carry the version
    EXPECT_EQ(updater.Start(fs, dir.path()), UpdaterView::kFileProblem);
    description("1.70", "1.70_Z7.bin");  // the name begins with it
    EXPECT_EQ(updater.Start(fs, dir.path()), UpdaterView::kFileProblem);
    EXPECT_EQ(updater.loadError(), FirmwareLoadError::Description);

    description("1.70", "Z7_1.70.bin");
    auto wrongSum = good;
    wrongSum[kFirmwareChecksumOffset + 3] ^= 0x80;
    test::WriteBytes(dir / "Z7_1.70.bin", wrongSum);
    EXPECT_EQ(updater.Start(fs, dir.path()), UpdaterView::kFileProblem);
    test::WriteBytes(dir / "Z7_1.70.bin", std::vector<uint8_t>(good.begin(), good.begin() + 40));
    EXPECT_EQ(updater.Start(fs, dir.path()), UpdaterView::kFileProblem);
    EXPECT_EQ(updater.loadError(), FirmwareLoadError::TooShort);
    test::WriteBytes(dir / "Z7_1.70.bin",
                     BuildFirmwareImageFile(MarkedPayload(120 * 1024 + 1, 170), 170));
    EXPECT_EQ(updater.Start(fs, dir.path()), UpdaterView::kFileProblem);
    EXPECT_EQ(updater.loadError(), FirmwareLoadError::TooLarge);
    EXPECT_FALSE(updater.problemText().empty());

    EXPECT_TRUE(mouse.requests().empty());
    EXPECT_EQ(updater.updateState(), kUpdateStateNone);
    EXPECT_EQ(updater.Update(), UpdaterView::kFileProblem);  // OK only closes
    EXPECT_TRUE(mouse.requests().empty());
}

TEST_F(UpdaterTest, AnImageForAnotherProductFindsNoMouseEvenWithThisOneAttached) {
    auto file = BuildFirmwareImageFile(MarkedPayload(3000, 170), 170);
    file[kFirmwareProductOffset] = 0x07;
    FirmwarePackage package;
    ASSERT_EQ(ParseFirmwareImage(file, package.image), FirmwareLoadError::None);
    EXPECT_EQ(updater.Start(FirmwareLoadError::None, package), UpdaterView::kNotFound);
    EXPECT_TRUE(mouse.requests().empty());
}

TEST_F(UpdaterTest, VersionsDecideTheViewAndEqualOnesWriteNothing) {
    EXPECT_EQ(StartWith(165), UpdaterView::kUpToDate);
    EXPECT_EQ(updater.mouseVersionText(), "1.65");
    EXPECT_EQ(updater.deviceCodeText(), "Z7L1");
    mouse.ClearRequests();
    EXPECT_EQ(updater.Update(), UpdaterView::kUpToDate);
    EXPECT_TRUE(mouse.requests().empty());
    EXPECT_FALSE(link.configOpen());

    EXPECT_EQ(StartWith(166), UpdaterView::kFileNewer);
    EXPECT_EQ(updater.updateState(), kUpdateStateFileNewer);
    EXPECT_EQ(updater.fileVersionText(), "1.66");

    // A lower file version may still be written.
    EXPECT_EQ(StartWith(105), UpdaterView::kMouseNewer);
    EXPECT_EQ(updater.updateState(), kUpdateStateMouseNewer);
    EXPECT_EQ(updater.Update(), UpdaterView::kSuccess);
    EXPECT_EQ(mouse.state().firmwareVersion, 105);
    EXPECT_EQ(updater.mouseVersionText(), "1.05");
}

TEST_F(UpdaterTest, AFullUpdateFollowsTheBootLoadersProtocolAndTiming) {
    ASSERT_EQ(StartWith(170, 3000), UpdaterView::kFileNewer);
    views.clear();
    mouse.ClearRequests();
    clock.ClearSleeps();
    // Nobody else talks to the mouse meanwhile.
    int lockedOut = 0;
    onProgress = [&](int) {
        lockedOut += std::async(std::launch::async, [&] {
                         const bool got = link.deviceLock().try_lock();
                         if (got) link.deviceLock().unlock();
                         return !got;
                     }).get();
    };
    EXPECT_EQ(updater.Update(), UpdaterView::kSuccess) << updater.problemText();
    EXPECT_EQ(lockedOut, 5);
    EXPECT_EQ(updater.updateState(), kUpdateStateCompleted);
    EXPECT_EQ(mouse.state().firmwareVersion, 170);
    EXPECT_EQ(mouse.state().mode, SimMode::kNormal);
    EXPECT_EQ(updater.mouseVersionText(), "1.70");
    EXPECT_FALSE(link.configOpen());

    std::vector<std::pair<uint8_t, uint8_t>> commands;
    for (const auto& r : mouse.requests()) commands.emplace_back(r[0], r[1]);
    const std::vector<std::pair<uint8_t, uint8_t>> expected = {
        {0x60, 0x3A}, {0x81, 0x01}, {0x80, 0x02}, {0x80, 0x03}, {0x81, 0x06}, {0x80, 0x07},
        {0x81, 0x06}, {0x80, 0x07}, {0x81, 0x06}, {0x80, 0x07}, {0x80, 0x09}, {0x60, 0x02}};
    EXPECT_EQ(commands, expected);
    const auto requests = mouse.requests();
    EXPECT_EQ(requests[3][kCountByte], 3);
    EXPECT_EQ(requests[4][kBlockNumberByte], 20);
    EXPECT_EQ(requests[8][kBlockNumberByte], 22);

    EXPECT_EQ(views, (std::vector<UpdaterView>{UpdaterView::kProgress, UpdaterView::kCompleted,
                                               UpdaterView::kSuccess, UpdaterView::kSuccess}));
    EXPECT_EQ(progress, (std::vector<int>{0, 2, 2, 35, 68}));

    // Command delays interleave with the procedure's own waits.
    const std::vector<Millis> sleeps = clock.Sleeps();
    const auto settle = std::find(sleeps.begin(), sleeps.end(), kBootSettleWait);
    ASSERT_NE(settle, sleeps.end());
    EXPECT_EQ(std::vector<Millis>(settle, settle + 7),
              (std::vector<Millis>{Millis(10000), Millis(20), Millis(100), Millis(1000), Millis(50),
                                   Millis(500), Millis(60)}));
    const auto finish = std::find(sleeps.begin(), sleeps.end(), kBeforeFinishWait);
    ASSERT_NE(finish, sleeps.end());
    EXPECT_EQ(std::vector<Millis>(finish, finish + 4),
              (std::vector<Millis>{Millis(200), Millis(50), Millis(7000), Millis(50)}));
}

TEST_F(UpdaterTest, PartialLastBlocksAreZeroFilled) {
    for (const size_t size : {size_t{2048}, size_t{2049}}) {
        SetMouse(SimMode::kNormal, 165, kSimDefaultDeviceCode);
        const auto payload = MarkedPayload(size, 170);
        updater.Start(FirmwareLoadError::None, PackageOf(payload, 170));
        mouse.ClearRequests();
        ASSERT_EQ(updater.Update(), UpdaterView::kSuccess);
        std::vector<std::vector<uint8_t>> writes;
        for (const auto& r : mouse.requests())
            if (Is(r, kBootLongId, kCmdWriteBlock)) writes.push_back(r);
        ASSERT_EQ(writes.size(), size / 1024 + (size % 1024 ? 1 : 0));
        const auto& last = writes.back();
        EXPECT_EQ(last[kPayloadOffset], payload[size == 2048 ? 1024 : 2048]);
        if (size == 2049) {
            for (size_t i = 1; i < kFirmwareBlockSize; ++i) ASSERT_EQ(last[kPayloadOffset + i], 0);
        }
    }
}

TEST_F(UpdaterTest, ABootLoaderAtStartIsReflashedWithoutTheSwitchOrTheFirstBlock) {
    SetMouse(SimMode::kBoot, 150, {'Q', 'X', '0', '1'});
    EXPECT_EQ(StartWith(170), UpdaterView::kProgress);
    EXPECT_TRUE(updater.foundInBootMode());
    EXPECT_EQ(updater.deviceCodeText(), "QX01");
    EXPECT_EQ(updater.Update(), UpdaterView::kSuccess);
    EXPECT_EQ(mouse.state().firmwareVersion, 170);
    EXPECT_EQ(Count(kNormalRequestId, kCmdEnterBootloader), 0u);
    EXPECT_EQ(Count(kBootLongId, kCmdWriteFirstBlock), 0u);
    EXPECT_EQ(Count(kBootRequestId, kCmdReadBootInfo), 0u);
    EXPECT_EQ(Count(kBootRequestId, kCmdBeginDownload), 1u);
    EXPECT_EQ(notices, 0);
}

TEST_F(UpdaterTest, ReadBackCoversTheFirst88BlocksUnlessTheDeviceIsL100) {
    for (const auto code :
         {std::array<uint8_t, 4>{'Z', '7', 'L', '1'}, std::array<uint8_t, 4>{'L', '1', '0', '0'}}) {
        SetMouse(SimMode::kNormal, 165, code);
        ASSERT_EQ(StartWith(170, 100 * 1024), UpdaterView::kFileNewer);
        mouse.ClearRequests();
        ASSERT_EQ(updater.Update(), UpdaterView::kSuccess);
        std::vector<uint8_t> readBack;
        for (const auto& r : mouse.requests())
            if (Is(r, kBootRequestId, kCmdReadBlock)) readBack.push_back(r[kBlockNumberByte]);
        const size_t want = code[0] == 'L' ? 100 : 88;
        ASSERT_EQ(readBack.size(), want);
        EXPECT_EQ(readBack.front(), 20);
        EXPECT_EQ(readBack.back(), 20 + want - 1);
        // 2 + 100 * 99 / 100 would be 101.
        EXPECT_EQ(*std::max_element(progress.begin(), progress.end()), 100);
        EXPECT_EQ(progress[3], 3);
    }
}

TEST_F(UpdaterTest, AMouseUnpluggedDuringTheDownloadIsRecoveredFromItsBootLoader) {
    ASSERT_EQ(StartWith(170, 10 * 1024), UpdaterView::kFileNewer);
    onProgress = [&](int p) {
        if (p == 42) {
            mouse.Unplug();
        }
    };
    EXPECT_EQ(updater.Update(), UpdaterView::kProblem);
    EXPECT_EQ(updater.updateState(), kUpdateStateNone);
    EXPECT_EQ(views.back(), UpdaterView::kProblem);
    EXPECT_EQ(mouse.state().firmwareVersion, 165);

    onProgress = nullptr;
    mouse.Plug();
    EXPECT_EQ(mouse.state().mode, SimMode::kBoot);
    ASSERT_EQ(StartWith(170, 10 * 1024), UpdaterView::kProgress);
    EXPECT_EQ(updater.Update(), UpdaterView::kSuccess) << updater.problemText();
    EXPECT_EQ(mouse.state().firmwareVersion, 170);
    EXPECT_EQ(mouse.state().mode, SimMode::kNormal);
}

TEST_F(UpdaterTest, AFailedFinishShowsTheProblemView) {
    ASSERT_EQ(StartWith(170, 2048), UpdaterView::kFileNewer);
    onProgress = [&](int p) {
        if (p == 52) {
            mouse.Update([](SimState& s) { s.faults.failStatusReplies = 1; });
        }
    };
    EXPECT_EQ(updater.Update(), UpdaterView::kProblem);
    EXPECT_EQ(Count(kBootRequestId, kCmdFinishDownload), 1u);
    EXPECT_EQ(std::count(views.begin(), views.end(), UpdaterView::kCompleted), 0);
    EXPECT_EQ(mouse.state().mode, SimMode::kBoot);
    EXPECT_FALSE(link.configOpen());
}

TEST_F(UpdaterTest, AMouseThatDoesNotComeBackIsSearchedWithGrowingWaits) {
    ASSERT_EQ(StartWith(170, 1024), UpdaterView::kFileNewer);
    views.clear();
    onView = [&](UpdaterView v) {
        if (v == UpdaterView::kCompleted) mouse.Unplug();
    };
    clock.ClearSleeps();
    EXPECT_EQ(updater.Update(), UpdaterView::kProblem);
    std::vector<Millis> sleeps = clock.Sleeps();
    const auto reconnect = std::find(sleeps.begin(), sleeps.end(), kBeforeReconnectWait);
    ASSERT_NE(reconnect, sleeps.end());
    std::vector<Millis> expected = {kBeforeReconnectWait};
    for (int i = 1; i <= 10; ++i) expected.push_back(Millis(800 * i));
    EXPECT_EQ(std::vector<Millis>(reconnect, sleeps.end()), expected);
    EXPECT_EQ(views, (std::vector<UpdaterView>{UpdaterView::kProgress, UpdaterView::kCompleted,
                                               UpdaterView::kSuccess, UpdaterView::kProblem}));
}

TEST_F(UpdaterTest, TheBootLoaderIsSearchedAfterANoticeAndTheSearchMayBeCancelled) {
    mouse.Unplug();
    EXPECT_EQ(StartWith(170), UpdaterView::kNotFound);
    EXPECT_EQ(notices, 1);
    // Two quick tries, then 301 after the notice, one second apart.
    EXPECT_EQ(clock.Waits().size(), 2u + 301u);
    EXPECT_EQ(clock.Waits().front(), kBootProbeWait);
    EXPECT_EQ(clock.Waits().back(), kBootSearchWait);

    onNotice = [&] { return updater.Cancel(); };
    EXPECT_EQ(StartWith(170), UpdaterView::kCancelled);
    EXPECT_TRUE(updater.cancelled());

    // The boot loader shows up while the user reads the notice.
    onNotice = [&] {
        mouse.Update([](SimState& s) { s.mode = SimMode::kBoot; });
        mouse.Plug();
        return true;
    };
    EXPECT_EQ(StartWith(170), UpdaterView::kProgress);
}

TEST_F(UpdaterTest, CancellingIsTakenOnlyWhileTheMouseStaysRecoverable) {
    // Before the switch: nothing is sent.
    ASSERT_EQ(StartWith(170), UpdaterView::kFileNewer);
    mouse.ClearRequests();
    EXPECT_TRUE(updater.Cancel());
    EXPECT_EQ(updater.Update(), UpdaterView::kCancelled);
    EXPECT_TRUE(mouse.requests().empty());

    // While searching for the boot loader: it is left waiting, with nothing written.
    ASSERT_EQ(StartWith(170), UpdaterView::kFileNewer);
    std::vector<bool> changes;
    onCancellable = [&](bool c) {
        changes.push_back(c);
        if (c) {
            EXPECT_TRUE(updater.Cancel());
        }
    };
    EXPECT_EQ(updater.Update(), UpdaterView::kCancelled);
    EXPECT_EQ(changes, (std::vector<bool>{false, true}));
    EXPECT_EQ(mouse.state().mode, SimMode::kBoot);
    EXPECT_EQ(Count(kBootRequestId, kCmdBeginDownload), 0u);
    EXPECT_FALSE(link.configOpen());

    // From the download on, the update finishes.
    onCancellable = nullptr;
    ASSERT_EQ(StartWith(170), UpdaterView::kProgress);
    EXPECT_TRUE(updater.CanCancel());
    int refused = 0;
    onProgress = [&](int) {
        refused += updater.Cancel() ? 0 : 1;
        EXPECT_FALSE(updater.CanCancel());
    };
    EXPECT_EQ(updater.Update(), UpdaterView::kSuccess);
    EXPECT_EQ(refused, 4);
    EXPECT_FALSE(updater.cancelled());
    EXPECT_TRUE(updater.CanCancel());
}

TEST_F(UpdaterTest, ACancelFromAnotherThreadEndsTheBootLoaderSearchOfAWorker) {
    ASSERT_EQ(StartWith(170), UpdaterView::kFileNewer);
    clock.SetBlockingWaits(true);
    std::promise<void> searching;
    onCancellable = [&](bool cancellable) {
        if (!cancellable) return;
        mouse.Unplug();  // the boot loader never shows up
        searching.set_value();
    };
    std::future<UpdaterView> result =
        std::async(std::launch::async, [&] { return updater.Update(); });
    searching.get_future().wait();
    EXPECT_TRUE(updater.CanCancel());
    EXPECT_TRUE(updater.Cancel());
    ASSERT_EQ(result.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(result.get(), UpdaterView::kCancelled);
    EXPECT_TRUE(updater.cancelled());
    EXPECT_EQ(Count(kBootRequestId, kCmdBeginDownload), 0u);
}

// Counts the process lock's takes: each begins by reading the time once.
class TakeCounter final : public Clock {
  public:
    TimePoint Now() override {
        ++takes;
        return inner.Now();
    }
    void Sleep(Millis d) override { inner.Sleep(d); }
    bool WaitFor(WakeSignal& s, Millis t) override { return inner.WaitFor(s, t); }
    VirtualClock inner;
    int takes = 0;
};

TEST_F(UpdaterTest, StartHoldsTheMouseFromFindingItToReadingIt) {
    // Let go in between, another exchange (the window's refresh) could close the handle the
    // updater found before it reads the version.
    test::TempDir dir;
    TakeCounter counter;
    link.SetProcessLock(dir / "mouse.lock", Millis(0), &counter);
    EXPECT_EQ(StartWith(170), UpdaterView::kFileNewer);
    EXPECT_EQ(counter.takes, 1);
    SetMouse(SimMode::kBoot, 150, kSimDefaultDeviceCode);
    counter.takes = 0;
    EXPECT_EQ(StartWith(170), UpdaterView::kProgress);
    EXPECT_EQ(counter.takes, 1);
    // Only the notice before the long search is shown without it.
    mouse.Unplug();
    onNotice = [&] {
        mouse.Plug();
        return true;
    };
    counter.takes = 0;
    EXPECT_EQ(StartWith(170), UpdaterView::kProgress);
    EXPECT_EQ(counter.takes, 2);
}

TEST_F(UpdaterTest, AnotherProgramHoldingTheMouseEndsStartAndUpdateWithoutTouchingIt) {
    test::TempDir dir;
    VirtualClock waitClock;
    link.SetProcessLock(dir / "mouse.lock", Millis(2000), &waitClock);
    SimTransport otherTransport(mouse);
    DeviceLink other(otherTransport, clock);
    other.SetProcessLock(dir / "mouse.lock", Millis(0), &waitClock);
    ASSERT_TRUE(link.OpenEventInterface());  // the window listens meanwhile
    {
        ExchangeLock held(other);
        EXPECT_EQ(StartWith(170), UpdaterView::kProblem);
        EXPECT_TRUE(updater.busy());
        EXPECT_TRUE(link.eventOpen());
        EXPECT_NE(updater.problemText().find("another program"), std::string::npos);
        EXPECT_TRUE(mouse.requests().empty());
    }
    ASSERT_EQ(StartWith(170), UpdaterView::kFileNewer);
    EXPECT_FALSE(updater.busy());
    mouse.ClearRequests();
    {
        ExchangeLock held(other);
        EXPECT_EQ(updater.Update(), UpdaterView::kProblem);
        EXPECT_TRUE(updater.busy());
    }
    EXPECT_TRUE(mouse.requests().empty());
    EXPECT_EQ(mouse.state().mode, SimMode::kNormal);
    // And the updater keeps the others out from the switch to the reconnect.
    ASSERT_EQ(StartWith(170), UpdaterView::kFileNewer);
    int othersIn = 0;
    onProgress = [&](int) {
        othersIn += ActivateExchange(other, 1) == ExchangeResult::kBusy ? 0 : 1;
    };
    EXPECT_EQ(updater.Update(), UpdaterView::kSuccess) << updater.problemText();
    EXPECT_EQ(othersIn, 0);
}

TEST_F(UpdaterTest, AMouseThatMayNotBeOpenedIsReportedAtOnceWithoutTheBootLoaderSearch) {
    for (const SimMode mode : {SimMode::kNormal, SimMode::kBoot}) {
        mouse.Update([&](SimState& s) {
            s.mode = mode;
            s.faults.accessDenied = true;
        });
        clock.ClearSleeps();
        EXPECT_EQ(StartWith(170), UpdaterView::kNotFound);
        EXPECT_EQ(notices, 0);
        EXPECT_EQ(clock.TotalSlept(), Millis(0));
        EXPECT_TRUE(clock.Waits().empty());
        EXPECT_NE(updater.problemText().find("permission denied"), std::string::npos);
        EXPECT_EQ(link.lastOpenProblem().outcome, OpenOutcome::kAccessDenied);
    }
}

TEST_F(UpdaterTest, AMouseThatKeepsItsOldFirmwareFailsTheUpdate) {
    // No marker: the simulated boot loader takes the blocks and keeps version 1.65.
    std::vector<uint8_t> payload = MarkedPayload(3000, 170);
    payload[0] = 'X';
    ASSERT_EQ(updater.Start(FirmwareLoadError::None, PackageOf(payload, 170)),
              UpdaterView::kFileNewer);
    views.clear();
    EXPECT_EQ(updater.Update(), UpdaterView::kProblem);
    EXPECT_EQ(views.back(), UpdaterView::kProblem);
    EXPECT_EQ(updater.problemText(), "the mouse reports firmware 1.65 after the update, not 1.70");
    EXPECT_EQ(updater.mouseVersionText(), "1.65");
    EXPECT_EQ(updater.updateState(), kUpdateStateNone);
    EXPECT_EQ(mouse.state().mode, SimMode::kNormal);
}

}  // namespace
}  // namespace z7
