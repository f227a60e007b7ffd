#pragma once
// The real main window on the simulated mouse with a virtual clock, its popups, message boxes,
// file choosers and web pages recorded instead of shown.
//
// Simulator headers come before Qt's: Qt's `slots` keyword macro would rename SimState::slots.
#include "sim/sim_factory.h"
#include "sim/sim_transport.h"

namespace z7::test {
inline const DeviceImage& StoredImage(const SimState& state, int slot) {
    return state.slots[static_cast<size_t>(slot)];
}
}  // namespace z7::test

#include <gtest/gtest.h>

#include <QTest>
#include <chrono>
#include <thread>

#include "core/device/device_image.h"
#include "core/profile/profile_store.h"
#include "gui/app/main_window.h"
#include "gui/ui/message_popup.h"
#include "platform/fake/recording_auto_start.h"
#include "platform/fake/recording_host_actions.h"
#include "support/temp_dir.h"

namespace z7::test {

inline QString U(const char* text) {
    return QString::fromUtf8(text);
}

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { clock.SetBlockingWaits(true); }
    void TearDown() override { dlg.reset(); }

    std::filesystem::path dataFolder() const { return temp / "data"; }

    void Open() {
        MainWindowEnvironment env;
        env.fs = &LocalFileSystem();
        env.link = &link;
        env.hostActions = &actions;
        env.autoStart = &autoStart;
        env.settingsFile = temp / "Config.ini";
        env.defaultDataFolder = dataFolder();
        env.firmwareFolder = temp / "Firmware Updates";
        env.simulated = true;
        dlg = std::make_unique<MainWindow>(env);
        dlg->popupHandler = [this](int kind, const QString& text) {
            popups.emplace_back(kind, text);
            return popupAnswer;
        };
        dlg->messageBoxHandler = [this](const QString& text) { messages.push_back(text); };
        dlg->openFileChooser = [this](const QString&, const QString&, const QString&) {
            return importFile;
        };
        dlg->urlOpener = [this](const QString& url) { urls.push_back(url); };
        dlg->Start(nullptr, false);
        dlg->WaitForDeviceWork();
    }

    // Frees user slots so that the selector offers a new profile.
    void FreeSlots(std::initializer_list<int> slots_) {
        for (int s : slots_) dlg->profiles()[s].inUse = 0;
        dlg->RebuildProfileSelector();
    }

    void Click(int controlId) { QTest::mouseClick(dlg->button(controlId), Qt::LeftButton); }

    // The listener posts from its own thread; spin (without sleeping) until it has.
    template <typename Pred>
    bool WaitUntil(Pred done) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            QCoreApplication::sendPostedEvents();
            std::this_thread::yield();
        }
        return true;
    }

    ProfileSet ReloadFromDisk() {
        ProfileSet set;
        LoadProfileSet(LocalFileSystem(), set, dataFolder());
        return set;
    }

    DeviceImage ImageOf(const ProfileRecord& profile) {
        DeviceRecord record = BuildDeviceRecord(profile);
        return BuildImage(record);
    }

    TempDir temp;
    VirtualClock clock;
    SimMouse mouse{clock, FactorySimState()};
    SimTransport transport{mouse};
    DeviceLink link{transport, clock};
    RecordingHostActions actions;
    RecordingAutoStart autoStart;
    std::unique_ptr<MainWindow> dlg;
    std::vector<std::pair<int, QString>> popups;
    int popupAnswer = kPopupYes;
    std::vector<QString> messages;
    std::vector<QString> urls;
    QString importFile;
};

}  // namespace z7::test
