// The System page in the real main window on the simulated mouse: its controls, the start-up
// entry, moving the data folder, Default, Close and Cancel, and the factory reset.
#include "gui/app/main_window_fixture.h"

#include <QPlainTextEdit>
#include <QSignalSpy>

#include "core/buttons/shortcut_library.h"
#include "core/device/device_change.h"
#include "core/device/device_commands.h"
#include "core/device/factory_reset_exchange.h"
#include "core/profile/ini_file.h"
#include "core/profile/settings.h"
#include "core/util/text.h"
#include "gui/app/backup_actions.h"
#include "gui/app/doctor_window.h"
#include "gui/pages/system/shots.h"
#include "gui/pages/system/system_page.h"
#include "gui/ui/skin_layout.h"

namespace z7::test {
namespace {
namespace fsys = std::filesystem;

constexpr char kOurDevice[] = "/dev/hidraw-22D4-1206";

// A desktop that refuses the start-up entry (a read-only autostart folder, a locked key).
class RefusingAutoStart final : public AutoStart {
  public:
    bool Enable(const std::u16string&) override { return false; }
    bool Disable(const std::u16string&) override { return false; }
    bool IsEnabled(const std::u16string&) override { return registered; }
    bool registered = false;
};

QString PathText(const fsys::path& p) {
    return QString::fromStdU16String(PathToUtf16(p));
}

class SystemPageTest : public MainWindowTest {
  protected:
    // The main window as the fixture opens it, with the start-up service and settings file the
    // test chooses, and the System page shown.
    void OpenWith(AutoStart* service = nullptr, fsys::path settingsFile = {}) {
        MainWindowEnvironment env;
        env.fs = &LocalFileSystem();
        env.link = &link;
        env.hostActions = &actions;
        env.autoStart = service ? service : &autoStart;
        env.settingsFile = settingsFile.empty() ? temp / "Config.ini" : settingsFile;
        env.defaultDataFolder = dataFolder();
        env.firmwareFolder = temp / "Firmware Updates";
        env.simulated = true;
        dlg = std::make_unique<MainWindow>(env);
        dlg->popupHandler = [this](int kind, const QString& text) {
            popups.emplace_back(kind, text);
            return popupAnswer;
        };
        dlg->messageBoxHandler = [this](const QString& text) { messages.push_back(text); };
        dlg->urlOpener = [this](const QString& url) { urls.push_back(url); };
        dlg->questionHandler = [this](const QString& text) {
            questions.push_back(text);
            return answer;
        };
        dlg->folderChooser = [this](const QString& caption, const QString&) {
            chooserCaptions.push_back(caption);
            return chosenFolder;
        };
        dlg->Start(nullptr, false);
        dlg->WaitForDeviceWork();
        page = static_cast<SystemPage*>(dlg->page(PageId::kSystem));
        dlg->OpenPage(PageId::kSystem);
        ASSERT_TRUE(page->built());
    }

    // A user profile and a shortcut in the data folder before the program starts.
    void SeedData(const fsys::path& data) {
        ProfileSet set;
        LoadProfileSet(LocalFileSystem(), set, data);
        set[2].inUse = 1;
        set[2].profileName = u"驾驶";
        set[2].pollingRate = 8;
        std::string error;
        ASSERT_TRUE(SaveProfileSet(LocalFileSystem(), set, data, &error)) << error;
        auto shortcuts = ShortcutLibrary::ForDataFolder(data);
        shortcuts.entries() = {{0, kTargetWebAddress, u"Docs", u"http://a.example"}};
        ASSERT_TRUE(shortcuts.Save(LocalFileSystem(), nullptr, &error)) << error;
    }

    std::u16string ConfigValue(const char16_t* key, const fsys::path& file = {}) {
        IniFile ini;
        EXPECT_TRUE(LoadIniFile(LocalFileSystem(), file.empty() ? temp / "Config.ini" : file, ini));
        return ini.GetString(kSettingsSection, key, u"<none>");
    }

    void TypeFolder(const QString& text) { page->dataFolderEdit()->setText(text); }
    void Press(SkinButton* button) {
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
    }

