// z7ctl changing the data folder while the window runs: the window shows the change, or says
// it will merge it, and its next save keeps it.
//
// Simulator headers come before Qt's: Qt's `slots` keyword macro would rename SimState::slots.
#include "sim/sim_factory.h"
#include "sim/sim_transport.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "core/profile/profile_store.h"
#include "core/util/text.h"
#include "gui/app/data_folder_watcher.h"
#include "gui/app/main_window.h"
#include "platform/fake/recording_auto_start.h"
#include "platform/fake/recording_host_actions.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"

namespace z7 {
namespace {

QString U(const char* text) {
    return QString::fromUtf8(text);
}

class DataFolderWatching : public ::testing::Test {
  protected:
    void SetUp() override {
        clock.SetBlockingWaits(true);
        Z7ctl({"profile", "save"});
    }
    void TearDown() override { dlg.reset(); }

    std::filesystem::path data() const { return temp / "data"; }
    void Z7ctl(std::vector<std::string> args) {
        args.insert(args.begin(),
                    {"--data-dir", PathToUtf8(data()), "--config", PathToUtf8(temp / "none.ini")});
        const auto r = test::RunCli(args);
        ASSERT_EQ(r.code, 0) << r.err;
    }
    void Open() {
        MainWindowEnvironment env;
        env.fs = &LocalFileSystem();
        env.link = &link;
        env.hostActions = &actions;
        env.autoStart = &autoStart;
        env.settingsFile = temp / "Config.ini";
        env.defaultDataFolder = data();
        env.firmwareFolder = temp / "Firmware Updates";
        env.simulated = true;
        dlg = std::make_unique<MainWindow>(env);
        dlg->popupHandler = [](int, const QString&) { return 2; };
        dlg->messageBoxHandler = [this](const QString& text) { messages.push_back(text); };
        dlg->Start(nullptr, false);
        dlg->WaitForDeviceWork();
    }
    // What the folder watcher reports once a change has settled.
    void FolderChanged() {
        auto* watcher = dlg->findChild<DataFolderWatcher*>();
        ASSERT_NE(watcher, nullptr);
        emit watcher->changed();
    }
    ProfileSet OnDisk() {
        ProfileSet set;
        LoadProfileSet(LocalFileSystem(), set, data());
        return set;
    }
    QString Status() const { return dlg->statusText()->Text(); }

    test::TempDir temp;
    VirtualClock clock;
    SimMouse mouse{clock, FactorySimState()};
    SimTransport transport{mouse};
    DeviceLink link{transport, clock};
    RecordingHostActions actions;
    RecordingAutoStart autoStart;
    std::unique_ptr<MainWindow> dlg;
    std::vector<QString> messages;
};

TEST_F(DataFolderWatching, AChangeShowsAtOnceWhenTheWindowHasNoEdits) {
    Open();
    Z7ctl({"profile", "set", "2", "profileName=FromCli"});
    FolderChanged();
    EXPECT_EQ(dlg->profiles()[2].profileName, u"FromCli");
    ASSERT_NE(dlg->profileSelector()->menu()->FindItem(2), nullptr);
    EXPECT_EQ(dlg->profileSelector()->menu()->FindItem(2)->text, U("FromCli"));
    EXPECT_TRUE(Status().contains(U("已载入"))) << Status().toStdString();
}

TEST_F(DataFolderWatching, WithUnsavedEditsTheStatusLineSaysSoAndTheSaveMerges) {
    Open();
    dlg->OnProfileChoice(1);
    dlg->nameBox()->setText(U("Typed"));
    Z7ctl({"profile", "set", "2", "profileName=FromCli", "cpiX=900"});
    FolderChanged();
    EXPECT_EQ(dlg->profiles()[2].profileName, u"配置2") << "not taken over the edits";
    EXPECT_EQ(dlg->nameBox()->text(), U("Typed"));
    EXPECT_TRUE(Status().contains(U("保存时将合并"))) << Status().toStdString();

    QTest::mouseClick(dlg->button(kIdSave), Qt::LeftButton);
    dlg->WaitForDeviceWork();
    const ProfileSet disk = OnDisk();
    EXPECT_EQ(disk[1].profileName, u"Typed");
    EXPECT_EQ(disk[2].profileName, u"FromCli");
    EXPECT_EQ(disk[2].cpiX[0], 900);
    EXPECT_EQ(dlg->profiles()[2].profileName, u"FromCli");
    EXPECT_TRUE(Status().contains(U("已合并"))) << Status().toStdString();
    EXPECT_TRUE(messages.empty());
}

TEST_F(DataFolderWatching, DamagedFilesAreNamedOnceInTheStatusLineAndKept) {
    Z7ctl({"library", "add", "textblock", "a", "t"});
    const auto item = data() / "Kesta" / "Z7 Laser" / "Text Block" / "a.tb";
    test::WriteBytes(item, {1});
    Open();
    EXPECT_TRUE(Status().contains(U("a.tb"))) << "told at the start: " << Status().toStdString();
    EXPECT_TRUE(dlg->statusText()->toolTip().contains(U("damaged")));
    QTest::mouseClick(dlg->button(kIdSave), Qt::LeftButton);
    dlg->WaitForDeviceWork();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(test::ReadBytes(item), std::vector<uint8_t>{1});
}

// The watcher itself: a change in a watched folder is reported once things settle, also in a
// library folder created after the start.
TEST(DataFolderWatcherTest, ReportsChangesInTheDataFolders) {
    test::TempDir temp;
    const auto data = temp / "data";
    std::filesystem::create_directories(ProfileFolder(data));
    DataFolderWatcher watcher(data);
    QSignalSpy spy(&watcher, &DataFolderWatcher::changed);
    test::WriteBytes(ProfileFolder(data) / "pfList.dat", {0, 0, 0, 0});
    ASSERT_TRUE(spy.wait(5000));
    spy.clear();
    test::WriteBytes(data / "Kesta" / "Z7 Laser" / "Text Block" / "TBList.dat", {0, 0, 0, 0});
    ASSERT_TRUE(spy.wait(5000));
    spy.clear();
    test::WriteBytes(data / "Kesta" / "Z7 Laser" / "Text Block" / "a.tb", {1});
    EXPECT_TRUE(spy.wait(5000));
}

}  // namespace
}  // namespace z7
