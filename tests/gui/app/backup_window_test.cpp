// Backup, restore and the doctor from the desktop program: the same confirmations as z7ctl,
// the work off the user-interface thread, every control reachable and named.
#include <gtest/gtest.h>

// Before Qt: the simulated mouse has a member named like a Qt keyword.
#include "sim/sim_mouse.h"
#include "sim/sim_transport.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>

#include "core/backup/backup.h"
#include "core/profile/profile_store.h"
#include "core/util/text.h"
#include "gui/app/backup_actions.h"
#include "gui/app/doctor_window.h"
#include "platform/fake/recording_auto_start.h"
#include "support/temp_dir.h"

namespace z7 {
namespace {
namespace fsys = std::filesystem;

class BackupWindow : public ::testing::Test {
  protected:
    BackupWindow() : mouse(clock, NewSimState({})), transport(mouse), link(transport, clock) {
        sources.fs = &LocalFileSystem();
        sources.link = &link;
        sources.simulated = true;
        sources.dataFolder = dir / "data";
        sources.dataFolderSource = "--data-dir";
        sources.settingsFile = dir / "Config.ini";
        sources.defaultDataFolder = dir / "default";
        ProfileSet set;
        LoadProfileSet(LocalFileSystem(), set, sources.dataFolder);
        EXPECT_TRUE(SaveProfileSet(LocalFileSystem(), set, sources.dataFolder, nullptr));
    }
    fsys::path profiles() const { return ProfileFolder(sources.dataFolder); }

    // Runs one action to its end, answering its dialogs as `answers` says.
    bool Run(const std::function<void(BackupActions&)>& start, const QString& file,
             bool yes = true) {
        BackupActions actions(nullptr, sources);
        actions.saveFileChooser = actions.openFileChooser = [&](const QString&, const QString&,
                                                                const QString&) { return file; };
        actions.confirm = [&](const QString& text, const QString& details) {
            questions << text;
            shownDetails = details;
            return yes;
        };
        actions.notify = [&](const QString& text, bool failure) {
            messages << text;
            failed = failure;
        };
        QSignalSpy done(&actions, &BackupActions::finished);
        start(actions);
        EXPECT_TRUE(done.count() == 1 || done.wait(20000));
        EXPECT_FALSE(actions.busy());
        return done.count() == 1 && done.front().front().toBool();
    }

    test::TempDir dir;
    VirtualClock clock;
    SimMouse mouse;
    SimTransport transport;
    DeviceLink link;
    DataSources sources;
    QStringList questions, messages;
    QString shownDetails;
    bool failed = false;
};

TEST_F(BackupWindow, BackupThenRestoreAsksFirstAndPutsTheFilesBack) {
    if (!BackupArchiveAvailable()) GTEST_SKIP() << "built without libarchive";
    const QString file = QString::fromStdString(PathToUtf8(dir / "窗口备份"));
    ASSERT_TRUE(Run([](BackupActions& a) { a.Backup(); }, file));
    EXPECT_FALSE(failed);
    EXPECT_TRUE(messages.back().contains(file + ".zip")) << messages.back().toStdString();
    BackupContents contents;
    ASSERT_TRUE(ReadBackup(LocalFileSystem(), dir / "窗口备份.zip", contents, nullptr));
    EXPECT_EQ(contents.manifest.mouse.state, MouseSnapshot::State::kRead) << "the mouse at hand";
    EXPECT_EQ(contents.manifest.mouse.firmwareVersion, 165);

    const fsys::path profile = profiles() / "配置1.profile";
    const std::vector<uint8_t> original = test::ReadBytes(profile);
    test::WriteBytes(profile, {1, 2, 3});
    // Declined: nothing changes, and nothing is said.
    messages.clear();
    EXPECT_FALSE(Run([](BackupActions& a) { a.Restore(); }, file + ".zip", false));
    EXPECT_TRUE(questions.back().contains("将替换 1 个文件")) << questions.back().toStdString();
    EXPECT_TRUE(shownDetails.contains("replace  Profiles/配置1.profile"))
        << shownDetails.toStdString();
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(test::ReadBytes(profile), (std::vector<uint8_t>{1, 2, 3}));

    bool adopted = false;
    ASSERT_TRUE(Run([&](BackupActions& a) { a.Restore([&] { adopted = true; }); }, file + ".zip"));
    EXPECT_TRUE(adopted);
    EXPECT_EQ(test::ReadBytes(profile), original);
}

TEST_F(BackupWindow, ARefusedFileSaysWhyAndChangesNothing) {
    if (!BackupArchiveAvailable()) GTEST_SKIP() << "built without libarchive";
    test::WriteBytes(dir / "bad.zip", {'P', 'K', 3, 4, 0, 0});
    const auto before = test::ReadBytes(profiles() / "pfList.dat");
    EXPECT_FALSE(Run([](BackupActions& a) { a.Restore(); },
                     QString::fromStdString(PathToUtf8(dir / "bad.zip"))));
    EXPECT_TRUE(failed);
    EXPECT_TRUE(messages.back().startsWith("无法恢复")) << messages.back().toStdString();
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_EQ(test::ReadBytes(profiles() / "pfList.dat"), before);
    // Cancelling the file dialog ends the action quietly.
    messages.clear();
    EXPECT_FALSE(Run([](BackupActions& a) { a.Backup(); }, QString()));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(BackupWindow, TheDoctorWindowShowsTheReportCopiesItAndIsReachableByKeyboard) {
    mouse.Update([](SimState& s) { s.faults.accessDenied = true; });
    RecordingAutoStart autoStart;
    DoctorWindow window(nullptr, sources, &autoStart);
    window.show();
    QSignalSpy ready(&window, &DoctorWindow::reportReady);
    ASSERT_TRUE(ready.count() == 1 || ready.wait(20000));
    const QString text = window.reportView()->toPlainText();
    EXPECT_TRUE(text.contains("may not be opened (permission denied)")) << text.toStdString();
    EXPECT_NE(window.report().Find("mouse.open"), nullptr);

    window.copyButton()->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), text);

    for (QWidget* w : std::initializer_list<QWidget*>{window.reportView(), window.copyButton(),
                                                      window.againButton(), window.closeButton()}) {
        EXPECT_NE(w->focusPolicy() & Qt::TabFocus, 0) << w->accessibleName().toStdString();
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(a, nullptr);
        EXPECT_FALSE(a->text(QAccessible::Name).isEmpty());
    }
    EXPECT_EQ(QAccessible::queryAccessibleInterface(window.copyButton())->role(),
              QAccessible::Button);

    mouse.Update([](SimState& s) { s.faults.accessDenied = false; });
    window.againButton()->click();
    ASSERT_TRUE(ready.wait(20000));
    EXPECT_TRUE(window.reportView()->toPlainText().contains("the mouse answers: firmware V1.65"));
}

}  // namespace
}  // namespace z7