    SystemPage* page = nullptr;
    std::vector<QString> questions;
    bool answer = true;
    std::vector<QString> chooserCaptions;
    QString chosenFolder;
};

TEST_F(SystemPageTest, ControlsCarryTheirNamesTooltipsAndVersions) {
    OpenWith();
    SaveShot(page, QStringLiteral("page_system.png"));
    EXPECT_EQ(page->windowTitle(), U("SYSTEM SETTINGS"));
    const std::pair<int, const char*> named[] = {
        {SystemPage::kUpdateSoftwareId, "Update Software"},
        {SystemPage::kUpdateFirmwareId, "Update Firmware"},
        {SystemPage::kSelectFolderId, "Select Folder Path"},
        {SystemPage::kFactoryDefaultId, "Factory Default"},
        {SystemPage::kBackupId, "Backup"},
        {SystemPage::kRestoreId, "Restore"},
        {SystemPage::kDiagnosticsId, "Diagnostics"},
    };
    for (const auto& [id, name] : named) {
        SkinButton* b = page->button(id);
        ASSERT_NE(b, nullptr) << name;
        EXPECT_EQ(b->accessibleName(), U(name));
        EXPECT_TRUE(b->isVisible()) << name;
        EXPECT_NE(b->focusPolicy(), Qt::NoFocus) << name;
        EXPECT_EQ(b->geometry(), ElementRect(ElementNamed(20, name))) << name;
    }
    EXPECT_EQ(page->startApplication()->accessibleName(), U("Start Application"));
    EXPECT_EQ(page->dataFolderEdit()->accessibleName(), U("Data Folder"));
    EXPECT_EQ(page->button(SystemPage::kFactoryDefaultId)->toolTip(),
              U("在这里可以恢复出厂设置，清除鼠标的所有数据及设置，此操作会清除鼠标设定的所有数据，"
                "包括设置，按键巨集（宏设定）"));
    EXPECT_EQ(page->startApplication()->toolTip(),
              U("如果你希望电脑开机后就自动开启这个驱动，请选中该功能"));
    EXPECT_EQ(page->button(SystemPage::kUpdateFirmwareId)->toolTip(), U("更新最新版本的固件"));
    for (SkinButton* b : {page->applyButton(), page->cancelButton(), page->defaultButton()})
        EXPECT_EQ(b->toolTip(), QString());
    EXPECT_EQ(page->backButton(), nullptr);

    EXPECT_EQ(page->softwareVersion()->Text(), U("V1.00"));
    EXPECT_EQ(page->firmwareVersion()->Text(), U("V1.65"));
    EXPECT_EQ(page->dataFolderEdit()->text(), PathText(dataFolder()));
    EXPECT_FALSE(page->startApplication()->checked());
    mouse.Unplug();
    dlg->OnDeviceChange(DeviceChange::kRemoval, kOurDevice);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(page->firmwareVersion()->Text(), U("-.--"));

    Press(page->button(SystemPage::kUpdateSoftwareId));
    EXPECT_EQ(urls, std::vector<QString>{U("https://www.kesta.example/a/support.html")});
    // Backup and restore start with their file dialogs (cancelled here); the doctor opens its
    // window and examines the mouse in the background.
    int backupActions = 0;
    dlg->backupActionsHook = [&](BackupActions& backup) {
        ++backupActions;
        backup.saveFileChooser = backup.openFileChooser = [](const QString&, const QString&,
                                                             const QString&) { return QString(); };
    };
    Press(page->button(SystemPage::kBackupId));
    Press(page->button(SystemPage::kRestoreId));
    EXPECT_EQ(backupActions, 2);
    Press(page->button(SystemPage::kDiagnosticsId));
    auto* doctor = dlg->findChild<DoctorWindow*>();
    ASSERT_NE(doctor, nullptr);
    QSignalSpy ready(doctor, &DoctorWindow::reportReady);
    EXPECT_TRUE(!doctor->running() || ready.wait(20000));
    EXPECT_FALSE(doctor->reportView()->toPlainText().isEmpty());
    EXPECT_TRUE(messages.empty());
}

TEST_F(SystemPageTest, SelectFolderPathOnlyFillsTheEdit) {
    OpenWith();
    chosenFolder = PathText(temp / "picked");
    Press(page->button(SystemPage::kSelectFolderId));
    EXPECT_EQ(chooserCaptions, std::vector<QString>{U("请选择数据存储的位置")});
    EXPECT_EQ(page->dataFolderEdit()->text(), chosenFolder);
    chosenFolder.clear();  // cancelled
    Press(page->button(SystemPage::kSelectFolderId));
    EXPECT_EQ(page->dataFolderEdit()->text(), PathText(temp / "picked"));
    EXPECT_TRUE(page->HasChanges());
    EXPECT_EQ(dlg->dataFolder(), dataFolder());  // nothing before Apply
}

TEST_F(SystemPageTest, CloseAsksOnlyAboutChangesAndYesDoesWhatApplyDoes) {
    OpenWith();
    Press(page->closeButton());
    EXPECT_FALSE(page->isVisible());
    EXPECT_TRUE(popups.empty());

    // No: the snapshot comes back, nothing is stored.
    dlg->OpenPage(PageId::kSystem);
    page->startApplication()->SetChecked(true);
    popupAnswer = kPopupNo;
    Press(page->cancelButton());
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0].first, kPopupDataChanged);
    EXPECT_FALSE(page->startApplication()->checked());
    EXPECT_TRUE(autoStart.entries.empty());
    EXPECT_FALSE(fsys::exists(temp / "Config.ini"));

