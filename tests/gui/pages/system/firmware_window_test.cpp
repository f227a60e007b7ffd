// The firmware updater window over the simulated mouse: every view with its controls and
// texts, the update on the window's worker with progress and time left, Close while the
// transfer runs, and the window outliving its worker.
//
// Simulator headers come before Qt's: Qt's `slots` keyword macro would rename SimState::slots.
#include "sim/sim_mouse.h"
#include "sim/sim_transport.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "core/device/device_commands.h"
#include "core/firmware/firmware_package.h"
#include "gui/pages/firmware/firmware_window.h"
#include "gui/pages/system/shots.h"
#include "gui/ui/skin_layout.h"
#include "support/temp_dir.h"

namespace z7 {

void PrintTo(UpdaterView view, std::ostream* os) {
    *os << UpdaterViewName(view);
}

namespace {
namespace fsys = std::filesystem;

QString U(const char* text) {
    return QString::fromUtf8(text);
}

// The simulated mouse, with a gate that holds the worker at one command until the test lets
// it go, and a boot loader that can be kept out of sight.
class GateTransport final : public HidTransport {
  public:
    explicit GateTransport(SimMouse& mouse) : inner_(mouse) {}
    std::vector<HidCollectionInfo> Enumerate() override {
        std::vector<HidCollectionInfo> all = inner_.Enumerate();
        if (hideBootLoader)
            std::erase_if(all,
                          [](const HidCollectionInfo& c) { return c.productId == kProductBoot; });
        return all;
    }
    std::unique_ptr<HidDevice> Open(const HidCollectionInfo& c, HidStatus& status) override {
        std::unique_ptr<HidDevice> device = inner_.Open(c, status);
        if (!device) return nullptr;
        return std::make_unique<Device>(std::move(device), *this);
    }
    std::vector<uint8_t> StoredImage(uint8_t slot) override { return inner_.StoredImage(slot); }

    // Holds the `nth` request (1-based) with command `command` until Release().
    void HoldAt(uint8_t command, int nth) {
        std::lock_guard lock(mutex_);
        command_ = command;
        left_ = nth;
    }
    // True once the worker waits at the gate.
    bool WaitUntilHeld() {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, std::chrono::seconds(20), [this] { return held_; });
    }
    void Release() {
        std::lock_guard lock(mutex_);
        open_ = true;
        cv_.notify_all();
    }
    std::atomic<bool> hideBootLoader{false};

  private:
    class Device final : public HidDevice {
      public:
        Device(std::unique_ptr<HidDevice> inner, GateTransport& gate)
            : inner_(std::move(inner)), gate_(gate) {}
        HidStatus SetFeature(std::span<const uint8_t> report) override {
            gate_.Pass(report);
            return inner_->SetFeature(report);
        }
        HidStatus GetFeature(std::span<uint8_t> report) override {
            return inner_->GetFeature(report);
        }
        HidStatus ReadInput(std::span<uint8_t> r, Millis t, size_t& n) override {
            return inner_->ReadInput(r, t, n);
        }
        void CancelRead() override { inner_->CancelRead(); }

      private:
        std::unique_ptr<HidDevice> inner_;
        GateTransport& gate_;
    };
    void Pass(std::span<const uint8_t> report) {
        std::unique_lock lock(mutex_);
        if (left_ == 0 || report.size() < 2 || report[1] != command_ || --left_ > 0) return;
        held_ = true;
        cv_.notify_all();
        cv_.wait(lock, [this] { return open_; });
    }

    SimTransport inner_;
    std::mutex mutex_;
    std::condition_variable cv_;
    uint8_t command_ = 0;
    int left_ = 0;
    bool held_ = false;
    bool open_ = false;
};

// Spins (without sleeping) until `done`, delivering what the worker posted meanwhile.
template <typename Pred>
bool WaitUntil(Pred done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QCoreApplication::sendPostedEvents();
        std::this_thread::yield();
    }
    return true;
}

// A payload from which the simulated boot loader learns its version.
std::vector<uint8_t> MarkedPayload(size_t size, uint16_t version) {
    std::vector<uint8_t> p(size, 0x3C);
    std::copy(kFirmwareMarker.begin(), kFirmwareMarker.end(), p.begin());
    p[4] = static_cast<uint8_t>(version);
    p[5] = static_cast<uint8_t>(version >> 8);
    return p;
}

class FirmwareWindowTest : public ::testing::Test {
  protected:
    FirmwareWindowTest() : mouse(clock), transport(mouse), link(transport, clock) {}