    // Yes registers the start-up entry as Apply would, not only the flag.
    dlg->OpenPage(PageId::kSystem);
    page->startApplication()->SetChecked(true);
    popupAnswer = kPopupYes;
    Press(page->closeButton());
    EXPECT_FALSE(page->isVisible());
    EXPECT_EQ(autoStart.entries.count(kAutoStartValueName), 1u);
    EXPECT_EQ(ConfigValue(kAutoStartKey), u"1");
    EXPECT_FALSE(page->HasChanges());
}

TEST_F(SystemPageTest, AStartUpEntryOrSettingsFileThatCannotBeWrittenIsReportedAndStaysChanged) {
    RefusingAutoStart refusing;
    OpenWith(&refusing);
    page->startApplication()->SetChecked(true);
    Press(page->applyButton());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].contains(U("开机自动启动"))) << messages[0].toStdString();
    EXPECT_TRUE(page->HasChanges());
    EXPECT_EQ(dlg->settings().autoStart, u"0");
    EXPECT_EQ(ConfigValue(kAutoStartKey), u"0");  // the file says what is true

    // A settings file that cannot be written: said, and the page stays changed.
    dlg.reset();
    messages.clear();
    test::WriteBytes(temp / "blocker", {1});
    OpenWith(nullptr, temp / "blocker" / "Config.ini");
    page->startApplication()->SetChecked(true);
    Press(page->applyButton());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].contains(U("设置文件保存失败"))) << messages[0].toStdString();
    EXPECT_TRUE(page->HasChanges());
}

TEST_F(SystemPageTest, ApplyMovesProfilesAndLibrariesAndTheWindowWorksOnInTheNewFolder) {
    SeedData(dataFolder());
    OpenWith();
    const fsys::path moved = temp / "moved";
    fsys::create_directories(moved);
    TypeFolder(PathText(moved));
    EXPECT_TRUE(page->HasChanges());
    Press(page->applyButton());

    EXPECT_TRUE(messages.empty()) << messages[0].toStdString();
    EXPECT_TRUE(questions.empty());  // an empty folder needs no question
    EXPECT_EQ(dlg->dataFolder(), moved);
    EXPECT_EQ(ConfigValue(kDataPathKey), PathToUtf16(moved));
    EXPECT_FALSE(page->HasChanges());
    EXPECT_TRUE(page->statusText()->Text().contains(U("数据已移到")));
    // Everything is there; nothing of ours is left in the old folder.
    ProfileSet there;
    LoadProfileSet(LocalFileSystem(), there, moved);
    EXPECT_EQ(there[2].profileName, u"驾驶");
    EXPECT_EQ(there[2].pollingRate, 8);
    auto shortcuts = ShortcutLibrary::ForDataFolder(moved);
    shortcuts.Load(LocalFileSystem());
    ASSERT_EQ(shortcuts.entries().size(), 1u);
    EXPECT_FALSE(fsys::exists(dataFolder() / "Kesta"));
    EXPECT_EQ(dlg->macroLibrary().folder(), LibraryFolder(moved, kMacroFormat));

    // Later saves go to the new folder.
    dlg->OnProfileChoice(2);
    dlg->nameBox()->setText(U("赛车"));
    Click(kIdSave);
    dlg->WaitForDeviceWork();
    ProfileSet after;
    LoadProfileSet(LocalFileSystem(), after, moved);
    EXPECT_EQ(after[2].profileName, u"赛车");
    EXPECT_FALSE(fsys::exists(dataFolder() / "Kesta"));

    // The same folder again, spelled otherwise: nothing to move, nothing asked.
    TypeFolder(PathText(moved) + U("/"));
    Press(page->applyButton());
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(questions.empty());
    EXPECT_FALSE(page->HasChanges());
    EXPECT_EQ(dlg->dataFolder(), moved);
}