    void Package(uint16_t version, size_t size = 3 * 1024) {
        std::string name, error;
        ASSERT_TRUE(WriteFirmwarePackage(LocalFileSystem(), folder(), MarkedPayload(size, version),
                                         version, &name, &error))
            << error;
    }
    fsys::path folder() const { return dir / "Firmware Updates"; }

    // Opens the window and waits for its first view.
    void Open() {
        FirmwareWindowEnvironment env;
        env.link = &link;
        env.fs = &LocalFileSystem();
        env.folder = folder();
        env.afterDeviceWork = [this] { ++deviceWork; };
        env.notice = [this](const QString& text) { notices.push_back(text); };
        window = std::make_unique<FirmwareWindow>(std::move(env), nullptr);
        finished = std::make_unique<QSignalSpy>(window.get(), &QDialog::finished);
        QObject::connect(window.get(), &FirmwareWindow::viewShown, [this](UpdaterView v) {
            test::SaveShot(window.get(), QStringLiteral("updater_%1.png").arg(UpdaterViewName(v)));
        });
        window->Begin();
        window->WaitForWorker();
    }
    void Press(SkinButton* button) {
        ASSERT_TRUE(button->isVisible()) << button->accessibleName().toStdString();
        QTest::mouseClick(button, Qt::LeftButton);
    }
    std::vector<QString> Visible() const {
        std::vector<QString> names;
        for (QWidget* w : {static_cast<QWidget*>(window->okButton()),
                           static_cast<QWidget*>(window->cancelButton()),
                           static_cast<QWidget*>(window->closeButton()),
                           static_cast<QWidget*>(window->progressBar()),
                           static_cast<QWidget*>(window->mouseVersion()),
                           static_cast<QWidget*>(window->fileVersion())})
            if (w->isVisible()) names.push_back(w->accessibleName());
        return names;
    }
    void SetMouse(uint16_t version, SimMode mode = SimMode::kNormal) {
        mouse.Update([&](SimState& s) {
            s.firmwareVersion = version;
            s.mode = mode;
        });
    }

    test::TempDir dir;
    VirtualClock clock;
    SimMouse mouse;
    GateTransport transport;
    DeviceLink link;
    int deviceWork = 0;
    std::vector<QString> notices;
    std::unique_ptr<FirmwareWindow> window;
    std::unique_ptr<QSignalSpy> finished;
};

TEST_F(FirmwareWindowTest, EveryStartingViewShowsItsPictureControlsAndVersions) {
    struct Case {
        const char* what;
        std::function<void()> arrange;
        UpdaterView view;
        std::vector<QString> visible;
    };
    const std::vector<Case> cases = {
        {"no package", [] {}, UpdaterView::kFileProblem, {U("OK"), U("Close")}},
        {"no mouse",
         [this] {
             Package(170);
             mouse.Unplug();
         },
         UpdaterView::kNotFound,
         {U("OK"), U("Close")}},
        {"equal versions",
         [this] {
             mouse.Plug();
             SetMouse(170);
         },
         UpdaterView::kUpToDate,
         {U("OK"), U("Close"), U("Mouse FWVersion")}},
        {"older file",
         [this] { SetMouse(175); },
         UpdaterView::kMouseNewer,
         {U("OK"), U("Cancel"), U("Close"), U("Mouse FWVersion"), U("File FWVersion")}},
        {"newer file",
         [this] { SetMouse(165); },
         UpdaterView::kFileNewer,
         {U("OK"), U("Cancel"), U("Close"), U("Mouse FWVersion"), U("File FWVersion")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.arrange();
        Open();
        EXPECT_EQ(window->view(), c.view);
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(window->windowTitle(), U("FIRMWARE UPDATE"));
        EXPECT_EQ(window->accessibleName(), U("FIRMWARE UPDATE"));
        EXPECT_EQ(Visible(), c.visible);
        // The picture's message reaches assistive technology as text.
        EXPECT_FALSE(window->accessibleDescription().isEmpty());
        const int family = FirmwareWindow::FamilyOfView(c.view);
        EXPECT_EQ(window->okButton()->geometry(), ElementRect(ElementNamed(family, "OK")));
        if (c.view == UpdaterView::kFileProblem || c.view == UpdaterView::kNotFound) {
            EXPECT_TRUE(window->details()->isVisible());
            EXPECT_TRUE(window->details()->Text().startsWith(U("原因：")))
                << window->details()->Text().toStdString();
        }
        window->RequestClose();
        EXPECT_EQ(finished->count(), 1);
    }
    // The long search for a boot loader was announced before it began.
    EXPECT_EQ(notices, std::vector<QString>{U(kBootSearchNoticeText)});
    EXPECT_EQ(window->mouseVersion()->Text(), U("1.65"));
    EXPECT_EQ(window->fileVersion()->Text(), U("1.70"));
    EXPECT_EQ(mouse.state().firmwareVersion, 165);  // nothing was written
}

TEST_F(FirmwareWindowTest, OkOnAnUpToDateMouseClosesWithoutWriting) {
    Package(165);
    Open();
    ASSERT_EQ(window->view(), UpdaterView::kUpToDate);
    mouse.ClearRequests();
    Press(window->okButton());
    EXPECT_EQ(finished->count(), 1);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(mouse.requests().empty());
}

TEST_F(FirmwareWindowTest, AnUpdateRunsOnTheWorkerWithProgressTimeLeftAndTheNewVersion) {
    Package(170, 3 * 1024);
    Open();
    ASSERT_EQ(window->view(), UpdaterView::kFileNewer);
    std::vector<UpdaterView> views;
    QObject::connect(window.get(), &FirmwareWindow::viewShown,
                     [&](UpdaterView v) { views.push_back(v); });
    // Held at the second block: the bar and the time left show where the update stands.
    transport.HoldAt(kCmdWriteBlock, 2);
    Press(window->okButton());
    ASSERT_TRUE(transport.WaitUntilHeld());
    QCoreApplication::sendPostedEvents(window.get(), QEvent::MetaCall);
    EXPECT_EQ(window->view(), UpdaterView::kProgress);
    EXPECT_EQ(Visible(), (std::vector<QString>{U("Close"), U("Progress")}));
    EXPECT_EQ(window->progressBar()->pos(), 2);
    EXPECT_TRUE(window->timeLeft()->isVisible());
    EXPECT_TRUE(window->timeLeft()->Text().startsWith(U("已写入 1/3 块")))
        << window->timeLeft()->Text().toStdString();
    EXPECT_TRUE(window->timeLeft()->Text().contains(U("剩余约 8 秒")))
        << window->timeLeft()->Text().toStdString();

    transport.Release();
    window->WaitForWorker();
    EXPECT_EQ(window->view(), UpdaterView::kSuccess);
    EXPECT_EQ(views, (std::vector<UpdaterView>{UpdaterView::kProgress, UpdaterView::kCompleted,
                                               UpdaterView::kSuccess, UpdaterView::kSuccess}));
    EXPECT_EQ(Visible(), (std::vector<QString>{U("Cancel"), U("Close"), U("Mouse FWVersion")}));
    EXPECT_EQ(window->cancelButton()->fallbackText(), U("完成"));
    EXPECT_EQ(window->mouseVersion()->Text(), U("1.70"));
    EXPECT_EQ(mouse.state().firmwareVersion, 170);
    EXPECT_GE(deviceWork, 2);  // after the start and after the update
    Press(window->cancelButton());
    EXPECT_EQ(finished->count(), 1);
}

TEST_F(FirmwareWindowTest, CloseIsRefusedWhileTheMouseCouldNotRecoverAndEndsTheWindowAfterwards) {
    Package(170, 4 * 1024);
    Open();
    transport.HoldAt(kCmdWriteBlock, 3);
    Press(window->okButton());
    ASSERT_TRUE(transport.WaitUntilHeld());
    QCoreApplication::sendPostedEvents(window.get(), QEvent::MetaCall);
    // Half the firmware is in: stopping now would leave the mouse without any.
    EXPECT_FALSE(window->closeButton()->isEnabled());
    window->RequestClose();
    QTest::keyClick(window.get(), Qt::Key_Escape);
    window->close();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(finished->count(), 0);
    EXPECT_TRUE(window->working());
    EXPECT_TRUE(window->timeLeft()->Text().contains(U("请勿关闭")))
        << window->timeLeft()->Text().toStdString();

    transport.Release();
    window->WaitForWorker();
    EXPECT_EQ(window->view(), UpdaterView::kSuccess);
    EXPECT_TRUE(window->closeButton()->isEnabled());
    Press(window->closeButton());
    EXPECT_EQ(finished->count(), 1);
    EXPECT_EQ(mouse.state().firmwareVersion, 170);
}

TEST_F(FirmwareWindowTest, CloseWhileTheBootLoaderIsAwaitedStopsTheWorkerFirst) {
    clock.SetBlockingWaits(true);
    Package(170);
    Open();
    // The mouse switches, but its boot loader never shows: the search may still be stopped.
    transport.hideBootLoader = true;
    transport.HoldAt(kCmdEnterBootloader, 1);
    Press(window->okButton());
    ASSERT_TRUE(transport.WaitUntilHeld());
    transport.Release();
    // The worker now waits for the boot loader; Close stops it, waits for it, then ends.
    ASSERT_TRUE(WaitUntil([&] {
        return window->view() == UpdaterView::kProgress && window->closeButton()->isEnabled();
    }));
    Press(window->closeButton());
    EXPECT_EQ(finished->count(), 1);
    EXPECT_FALSE(window->working());
    EXPECT_EQ(mouse.state().firmwareVersion, 165);
}

// Lets a gated worker go on as the button is let go, just before it reports the click.
class ReleaseOnPress : public QObject {
  public:
    explicit ReleaseOnPress(std::atomic<bool>& hold) : hold_(hold) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease) hold_ = false;
        return false;
    }

  private:
    std::atomic<bool>& hold_;
};