TEST_F(SystemPageTest, AMissingFolderIsCreatedOnlyWhenTheUserSaysSo) {
    SeedData(dataFolder());
    OpenWith();
    const fsys::path missing = temp / "new" / "place";
    TypeFolder(PathText(missing));
    answer = false;
    Press(page->applyButton());
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_TRUE(questions[0].contains(U("不存在"))) << questions[0].toStdString();
    EXPECT_FALSE(fsys::exists(temp / "new"));
    EXPECT_EQ(dlg->dataFolder(), dataFolder());
    EXPECT_TRUE(page->HasChanges());
    // The old data is untouched.
    ProfileSet still;
    LoadProfileSet(LocalFileSystem(), still, dataFolder());
    EXPECT_EQ(still[2].profileName, u"驾驶");

    answer = true;
    Press(page->applyButton());
    EXPECT_EQ(dlg->dataFolder(), missing);
    ProfileSet there;
    LoadProfileSet(LocalFileSystem(), there, missing);
    EXPECT_EQ(there[2].profileName, u"驾驶");
    EXPECT_FALSE(page->HasChanges());
}

TEST_F(SystemPageTest, FoldersInsideTheDataTreeAndRelativePathsAreRefused) {
    SeedData(dataFolder());
    OpenWith();
    const fsys::path inside = ProfileFolder(dataFolder()) / "sub";
    fsys::create_directories(inside);
    for (const QString& typed : {PathText(inside), U("relative/folder")}) {
        messages.clear();
        TypeFolder(typed);
        Press(page->applyButton());
        ASSERT_EQ(messages.size(), 1u) << typed.toStdString();
        EXPECT_TRUE(page->HasChanges());
        EXPECT_EQ(dlg->dataFolder(), dataFolder());
    }
    EXPECT_TRUE(fsys::is_empty(inside));
    ProfileSet still;
    LoadProfileSet(LocalFileSystem(), still, dataFolder());
    EXPECT_EQ(still[2].profileName, u"驾驶");
}

TEST_F(SystemPageTest, AFolderWithDataIsMergedOnlyAfterAsking) {
    SeedData(dataFolder());
    const fsys::path other = temp / "other";
    std::string error;
    auto theirs = ShortcutLibrary::ForDataFolder(other);
    theirs.entries() = {{0, kTargetWebAddress, u"Wiki", u"http://w.example"}};
    ASSERT_TRUE(theirs.Save(LocalFileSystem(), nullptr, &error)) << error;
    OpenWith();
    TypeFolder(PathText(other));
    answer = false;
    Press(page->applyButton());
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_TRUE(questions[0].contains(U("合并"))) << questions[0].toStdString();
    EXPECT_EQ(dlg->dataFolder(), dataFolder());

    answer = true;
    Press(page->applyButton());
    EXPECT_EQ(dlg->dataFolder(), other);
    auto merged = ShortcutLibrary::ForDataFolder(other);
    merged.Load(LocalFileSystem());
    ASSERT_EQ(merged.entries().size(), 2u);
    EXPECT_EQ(merged.entries()[0].name, u"Docs");
    EXPECT_EQ(merged.entries()[1].name, u"Wiki");
}

TEST_F(SystemPageTest, ASettingsFileThatCannotRecordTheNewFolderLeavesTheDataWhereItWas) {
    SeedData(dataFolder());
    test::WriteBytes(temp / "blocker", {1});
    OpenWith(nullptr, temp / "blocker" / "Config.ini");
    const fsys::path moved = temp / "moved";
    fsys::create_directories(moved);
    TypeFolder(PathText(moved));
    Press(page->applyButton());
    ASSERT_GE(messages.size(), 1u);
    EXPECT_TRUE(messages.back().contains(U("数据没有移动"))) << messages.back().toStdString();
    EXPECT_EQ(dlg->dataFolder(), dataFolder());
    EXPECT_TRUE(page->HasChanges());
    ProfileSet still;
    LoadProfileSet(LocalFileSystem(), still, dataFolder());
    EXPECT_EQ(still[2].profileName, u"驾驶");
    EXPECT_FALSE(fsys::exists(moved / "Kesta"));
}