TEST_F(FirmwareWindowTest, OkWhileTheStartIsStillWindingUpUpdatesInsteadOfClosing) {
    Package(170);
    std::atomic<bool> hold{true};
    FirmwareWindowEnvironment env;
    env.link = &link;
    env.fs = &LocalFileSystem();
    env.folder = folder();
    env.afterDeviceWork = [&hold] {
        while (hold) std::this_thread::yield();
    };
    window = std::make_unique<FirmwareWindow>(std::move(env), nullptr);
    finished = std::make_unique<QSignalSpy>(window.get(), &QDialog::finished);
    window->Begin();
    // The question is up while the worker has not ended yet.
    ASSERT_TRUE(WaitUntil([&] { return window->view() == UpdaterView::kFileNewer; }));
    ASSERT_TRUE(window->working());
    ReleaseOnPress release(hold);
    window->okButton()->installEventFilter(&release);
    QTest::mouseClick(window->okButton(), Qt::LeftButton);
    window->WaitForWorker();
    EXPECT_EQ(finished->count(), 0);
    EXPECT_EQ(window->view(), UpdaterView::kSuccess);
    EXPECT_EQ(mouse.state().firmwareVersion, 170);
}

TEST_F(FirmwareWindowTest, AFailedUpdateShowsTheProblemAndOkEndsIt) {
    Package(170);
    Open();
    // The mouse disappears before the boot loader answers the first block.
    mouse.Update([](SimState& s) { s.faults.unplugAfterCommands = 2; });
    Press(window->okButton());
    window->WaitForWorker();
    EXPECT_EQ(window->view(), UpdaterView::kProblem);
    EXPECT_EQ(Visible(), (std::vector<QString>{U("OK"), U("Close")}));
    EXPECT_TRUE(window->details()->isVisible());
    EXPECT_FALSE(window->details()->Text().isEmpty());
    Press(window->okButton());
    EXPECT_EQ(finished->count(), 1);
}

TEST_F(FirmwareWindowTest, ABootLoaderAtTheStartIsReflashedAtOnceAndTheWindowOutlivesItsWorker) {
    SetMouse(150, SimMode::kBoot);
    Package(170);
    Open();
    EXPECT_EQ(window->view(), UpdaterView::kSuccess);
    EXPECT_EQ(mouse.state().firmwareVersion, 170);
    EXPECT_EQ(mouse.state().mode, SimMode::kNormal);

    // A window destroyed while its worker searches for a boot loader stops and waits for it.
    mouse.Unplug();
    FirmwareWindowEnvironment env;
    env.link = &link;
    env.fs = &LocalFileSystem();
    env.folder = folder();
    bool noticed = false;
    env.notice = [&](const QString&) {
        noticed = true;
        clock.SetBlockingWaits(true);  // from here the search waits until stopped
    };
    auto searching = std::make_unique<FirmwareWindow>(std::move(env), nullptr);
    searching->Begin();
    ASSERT_TRUE(WaitUntil([&] { return noticed; }));
    EXPECT_TRUE(searching->working());
    EXPECT_FALSE(searching->isVisible());
    searching.reset();  // stops the search and joins; must not hang
}

}  // namespace
}  // namespace z7