TEST_F(SystemPageTest, DefaultRemovesTheStartUpEntryAndBringsTheDataBackToTheDefaultFolder) {
    const fsys::path custom = temp / "custom";
    SeedData(custom);
    Settings stored;
    stored.dataFolder = custom;
    stored.autoStart = u"1";
    std::string error;
    ASSERT_TRUE(SaveSettings(LocalFileSystem(), temp / "Config.ini", stored, &error)) << error;
    autoStart.entries.insert(kAutoStartValueName);
    OpenWith();
    ASSERT_EQ(dlg->dataFolder(), custom);
    EXPECT_TRUE(page->startApplication()->checked());

    popupAnswer = kPopupNo;
    Press(page->defaultButton());
    EXPECT_EQ(popups.back().first, kPopupSystemMessage);
    EXPECT_TRUE(page->startApplication()->checked());

    popupAnswer = kPopupYes;
    Press(page->defaultButton());
    EXPECT_FALSE(page->startApplication()->checked());
    EXPECT_TRUE(autoStart.entries.empty());
    EXPECT_EQ(ConfigValue(kAutoStartKey), u"0");
    EXPECT_EQ(dlg->dataFolder(), dataFolder());
    ProfileSet back;
    LoadProfileSet(LocalFileSystem(), back, dataFolder());
    EXPECT_EQ(back[2].profileName, u"驾驶");
    EXPECT_FALSE(page->HasChanges());
}

TEST_F(SystemPageTest, FactoryDefaultResetsEveryProfileAndWritesAllFiveInOneExchange) {
    SeedData(dataFolder());
    mouse.Update([](SimState& s) { s.activeSlot = 2; });
    OpenWith();
    ASSERT_EQ(dlg->profiles().currentSlot(), 2);
    std::vector<QString> statuses;
    QObject::connect(page, &SystemPage::statusChanged,
                     [&](const QString& text) { statuses.push_back(text); });

    popupAnswer = kPopupNo;
    Press(page->button(SystemPage::kFactoryDefaultId));
    EXPECT_EQ(popups.back().first, kPopupFactoryDefault);
    EXPECT_EQ(dlg->profiles()[2].profileName, u"驾驶");

    popupAnswer = kPopupYes;
    mouse.ClearRequests();
    Press(page->button(SystemPage::kFactoryDefaultId));
    // The host side at once: every slot factory, slot 0 shown; the mouse side on the worker.
    EXPECT_EQ(dlg->profiles().currentSlot(), 0);
    EXPECT_EQ(dlg->profileSelector()->text(), U("出厂配置"));
    EXPECT_FALSE(page->button(SystemPage::kFactoryDefaultId)->isEnabled());
    EXPECT_FALSE(dlg->applyButtonsEnabled());
    dlg->WaitForDeviceWork();
    QCoreApplication::sendPostedEvents();

    EXPECT_TRUE(page->button(SystemPage::kFactoryDefaultId)->isEnabled());
    EXPECT_TRUE(dlg->applyButtonsEnabled());
    const SimState s = mouse.state();
    EXPECT_EQ(s.activeSlot, 0);
    ProfileSet disk;
    LoadProfileSet(LocalFileSystem(), disk, dataFolder());
    for (int slot = 0; slot < kSlotCount; ++slot) {
        EXPECT_EQ(disk[slot].profileName, SlotName(slot));
        EXPECT_EQ(disk[slot].inUse, 1u);
        EXPECT_EQ(disk[slot].pollingRate, CreateProfileRecord().pollingRate);
        EXPECT_EQ(StoredImage(s, slot), ImageOf(disk[slot])) << "slot " << slot;
    }
    // One exchange: one slot query at the start, one activation at the end.
    int activations = 0;
    for (const auto& r : mouse.requests()) activations += r[kCommandByte] == kCmdActivateSlot;
    EXPECT_EQ(activations, 1);
    ASSERT_GE(statuses.size(), 3u);
    EXPECT_EQ(statuses.front(), U("正在恢复出厂设置…"));
    EXPECT_TRUE(statuses.back().contains(U("已恢复出厂设置"))) << statuses.back().toStdString();
    EXPECT_TRUE(popups.size() == 2u);  // no "not found", no failure
    EXPECT_TRUE(messages.empty());
}

TEST_F(SystemPageTest, FactoryDefaultWithoutTheMouseSaysSo) {
    OpenWith();
    mouse.Unplug();
    Press(page->button(SystemPage::kFactoryDefaultId));
    dlg->WaitForDeviceWork();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(popups.back().first, kPopupDeviceNotFound);
    EXPECT_TRUE(page->statusText()->Text().contains(U("没有写入鼠标")));
    EXPECT_TRUE(dlg->applyButtonsEnabled());
}

}  // namespace
}  // namespace z7::test
